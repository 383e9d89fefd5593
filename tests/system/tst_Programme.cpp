#include "ProgrammesTest.h"
#include "app/bureau/SessionBureau.h"
#include "core/BaseInterne.h"
#include "core/Chiffrement.h"
#include "core/TableMajDispo.h"
#include "core/TableParametres.h"
#include "platform/Systeme.h"
#include "support/AutreProgramme.h"
#include "support/DossierTest.h"
#include "support/FichiersTest.h"
#include "support/JournalTest.h"
#include "support/MontageTemporaire.h"
#include "support/Registre.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLockFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <memory>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace {

// The database message of the start, as standard error shows it.
bool messageDeLaBase(const QString& erreurs)
{
    const QRegularExpression ligne(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d Message QUENTARIS: L'application serveur de mise à "
                       "jour a rencontré un problème lors de la tentative de connexion à sa base de données "
                       "interne\\. Le programme va être arrêté\\."),
        QRegularExpression::MultilineOption);
    return ligne.match(erreurs).hasMatch();
}

// Makes a mounted file system read-only.
bool lectureSeule(const QString& point)
{
    return QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,ro"), point}) == 0;
}

} // namespace

class TstProgramme : public QObject
{
    Q_OBJECT
private slots:
    void ligneDeCommande()
    {
        QProcess p;
        p.start(QStringLiteral(QUENTARIS_BINAIRE), {QStringLiteral("--version")});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(QString::fromUtf8(p.readAllStandardOutput()).startsWith(QStringLiteral("quentaris-serveur ")));

        p.start(QStringLiteral(QUENTARIS_BINAIRE), {QStringLiteral("--help")});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 0);
        const QString aide = QString::fromUtf8(p.readAllStandardOutput());
        for (const char* mot : {"--home", "--init-db", "--chiffrer", "--autostart", "configserv.ini", "quentaris.ini",
                                "DOSSIER_SYSTEME", "PARTAGE_UNIDATA", "donnees.db"})
            QVERIFY2(aide.contains(QLatin1String(mot)), mot);

        p.start(QStringLiteral(QUENTARIS_BINAIRE), {QStringLiteral("--inconnu")});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("Usage")));

        p.start(QStringLiteral(QUENTARIS_BINAIRE), {QStringLiteral("--chiffrer"), QStringLiteral("mot d'été")});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 0);
        const QString chiffre = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
        QCOMPARE(ChiffrementMotDePasse::Dechiffrer(chiffre, ChiffrementMotDePasse::Cle()), QStringLiteral("mot d'été"));
    }

    void initialisationDeLaBase()
    {
        DossierTest dossier(false);
        QProcess p;
        p.start(QStringLiteral(QUENTARIS_BINAIRE),
                {QStringLiteral("--home"), dossier.Chemin(), QStringLiteral("--init-db")});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 0);
        {
            // Created so that readers never wait for another program's writer.
            QSqlDatabase simple = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("simple"));
            simple.setDatabaseName(dossier.Fichier(BaseInterne::NomFichier()));
            QVERIFY(simple.open());
            QSqlQuery mode(simple);
            QVERIFY(mode.exec(QStringLiteral("PRAGMA journal_mode")) && mode.next());
            QCOMPARE(mode.value(0).toString(), QStringLiteral("wal"));
            mode.finish();
            simple.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("simple"));
        QVERIFY(BaseInterne::Ouvrir(dossier.Fichier(BaseInterne::NomFichier())));
        const QStringList tables = BaseInterne::Connexion().tables();
        for (const char* t :
             {"ParamMajInt", "MajDispo", "MajAttente", "MajPoste", "MajHistorique", "EvtMaj", "MajResponsable"})
            QVERIFY2(tables.contains(QLatin1String(t)), t);
    }

    void sansBaseLeProgrammeSArrete()
    {
        DossierTest dossier(false);
        Serveur serveur({QStringLiteral("--home"), dossier.Chemin()});
        QVERIFY(serveur.processus.waitForFinished());
        QCOMPARE(serveur.processus.exitCode(), 1);
        const QString erreurs = QString::fromUtf8(serveur.processus.readAllStandardError());
        QVERIFY2(messageDeLaBase(erreurs), qPrintable(erreurs));
        QVERIFY(!QFile::exists(dossier.Fichier(BaseInterne::NomFichier())));
    }

    void baseVideRefuseeAuDemarrage()
    {
        DossierTest dossier(false);
        dossier.EcrireFichier(BaseInterne::NomFichier(), QByteArray());
        Serveur serveur({QStringLiteral("--home"), dossier.Chemin()});
        QVERIFY(serveur.processus.waitForFinished());
        QCOMPARE(serveur.processus.exitCode(), 1);
        const QString erreurs = QString::fromUtf8(serveur.processus.readAllStandardError());
        QVERIFY2(erreurs.contains(QStringLiteral("Message QUENTARIS: L'application serveur de mise à jour a rencontré "
                                                 "un problème lors de la tentative de connexion à sa base de données "
                                                 "interne.")),
                 qPrintable(erreurs));
        QVERIFY2(erreurs.contains(QStringLiteral("tables absentes : ParamMajInt, MajDispo")), qPrintable(erreurs));
        QVERIFY2(erreurs.contains(QStringLiteral("--init-db")), qPrintable(erreurs));
        QVERIFY(!erreurs.contains(QStringLiteral("première fois")));
        // The file is left as it was.
        QCOMPARE(QFileInfo(dossier.Fichier(BaseInterne::NomFichier())).size(), 0);
    }

    void ecouteSurLesDeuxPortsEtSArretePourLeSysteme()
    {
        DossierTest dossier;
        dossier.EcrireParametres();
        BaseInterne::Fermer();
        Serveur serveur({QStringLiteral("--home"), dossier.Chemin()});
        QTRY_VERIFY_WITH_TIMEOUT(accepte(dossier.portControle), 5000);
        QVERIFY(accepte(dossier.portTransfert));

        // A connected workstation makes the system's close request fail.
        QTcpSocket poste;
        poste.connectToHost(QHostAddress::LocalHost, dossier.portControle);
        QVERIFY(poste.waitForConnected(2000));
        // Once the server has answered, it counts the connection.
        poste.write("VMAJ01#0");
        QTRY_VERIFY(poste.bytesAvailable() > 0 || poste.waitForReadyRead(100));
        QString erreurs;
        const auto lire = [&] {
            return erreurs += QString::fromUtf8(serveur.processus.readAllStandardError());
        };
        QTRY_VERIFY(lire().contains(QStringLiteral("démarré")));
        QVERIFY(serveur.processus.processId() > 0);
        ::kill(static_cast<pid_t>(serveur.processus.processId()), SIGTERM);
        QTRY_VERIFY(lire().contains(QStringLiteral(
            "Message QUENTARIS: Vous ne pouvez pas quitter le serveur car des postes sont connectés sur celui-ci !")));
        QCOMPARE(serveur.processus.state(), QProcess::Running);

        poste.disconnectFromHost();
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                const qint64 pid = serveur.processus.processId();
                if (pid > 0)
                    ::kill(static_cast<pid_t>(pid), SIGTERM);
                return serveur.processus.state() == QProcess::NotRunning || serveur.processus.waitForFinished(300);
            }(),
            10000);
        QCOMPARE(serveur.processus.exitStatus(), QProcess::NormalExit);
        QCOMPARE(serveur.processus.exitCode(), 0);
    }

    // A program folder that cannot be written ends the start with the database message, as an
    // unreadable database does: in WAL mode the file cannot even be read, in its old journal
    // mode it can be read but not written.
    void dossierEnLectureSeule_data()
    {
        QTest::addColumn<bool>("wal");
        QTest::newRow("WAL") << true;
        QTest::newRow("ancien journal") << false;
    }
    void dossierEnLectureSeule()
    {
        QFETCH(bool, wal);
        DossierTest dossier(false);
        PetitDisque disque(QStringLiteral("8m"));
        MONTAGE_OU_QSKIP(disque);
        const QDir programme(disque.Chemin());
        QVERIFY(QFile::copy(dossier.Fichier(QStringLiteral("configserv.ini")),
                            programme.filePath(QStringLiteral("configserv.ini"))));
        QVERIFY(BaseInterne::Initialiser(programme.filePath(BaseInterne::NomFichier())));
        dossier.EcrireParametres();
        if (!wal)
            QVERIFY(BaseInterne::Commande(QStringLiteral("PRAGMA journal_mode = DELETE")));
        BaseInterne::Fermer();
        QVERIFY(lectureSeule(disque.Chemin()));

        Serveur serveur({QStringLiteral("--home"), disque.Chemin()});
        QVERIFY(serveur.processus.waitForFinished(20000));
        QCOMPARE(serveur.processus.exitCode(), 1);
        QVERIFY2(messageDeLaBase(serveur.Erreurs()), qPrintable(serveur.Erreurs()));
        // The administrator is told which file cannot be written, and why.
        QVERIFY2(serveur.Erreurs().contains(programme.filePath(BaseInterne::NomFichier())
                                            + QStringLiteral(" : Read-only file system")),
                 qPrintable(serveur.Erreurs()));
    }

    // Every descriptor taken by waiting workstations: each listener says so once, rests between
    // attempts instead of spinning, and serves again once the descriptors come back.
    void descripteursEpuises()
    {
        DossierTest dossier;
        dossier.EcrireParametres();
        QVERIFY(dossier.PublierMaj(121, QStringLiteral("p121.zip"), QByteArray(5000, 'z')));
        BaseInterne::Fermer();
        Serveur serveur({QStringLiteral("--home"), dossier.Chemin()},
                        {QStringLiteral("prlimit"), QStringLiteral("--nofile=96")});
        QTRY_VERIFY_WITH_TIMEOUT(serveur.Erreurs().contains(QStringLiteral("démarré")), 10000);

        const QString controle = QStringLiteral("Le canal de contrôle (port %1) ne peut pas accepter de connexion")
                                     .arg(dossier.portControle);
        const QString transfert = QStringLiteral("Le canal de transfert (port %1) ne peut pas accepter de connexion")
                                      .arg(dossier.portTransfert);
        // Served before the burst: each listener has once found its queue empty.
        QCOMPARE(echange(dossier.portControle, "VMAJ01#0"), QByteArray("MAJOK1|121"));
        QCOMPARE(echange(dossier.portTransfert, "RCPMAJ 121"), QByteArray("5000"));
        std::vector<std::unique_ptr<QTcpSocket>> postes;
        for (int i = 0; i < 200; ++i) {
            postes.push_back(std::make_unique<QTcpSocket>());
            postes.back()->connectToHost(QHostAddress::LocalHost, dossier.portControle);
        }
        QTRY_VERIFY_WITH_TIMEOUT(serveur.Erreurs().contains(controle), 10000);
        // A knock on the transfer port while the table is full.
        for (int i = 0; i < 3; ++i) {
            postes.push_back(std::make_unique<QTcpSocket>());
            postes.back()->connectToHost(QHostAddress::LocalHost, dossier.portTransfert);
        }
        QTRY_VERIFY_WITH_TIMEOUT(serveur.Erreurs().contains(transfert), 10000);

        // The processor time the server uses over one second while its table stays full.
        const qint64 avant = serveur.TempsProcesseur();
        QVERIFY(avant >= 0);
        QTest::qWait(1000);
        const qint64 utilise = serveur.TempsProcesseur() - avant;
        QVERIFY2(utilise < sysconf(_SC_CLK_TCK) / 4, qPrintable(QString::number(utilise)));

        postes.clear();
        QTRY_COMPARE_WITH_TIMEOUT(echange(dossier.portControle, "VMAJ01#0"), QByteArray("MAJOK1|121"), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(echange(dossier.portTransfert, "RCPMAJ 121"), QByteArray("5000"), 20000);
        QCOMPARE(serveur.Erreurs().count(controle), 1);
        QCOMPARE(serveur.Erreurs().count(transfert), 1);
        QCOMPARE(serveur.processus.state(), QProcess::Running);
    }

    // A move of the update folder killed at a step (a real SIGKILL, delivered by strace as the
    // process enters the n-th call of a system function), then a real start: before it serves,
    // the update folder the settings name holds every file, and a workstation is served from it.
    void deplacementTueRepriseAuDemarrage_data()
    {
        QTest::addColumn<bool>("autreDisque");
        QTest::addColumn<QString>("appel");
        QTest::addColumn<int>("rang");
        QTest::addColumn<bool>("termine");
        // Same disk: one rename per file, then the record is removed (unlink).
        QTest::newRow("même disque, au deuxième fichier") << false << "rename" << 2 << false;
        QTest::newRow("même disque, nouveau dossier enregistré") << false << "unlink" << 1 << true;
        // Another disk: the record, then each copy takes its name (linkat); once the new folder is
        // saved, the sources are removed (unlink).
        QTest::newRow("autre disque, à la deuxième copie") << true << "linkat" << 3 << false;
        QTest::newRow("autre disque, nouveau dossier enregistré") << true << "unlink" << 1 << true;
    }
    void deplacementTueRepriseAuDemarrage()
    {
        QFETCH(bool, autreDisque);
        QFETCH(QString, appel);
        QFETCH(int, rang);
        QFETCH(bool, termine);
        const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
        if (strace.isEmpty())
            QSKIP("strace est absent");
        DossierTest dossier;
        dossier.EcrireParametres();
        const QMap<QString, QByteArray> fichiers{{QStringLiteral("maj121.zip"), QByteArray(70000, 'a')},
                                                 {QStringLiteral("121.pdf"), "documentation"},
                                                 {QStringLiteral("maj122.zip"), QByteArray(5000, 'b')},
                                                 {QStringLiteral("maj123.zip"), QByteArray(3000, 'c')}};
        QVERIFY(dossier.PublierMaj(121, QStringLiteral("maj121.zip"), fichiers.value(QStringLiteral("maj121.zip")),
                                   fichiers.value(QStringLiteral("121.pdf"))));
        for (qint64 version : {122, 123}) {
            const QString nom = QStringLiteral("maj%1.zip").arg(version);
            QVERIFY(dossier.PublierMaj(version, nom, fichiers.value(nom)));
        }
        BaseInterne::Fermer();
        std::unique_ptr<PetitDisque> disque;
        if (autreDisque) {
            disque = std::make_unique<PetitDisque>(QStringLiteral("8m"));
            MONTAGE_OU_QSKIP(*disque);
        }
        const QString nouveau = autreDisque ? disque->Chemin() : dossier.Fichier(QStringLiteral("nouveau"));
        QVERIFY(QDir().mkpath(nouveau));
        const QString enregistrement = dossier.Fichier(QStringLiteral("deplacement-maj.json"));

        QProcess deplacement;
        deplacement.start(strace,
                          {QStringLiteral("-f"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                           QStringLiteral("-e"), QStringLiteral("inject=%1:signal=KILL:when=%2").arg(appel).arg(rang),
                           QStringLiteral(QUENTARIS_DEPLACEMENT), dossier.Chemin(), nouveau});
        QVERIFY(deplacement.waitForFinished(20000));
        if (deplacement.exitStatus() == QProcess::NormalExit && deplacement.exitCode() != 0
            && deplacement.readAllStandardError().contains("ptrace"))
            QSKIP("strace ne peut pas suivre un processus ici");
        QCOMPARE(deplacement.exitStatus(), QProcess::CrashExit);
        QVERIFY(QFile::exists(enregistrement));

        Serveur serveur({QStringLiteral("--home"), dossier.Chemin()});
        QTRY_VERIFY_WITH_TIMEOUT(serveur.Erreurs().contains(QStringLiteral("démarré")), 10000);
        const QString dossierFinal = termine ? nouveau : dossier.DossierMaj();
        const QString autreDossier = termine ? dossier.DossierMaj() : nouveau;
        QVERIFY2(serveur.Erreurs().contains(
                     (termine ? QStringLiteral("a été terminé au démarrage : les mises à jour sont dans « ")
                              : QStringLiteral("a été annulé au démarrage : les mises à jour restent dans « "))
                     + dossierFinal + QStringLiteral(" »")),
                 qPrintable(serveur.Erreurs()));
        QVERIFY(!QFile::exists(enregistrement));
        for (auto f = fichiers.cbegin(); f != fichiers.cend(); ++f)
            QVERIFY2(LireFichier(QDir(dossierFinal).filePath(f.key())) == f.value(), qPrintable(f.key()));
        QCOMPARE(EntreesDossier(autreDossier), QStringList());
        QVERIFY(BaseInterne::Ouvrir(dossier.Fichier(BaseInterne::NomFichier())));
        QCOMPARE(TableParametres::Lire().EmplacementMaj, dossierFinal);
        QCOMPARE(LignesJournal().filter(QStringLiteral("interrompu par l'arrêt du serveur")).size(), 1);
        BaseInterne::Fermer();
        QCOMPARE(echange(dossier.portTransfert, "RCPMAJ 121"), QByteArray("70000"));
    }

    // A copy of the internal database taken while the server runs and another program writes
    // whole transactions of 50 rows: the copy stands alone, passes the engine's check and holds
    // a whole number of transactions. A copy that cannot be written whole leaves nothing.
    void sauvegardePendantLeFonctionnement()
    {
        DossierTest dossier;
        dossier.EcrireParametres();
        BaseInterne::Fermer();
        Serveur serveur({QStringLiteral("--home"), dossier.Chemin()});
        QTRY_VERIFY_WITH_TIMEOUT(serveur.Erreurs().contains(QStringLiteral("démarré")), 10000);

        AutreProgramme ecrivain(dossier.Fichier(BaseInterne::NomFichier()));
        int transactions = 0;
        QTimer ecriture;
        connect(&ecriture, &QTimer::timeout, this, [&] {
            const QStringList valeurs(50, QStringLiteral("(0, '%1')").arg(QString(200, QLatin1Char('x'))));
            if (ecrivain.Executer(QStringLiteral("INSERT INTO EvtMaj (TypeEvt, MessageEvt) VALUES ")
                                  + valeurs.join(QLatin1Char(','))))
                ++transactions;
        });
        ecriture.start(0);
        QTRY_VERIFY(transactions >= 20);

        QTemporaryDir sauvegardes;
        const QString copie = sauvegardes.filePath(QStringLiteral("donnees-copie.db"));
        QProcess sauvegarde;
        sauvegarde.start(QStringLiteral(QUENTARIS_BINAIRE),
                         {QStringLiteral("--home"), dossier.Chemin(), QStringLiteral("--sauvegarde"), copie});
        QTRY_VERIFY_WITH_TIMEOUT(sauvegarde.state() == QProcess::NotRunning, 20000);
        const int pendant = transactions;
        ecriture.stop();
        QVERIFY2(sauvegarde.exitCode() == 0, sauvegarde.readAllStandardError().constData());
        QCOMPARE(EntreesDossier(sauvegardes.path()), QStringList{QStringLiteral("donnees-copie.db")});
        {
            AutreProgramme lecteur(copie);
            QCOMPARE(lecteur.Valeur(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
            QCOMPARE(lecteur.Valeur(QStringLiteral("PRAGMA journal_mode")), QStringLiteral("delete"));
            const int lignes = lecteur.Valeur(QStringLiteral("SELECT count(*) FROM EvtMaj")).toInt();
            QVERIFY2(lignes >= 20 * 50 && lignes <= pendant * 50 && lignes % 50 == 0,
                     qPrintable(QString::number(lignes)));
            QCOMPARE(lecteur.Valeur(QStringLiteral("SELECT UtilisateurMaj FROM ParamMajInt")), QStringLiteral("61742"));
        }

        // The copy replaces nothing but a regular file of the person's own: each file of the
        // running server, under its name or through a link or a second name, and whatever is
        // not a regular file, is refused with the reason and left exactly as it was.
        const QString tube = sauvegardes.filePath(QStringLiteral("tube"));
        QCOMPARE(::mkfifo(QFile::encodeName(tube).constData(), 0600), 0);
        QLocalServer prise;
        QVERIFY(prise.listen(dossier.Fichier(QStringLiteral("console.sock"))));
        QVERIFY(QDir().mkdir(sauvegardes.filePath(QStringLiteral("dossier"))));
        QFile marque(dossier.Fichier(QStringLiteral("quentaris-service.marque")));
        QVERIFY(marque.open(QIODevice::WriteOnly));
        marque.close();
        QVERIFY(QFile::link(dossier.Fichier(QStringLiteral("donnees.db-wal")),
                            sauvegardes.filePath(QStringLiteral("lien-wal"))));
        QVERIFY(QFile::link(tube, sauvegardes.filePath(QStringLiteral("lien-tube"))));
        QVERIFY(QFile::link(sauvegardes.filePath(QStringLiteral("ailleurs")),
                            sauvegardes.filePath(QStringLiteral("lien-vide"))));
        QStringList refusees{dossier.Fichier(BaseInterne::NomFichier()),
                             dossier.Fichier(QStringLiteral("donnees.db-wal")),
                             dossier.Fichier(QStringLiteral("donnees.db-shm")),
                             dossier.Fichier(QStringLiteral("donnees.db-journal")),
                             dossier.Fichier(QStringLiteral("quentaris-serveur.lock")),
                             dossier.Fichier(QStringLiteral("console.sock")),
                             dossier.Fichier(QStringLiteral("configserv.ini")),
                             dossier.Fichier(QStringLiteral("deplacement-maj.json")),
                             dossier.Fichier(QStringLiteral("quentaris-service.marque")),
                             dossier.Fichier(QStringLiteral("maj/../donnees.db-wal")),
                             tube,
                             sauvegardes.filePath(QStringLiteral("dossier")),
                             sauvegardes.filePath(QStringLiteral("lien-wal")),
                             sauvegardes.filePath(QStringLiteral("lien-tube")),
                             sauvegardes.filePath(QStringLiteral("lien-vide"))};
        const QString secondNom = sauvegardes.filePath(QStringLiteral("second-nom.db"));
        if (::link(QFile::encodeName(dossier.Fichier(BaseInterne::NomFichier())).constData(),
                   QFile::encodeName(secondNom).constData())
            == 0)
            refusees.append(secondNom);
        const QString peripherique = sauvegardes.filePath(QStringLiteral("nul"));
        if (::mknod(QFile::encodeName(peripherique).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0)
            refusees.append(peripherique);
        const auto etat = [](const QString& chemin) {
            struct stat s
            {
            };
            const bool present = ::lstat(QFile::encodeName(chemin).constData(), &s) == 0;
            return present ? QStringLiteral("%1:%2:%3").arg(s.st_mode).arg(s.st_ino).arg(s.st_size)
                           : QStringLiteral("absent");
        };
        for (const QString& cible : std::as_const(refusees)) {
            const QString avant = etat(cible);
            sauvegarde.start(QStringLiteral(QUENTARIS_BINAIRE),
                             {QStringLiteral("--home"), dossier.Chemin(), QStringLiteral("--sauvegarde"), cible});
            QVERIFY(sauvegarde.waitForFinished(20000));
            const QString erreurs = QString::fromUtf8(sauvegarde.readAllStandardError());
            QVERIFY2(sauvegarde.exitCode() == 1, qPrintable(cible + QStringLiteral(" : ") + erreurs));
            QVERIFY2(erreurs.startsWith(QStringLiteral("quentaris-serveur : base interne non sauvegardée : ") + cible
                                        + QLatin1Char(' ')),
                     qPrintable(erreurs));
            QCOMPARE(etat(cible), avant);
        }
        QVERIFY(EntreesDossier(dossier.Chemin()).filter(QStringLiteral("partiel")).isEmpty());
        QVERIFY(EntreesDossier(sauvegardes.path()).filter(QStringLiteral("partiel")).isEmpty());
        QVERIFY(ecrivain.Executer(QStringLiteral("INSERT INTO EvtMaj (TypeEvt, MessageEvt) VALUES (0, 'après')")));
        QCOMPARE(ecrivain.Valeur(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
        QCOMPARE(serveur.processus.state(), QProcess::Running);

        // Through a link to a regular file of its own, the copy replaces that file.
        const QString lienCopie = sauvegardes.filePath(QStringLiteral("lien-copie"));
        QVERIFY(QFile::link(copie, lienCopie));
        sauvegarde.start(QStringLiteral(QUENTARIS_BINAIRE),
                         {QStringLiteral("--home"), dossier.Chemin(), QStringLiteral("--sauvegarde"), lienCopie});
        QVERIFY(sauvegarde.waitForFinished(20000));
        QVERIFY2(sauvegarde.exitCode() == 0, sauvegarde.readAllStandardError().constData());
        QVERIFY(QFileInfo(lienCopie).isSymLink());
        QCOMPARE(AutreProgramme(copie).Valeur(QStringLiteral("SELECT count(*) FROM EvtMaj WHERE MessageEvt = 'après'")),
                 QStringLiteral("1"));

        // A disk too small for the copy: an error, and neither the copy nor a part of it.
        PetitDisque petit(QStringLiteral("64k"));
        MONTAGE_OU_QSKIP(petit);
        const QString tropGrande = QDir(petit.Chemin()).filePath(QStringLiteral("copie.db"));
        sauvegarde.start(QStringLiteral(QUENTARIS_BINAIRE),
                         {QStringLiteral("--home"), dossier.Chemin(), QStringLiteral("--sauvegarde"), tropGrande});
        QVERIFY(sauvegarde.waitForFinished(20000));
        QCOMPARE(sauvegarde.exitCode(), 1);
        QVERIFY(sauvegarde.readAllStandardError().startsWith("quentaris-serveur : base interne non sauvegardée : "));
        QCOMPARE(EntreesDossier(petit.Chemin()), QStringList());
    }

    // One server per program folder and one desktop program per session, refused with the
    // start-up's message; a lock that any user may leave in the shared temporary folder stops
    // nothing. A copy refused in the session asks the running one for its menu.
    void secondeCopieRefusee()
    {
        DossierTest dossier;
        dossier.EcrireParametres();
        BaseInterne::Fermer();
        QLockFile plante(QDir::tempPath() + QStringLiteral("/quentaris-serveur.lock"));
        QVERIFY(plante.lock());
        const QString deuxFois = QStringLiteral("déjà en cours d'éxecution");
        {
            Serveur premier({QStringLiteral("--home"), dossier.Chemin()});
            QTRY_VERIFY2_WITH_TIMEOUT(accepte(dossier.portControle), qPrintable(premier.Erreurs()), 5000);
            Serveur second({QStringLiteral("--home"), dossier.Chemin()});
            QVERIFY(second.processus.waitForFinished());
            QCOMPARE(second.processus.exitCode(), 1);
            QVERIFY(second.Erreurs().contains(deuxFois));
            DossierTest autre(false);
            Serveur ailleurs({QStringLiteral("--home"), autre.Chemin()});
            QVERIFY(ailleurs.processus.waitForFinished());
            QCOMPARE(ailleurs.processus.exitCode(), 1);
            QVERIFY(ailleurs.Erreurs().contains(deuxFois));
            Serveur automatique({QStringLiteral("--home"), dossier.Chemin(), QStringLiteral("--autostart")});
            QVERIFY(automatique.processus.waitForFinished());
            QCOMPARE(automatique.processus.exitCode(), 0);
        }

        // The session held here: the copy refused asks for the menu once its box is answered.
        SessionBureau session;
        QVERIFY(session.Prendre(dossier.Chemin()));
        QSignalSpy menu(&session, &SessionBureau::MenuDemande);
        Serveur copie({QStringLiteral("--home"), dossier.Chemin()});
        QTRY_COMPARE_WITH_TIMEOUT(copie.processus.state(), QProcess::NotRunning, 10000);
        QCOMPARE(copie.processus.exitCode(), 1);
        QTRY_COMPARE(menu.size(), 1);

        // The session held, its channel gone (a copy that could not listen, or not yet): the
        // refusal is told at once and the copy still ends.
        QVERIFY(QFile::remove(Systeme::InstanceUnique::CheminCanalDeSession(dossier.Chemin())));
        Serveur sansCanal({QStringLiteral("--home"), dossier.Chemin()});
        QTRY_COMPARE_WITH_TIMEOUT(sansCanal.processus.state(), QProcess::NotRunning, 10000);
        QCOMPARE(sansCanal.processus.exitCode(), 1);
        QCOMPARE(menu.size(), 1);
    }
};

QUENTARIS_TEST(TstProgramme)
#include "tst_Programme.moc"
