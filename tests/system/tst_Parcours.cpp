#include "app/bureau/Assemblage.h"
#include "console/installation/Frm_ConnectUniDATA.h"
#include "console/installation/Frm_DiffereInstall.h"
#include "console/installation/Frm_MAJAttente.h"
#include "console/installation/Frm_MajBases.h"
#include "console/journal/Frm_ObsEvt.h"
#include "console/menu/Frm_Menu.h"
#include "core/BaseInterne.h"
#include "core/Journal.h"
#include "core/TableMajAttente.h"
#include "core/TableMajDispo.h"
#include "core/TablePostes.h"
#include "support/DossierTest.h"
#include "support/Fenetres.h"
#include "support/InterlocuteurScripte.h"
#include "support/JournalTest.h"
#include "support/Registre.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

QByteArray contenu(const QString& chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

// The whole road of an update: the maker's service (simulated, as a process) lists a
// workstation update and a server update; the server checks, downloads and records both; a
// workstation (the diagnostic client, as a process) fetches its update and reports it; the
// server update is installed into two databases through the local database-server adapter.
class TstParcours : public QObject
{
    Q_OBJECT
private slots:
    void dUnBoutALAutre()
    {
        DossierTest dossier;
        QTemporaryDir site;
        const QDir s(site.path());
        const QString service = s.filePath(QStringLiteral("service"));

        QProcess simulateur;
        simulateur.start(QStringLiteral(QUENTARIS_SIMULATEUR), {QStringLiteral("--creer-demo"), service});
        QVERIFY(simulateur.waitForFinished());
        QCOMPARE(simulateur.exitCode(), 0);
        simulateur.start(QStringLiteral(QUENTARIS_SIMULATEUR),
                         {QStringLiteral("--dossier"), service, QStringLiteral("--utilisateur"), QStringLiteral("demo"),
                          QStringLiteral("--mot-de-passe"), QStringLiteral("demo")});
        QString annonce;
        QTRY_VERIFY_WITH_TIMEOUT(
            (annonce += QString::fromUtf8(simulateur.readAllStandardOutput())).contains(QLatin1Char('\n')), 10000);
        const QString port = annonce.section(QStringLiteral("PORT="), 1).section(QLatin1Char('\n'), 0, 0).trimmed();
        QVERIFY2(port.toInt() > 0, qPrintable(annonce));

        // The site: server folder, database share and two databases.
        for (const char* d : {"serveur", "unidata", "bases/COMPTA", "bases/PAIE"})
            QVERIFY(s.mkpath(QLatin1String(d)));
        dossier.EcrireConfig(
            QStringLiteral("SERVICE=http://127.0.0.1:%1\nDOSSIER_SERVEUR=%2\nPARTAGE_UNIDATA=%3\n")
                .arg(port, s.filePath(QStringLiteral("serveur/Serveur")), s.filePath(QStringLiteral("unidata"))));
        dossier.EcrireFichier(
            QStringLiteral("systeme/quentaris.ini"),
            QStringLiteral("SERVEUR=localhost\r\nCOMPTA=%1\r\nPAIE=%2\r\n")
                .arg(s.filePath(QStringLiteral("bases/COMPTA")), s.filePath(QStringLiteral("bases/PAIE")))
                .toUtf8());
        QFile bases(s.filePath(QStringLiteral("unidata/BASES.TXT")));
        QVERIFY(bases.open(QIODevice::WriteOnly));
        bases.write("COMPTA\r\nPAIE\r\n");
        bases.close();
        dossier.EcrireParametres(QStringLiteral("03:00"), QStringLiteral("demo"), QStringLiteral("demo"));

        Assemblage serveur;
        InterlocuteurScripte messages;
        QSignalSpy demarre(&serveur.Reseau, &Frm_Reseau::Demarre);
        serveur.Demarrer(dossier.Chemin(), false);
        QCOMPARE(demarre.size(), 1);
        QVERIFY(messages.affiches.isEmpty());

        // The administrator asks for a check from the tray menu.
        serveur.Console_.Menu()->ActionClick(2);
        QTRY_VERIFY_WITH_TIMEOUT(!serveur.Reseau.Etat_().VerificationEnCours() && Visible<Frm_ObsEvt>(), 60000);
        const auto dispo = TableMajDispo::ToutesDecroissant();
        QCOMPARE(dispo.size(), 2);
        QCOMPARE(dispo.at(1).NumVersionDispo, 1001);
        QCOMPARE(dispo.at(1).NomFichierMaj, QStringLiteral("MAJ1001.zip"));
        QCOMPARE(dispo.at(1).EnvironnementMaj, 0);
        QVERIFY(dispo.at(1).DocAssociee);
        QCOMPARE(dispo.at(0).NumVersionDispo, 1002);
        QCOMPARE(dispo.at(0).EnvironnementMaj, 1);
        const auto attente = TableMajAttente::EnAttente();
        QCOMPARE(attente.size(), 1);
        QCOMPARE(attente.at(0).IdMajDispo, dispo.at(0).IdMajDispo);
        const QDir maj(dossier.DossierMaj());
        QCOMPARE(contenu(maj.filePath(QStringLiteral("MAJ1001.zip"))),
                 contenu(service + QStringLiteral("/majs/poste/MAJ1001.zip")));
        QCOMPARE(contenu(maj.filePath(QStringLiteral("MAJ1002.zip"))),
                 contenu(service + QStringLiteral("/majs/srv/MAJ1002.zip")));
        QCOMPARE(contenu(maj.filePath(QStringLiteral("1001.pdf"))),
                 contenu(service + QStringLiteral("/majs/poste/1001.pdf")));
        const QStringList journal = MessagesJournal();
        for (const QString& attendu :
             {QStringLiteral("Une mise à jour est disponible, elle va être téléchargée automatiquement."),
              QStringLiteral("Le téléchargement de la mise à jour 1001 a été effectué avec succès."),
              QStringLiteral("Le téléchargement de la mise à jour poste 1001 a été pris en compte par le serveur "
                             "QUENTARIS."),
              QStringLiteral("Le téléchargement de la mise à jour 1002 a été effectué avec succès."),
              QStringLiteral("Le téléchargement de la mise à jour serveur 1002 a été pris en compte par le serveur "
                             "QUENTARIS.")})
            QVERIFY2(journal.contains(attendu), qPrintable(journal.join(QLatin1Char('\n'))));

        // A workstation at version 1000 fetches 1001 and reports it.
        QTemporaryDir recus;
        QProcess poste;
        poste.start(QStringLiteral(QUENTARIS_POSTE),
                    {QStringLiteral("--port"), QString::number(dossier.portControle),
                     QStringLiteral("--port-transfert"), QString::number(dossier.portTransfert),
                     QStringLiteral("--utilisateur"), QStringLiteral("dupont"), QStringLiteral("--version"),
                     QStringLiteral("1000"), QStringLiteral("--telecharger"), QStringLiteral("--dossier"), recus.path(),
                     QStringLiteral("--signaler"), QStringLiteral("1001"), QStringLiteral("--poste"),
                     QStringLiteral("pc01"), QStringLiteral("--mac"), QStringLiteral("00-11-22-33-44-55"),
                     QStringLiteral("--ip"), QStringLiteral("192.168.0.10")});
        QTRY_VERIFY_WITH_TIMEOUT(poste.state() == QProcess::NotRunning, 30000);
        QVERIFY2(poste.exitCode() == 0, poste.readAllStandardError().constData());
        QCOMPARE(contenu(recus.filePath(QStringLiteral("1001"))), contenu(maj.filePath(QStringLiteral("MAJ1001.zip"))));
        const auto pc01 = TablePostes::ParNom(QStringLiteral("PC01"));
        QVERIFY(pc01.has_value());
        QCOMPARE(pc01->AdresseMACPoste, QStringLiteral("00-11-22-33-44-55"));
        QCOMPARE(pc01->AdresseIPPoste, QStringLiteral("192.168.0.10"));
        QCOMPARE(TablePostes::Historique(pc01->IdMajPoste).size(), 1);
        QCOMPARE(*TablePostes::VersionMax(pc01->IdMajPoste), 1001);
        QTRY_COMPARE(serveur.Reseau.PostesConnectes(), 0);

        // The administrator installs the server update at once, from the pending list.
        serveur.Console_.Executer(5);
        Frm_MAJAttente* fenetre = Visible<Frm_MAJAttente>();
        QVERIFY(fenetre);
        QCOMPARE(Enfant<QTreeWidget>(fenetre, "Lst_MAJAttente")->topLevelItemCount(), 1);
        Enfant<QPushButton>(fenetre, "Cmd_InstallMAJ")->click();
        auto* choix = fenetre->findChild<Frm_DiffereInstall*>();
        QVERIFY(choix);
        Enfant<QPushButton>(choix, "Cmd_Valider")->click();
        QTRY_VERIFY_WITH_TIMEOUT(Visible<Frm_ConnectUniDATA>(), 10000);
        Frm_ConnectUniDATA* identification = Visible<Frm_ConnectUniDATA>();
        QTest::keyClicks(Enfant<QLineEdit>(identification, "Txt_MotDePasse"), QStringLiteral("secret"));
        Enfant<QPushButton>(identification, "Cmd_OK")->click();
        QTRY_VERIFY_WITH_TIMEOUT(Visible<Frm_MajBases>(), 30000);
        Frm_MajBases* rapport = Visible<Frm_MajBases>();
        auto* lignes = Enfant<QTreeWidget>(rapport, "Lst_InstallMaj");
        QCOMPARE(lignes->topLevelItemCount(), 2);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(lignes->topLevelItem(i)->text(1), i == 0 ? QStringLiteral("COMPTA") : QStringLiteral("PAIE"));
            QCOMPARE(lignes->topLevelItem(i)->text(2), QStringLiteral("Installée"));
        }
        QVERIFY(!rapport->Verrouille());
        QVERIFY(serveur.Reseau.Etat_().InstallationEnCours);
        Enfant<QPushButton>(rapport, "Cmd_Fermer")->click();
        QTRY_VERIFY(!serveur.Reseau.Etat_().InstallationEnCours);

        QVERIFY(TableMajAttente::EnAttente().isEmpty());
        QVERIFY(QFileInfo::exists(s.filePath(QStringLiteral("serveur/Serveur/1002/LISEZMOI.txt"))));
        for (const char* base : {"bases/COMPTA", "bases/PAIE"}) {
            const QString enregistrement = s.filePath(QLatin1String(base) + QStringLiteral("/INSTALLMAJ/1002"));
            QVERIFY2(contenu(enregistrement).startsWith("Mise a jour 1002 installee le "), qPrintable(enregistrement));
        }

        simulateur.kill();
        simulateur.waitForFinished();
    }
};

QUENTARIS_TEST(TstParcours)
#include "tst_Parcours.moc"
