#include "PosteTest.h"
#include "core/BaseInterne.h"
#include "core/Etat.h"
#include "core/Horloge.h"
#include "core/TableMajAttente.h"
#include "core/TablePostes.h"
#include "core/TableResponsables.h"
#include "support/AutreProgramme.h"
#include "support/DossierTest.h"
#include "support/Registre.h"
#include "support/SortieCapturee.h"
#include "workstations/FileRapports.h"
#include "workstations/ServeurPostes.h"

#include <QSqlQuery>
#include <QTest>
#include <memory>

namespace {

const QByteArray kSep("\xFE");

// Version reports in the order they were written: workstation name and version.
QStringList historique()
{
    QSqlQuery q
        = BaseInterne::Executer(QStringLiteral("SELECT P.NomPoste, H.VersionMaj FROM MajHistorique AS H, MajPoste AS P "
                                               "WHERE H.IdMajPoste = P.IdMajPoste ORDER BY H.rowid"));
    QStringList lignes;
    while (q.next())
        lignes.append(q.value(0).toString() + QLatin1Char('#') + q.value(1).toString());
    return lignes;
}

} // namespace

// Another program holds the internal database: every answer is right or missing, never
// computed from a failed read, the other workstations go on, and reports wait for the release.
class TstBaseVerrouillee : public QObject
{
    Q_OBJECT

    // The server of the workstation channels on a program folder of the test, and three
    // workstations: two on the control channel, one on the transfer channel.
    struct Banc
    {
        DossierTest dossier;
        Etat etat;
        ServeurPostes serveur{etat};
        std::unique_ptr<PosteTest> a, b, transfert;
    };
    std::unique_ptr<Banc> m_banc;

    std::unique_ptr<PosteTest> connecter(bool transfert)
    {
        ServeurPostes& serveur = m_banc->serveur;
        auto poste = std::make_unique<PosteTest>(transfert ? serveur.PortTransfert() : serveur.PortControle());
        auto nombre = [&] {
            return transfert ? serveur.TransfertsOuverts() : serveur.PostesConnectes();
        };
        const int avant = nombre();
        if (!poste->Connecte() || !QTest::qWaitFor([&] { return nombre() == avant + 1; }, 10000))
            return nullptr;
        return poste;
    }

    // The workstations connect, then another program takes the database with a write.
    bool verrouiller(AutreProgramme& autre)
    {
        m_banc->a = connecter(false);
        m_banc->b = connecter(false);
        m_banc->transfert = connecter(true);
        return m_banc->a && m_banc->b && m_banc->transfert && autre.Executer(QStringLiteral("BEGIN EXCLUSIVE"))
            && autre.Executer(QStringLiteral("INSERT INTO MajDispo (NumVersionDispo, NomFichierMaj, "
                                             "EnvironnementMaj, ConditionServeurMaj) VALUES (122, 'p122.zip', 0, 0)"));
    }

    QString fichier() const { return m_banc->dossier.Fichier(BaseInterne::NomFichier()); }

private slots:
    void init()
    {
        m_banc = std::make_unique<Banc>();
        m_banc->dossier.EcrireParametres();
        m_banc->dossier.EcrireFichier(QStringLiteral("maj/p121.zip"), QByteArray(3000, 'x'));
        AjouterMaj(121, QStringLiteral("p121.zip"));
        TableResponsables::Ajouter(QStringLiteral("dupont"));
        TableMajAttente::Ajouter(AjouterMaj(130, QStringLiteral("srv130.zip"), 1), QDate(2011, 3, 5));
        QVERIFY(m_banc->serveur.Ecouter(0, 0, nullptr));
        Horloge::Regler(QDateTime(QDate(2011, 3, 5), QTime(14, 5, 9)));
    }

    void cleanup()
    {
        m_banc.reset();
        Horloge::Reinitialiser();
    }

    // The usual case: the file is in WAL mode and readers never wait for the other writer.
    void ecrivainExclusif()
    {
        SortieCapturee sortie;
        AutreProgramme autre(fichier());
        QVERIFY(verrouiller(autre));
        ServeurPostes& serveur = m_banc->serveur;
        PosteTest& a = *m_banc->a;
        PosteTest& b = *m_banc->b;

        a.Envoyer("VMAJ01#120");
        QCOMPARE(a.Recevoir(10), QByteArray("MAJOK1|121"));
        QVERIFY(a.EnvoyerEtAttendre(serveur, "ENRMAJ PC01#121#AA#10.0.0.1"));
        QVERIFY(b.EnvoyerEtAttendre(serveur, "ENRMAJ PC02#121#BB#10.0.0.2"));
        Horloge::Regler(QDateTime(QDate(2011, 3, 6), QTime(9, 0)));
        QVERIFY(a.EnvoyerEtAttendre(serveur, "ENRMAJ PC01#122#AA#10.0.0.1"));
        QCOMPARE(serveur.RapportsEnAttente(), 3);
        QVERIFY(historique().isEmpty());

        // The other workstations and the transfers go on meanwhile.
        b.Envoyer("NOMUSR dupont");
        QCOMPARE(b.Recevoir(6), QByteArray("MAJSRV"));
        b.Envoyer("VMAJ01#0");
        QCOMPARE(b.Recevoir(10), QByteArray("MAJOK1|121"));
        m_banc->transfert->Envoyer("RCPMAJ 121");
        QCOMPARE(m_banc->transfert->Recevoir(4), QByteArray("3000"));

        QVERIFY(autre.Executer(QStringLiteral("COMMIT")));
        QTRY_COMPARE(historique(),
                     (QStringList{QStringLiteral("PC01#121"), QStringLiteral("PC02#121"), QStringLiteral("PC01#122")}));
        QCOMPARE(serveur.RapportsEnAttente(), 0);
        // Each report keeps the day it was made.
        const auto jour = [](const char* poste) {
            return TablePostes::Historique(TablePostes::ParNom(QLatin1String(poste))->IdMajPoste)
                .first()
                .DateInstallVersion;
        };
        QCOMPARE(jour("PC01"), QStringLiteral("2011-03-06"));
        QCOMPARE(jour("PC02"), QStringLiteral("2011-03-05"));
        const QByteArray attendu = "MAJOK1|121" + kSep + "122";
        a.Envoyer("VMAJ01#120");
        QCOMPARE(a.Recevoir(attendu.size()), attendu);
        QVERIFY(a.RienRecu() && b.RienRecu());
        // Said once when the reports start waiting and once when they are written; a lock is
        // no reason to alarm the person.
        QCOMPARE(sortie.Contenant(QStringLiteral("les rapports de version sont gardés")).size(), 1);
        QCOMPARE(sortie.Contenant(QStringLiteral("les rapports de version gardés sont écrits")).size(), 1);
        QVERIFY(sortie.Contenant(QStringLiteral("Message QUENTARIS")).isEmpty());
    }

    // A file still in its old journal mode (the switch failed at opening): readers meet the
    // other program's lock. Nothing is answered from the failed reads; reports wait.
    void lecturesImpossibles()
    {
        BaseInterne::Commande(QStringLiteral("PRAGMA journal_mode = DELETE"));
        AutreProgramme autre(fichier());
        QVERIFY(verrouiller(autre));
        ServeurPostes& serveur = m_banc->serveur;
        PosteTest& a = *m_banc->a;
        PosteTest& b = *m_banc->b;
        PosteTest& transfert = *m_banc->transfert;

        QVERIFY(a.EnvoyerEtAttendre(serveur, "VMAJ01#120"));
        QVERIFY(a.EnvoyerEtAttendre(serveur, "VMAJ01#130"));
        QVERIFY(b.EnvoyerEtAttendre(serveur, "NOMUSR dupont"));
        QVERIFY(a.EnvoyerEtAttendre(serveur, "ENRMAJ PC01#121#AA#10.0.0.1"));
        QVERIFY(transfert.EnvoyerEtAttendre(serveur, "RCPMAJ 121", true));
        QVERIFY(transfert.EnvoyerEtAttendre(serveur, "RCPMAJ 999", true));
        QVERIFY(a.RienRecu() && b.RienRecu() && transfert.RienRecu());
        // The announcement needs no database.
        QCOMPARE(serveur.Sessions().at(1).Tag, QStringLiteral("dupont|05/03/2011 à 14:05:09"));
        QCOMPARE(serveur.RapportsEnAttente(), 1);

        QVERIFY(autre.Executer(QStringLiteral("ROLLBACK")));
        QTRY_COMPARE(historique(), QStringList{QStringLiteral("PC01#121")});
        a.Envoyer("VMAJ01#120");
        QCOMPARE(a.Recevoir(10), QByteArray("MAJOK1|121"));
        b.Envoyer("NOMUSR dupont");
        QCOMPARE(b.Recevoir(6), QByteArray("MAJSRV"));
        transfert.Envoyer("RCPMAJ 999");
        QCOMPARE(transfert.Recevoir(11), QByteArray("ERREURTRANS"));
    }

    // The queue is bounded; what it cannot keep, and what it still keeps at the stop, is
    // written whole to standard error rather than lost without a trace.
    void fileBornee()
    {
        SortieCapturee sortie;
        AutreProgramme autre(fichier());
        QVERIFY(autre.Executer(QStringLiteral("BEGIN EXCLUSIVE")));
        QVERIFY(autre.Executer(QStringLiteral("DELETE FROM EvtMaj")));
        {
            FileRapports rapports(2);
            for (int i = 1; i <= 3; ++i)
                rapports.Enregistrer({QStringLiteral("PC0%1").arg(i), 121, QStringLiteral("AA"),
                                      QStringLiteral("10.0.0.%1").arg(i), QDate(2011, 3, 5)});
            QCOMPARE(rapports.EnAttente(), 2);
            QCOMPARE(sortie.Contenant(QStringLiteral("Rapport de version non écrit")),
                     QStringList{QStringLiteral("Rapport de version non écrit, 2 rapports attendant déjà la base "
                                                "interne : ENRMAJ PC03#121#AA#10.0.0.3 (2011-03-05)")});
        }
        QCOMPARE(sortie.Contenant(QStringLiteral("à l'arrêt")),
                 (QStringList{QStringLiteral("Rapport de version non écrit dans la base interne à l'arrêt : ENRMAJ "
                                             "PC01#121#AA#10.0.0.1 (2011-03-05)"),
                              QStringLiteral("Rapport de version non écrit dans la base interne à l'arrêt : ENRMAJ "
                                             "PC02#121#AA#10.0.0.2 (2011-03-05)")}));
        QVERIFY(autre.Executer(QStringLiteral("ROLLBACK")));
    }
};

QUENTARIS_TEST(TstBaseVerrouillee)
#include "tst_BaseVerrouillee.moc"
