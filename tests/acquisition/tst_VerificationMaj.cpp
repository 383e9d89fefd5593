#include "core/BaseInterne.h"
#include "core/Horloge.h"
#include "core/TableMajDispo.h"
#include "support/BancMaj.h"
#include "support/FichiersTest.h"
#include "support/InterlocuteurScripte.h"
#include "support/JournalTest.h"
#include "support/Registre.h"
#include "support/SimulateurTest.h"
#include "support/SortieCapturee.h"

#include <QSignalSpy>
#include <QTest>

namespace {

const QDate Lundi(2026, 12, 7);
const QDate Mardi(2026, 12, 8);

} // namespace

class TstVerificationMaj : public QObject
{
    Q_OBJECT

    std::unique_ptr<BancMaj> m_b;

    void a(const QDate& jour, const QTime& heure) { Horloge::Regler(QDateTime(jour, heure)); }

private slots:
    void init()
    {
        m_b = std::make_unique<BancMaj>();
        m_b->etat.W_HeureVerif = QStringLiteral("22:00");
        m_b->etat.Jours = {true, false, false, false, false, false, false};
        m_b->minuteur.setInterval(60000);
        m_b->minuteur.start();
    }
    void cleanup()
    {
        Horloge::Reinitialiser();
        m_b.reset();
    }

    void echeance_data()
    {
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<bool>("due");
        QTest::newRow("lundi 22:00:37") << QDateTime(Lundi, QTime(22, 0, 37)) << true;
        QTest::newRow("lundi 22:00:00") << QDateTime(Lundi, QTime(22, 0, 0)) << true;
        QTest::newRow("lundi 22:01:05") << QDateTime(Lundi, QTime(22, 1, 5)) << false;
        QTest::newRow("lundi 21:59:59") << QDateTime(Lundi, QTime(21, 59, 59)) << false;
        QTest::newRow("mardi 22:00:37") << QDateTime(Mardi, QTime(22, 0, 37)) << false;
        QTest::newRow("dimanche suivant") << QDateTime(Lundi.addDays(6), QTime(22, 0, 37)) << false;
    }
    void echeance()
    {
        QFETCH(QDateTime, moment);
        QFETCH(bool, due);
        QCOMPARE(
            VerificationMaj::EstDue(moment, QStringLiteral("22:00"), {true, false, false, false, false, false, false}),
            due);
        // Sunday is the seventh flag, whatever the system's language.
        QVERIFY(VerificationMaj::EstDue(QDateTime(Lundi.addDays(6), QTime(7, 5)), QStringLiteral("07:05"),
                                        {false, false, false, false, false, false, true}));
    }

    // A scheduled check: three updates in document order, the balloon, the timer stopped
    // meanwhile and restarted at the end; never twice in one minute.
    void verificationPlanifiee()
    {
        for (qint64 n : {1003, 1001, 1002})
            m_b->sim->Ajouter(n, QStringLiteral("majs/MAJ") + QString::number(n) + QStringLiteral(".zip"),
                              QStringLiteral("0"), SimulateurTest::Contenu(n, int(n)));
        a(Lundi, QTime(22, 0, 37));
        QSignalSpy fin(m_b->verif.get(), &VerificationMaj::Terminee);
        m_b->verif->Tim_VerifMAJ_Timer();
        QVERIFY(m_b->etat.VerificationEnCours());
        QVERIFY(!m_b->etat.VerificationManuelle);
        QVERIFY(!m_b->minuteur.isActive());
        QTRY_COMPARE(fin.count(), 1);
        QVERIFY(m_b->minuteur.isActive());
        QVERIFY(!m_b->etat.VerificationEnCours());
        QCOMPARE(m_b->statut.appels,
                 QStringList({QStringLiteral("ouvrir planifiée"),
                              QStringLiteral("Téléchargement de la mise à jour 1003 en cours ... /1003"),
                              QStringLiteral("Téléchargement de la mise à jour 1001 en cours ... /1001"),
                              QStringLiteral("Téléchargement de la mise à jour 1002 en cours ... /1002"),
                              QStringLiteral("fermer planifiée")}));
        QCOMPARE(m_b->statut.derniereProgression, qint64(1002));
        QCOMPARE(BancMaj::VersionsEnregistrees(), QVector<qint64>({1003, 1001, 1002}));
        QCOMPARE(LignesJournal().value(0),
                 QStringLiteral("0|Une mise à jour est disponible, elle va être téléchargée automatiquement."));

        const int requetes = m_b->sim->Service().Recues.size();
        a(Lundi, QTime(22, 0, 58));
        m_b->verif->Tim_VerifMAJ_Timer();
        QVERIFY(!m_b->etat.VerificationEnCours());
        QCOMPARE(m_b->sim->Service().Recues.size(), requetes);
    }

    void pasDeVerificationHorsEcheance()
    {
        for (const QDateTime& moment : {QDateTime(Lundi, QTime(22, 1, 5)), QDateTime(Mardi, QTime(22, 0, 37))}) {
            Horloge::Regler(moment);
            m_b->verif->Tim_VerifMAJ_Timer();
            m_b->verif->VerifierMAJ(false);
        }
        QVERIFY(!m_b->etat.VerificationEnCours());
        QVERIFY(m_b->statut.appels.isEmpty());
        QVERIFY(m_b->sim->Service().Recues.isEmpty());
        QVERIFY(m_b->minuteur.isActive());
    }

    // A manual check runs on a day whose flag is off, at any time.
    void verificationManuelle()
    {
        a(Mardi, QTime(14, 12));
        QSignalSpy fin(m_b->verif.get(), &VerificationMaj::Terminee);
        QVERIFY(m_b->verif->VerifierMAJ(true));
        QVERIFY(m_b->etat.VerificationManuelle);
        QTRY_COMPARE(fin.count(), 1);
        QVERIFY(!m_b->etat.VerificationManuelle);
        QCOMPARE(m_b->statut.appels,
                 QStringList({QStringLiteral("ouvrir manuelle"), QStringLiteral("fermer manuelle")}));
        QCOMPARE(LignesJournal(), QStringList{QStringLiteral("2|Aucune mise à jour disponible sur le serveur.")});
    }

    void demandeManuellePendantUneVerification()
    {
        InterlocuteurScripte personne;
        m_b->sim->Ajouter(5, QStringLiteral("MAJ5.zip"), QStringLiteral("1"), "12345");
        m_b->sim->Service().Bloque = true;
        a(Mardi, QTime(14, 12));
        QSignalSpy fin(m_b->verif.get(), &VerificationMaj::Terminee);
        QVERIFY(m_b->verif->VerifierMAJ(true));
        QTRY_COMPARE(m_b->sim->Service().Recues.size(), 2); // the query, then the blocked download
        QVERIFY(!m_b->verif->VerifierMAJ(true));
        QCOMPARE(personne.affiches.size(), 1);
        QCOMPARE(personne.affiches.at(0).texte,
                 QStringLiteral("Une recherche de mises à jour est déjà en cours. Veuillez attendre la fin de celle-ci "
                                "avant d'en demander une nouvelle."));
        QCOMPARE(personne.affiches.at(0).icone, Icone::Exclamation);
        QVERIFY(m_b->etat.VerificationManuelle);
        // A tick at the check time does nothing either.
        a(Lundi, QTime(22, 0, 10));
        m_b->verif->Tim_VerifMAJ_Timer();
        m_b->sim->Service().Bloque = false;
        QCOMPARE(m_b->sim->Service().Recues.size(), 2);
        QCOMPARE(m_b->statut.appels.size(), 2);
        QCOMPARE(fin.count(), 0);
    }

    // No file may land in the update folder while it is moved or a server update installs:
    // a scheduled check waits for the next tick after, a manual one is refused.
    void attenteDUneInstallation()
    {
        InterlocuteurScripte personne;
        m_b->etat.InstallationEnCours = true;
        QVERIFY(!m_b->verif->VerifierMAJ(true));
        QCOMPARE(personne.Dernier(),
                 QStringLiteral("Une installation de mise à jour ou un déplacement du dossier des mises à jour est en "
                                "cours. Veuillez attendre la fin de celle-ci avant de rechercher des mises à jour."));
        QCOMPARE(personne.affiches.at(0).icone, Icone::Exclamation);
        a(Lundi, QTime(22, 0, 37));
        m_b->verif->Tim_VerifMAJ_Timer();
        a(Lundi, QTime(22, 1, 37));
        m_b->verif->Tim_VerifMAJ_Timer();
        QVERIFY(!m_b->etat.VerificationEnCours());
        m_b->etat.InstallationEnCours = false;
        QSignalSpy fin(m_b->verif.get(), &VerificationMaj::Terminee);
        a(Lundi, QTime(22, 2, 37));
        m_b->verif->Tim_VerifMAJ_Timer();
        QVERIFY(m_b->etat.VerificationEnCours());
        QVERIFY(!m_b->etat.VerificationManuelle);
        QTRY_COMPARE(fin.count(), 1);
        QCOMPARE(m_b->sim->Service().Recues.size(), 1);
        a(Lundi, QTime(22, 3, 37));
        m_b->verif->Tim_VerifMAJ_Timer();
        QVERIFY(!m_b->etat.VerificationEnCours());
    }

    // Entries that cannot be downloaded are journalled and skipped; the others go on.
    void entreesInvalidesIgnorees()
    {
        m_b->sim->EcrireFichier(QStringLiteral("MAJ9.zip"), "123");
        m_b->sim->Service().ReponseVersion
            = QStringLiteral("<maj><version><numero>8</numero><chemin>MAJ8.zip</chemin><environnement>0</environnement>"
                             "<documentation>0</documentation></version>"
                             "<version><numero>9</numero><chemin>MAJ9.zip</chemin><environnement>0</environnement>"
                             "<documentation>false</documentation><taille>3</taille></version></maj>");
        QSignalSpy fin(m_b->verif.get(), &VerificationMaj::Terminee);
        m_b->verif->VerifierMAJ(true);
        QTRY_COMPARE(fin.count(), 1);
        QCOMPARE(
            LignesJournal(),
            QStringList({QStringLiteral("0|Une mise à jour est disponible, elle va être téléchargée automatiquement."),
                         QStringLiteral("1|La mise à jour 8 annoncée par le serveur QUENTARIS est ignorée : "
                                        "l'élément « taille » est absent."),
                         QStringLiteral("0|Le téléchargement de la mise à jour 9 a été effectué avec succès."),
                         QStringLiteral("0|Le téléchargement de la mise à jour poste 9 a été pris en compte par le "
                                        "serveur QUENTARIS.")}));
        QCOMPARE(m_b->statut.appels.size(), 3);
    }

    // Two updates whose paths end in the same file name: the second is kept under a name of
    // its own, recorded in its row and journalled, and the first one's file stays as it was;
    // a name that another row holds already, in any letter case, is passed over too.
    void memeNomDeFichier()
    {
        const QByteArray serveur = SimulateurTest::Contenu(1001, 3000);
        const QByteArray poste = SimulateurTest::Contenu(1002, 2000);
        const QByteArray troisieme = SimulateurTest::Contenu(1003, 1000);
        m_b->sim->Ajouter(1001, QStringLiteral("majs/srv/MAJ.zip"), QStringLiteral("1"), serveur);
        m_b->sim->Ajouter(1002, QStringLiteral("majs/poste/MAJ.zip"), QStringLiteral("0"), poste, true);
        m_b->sim->Ajouter(1003, QStringLiteral("majs/MAJ.zip"), QStringLiteral("0"), troisieme);
        MajDispo ancienne;
        ancienne.NumVersionDispo = 900;
        ancienne.NomFichierMaj = QStringLiteral("1003-maj.zip");
        QVERIFY(TableMajDispo::Inserer(ancienne) > 0);
        m_b->dossier.EcrireFichier(QStringLiteral("maj/1003-maj.zip"), "mise à jour 900");

        QSignalSpy fin(m_b->verif.get(), &VerificationMaj::Terminee);
        QVERIFY(m_b->verif->VerifierMAJ(true));
        QTRY_COMPARE(fin.count(), 1);

        QCOMPARE(LireFichier(m_b->Maj(QStringLiteral("MAJ.zip"))), serveur);
        QStringList noms;
        for (const MajDispo& m : TableMajDispo::Toutes())
            noms.append(QString::number(m.NumVersionDispo) + QLatin1Char(' ') + m.NomFichierMaj);
        QCOMPARE(noms,
                 QStringList({QStringLiteral("900 1003-maj.zip"), QStringLiteral("1001 MAJ.zip"),
                              QStringLiteral("1002 1002-MAJ.zip"), QStringLiteral("1003 1003-2-MAJ.zip")}));
        QCOMPARE(LireFichier(m_b->Maj(QStringLiteral("1002-MAJ.zip"))), poste);
        QCOMPARE(LireFichier(m_b->Maj(QStringLiteral("1002.pdf"))), SimulateurTest::Pdf(1002));
        QCOMPARE(LireFichier(m_b->Maj(QStringLiteral("1003-2-MAJ.zip"))), troisieme);
        QCOMPARE(LireFichier(m_b->Maj(QStringLiteral("1003-maj.zip"))), QByteArray("mise à jour 900"));
        const auto conserve = [](qint64 numero, const QString& nom, const QString& chemin) -> QString {
            return QStringLiteral("2|Le fichier de la mise à jour ") + QString::number(numero)
                + QStringLiteral(" a été enregistré sous le nom « ") + nom
                + QStringLiteral(" », car le nom « MAJ.zip » tiré de son chemin « ") + chemin
                + QStringLiteral(" » est déjà celui du fichier de la mise à jour 1001, qui a été conservé.");
        };
        QCOMPARE(
            LignesJournal(),
            QStringList({QStringLiteral("0|Une mise à jour est disponible, elle va être téléchargée automatiquement."),
                         QStringLiteral("0|Le téléchargement de la mise à jour 1001 a été effectué avec succès."),
                         QStringLiteral("0|Le téléchargement de la mise à jour serveur 1001 a été pris en compte par "
                                        "le serveur QUENTARIS."),
                         QStringLiteral("0|Le téléchargement de la mise à jour 1002 a été effectué avec succès."),
                         conserve(1002, QStringLiteral("1002-MAJ.zip"), QStringLiteral("majs/poste/MAJ.zip")),
                         QStringLiteral("0|Le téléchargement de la mise à jour poste 1002 a été pris en compte par "
                                        "le serveur QUENTARIS."),
                         QStringLiteral("0|Le téléchargement de la mise à jour 1003 a été effectué avec succès."),
                         conserve(1003, QStringLiteral("1003-2-MAJ.zip"), QStringLiteral("majs/MAJ.zip")),
                         QStringLiteral("0|Le téléchargement de la mise à jour poste 1003 a été pris en compte par "
                                        "le serveur QUENTARIS.")}));
    }

    // Without the last update recorded, the service is not asked at all: asking from 0 would
    // download every update again. The check ends as a failed query does, and says why.
    void derniereMiseAJourIllisible()
    {
        for (qint64 n : {1001, 1002})
            m_b->sim->Ajouter(n, QStringLiteral("MAJ%1.zip").arg(n), QStringLiteral("0"),
                              SimulateurTest::Contenu(n, 50));
        MajDispo m;
        m.NumVersionDispo = 1001;
        m.NomFichierMaj = QStringLiteral("MAJ1001.zip");
        QVERIFY(TableMajDispo::Inserer(m) > 0);
        QVERIFY(BaseInterne::Commande(QStringLiteral("ALTER TABLE MajDispo RENAME TO MajDispoCachee")));
        const QString message
            = QStringLiteral("La recherche des mises à jour a échoué : la base de données interne du serveur de mise "
                             "à jour n'a pas pu être lue, la dernière mise à jour téléchargée est inconnue.");
        QSignalSpy fin(m_b->verif.get(), &VerificationMaj::Terminee);
        QStringList lignes;
        {
            SortieCapturee sortie;
            QVERIFY(m_b->verif->VerifierMAJ(true));
            QTRY_COMPARE(fin.count(), 1);
            lignes = sortie.Contenant(QStringLiteral("recherche des mises à jour"));
        }
        QVERIFY(m_b->sim->Service().Recues.isEmpty());
        QCOMPARE(lignes, QStringList{message});
        QCOMPARE(LignesJournal(), QStringList{QStringLiteral("1|") + message});
        QCOMPARE(m_b->statut.appels,
                 QStringList({QStringLiteral("ouvrir manuelle"), QStringLiteral("fermer manuelle")}));
        QVERIFY(!m_b->etat.VerificationEnCours());
        QVERIFY(!m_b->etat.VerificationManuelle);
        QVERIFY(m_b->minuteur.isActive());

        // Readable again: the next check asks from the last update recorded.
        QVERIFY(BaseInterne::Commande(QStringLiteral("ALTER TABLE MajDispoCachee RENAME TO MajDispo")));
        QVERIFY(m_b->verif->VerifierMAJ(true));
        QTRY_COMPARE(fin.count(), 2);
        QCOMPARE(m_b->sim->Service().Recues.value(0).Valeurs.value(QStringLiteral("vers")), QStringLiteral("1001"));
        QCOMPARE(TableMajDispo::Compte(), qint64(2));
    }
};

QUENTARIS_TEST(TstVerificationMaj)
#include "tst_VerificationMaj.moc"
