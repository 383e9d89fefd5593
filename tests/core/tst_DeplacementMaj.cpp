#include "core/BaseInterne.h"
#include "core/DeplacementEnregistre.h"
#include "core/DeplacementMaj.h"
#include "core/Etat.h"
#include "core/Journal.h"
#include "core/RepriseDeplacement.h"
#include "core/TableMajDispo.h"
#include "core/TableParametres.h"
#include "support/DossierTest.h"
#include "support/FichiersTest.h"
#include "support/JournalTest.h"
#include "support/MontageTemporaire.h"
#include "support/Registre.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {

void ajouter(qint64 version, const QString& fichier, bool doc)
{
    MajDispo m;
    m.NumVersionDispo = version;
    m.NomFichierMaj = fichier;
    m.DocAssociee = doc;
    TableMajDispo::Inserer(m);
}

// Files of distinct contents, so that a mixed-up or cut copy shows.
QByteArray contenu(char graine, int taille)
{
    QByteArray octets(taille, Qt::Uninitialized);
    for (int i = 0; i < taille; ++i)
        octets[i] = char(graine + i % 97);
    return octets;
}

} // namespace

class TstDeplacementMaj : public QObject
{
    Q_OBJECT

    // A program folder with its settings row naming the update folder "maj", and an empty
    // folder "nouveau" beside it.
    struct Banc
    {
        DossierTest dossier;
        const QString nouveau{dossier.Fichier(QStringLiteral("nouveau"))};
        Etat etat;
        DeplacementMaj deplacement{etat, [] {
                                       return 0;
                                   }};
        QSignalSpy fin{&deplacement, &DeplacementMaj::Termine};
        QSignalSpy echecs{&deplacement, &DeplacementMaj::Echec};
        QSignalSpy anomalies{&deplacement, &DeplacementMaj::Anomalie};
        Banc()
        {
            dossier.EcrireParametres();
            etat.EmplacementMaj = dossier.DossierMaj();
            QVERIFY(QDir().mkpath(nouveau));
        }
        void ecrire(const QString& nom, const QByteArray& octets) const
        {
            dossier.EcrireFichier(QStringLiteral("maj/") + nom, octets);
        }
        // The row of maj<version>.zip with its archive in the old folder, and its documentation
        // when one is given.
        void maj(qint64 version, const QByteArray& archive, const QByteArray& documentation = QByteArray()) const
        {
            const QString nom = QStringLiteral("maj%1.zip").arg(version);
            ajouter(version, nom, !documentation.isNull());
            ecrire(nom, archive);
            if (!documentation.isNull())
                ecrire(QStringLiteral("%1.pdf").arg(version), documentation);
        }
        bool deplacer(const QString& nouveau)
        {
            deplacement.Demarrer(dossier.DossierMaj(), nouveau);
            if (!QTest::qWaitFor([&] { return !fin.isEmpty(); }))
                return false;
            return fin.first().first().toBool();
        }
        void ancienDossierGarde() const
        {
            QCOMPARE(TableParametres::Lire().EmplacementMaj, dossier.DossierMaj());
            QCOMPARE(etat.EmplacementMaj, dossier.DossierMaj());
            QVERIFY(!etat.InstallationEnCours);
        }
    };

private slots:
    // Rows that name the same file (an update downloaded twice, with its documentation) move
    // that file once and report nothing; the workstations are served again at the end.
    void fichierCommunAPlusieursLignes()
    {
        Banc banc;
        banc.maj(121, "archive", "documentation");
        ajouter(121, QStringLiteral("maj121.zip"), true);
        const QString& nouveau = banc.nouveau;

        QVERIFY(banc.deplacer(nouveau));
        QCOMPARE(banc.anomalies.size(), 0);
        QVERIFY(LignesJournal().isEmpty());
        QVERIFY(!banc.etat.InstallationEnCours);
        QCOMPARE(LireFichier(nouveau + QStringLiteral("/maj121.zip")), QByteArray("archive"));
        QCOMPARE(LireFichier(nouveau + QStringLiteral("/121.pdf")), QByteArray("documentation"));
        QCOMPARE(EntreesDossier(banc.dossier.DossierMaj()), QStringList());
    }

    // Workstations and checks are let back in only once the new folder is saved and in use:
    // never a moment where the busy flag is down and the settings still name the old folder.
    void nouveauDossierPublieAvantDeRendreLaMain()
    {
        Banc banc;
        banc.maj(121, "a");
        banc.maj(122, "b");
        const QString nouveau = banc.nouveau + QLatin1Char('/');
        QStringList vus;
        const auto noter = [&] {
            vus.append(
                QStringLiteral("%1 %2 %3")
                    .arg(banc.etat.InstallationEnCours ? QStringLiteral("occupé") : QStringLiteral("libre"),
                         banc.etat.EmplacementMaj == nouveau ? QStringLiteral("nouveau") : QStringLiteral("ancien"),
                         TableParametres::Lire().EmplacementMaj == nouveau ? QStringLiteral("nouveau")
                                                                           : QStringLiteral("ancien")));
        };
        connect(&banc.deplacement, &DeplacementMaj::Progression, this, noter);
        connect(&banc.deplacement, &DeplacementMaj::Termine, this, noter);
        QVERIFY(banc.deplacer(nouveau));
        QCOMPARE(vus,
                 (QStringList{QStringLiteral("occupé ancien ancien"), QStringLiteral("occupé ancien ancien"),
                              QStringLiteral("libre nouveau nouveau")}));
        // The folder is saved as it was typed.
        QCOMPARE(TableParametres::Lire().EmplacementMaj, nouveau);
    }

    // A name taken in the new folder stops the move: what had moved goes back, nothing is
    // overwritten, and the settings keep the old folder.
    void nomPrisRemetToutEnPlace()
    {
        Banc banc;
        ajouter(121, QStringLiteral("maj121.zip"), true);
        ajouter(122, QStringLiteral("maj122.zip"), false);
        ajouter(123, QStringLiteral("maj123.zip"), false);
        for (const char* nom : {"maj121.zip", "121.pdf", "maj122.zip", "maj123.zip"})
            banc.ecrire(QLatin1String(nom), QByteArray("contenu ") + nom);
        const QString& nouveau = banc.nouveau;
        banc.dossier.EcrireFichier(QStringLiteral("nouveau/maj123.zip"), "déjà là");

        QVERIFY(!banc.deplacer(nouveau));
        banc.ancienDossierGarde();
        const QString message = QStringLiteral("Le fichier maj123.zip n'a pas été déplacé vers le nouveau dossier : un "
                                               "fichier du même nom existe déjà dans le nouveau dossier.");
        QCOMPARE(banc.echecs.size(), 1);
        QCOMPARE(banc.echecs.first().first().toString(), message);
        QCOMPARE(banc.anomalies.size(), 0);
        QCOMPARE(LignesJournal(), QStringList{QStringLiteral("1|") + message});
        QCOMPARE(EntreesDossier(banc.dossier.DossierMaj()),
                 (QStringList{QStringLiteral("121.pdf"), QStringLiteral("maj121.zip"), QStringLiteral("maj122.zip"),
                              QStringLiteral("maj123.zip")}));
        for (const char* nom : {"maj121.zip", "121.pdf", "maj122.zip", "maj123.zip"})
            QCOMPARE(LireFichier(banc.dossier.DossierMaj() + QLatin1Char('/') + QLatin1String(nom)),
                     QByteArray("contenu ") + nom);
        QCOMPARE(EntreesDossier(nouveau), QStringList{QStringLiteral("maj123.zip")});
        QCOMPARE(LireFichier(nouveau + QStringLiteral("/maj123.zip")), QByteArray("déjà là"));

        // The same bytes under that name (a copy an earlier attempt left) are no conflict.
        banc.dossier.EcrireFichier(QStringLiteral("nouveau/maj123.zip"), "contenu maj123.zip");
        DeplacementMaj encore(banc.etat, [] { return 0; });
        QSignalSpy fin(&encore, &DeplacementMaj::Termine);
        encore.Demarrer(banc.dossier.DossierMaj(), nouveau);
        QTRY_COMPARE(fin.size(), 1);
        QVERIFY(fin.first().first().toBool());
        QCOMPARE(EntreesDossier(banc.dossier.DossierMaj()), QStringList());
        for (const char* nom : {"maj121.zip", "121.pdf", "maj122.zip", "maj123.zip"})
            QCOMPARE(LireFichier(nouveau + QLatin1Char('/') + QLatin1String(nom)), QByteArray("contenu ") + nom);
        QCOMPARE(TableParametres::Lire().EmplacementMaj, nouveau);
    }

    // A file missing from the old folder is told, and does not stop the others.
    void fichierAbsentSignaleEtDeplacementPoursuivi()
    {
        Banc banc;
        ajouter(121, QStringLiteral("maj121.zip"), true);
        banc.ecrire(QStringLiteral("maj121.zip"), "a");
        banc.maj(122, "b");
        const QString& nouveau = banc.nouveau;
        QVERIFY(banc.deplacer(nouveau));
        QCOMPARE(banc.anomalies.size(), 1);
        QCOMPARE(banc.anomalies.first().first().toString(),
                 QStringLiteral("Le fichier 121.pdf n'a pas été déplacé vers le nouveau dossier : il est introuvable "
                                "dans l'ancien dossier."));
        QCOMPARE(EntreesDossier(nouveau), (QStringList{QStringLiteral("maj121.zip"), QStringLiteral("maj122.zip")}));
        QCOMPARE(TableParametres::Lire().EmplacementMaj, nouveau);
    }

    // Onto another, small file system that fills up half way: every source stays whole, no
    // partial copy or temporary file is left on the new disk, and the old folder stays saved.
    void disquePleinNePerdAucunFichier()
    {
        PetitDisque disque(QStringLiteral("100k"));
        MONTAGE_OU_QSKIP(disque);
        Banc banc;
        const QByteArray archive121 = contenu('a', 30000);
        const QByteArray document = contenu('d', 12000);
        const QByteArray archive122 = contenu('k', 112640);
        banc.maj(121, archive121, document);
        banc.maj(122, archive122);

        QVERIFY(!banc.deplacer(disque.Chemin()));
        banc.ancienDossierGarde();
        QCOMPARE(banc.echecs.size(), 1);
        QVERIFY2(banc.echecs.first().first().toString().startsWith(
                     QStringLiteral("Le fichier maj122.zip n'a pas été déplacé vers le nouveau dossier : ")),
                 qPrintable(banc.echecs.first().first().toString()));
        QCOMPARE(LireFichier(banc.dossier.DossierMaj() + QStringLiteral("/maj121.zip")), archive121);
        QCOMPARE(LireFichier(banc.dossier.DossierMaj() + QStringLiteral("/121.pdf")), document);
        QCOMPARE(LireFichier(banc.dossier.DossierMaj() + QStringLiteral("/maj122.zip")), archive122);
        QCOMPARE(EntreesDossier(disque.Chemin()), QStringList());
    }

    // Across file systems with room enough: exact copies, then the sources go.
    void autreSystemeDeFichiers()
    {
        PetitDisque disque(QStringLiteral("1m"));
        MONTAGE_OU_QSKIP(disque);
        Banc banc;
        const QByteArray archive = contenu('a', 300000);
        banc.maj(121, archive, "document");
        QVERIFY(banc.deplacer(disque.Chemin()));
        QCOMPARE(EntreesDossier(disque.Chemin()),
                 (QStringList{QStringLiteral("121.pdf"), QStringLiteral("maj121.zip")}));
        QCOMPARE(LireFichier(disque.Chemin() + QStringLiteral("/maj121.zip")), archive);
        QCOMPARE(LireFichier(disque.Chemin() + QStringLiteral("/121.pdf")), QByteArray("document"));
        QCOMPARE(EntreesDossier(banc.dossier.DossierMaj()), QStringList());
        QCOMPARE(TableParametres::Lire().EmplacementMaj, disque.Chemin());
        QCOMPARE(banc.etat.EmplacementMaj, disque.Chemin());
    }

    // When the new folder cannot be saved, the files go back where the settings say they are.
    void dossierNonEnregistreRemetLesFichiers()
    {
        Banc banc;
        banc.maj(121, "a");
        const QString& nouveau = banc.nouveau;
        QVERIFY(BaseInterne::Commande(QStringLiteral("PRAGMA query_only = ON")));
        QVERIFY(!banc.deplacer(nouveau));
        QVERIFY(BaseInterne::Commande(QStringLiteral("PRAGMA query_only = OFF")));
        banc.ancienDossierGarde();
        QCOMPARE(banc.echecs.first().first().toString(),
                 QStringLiteral("Le nouveau dossier des mises à jour n'a pas pu être enregistré dans les paramètres."));
        QCOMPARE(EntreesDossier(banc.dossier.DossierMaj()), QStringList{QStringLiteral("maj121.zip")});
        QCOMPARE(EntreesDossier(nouveau), QStringList());
    }

    // The update folder under another path (a symbolic link, a bind mount) is the same folder:
    // the move is refused before anything moves, and a move recorded so, found at the next
    // start, removes nothing. Every file stays, with its bytes.
    void memeDossierSousUnAutreChemin_data()
    {
        QTest::addColumn<bool>("montage");
        QTest::newRow("lien symbolique") << false;
        QTest::newRow("montage lié") << true;
    }
    void memeDossierSousUnAutreChemin()
    {
        QFETCH(bool, montage);
        Banc banc;
        const QByteArray archive = contenu('a', 30000);
        banc.maj(121, archive, "documentation");
        banc.maj(122, "b");
        const QString ancien = banc.dossier.DossierMaj();
        std::unique_ptr<MontageLie> montageLie;
        QString autreChemin = banc.dossier.Fichier(QStringLiteral("lien"));
        if (montage) {
            montageLie = std::make_unique<MontageLie>(ancien);
            if (!montageLie->Indisponible().isEmpty())
                QSKIP(qPrintable(montageLie->Indisponible()));
            autreChemin = montageLie->Chemin();
        } else {
            QVERIFY(QFile::link(ancien, autreChemin));
        }
        const QStringList fichiers{QStringLiteral("121.pdf"), QStringLiteral("maj121.zip"),
                                   QStringLiteral("maj122.zip")};
        const auto toutEstLa = [&] {
            QCOMPARE(EntreesDossier(ancien), fichiers);
            QCOMPARE(LireFichier(ancien + QStringLiteral("/maj121.zip")), archive);
            QCOMPARE(LireFichier(ancien + QStringLiteral("/121.pdf")), QByteArray("documentation"));
            QCOMPARE(LireFichier(ancien + QStringLiteral("/maj122.zip")), QByteArray("b"));
        };

        QVERIFY(!banc.deplacer(autreChemin));
        banc.ancienDossierGarde();
        const QString message = QStringLiteral("Le nouveau dossier « ") + autreChemin
            + QStringLiteral(" » est le dossier actuel des mises à jour « ") + ancien
            + QStringLiteral(" » sous un autre chemin : aucun fichier n'a été déplacé.");
        QCOMPARE(banc.echecs.size(), 1);
        QCOMPARE(banc.echecs.first().first().toString(), message);
        toutEstLa();
        QVERIFY(!QFile::exists(DeplacementEnregistre::Chemin()));

        // A record of such a move, left by a kill once the new path was saved, then a start.
        QString erreur;
        const DeplacementEnregistre enregistre{ancien, autreChemin, fichiers};
        QVERIFY(enregistre.Ecrire(&erreur));
        QVERIFY(TableParametres::EnregistrerEmplacement(autreChemin));
        RepriseDeplacement::Reprendre(autreChemin);
        toutEstLa();
        QVERIFY(!QFile::exists(DeplacementEnregistre::Chemin()));
    }

    // Updates that cannot be read are not "no update": nothing moves and the old folder stays.
    void listeIllisibleGardeLAncienDossier()
    {
        Banc banc;
        banc.maj(121, "a", "d");
        const QString& nouveau = banc.nouveau;
        QVERIFY(BaseInterne::Commande(QStringLiteral("ALTER TABLE MajDispo RENAME TO MajDispoCachee")));
        QVERIFY(!banc.deplacer(nouveau));
        banc.ancienDossierGarde();
        const QString message = QStringLiteral("Les mises à jour à déplacer n'ont pas pu être lues dans la base de "
                                               "données interne : aucun fichier n'a été déplacé.");
        QCOMPARE(banc.echecs.size(), 1);
        QCOMPARE(banc.echecs.first().first().toString(), message);
        QCOMPARE(LignesJournal(), QStringList{QStringLiteral("1|") + message});
        QCOMPARE(EntreesDossier(banc.dossier.DossierMaj()),
                 (QStringList{QStringLiteral("121.pdf"), QStringLiteral("maj121.zip")}));
        QCOMPARE(EntreesDossier(nouveau), QStringList());
    }
};

QUENTARIS_TEST(TstDeplacementMaj)
#include "tst_DeplacementMaj.moc"
