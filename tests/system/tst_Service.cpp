#include "ProgrammesTest.h"
#include "app/bureau/ConsoleAttachee.h"
#include "app/liaison/EcouteConsoles.h"
#include "app/liaison/Liaison.h"
#include "app/service/Service.h"
#include "console/installation/Frm_ConnectUniDATA.h"
#include "console/installation/Frm_MajBases.h"
#include "console/journal/Frm_ObsEvt.h"
#include "console/menu/Frm_Menu.h"
#include "console/parametres/Frm_Params.h"
#include "console/parametres/Frm_TransfertMAJ.h"
#include "console/verification/Frm_EtatDL.h"
#include "core/BaseInterne.h"
#include "core/Etat.h"
#include "core/Frm_Reseau.h"
#include "core/Messages.h"
#include "core/TableMajDispo.h"
#include "core/TableParametres.h"
#include "installation/InstallationServeur.h"
#include "support/ConsoleBrute.h"
#include "support/DossierTest.h"
#include "support/Fenetres.h"
#include "support/FichiersTest.h"
#include "support/InterlocuteurScripte.h"
#include "support/PriseNotification.h"
#include "support/Registre.h"
#include "support/SimulateurTest.h"
#include "support/SiteInstallation.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <csignal>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The service on that program folder, started as systemd starts it, without a notification socket.
struct ServiceDuDossier : Programme
{
    explicit ServiceDuDossier(const DossierTest& dossier)
        : Programme(QStringLiteral(QUENTARIS_SERVICE), {QStringLiteral("--home"), dossier.Chemin()}, {},
                    EnvironnementDuService(QString()))
    {
    }
};

// A console of this process attached to the service of that program folder.
bool attacher(ConsoleAttachee& console, const QString& dossier)
{
    QSignalSpy attachee(&console, &ConsoleAttachee::Attachee);
    console.Connecter(dossier);
    return attachee.wait(10000);
}

} // namespace

class TstService : public QObject
{
    Q_OBJECT
private slots:
    // Started bare, the service serves a workstation over both channels, tells the service
    // manager it is ready once it listens and pings its watchdog; a second one on the same
    // program folder is refused; SIGTERM stops it and its socket goes.
    void serviceSansAffichage()
    {
        DossierTest dossier;
        dossier.EcrireParametres();
        const QByteArray archive(70000, 'z');
        QVERIFY(dossier.PublierMaj(121, QStringLiteral("p121.zip"), archive));
        BaseInterne::Fermer();
        PriseNotification notification;
        QVERIFY(notification.Liee());

        Programme service(QStringLiteral(QUENTARIS_SERVICE), {QStringLiteral("--home"), dossier.Chemin()}, {},
                          EnvironnementDuService(notification.Chemin()));
        QTRY_VERIFY_WITH_TIMEOUT(notification.Recus().contains(QStringLiteral("READY=1")), 10000);
        QVERIFY(accepte(dossier.portControle));
        QVERIFY(QFileInfo::exists(dossier.Fichier(QStringLiteral("console.sock"))));

        QTemporaryDir recus;
        QProcess poste;
        poste.start(QStringLiteral(QUENTARIS_POSTE),
                    {QStringLiteral("--port"), QString::number(dossier.portControle),
                     QStringLiteral("--port-transfert"), QString::number(dossier.portTransfert),
                     QStringLiteral("--version"), QStringLiteral("100"), QStringLiteral("--telecharger"),
                     QStringLiteral("--dossier"), recus.path()});
        QVERIFY(poste.waitForFinished(30000));
        QVERIFY2(poste.exitCode() == 0, poste.readAllStandardError().constData());
        QCOMPARE(LireFichier(recus.filePath(QStringLiteral("121"))), archive);
        QTRY_VERIFY(notification.Recus().contains(QStringLiteral("WATCHDOG=1")));

        ServiceDuDossier second(dossier);
        QVERIFY(second.processus.waitForFinished(10000));
        QCOMPARE(second.processus.exitCode(), 1);
        QVERIFY2(second.Erreurs().contains(QStringLiteral("déjà en cours d'éxecution")), qPrintable(second.Erreurs()));
        QVERIFY(accepte(dossier.portControle));

        ::kill(pid_t(service.processus.processId()), SIGTERM);
        QVERIFY(service.processus.waitForFinished(10000));
        QCOMPARE(service.processus.exitStatus(), QProcess::NormalExit);
        QCOMPARE(service.processus.exitCode(), 0);
        QVERIFY(service.Erreurs().contains(QStringLiteral("Serveur de mise à jour arrêté.")));
        QVERIFY(notification.Recus().contains(QStringLiteral("STOPPING=1")));
        QVERIFY(!QFileInfo::exists(dossier.Fichier(QStringLiteral("console.sock"))));
    }

    // The console of the desktop program attached in this process to a real service: the
    // menu's check runs in the service and the console shows its progress, then the event
    // viewer; the quit entry is refused by the service while a workstation is connected.
    void consoleAttachee()
    {
        DossierTest dossier;
        SimulateurTest simulateur;
        simulateur.Ajouter(1001, QStringLiteral("majs/MAJ1001.zip"), QStringLiteral("0"),
                           SimulateurTest::Contenu(1001, 200000));
        dossier.EcrireConfig(QStringLiteral("SERVICE=") + simulateur.Adresse() + QLatin1Char('\n'));
        dossier.EcrireParametres();
        BaseInterne::Fermer();
        ServiceDuDossier service(dossier);
        QTRY_VERIFY_WITH_TIMEOUT(accepte(dossier.portControle), 10000);

        ConsoleAttachee console;
        InterlocuteurScripte messages;
        QSignalSpy attachee(&console, &ConsoleAttachee::Attachee);
        QSignalSpy recus(&console.Lien, &LienService::Recu);
        console.Connecter(dossier.Chemin());
        QVERIFY(attachee.wait(10000));
        QTRY_VERIFY(service.Erreurs().contains(QStringLiteral("Console attachée : l'utilisateur ")));

        delete Frm_ObsEvt::Instance();
        console.Console_.Executer(2);
        const auto etapes = [&recus] {
            QStringList quoi;
            for (const QList<QVariant>& r : recus) {
                const QJsonObject m = r.first().toJsonObject();
                if (m.value(QStringLiteral("type")).toString() == QLatin1String("statut"))
                    quoi.append(m.value(QStringLiteral("quoi")).toString());
            }
            quoi.removeDuplicates();
            return quoi;
        };
        QTRY_VERIFY_WITH_TIMEOUT(etapes().contains(QStringLiteral("fermer")), 20000);
        QCOMPARE(etapes(),
                 (QStringList{QStringLiteral("ouvrir"), QStringLiteral("telechargement"), QStringLiteral("progression"),
                              QStringLiteral("fermer")}));
        QTRY_VERIFY(Frm_ObsEvt::Instance() && Frm_ObsEvt::Instance()->isVisible());
        QTRY_VERIFY(!Visible<Frm_EtatDL>());
        QVERIFY(BaseInterne::Ouvrir(dossier.Fichier(BaseInterne::NomFichier())));
        QCOMPARE(TableMajDispo::Compte(), 1);
        BaseInterne::Fermer();
        delete Frm_ObsEvt::Instance();

        QTcpSocket poste;
        poste.connectToHost(QHostAddress::LocalHost, dossier.portControle);
        QVERIFY(poste.waitForConnected(2000));
        QTRY_COMPARE(console.Acces.PostesConnectes(), 1);
        // The quit entry of a console asks first, with "Non" as its default: the service stops
        // for the whole site.
        console.Console_.Quitter();
        QTRY_VERIFY(messages.Textes().contains(ConsoleAttachee::QuestionArret()));
        QTRY_COMPARE(messages.Dernier(),
                     QStringLiteral("Vous ne pouvez pas quitter le serveur car des postes sont "
                                    "connectés sur celui-ci !"));
        QCOMPARE(service.processus.state(), QProcess::Running);

        // The service stops, then starts again: the console says so, then attaches by itself.
        poste.abort();
        ::kill(pid_t(service.processus.processId()), SIGTERM);
        QVERIFY(service.processus.waitForFinished(10000));
        QTRY_VERIFY(!console.Console_.ServeurJoignable());
        QCOMPARE(console.Console_.TexteIcone(),
                 QStringLiteral("QUENTARIS Serveur : le service de mise à jour ne fonctionne pas"));
        ServiceDuDossier encore(dossier);
        QTRY_VERIFY_WITH_TIMEOUT(console.Console_.ServeurJoignable(), 20000);
        QTRY_VERIFY(encore.Erreurs().contains(QStringLiteral("Console attachée")));
        QVERIFY(console.Avis() && console.Avis()->isVisible());
        QCOMPARE(console.Avis()->text(), ConsoleAttachee::MessageServiceRevenu());
    }

    // Without settings the service tells the service manager it runs, says once that it waits
    // for a console, and serves no workstation until a console has filled the first-start screen.
    void premierDemarrageAttendUneConsole()
    {
        DossierTest dossier;
        SimulateurTest simulateur;
        dossier.EcrireConfig(QStringLiteral("SERVICE=") + simulateur.Adresse() + QLatin1Char('\n'));
        BaseInterne::Fermer();
        PriseNotification notification;
        Programme service(QStringLiteral(QUENTARIS_SERVICE), {QStringLiteral("--home"), dossier.Chemin()}, {},
                          EnvironnementDuService(notification.Chemin()));
        QTRY_VERIFY_WITH_TIMEOUT(notification.Recus().contains(QStringLiteral("READY=1")), 10000);
        QTRY_VERIFY(service.Erreurs().contains(QStringLiteral("En attente d'une console d'administration")));
        QVERIFY(!accepte(dossier.portControle));

        ConsoleAttachee console;
        InterlocuteurScripte messages;
        console.Connecter(dossier.Chemin());
        QTRY_VERIFY_WITH_TIMEOUT(Visible<Frm_Params>(), 10000);
        QCOMPARE(messages.Textes(), QStringList{Frm_Reseau::MessagePremierDemarrage()});
        // The message and the screen come first; the menu opens once the screen is filled.
        QVERIFY(!console.Console_.Menu());
        Frm_Params* ecran = Visible<Frm_Params>();
        Enfant<QLineEdit>(ecran, "Txt_Emplacement")->setText(dossier.DossierMaj());
        Enfant<QPushButton>(ecran, "Cmd_OK")->click();
        QTRY_VERIFY(Visible<Frm_Menu>());
        QTRY_VERIFY_WITH_TIMEOUT(accepte(dossier.portControle), 10000);
        QTRY_COMPARE(console.Acces.Etat_().W_User, QStringLiteral("61742"));
        QCOMPARE(service.Erreurs().count(QStringLiteral("En attente d'une console d'administration")), 1);
    }

    // Started before the site wrote quentaris.ini, the service says so at priority err in the
    // journal and on its status line, runs (no restart loop) without asking for the first-start
    // settings, and goes on by itself once the file is written: here to the first start, which
    // waits for a console. Standard error is the journal: each line carries its priority and no
    // time of its own.
    void attendLesFichiersDuSite()
    {
        DossierTest dossier;
        const QString ini = dossier.Fichier(QStringLiteral("systeme/quentaris.ini"));
        const QByteArray contenu = LireFichier(ini);
        QVERIFY(QFile::remove(ini));
        BaseInterne::Fermer();
        PriseNotification notification;
        QTemporaryDir sortie;
        const QString journal = sortie.filePath(QStringLiteral("journal"));
        QFile fichierJournal(journal);
        QVERIFY(fichierJournal.open(QIODevice::WriteOnly));
        struct stat infos
        {
        };
        QVERIFY(::stat(QFile::encodeName(journal).constData(), &infos) == 0);
        QProcessEnvironment env = EnvironnementDuService(notification.Chemin());
        env.insert(QStringLiteral("JOURNAL_STREAM"),
                   QString::number(qulonglong(infos.st_dev)) + QLatin1Char(':')
                       + QString::number(qulonglong(infos.st_ino)));
        Programme service(QStringLiteral(QUENTARIS_SERVICE), {QStringLiteral("--home"), dossier.Chemin()},
                          {QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("exec \"$@\" 2>> \"$J\""),
                           QStringLiteral("sh")},
                          [&] {
                              env.insert(QStringLiteral("J"), journal);
                              return env;
                          }());
        const auto lignes = [&journal] {
            return QString::fromUtf8(LireFichier(journal)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        };
        const QString absent = QStringLiteral("<3>Le fichier \"") + ini + QStringLiteral("\" est introuvable");
        QTRY_VERIFY_WITH_TIMEOUT(!lignes().filter(absent).isEmpty(), 10000);
        QTRY_VERIFY(notification.Recus().contains(QStringLiteral("READY=1")));
        QVERIFY2(!notification.Recus().filter(QStringLiteral("STATUS=Le fichier \"") + ini).isEmpty(),
                 qPrintable(notification.Recus().join(QLatin1Char('\n'))));
        QVERIFY(!lignes().join(QLatin1Char('\n')).contains(QStringLiteral("En attente d'une console")));
        QVERIFY(!accepte(dossier.portControle));

        dossier.EcrireFichier(QStringLiteral("systeme/quentaris.ini"), contenu);
        QTRY_VERIFY_WITH_TIMEOUT(lignes().contains(QStringLiteral("<6>Le fichier \"") + ini
                                                   + QStringLiteral("\" est lisible : le démarrage continue.")),
                                 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!lignes().filter(QStringLiteral("<6>En attente d'une console")).isEmpty(), 10000);
        // Refusals are anomalies: a console of another build, a request the service does not know.
        ConsoleBrute autreVersion(Liaison::CheminDansLeDossier(dossier.Chemin()));
        autreVersion.Presenter(QStringLiteral("0.9"), 1);
        QTRY_VERIFY(!lignes().filter(QRegularExpression(QStringLiteral("^<4>Console refusée"))).isEmpty());
        if (::geteuid() == 0) {
            ConsoleBrute console(Liaison::CheminDansLeDossier(dossier.Chemin()));
            console.Presenter();
            console.Demander(1, QStringLiteral("inconnue"));
            QTRY_VERIFY(!lignes().filter(QRegularExpression(QStringLiteral("^<4>Demande « inconnue »"))).isEmpty());
            // Nothing runs before the start: no check without the settings.
            console.Demander(2, QStringLiteral("verifier"));
            QTRY_COMPARE(console.DeType(QStringLiteral("refusDemande"), 2).size(), 1);
            QCOMPARE(console.DeType(QStringLiteral("refusDemande"), 2).first().value(QStringLiteral("raison")),
                     QJsonValue(Service::MessagePasDemarre()));
        }
        QCOMPARE(lignes().filter(absent).size(), 1);
        QCOMPARE(lignes().filter(QRegularExpression(QStringLiteral("^<[346]>"))), lignes());

        ::kill(pid_t(service.processus.processId()), SIGTERM);
        QVERIFY(service.processus.waitForFinished(10000));
        QCOMPARE(service.processus.exitCode(), 0);
    }

    // A server installation asked from a console runs in the service. The console that asked
    // is gone before the credentials are typed: the question waits for the next console and the
    // installation goes on. A stop asked by the system meanwhile waits for the database command,
    // and no longer once only the report waits.
    void installationParUneConsole()
    {
        DossierTest dossier;
        Etat etat;
        SiteInstallation site(dossier, etat);
        site.Declarer({QStringLiteral("COMPTA")});
        site.EcrireConfigServeur();
        dossier.EcrireParametres();
        const QString fichier = site.CreerArchive(QStringLiteral("512"));
        const qint64 id = site.MettreEnAttente(QStringLiteral("512"), fichier);
        BaseInterne::Fermer();
        ServiceDuDossier service(dossier);
        QTRY_VERIFY_WITH_TIMEOUT(accepte(dossier.portControle), 10000);
        InterlocuteurScripte messages;
        {
            ConsoleAttachee premiere;
            Messages::Installer(&messages);
            QSignalSpy attachee(&premiere, &ConsoleAttachee::Attachee);
            premiere.Connecter(dossier.Chemin());
            QVERIFY(attachee.wait(10000));
            premiere.Acces.InstallerMajServeur(fichier, QStringLiteral("512"), QString::number(id));
            QTRY_VERIFY_WITH_TIMEOUT(Visible<Frm_ConnectUniDATA>(), 10000);
        }
        QTRY_VERIFY(service.Erreurs().contains(QStringLiteral("Console détachée")));
        // The question that lost its only console is said to wait for the next one.
        QTRY_VERIFY(
            service.Erreurs().contains(QStringLiteral("En attente d'une console d'administration (identifiants)")));
        QVERIFY(!QFile::exists(site.Base(QStringLiteral("COMPTA")) + QStringLiteral("/journal.txt")));

        // Two consoles now: both are asked; once one answers, the other's dialog goes.
        ConsoleAttachee seconde;
        ConsoleAttachee temoin;
        Messages::Installer(&messages);
        seconde.Connecter(dossier.Chemin());
        temoin.Connecter(dossier.Chemin());
        const auto dialogues = [] {
            int n = 0;
            for (QWidget* w : QApplication::topLevelWidgets())
                n += qobject_cast<Frm_ConnectUniDATA*>(w) && w->isVisible();
            return n;
        };
        QTRY_COMPARE_WITH_TIMEOUT(dialogues(), 2, 10000);
        // The database command keeps running while ATTENTE is there.
        QFile attente(site.Base(QStringLiteral("COMPTA")) + QStringLiteral("/ATTENTE"));
        QVERIFY(attente.open(QIODevice::WriteOnly));
        Frm_ConnectUniDATA* identifiants = Visible<Frm_ConnectUniDATA>();
        QTest::keyClicks(Enfant<QLineEdit>(identifiants, "Txt_MotDePasse"), QStringLiteral("pw"));
        Enfant<QPushButton>(identifiants, "Cmd_OK")->click();
        QTRY_COMPARE(dialogues(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(
            site.Lire(site.Base(QStringLiteral("COMPTA")) + QStringLiteral("/journal.txt")).contains("debut"), 10000);

        // A move asked meanwhile waits for its turn.
        QTemporaryDir cible;
        QSignalSpy attenteDeplacement(&temoin.Acces, &AccesServeur::DeplacementAttente);
        QSignalSpy echecDeplacement(&temoin.Acces, &AccesServeur::DeplacementEchec);
        QSignalSpy finDeplacement(&temoin.Acces, &AccesServeur::DeplacementTermine);
        temoin.Acces.DeplacerMaj(dossier.DossierMaj(), cible.path());
        QTRY_COMPARE(attenteDeplacement.size(), 1);

        // The system's stop waits for the database command; the report alone does not hold it.
        // Nothing new starts meanwhile: the waiting move is given up at once, its console told
        // why, and a plan is refused, for it would not outlive the stop.
        ::kill(pid_t(service.processus.processId()), SIGTERM);
        QTRY_VERIFY(service.Erreurs().contains(QStringLiteral("Arrêt demandé : il attend la fin")));
        QTRY_COMPARE(finDeplacement.size(), 1);
        QCOMPARE(finDeplacement.first().first().toBool(), false);
        QCOMPARE(echecDeplacement.first().first().toString(), Service::MessageArretEnAttente());
        QCOMPARE(service.processus.state(), QProcess::Running);
        seconde.Acces.PlanifierInstallation(QDateTime::currentDateTime().addDays(1), fichier, QStringLiteral("512"),
                                            QString::number(id));
        QTRY_COMPARE(messages.Dernier(), Service::MessageArretEnAttente());
        attente.remove();
        QTRY_VERIFY2_WITH_TIMEOUT(Visible<Frm_MajBases>(), qPrintable(service.Erreurs()), 20000);
        QCOMPARE(Enfant<QTreeWidget>(Visible<Frm_MajBases>(), "Lst_InstallMaj")->topLevelItem(0)->text(2),
                 QStringLiteral("Installée"));
        QVERIFY(service.processus.waitForFinished(10000));
        QCOMPARE(service.processus.exitCode(), 0);
        QVERIFY(site.Lire(site.Base(QStringLiteral("COMPTA")) + QStringLiteral("/journal.txt")).contains("fin"));
        QVERIFY(BaseInterne::Ouvrir(dossier.Fichier(BaseInterne::NomFichier())));
        QVERIFY(site.Installee(id));
        QCOMPARE(TableParametres::LireSur()->EmplacementMaj, dossier.DossierMaj());
        BaseInterne::Fermer();
        QVERIFY(QDir(cible.path()).isEmpty());
    }

    // A service that crashed leaves its socket behind: on its folder the desktop program says
    // that the service does not run and how to start it, never listens, and attaches once the
    // service is back. A service that takes the connection but never answers (stopped, hung) is
    // said not to answer.
    void bureauSurLeDossierDUnServiceArrete()
    {
        DossierTest dossier;
        dossier.EcrireParametres();
        BaseInterne::Fermer();
        {
            ServiceDuDossier service(dossier);
            QTRY_VERIFY_WITH_TIMEOUT(accepte(dossier.portControle), 10000);
            ::kill(pid_t(service.processus.processId()), SIGKILL);
            QVERIFY(service.processus.waitForFinished(10000));
        }
        QVERIFY(QFileInfo::exists(Liaison::CheminDansLeDossier(dossier.Chemin())));

        Serveur bureau({QStringLiteral("--home"), dossier.Chemin()});
        QTRY_VERIFY_WITH_TIMEOUT(bureau.Erreurs().contains(QStringLiteral("Le service de mise à jour ne fonctionne "
                                                                          "pas sur ce dossier (")
                                                           + dossier.Chemin())
                                     || bureau.Erreurs().contains(QStringLiteral("démarré")),
                                 10000);
        QVERIFY2(!bureau.Erreurs().contains(QStringLiteral("démarré")), qPrintable(bureau.Erreurs()));
        QVERIFY(bureau.Erreurs().contains(QStringLiteral("sudo systemctl start quentaris-serveur")));
        QVERIFY(!accepte(dossier.portControle));

        ServiceDuDossier service(dossier);
        QTRY_VERIFY_WITH_TIMEOUT(service.Erreurs().contains(QStringLiteral("Console attachée")), 20000);
        QVERIFY(accepte(dossier.portControle));
        QCOMPARE(bureau.processus.state(), QProcess::Running);
        QVERIFY(!bureau.Erreurs().contains(QStringLiteral("démarré")));

        ::kill(pid_t(service.processus.processId()), SIGSTOP);
        ConsoleAttachee console;
        console.Lien.FixerDelaiReponse(300);
        QSignalSpy injoignable(&console, &ConsoleAttachee::Injoignable);
        console.Connecter(dossier.Chemin());
        QVERIFY(injoignable.wait(10000));
        QCOMPARE(injoignable.first().first().toString(), QStringLiteral("le service de mise à jour ne répond pas"));
        ::kill(pid_t(service.processus.processId()), SIGCONT);
    }

    // The desktop program started while the service runs becomes its console and serves
    // nothing itself; a user who is not an administrator is refused by the service.
    void programmeDeBureauDevientConsole()
    {
        DossierTest dossier;
        dossier.EcrireParametres();
        BaseInterne::Fermer();
        ServiceDuDossier service(dossier);
        QTRY_VERIFY_WITH_TIMEOUT(accepte(dossier.portControle), 10000);
        {
            Serveur bureau({QStringLiteral("--home"), dossier.Chemin()});
            QTRY_VERIFY_WITH_TIMEOUT(service.Erreurs().contains(QStringLiteral("Console attachée")), 10000);
            QVERIFY(!bureau.Erreurs().contains(QStringLiteral("démarré")));
            QCOMPARE(bureau.processus.state(), QProcess::Running);
        }
        QTRY_VERIFY(service.Erreurs().contains(QStringLiteral("Console détachée")));
        QCOMPARE(echange(dossier.portControle, "VMAJ01#0"), QByteArray("MAJOK0"));

        // The service's socket cannot be reached: said, with the socket and the reason, and the
        // desktop program never serves on the service's folder.
        const QString socket = Liaison::CheminDansLeDossier(dossier.Chemin());
        const QString deplace = socket + QStringLiteral(".cache");
        QVERIFY(QFile::rename(socket, deplace));
        dossier.EcrireFichier(QStringLiteral("console.sock"), "pas une prise");
        {
            Serveur bureau({QStringLiteral("--home"), dossier.Chemin()});
            QTRY_VERIFY_WITH_TIMEOUT(
                bureau.Erreurs().contains(QStringLiteral("Le service de mise à jour fonctionne sur ce dossier, mais sa "
                                                         "console est injoignable (")
                                          + socket + QStringLiteral(" : ")),
                10000);
            QVERIFY(!bureau.Erreurs().contains(QStringLiteral("démarré")));
        }
        QVERIFY(QFile::remove(socket));
        QVERIFY(QFile::rename(deplace, socket));

        if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            QSKIP("changer d'utilisateur demande root et setpriv");
        // The folders on the way are opened to every user, as an installed program folder is.
        for (QString d = dossier.Chemin(); d != QDir::rootPath(); d = QFileInfo(d).absolutePath())
            QFile::setPermissions(d, QFile::permissions(d) | QFile::ExeOther | QFile::ReadOther);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), QStringLiteral("/tmp"));
        Programme intrus(QStringLiteral(QUENTARIS_BINAIRE), {QStringLiteral("--home"), dossier.Chemin()},
                         {QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                          QStringLiteral("--clear-groups")},
                         env);
        QTRY_VERIFY_WITH_TIMEOUT(
            intrus.Erreurs().contains(QString(EcouteConsoles::MessageNonAdministrateur(QStringLiteral("nobody")))
                                          .replace(QStringLiteral("\r\n"), QStringLiteral(" "))),
            10000);
        QVERIFY(intrus.Erreurs().contains(
            QStringLiteral("Le serveur de mise à jour ne peut pas être démarré sur une session utilisateur qui n'est "
                           "pas administrateur. Veuillez vous connecter sur la session administrateur et relancez le "
                           "serveur de mise à jour.")));
        QTRY_VERIFY(service.Erreurs().contains(QStringLiteral("Console refusée : l'utilisateur nobody")));
    }

    // Two consoles at once: a move refused to one (the other's move runs) ends there with the
    // reason, and only the console that asked receives its move's end; the other sees the folder
    // change.
    void deuxConsoles()
    {
        DossierTest dossier;
        dossier.EcrireParametres();
        QVERIFY(dossier.PublierMaj(121, QStringLiteral("p121.zip"), QByteArray(70000, 'z')));
        BaseInterne::Fermer();
        ServiceDuDossier service(dossier);
        QTRY_VERIFY_WITH_TIMEOUT(accepte(dossier.portControle), 10000);
        ConsoleAttachee premiere;
        ConsoleAttachee seconde;
        InterlocuteurScripte messages;
        QVERIFY(attacher(premiere, dossier.Chemin()));
        QVERIFY(attacher(seconde, dossier.Chemin()));

        // A workstation fetching a file holds the first move back.
        QTcpSocket transfert;
        transfert.connectToHost(QHostAddress::LocalHost, dossier.portTransfert);
        QVERIFY(transfert.waitForConnected(2000));
        transfert.write("RCPMAJ#121");
        QVERIFY(transfert.waitForReadyRead(5000));

        QTemporaryDir cible;
        QTemporaryDir autre;
        QSignalSpy attente(&premiere.Acces, &AccesServeur::DeplacementAttente);
        QSignalSpy finPremiere(&premiere.Acces, &AccesServeur::DeplacementTermine);
        QSignalSpy finSeconde(&seconde.Acces, &AccesServeur::DeplacementTermine);
        QSignalSpy echecSeconde(&seconde.Acces, &AccesServeur::DeplacementEchec);
        premiere.Acces.DeplacerMaj(dossier.DossierMaj(), cible.path());
        QTRY_COMPARE(attente.size(), 1);
        seconde.Acces.DeplacerMaj(dossier.DossierMaj(), autre.path());
        QTRY_COMPARE(finSeconde.size(), 1);
        QCOMPARE(finSeconde.first().first().toBool(), false);
        QCOMPARE(echecSeconde.first().first().toString(), InstallationServeur::MessageOccupe());

        transfert.abort();
        QTRY_COMPARE_WITH_TIMEOUT(finPremiere.size(), 1, 10000);
        QCOMPARE(finPremiere.first().first().toBool(), true);
        QTRY_COMPARE(seconde.Acces.Etat_().EmplacementMaj, cible.path());
        QCOMPARE(finSeconde.size(), 1);
        QVERIFY(QFile::exists(QDir(cible.path()).filePath(QStringLiteral("p121.zip"))));
        QVERIFY(QDir(autre.path()).isEmpty());
    }

    // A console that sends what a real one never would: each request that does not match the
    // service's own state is refused to that console, with the reason and one line on standard
    // error, and changes nothing. The locked report is released only by the unlock password.
    void demandesRefusees()
    {
        DossierTest dossier;
        Etat etat;
        SiteInstallation site(dossier, etat);
        site.Declarer({QStringLiteral("COMPTA")});
        // The version's record is never written: the report locks.
        QFile refusBase(site.CreerBase(QStringLiteral("COMPTA")) + QStringLiteral("/REFUS"));
        QVERIFY(refusBase.open(QIODevice::WriteOnly));
        site.EcrireConfigServeur();
        dossier.EcrireParametres();
        const QString fichier512 = site.CreerArchive(QStringLiteral("512"));
        const QString fichier513 = site.CreerArchive(QStringLiteral("513"));
        const qint64 id512 = site.MettreEnAttente(QStringLiteral("512"), fichier512);
        site.MettreEnAttente(QStringLiteral("513"), fichier513);
        BaseInterne::Fermer();
        ServiceDuDossier service(dossier);
        QTRY_VERIFY_WITH_TIMEOUT(accepte(dossier.portControle), 10000);
        if (::geteuid() != 0)
            QSKIP("les consoles ne sont admises que pour root et les administrateurs");
        ConsoleBrute console(Liaison::CheminDansLeDossier(dossier.Chemin()));
        console.Presenter();
        QTRY_VERIFY(!console.DeType(QStringLiteral("bienvenue")).isEmpty());
        const auto postes = [&console] {
            const QList<QJsonObject> etats = console.DeType(QStringLiteral("etat"));
            return etats.isEmpty() ? -1 : etats.last().value(QStringLiteral("postes")).toInt();
        };
        const auto refus = [&console](qint64 demande) {
            const QList<QJsonObject> r = console.DeType(QStringLiteral("refusDemande"), demande);
            return r.isEmpty() ? QString() : r.first().value(QStringLiteral("raison")).toString();
        };
        QTemporaryDir ailleurs;
        // The update folder under another path: a bind mount where the system allows it, a link
        // otherwise.
        QTemporaryDir autreChemin;
        const QString memeDossier = autreChemin.filePath(QStringLiteral("maj"));
        QVERIFY(QDir().mkpath(memeDossier));
        const bool monte = ::mount(QFile::encodeName(dossier.DossierMaj()).constData(),
                                   QFile::encodeName(memeDossier).constData(), nullptr, MS_BIND, nullptr)
            == 0;
        const auto demonter = qScopeGuard([&] {
            if (monte)
                ::umount2(QFile::encodeName(memeDossier).constData(), MNT_DETACH);
        });
        if (!monte)
            QVERIFY(QDir().rmdir(memeDossier) && QFile::link(dossier.DossierMaj(), memeDossier));
        const QString id = QString::number(id512);
        QTcpSocket poste;
        struct Cas
        {
            qint64 demande;
            QString type;
            QJsonObject champs;
            QString raison; // the start of the refusal
        };
        const QList<Cas> cas{
            {1,
             QStringLiteral("deplacer"),
             {{QStringLiteral("ancien"), ailleurs.path()}, {QStringLiteral("nouveau"), ailleurs.path()}},
             QStringLiteral("Le dossier « ") + ailleurs.path()
                 + QStringLiteral(" » n'est pas le dossier des mises à jour du serveur")},
            {2,
             QStringLiteral("deplacer"),
             {{QStringLiteral("ancien"), 5}, {QStringLiteral("nouveau"), QJsonValue()}},
             QStringLiteral("La demande « deplacer » est refusée par le service de mise à jour : le champ « ancien » "
                            "doit être un texte.")},
            {3,
             QStringLiteral("installer"),
             {{QStringLiteral("fichier"), fichier513},
              {QStringLiteral("version"), QStringLiteral("513")},
              {QStringLiteral("id"), id}},
             QStringLiteral("La demande d'installation ne correspond pas à la mise à jour serveur en attente ")},
            {4,
             QStringLiteral("planifier"),
             {{QStringLiteral("depart"), QStringLiteral("2030-01-01T22:00:00")},
              {QStringLiteral("fichier"), fichier512},
              {QStringLiteral("version"), QStringLiteral("512")},
              {QStringLiteral("id"), QStringLiteral("9999")}},
             QStringLiteral("La mise à jour serveur 512 n'est plus dans la liste")},
            {16,
             QStringLiteral("planifier"),
             {{QStringLiteral("depart"), QStringLiteral("2020-01-01T22:00:00")},
              {QStringLiteral("fichier"), fichier512},
              {QStringLiteral("version"), QStringLiteral("512")},
              {QStringLiteral("id"), id}},
             QStringLiteral("Le moment « 2020-01-01T22:00:00 » est déjà passé")},
            {5,
             QStringLiteral("fermerSession"),
             {{QStringLiteral("index"), 1.5}},
             QStringLiteral("La demande « fermerSession » est refusée par le service de mise à jour : le champ « index "
                            "» doit être un nombre entier")},
            {6, QStringLiteral("effacerTout"), {}, QStringLiteral("La demande « effacerTout » n'est pas connue")},
            {15,
             QStringLiteral("deplacer"),
             {{QStringLiteral("ancien"), dossier.DossierMaj()}, {QStringLiteral("nouveau"), memeDossier}},
             QStringLiteral("Le nouveau dossier des mises à jour « ") + memeDossier
                 + QStringLiteral(" » est le dossier des mises à jour du serveur lui-même")},
            // The system reads a path up to its first null: the update folder as far as a check
            // goes, a folder without files for the move, which would publish the new one empty.
            {18,
             QStringLiteral("deplacer"),
             {{QStringLiteral("ancien"), QString(dossier.DossierMaj() + QChar(u'\0') + QStringLiteral("x"))},
              {QStringLiteral("nouveau"), ailleurs.path()}},
             QStringLiteral("La demande « deplacer » est refusée par le service de mise à jour : le champ « ancien » "
                            "contient un caractère nul.")},
            {19,
             QStringLiteral("deplacer"),
             {{QStringLiteral("ancien"), dossier.DossierMaj()},
              {QStringLiteral("nouveau"), dossier.Fichier(QStringLiteral("configserv.ini"))}},
             QStringLiteral("Le nouveau dossier des mises à jour « ")
                 + dossier.Fichier(QStringLiteral("configserv.ini"))
                 + QStringLiteral(" » n'existe pas ou n'est pas un dossier")},
        };
        for (const Cas& c : cas) {
            console.Demander(c.demande, c.type, c.champs);
            QTRY_VERIFY2(!refus(c.demande).isEmpty(), qPrintable(c.type));
            QVERIFY2(refus(c.demande).startsWith(c.raison), qPrintable(refus(c.demande)));
        }
        // Without an identifier, the refusal answers nobody's request.
        console.Envoyer({{QStringLiteral("type"), QStringLiteral("verifier")}});
        QTRY_VERIFY(!console.DeType(QStringLiteral("refusDemande")).isEmpty()
                    && console.DeType(QStringLiteral("refusDemande")).last().value(QStringLiteral("demande")).isNull());

        // "Install now" is checked against the workstations connected at that moment.
        poste.connectToHost(QHostAddress::LocalHost, dossier.portControle);
        QVERIFY(poste.waitForConnected(2000));
        QTRY_COMPARE(postes(), 1);
        const QJsonObject installer{{QStringLiteral("fichier"), fichier512},
                                    {QStringLiteral("version"), QStringLiteral("512")},
                                    {QStringLiteral("id"), id}};
        console.Demander(7, QStringLiteral("installer"), installer);
        QTRY_COMPARE(refus(7), InstallationServeur::MessagePostesConnectes());
        QCOMPARE(service.Erreurs().count(QStringLiteral(" de la console de l'utilisateur ")), cas.size() + 2);

        // The right request installs; the database's check fails and the report locks.
        poste.abort();
        QTRY_COMPARE(postes(), 0);
        console.Demander(8, QStringLiteral("installer"), installer);
        QTRY_VERIFY_WITH_TIMEOUT(!console.DeType(QStringLiteral("identifiants")).isEmpty(), 10000);
        console.Demander(9, QStringLiteral("reponse"),
                         {{QStringLiteral("question"), QStringLiteral("identifiants")},
                          {QStringLiteral("utilisateur"), QStringLiteral("udt")},
                          {QStringLiteral("motDePasse"), QStringLiteral("pw")}});
        QTRY_VERIFY_WITH_TIMEOUT(!console.DeType(QStringLiteral("rapport")).isEmpty(), 20000);
        console.Demander(10, QStringLiteral("reponse"), {{QStringLiteral("question"), QStringLiteral("rapport")}});
        QTRY_VERIFY(!refus(10).isEmpty());
        console.Demander(11, QStringLiteral("reponse"),
                         {{QStringLiteral("question"), QStringLiteral("rapport")},
                          {QStringLiteral("motDePasse"), QStringLiteral("@V7RUMBEX")}});
        QTRY_COMPARE(refus(11), InstallationServeur::MessageDeverrouillageRefuse());
        QVERIFY(console.DeType(QStringLiteral("repondu")).size() == 1); // the credentials only
        QCOMPARE(console.DeType(QStringLiteral("installationTerminee")).size(), 0);
        console.Demander(12, QStringLiteral("reponse"),
                         {{QStringLiteral("question"), QStringLiteral("rapport")},
                          {QStringLiteral("motDePasse"), InstallationServeur::MotDePasseDeverrouillage()}});
        QTRY_COMPARE(console.DeType(QStringLiteral("installationTerminee"), 8).size(), 1);
        QCOMPARE(console.DeType(QStringLiteral("installationTerminee"), 8).first().value(QStringLiteral("installee")),
                 QJsonValue(false));

        // Once the stop is agreed, what the console sent in the same breath is not handled.
        const auto ligne = [](qint64 demande, const QString& type, QJsonObject champs) -> QByteArray {
            champs.insert(QStringLiteral("type"), type);
            champs.insert(QStringLiteral("demande"), demande);
            return QJsonDocument(champs).toJson(QJsonDocument::Compact) + '\n';
        };
        QJsonObject planifier = installer;
        planifier.insert(QStringLiteral("depart"), QStringLiteral("2030-01-01T22:00:00"));
        console.Ecrire(ligne(13, QStringLiteral("arreter"), {}) + ligne(14, QStringLiteral("planifier"), planifier));
        QVERIFY(service.processus.waitForFinished(10000));
        QCOMPARE(service.processus.exitCode(), 0);
        QTRY_COMPARE(console.DeType(QStringLiteral("arretAccepte"), 13).size(), 1);

        // Nothing moved, nothing installed, nothing planned.
        QVERIFY(BaseInterne::Ouvrir(dossier.Fichier(BaseInterne::NomFichier())));
        QCOMPARE(TableParametres::LireSur()->EmplacementMaj, dossier.DossierMaj());
        QVERIFY(!site.Installee(id512));
        QVERIFY(!site.Differee(id512));
        BaseInterne::Fermer();
        QVERIFY(QFile::exists(QDir(dossier.DossierMaj()).filePath(fichier512)));
    }

    // A stop asked by the system while the credentials question waits ends the service at once;
    // the update stays pending. The console left alone says so, ends what waited for the service
    // (the credentials, a move, the check's status and busy pointer), refuses visibly what is
    // asked meanwhile, and its quit entry ends it at once.
    void arretPendantLesIdentifiants()
    {
        DossierTest dossier;
        Etat etat;
        SiteInstallation site(dossier, etat);
        site.Declarer({QStringLiteral("COMPTA")});
        site.EcrireConfigServeur();
        dossier.EcrireParametres();
        const QString fichier = site.CreerArchive(QStringLiteral("512"));
        const qint64 id = site.MettreEnAttente(QStringLiteral("512"), fichier);
        BaseInterne::Fermer();
        ServiceDuDossier service(dossier);
        QTRY_VERIFY_WITH_TIMEOUT(accepte(dossier.portControle), 10000);
        ConsoleAttachee console;
        InterlocuteurScripte messages;
        QVERIFY(attacher(console, dossier.Chemin()));
        QTRY_VERIFY(Visible<Frm_Menu>());
        QSignalSpy fin(&console, &ConsoleAttachee::Fin);

        console.Acces.InstallerMajServeur(fichier, QStringLiteral("512"), QString::number(id));
        QTRY_VERIFY_WITH_TIMEOUT(Visible<Frm_ConnectUniDATA>(), 10000);
        // A move asked meanwhile waits for the installation.
        QTemporaryDir cible;
        auto* transfert = new Frm_TransfertMAJ(console.Acces);
        transfert->FixerEmplacements(dossier.DossierMaj(), cible.path());
        QSignalSpy finTransfert(transfert, &Frm_TransfertMAJ::Termine);
        transfert->show();
        QTRY_VERIFY(Enfant<QLabel>(transfert, "Etq_TransfertEnCours")->isVisible());
        console.StatutVerification_.Ouvrir(true);
        QVERIFY(QApplication::overrideCursor());

        ::kill(pid_t(service.processus.processId()), SIGTERM);
        QVERIFY2(service.processus.waitForFinished(10000), qPrintable(service.Erreurs()));
        QCOMPARE(service.processus.exitCode(), 0);
        QVERIFY(!service.Erreurs().contains(QStringLiteral("Arrêt demandé : il attend")));

        QTRY_VERIFY(!console.Console_.ServeurJoignable());
        QTRY_VERIFY(!Visible<Frm_ConnectUniDATA>());
        QTRY_COMPARE(finTransfert.size(), 1);
        QCOMPARE(finTransfert.first().first().toBool(), false);
        QVERIFY(Enfant<QPlainTextEdit>(transfert, "Lst_Anomalies")
                    ->toPlainText()
                    .contains(AccesServeurDistant::MessageDeplacementInterrompu()));
        QVERIFY(!Visible<Frm_EtatDL>());
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(console.Avis() && console.Avis()->isVisible());
        QCOMPARE(console.Avis()->text(), ConsoleAttachee::MessageServicePerdu());
        if (!Visible<Frm_Menu>())
            console.Console_.OuvrirMenu();
        QPointer<Frm_Menu> menu = Visible<Frm_Menu>();
        QVERIFY(menu);
        QVERIFY(!menu->Etq_Menu(2)->isEnabled());
        QVERIFY(!menu->Etq_Menu(5)->isEnabled());
        for (int entree : {1, 5})
            QCOMPARE(menu->Etq_Menu(entree)->toolTip(),
                     QStringLiteral("Impossible tant que le service de mise à jour ne fonctionne pas."));
        QVERIFY(menu->Etq_Menu(0)->isEnabled());
        console.Acces.VerifierMaintenant();
        QCOMPARE(messages.Dernier(), AccesServeurDistant::MessageServiceAbsent());
        delete transfert;

        QVERIFY(BaseInterne::Ouvrir(dossier.Fichier(BaseInterne::NomFichier())));
        QVERIFY(!site.Installee(id));
        QCOMPARE(TableParametres::LireSur()->EmplacementMaj, dossier.DossierMaj());
        BaseInterne::Fermer();

        if (!menu)
            console.Console_.OuvrirMenu();
        console.Console_.Menu()->ActionClick(0);
        QCOMPARE(fin.size(), 1);
        QCOMPARE(fin.first().first().toInt(), 0);
    }
};

QUENTARIS_TEST(TstService)
#include "tst_Service.moc"
