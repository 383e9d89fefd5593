#include "acquisition/ServiceMaj.h"
#include "core/BaseInterne.h"
#include "core/Horloge.h"
#include "core/TableMajAttente.h"
#include "core/TableMajDispo.h"
#include "support/BancMaj.h"
#include "support/FichiersTest.h"
#include "support/JournalTest.h"
#include "support/LimitesTest.h"
#include "support/Registre.h"
#include "support/SimulateurTest.h"

#include <QDir>
#include <QTest>
#include <memory>

namespace {

VersionAnnoncee annoncee(const QString& numero, const QString& chemin, const QString& env, qint64 taille,
                         bool doc = false, bool condition = false)
{
    VersionAnnoncee v;
    v.Numero = numero;
    v.Chemin = chemin;
    v.Environnement = env;
    v.Taille = taille;
    v.Documentation = doc;
    v.ConditionServeur = condition;
    return v;
}

} // namespace

class TstServiceMaj : public QObject
{
    Q_OBJECT

    std::unique_ptr<BancMaj> m_b;
    std::unique_ptr<LimitesTest> m_limites;
    QObject m_contexte;

    QVector<EntreeVersion> rechercher(const QString& motDePasse = QStringLiteral("TR918M"))
    {
        bool fini = false;
        QVector<EntreeVersion> entrees;
        RechercherMiseAJour(m_b->etat, DerniereVersionDispo().value_or(QString()), m_b->etat.W_User, motDePasse,
                            &m_contexte, [&](const QVector<EntreeVersion>& e) {
                                entrees = e;
                                fini = true;
                            });
        (void)QTest::qWaitFor([&] { return fini; }, 10000);
        return entrees;
    }

    bool telecharger(const VersionAnnoncee& v)
    {
        bool fini = false;
        TelechargerMiseAJour(m_b->etat, v, m_b->etat.W_User, &m_contexte, {}, [&](IssueMaj) { fini = true; });
        return QTest::qWaitFor([&] { return fini; }, 10000);
    }

private slots:
    void init()
    {
        m_b = std::make_unique<BancMaj>();
        Horloge::Regler(QDateTime(QDate(2011, 3, 5), QTime(22, 0, 7)));
        m_limites = std::make_unique<LimitesTest>();
    }
    void cleanup()
    {
        m_limites.reset();
        Horloge::Reinitialiser();
        m_b.reset();
    }

    void requeteDeVersion()
    {
        QCOMPARE(DerniereVersionDispo().value_or(QString()), QStringLiteral("0"));
        rechercher();
        QCOMPARE(m_b->sim->Service().Recues.size(), 1);
        QCOMPARE(m_b->sim->Service().Recues.at(0).Chemin, QStringLiteral("/suivimaj/version.php"));
        QCOMPARE(m_b->sim->Service().Recues.at(0).Brute, QStringLiteral("user=61742&pass=TR918M&vers=0&XML"));

        MajDispo m;
        m.NumVersionDispo = 1500;
        TableMajDispo::Inserer(m);
        m.NumVersionDispo = 1200; // the last one recorded is the cursor, not the highest
        TableMajDispo::Inserer(m);
        QCOMPARE(DerniereVersionDispo().value_or(QString()), QStringLiteral("1200"));

        // A password holding query delimiters reaches the service unchanged.
        const QString motDePasse = QStringLiteral("a&b+c#d é");
        rechercher(motDePasse);
        QCOMPARE(m_b->sim->Service().Recues.at(1).Valeurs.value(QStringLiteral("pass")), motDePasse);
        QCOMPARE(m_b->sim->Service().Recues.at(1).Valeurs.value(QStringLiteral("vers")), QStringLiteral("1200"));
        QVERIFY(m_b->sim->Service().Recues.at(1).Brute.endsWith(QStringLiteral("&vers=1200&XML")));
    }

    void reponsesDeVersion_data()
    {
        QTest::addColumn<QString>("reponse");
        QTest::addColumn<int>("statut");
        QTest::addColumn<int>("entrees");
        QTest::addColumn<QString>("journal");
        QTest::newRow("refusé") << QStringLiteral("<erreur>REFUSE</erreur>") << 200 << 0
                                << QStringLiteral("1|Accès au serveur de mise à jour refusé. Vérifier les identifiants "
                                                  "saisis dans la fenêtre de paramétrage du serveur de mise à jour.");
        QTest::newRow("refusé en 403") << QStringLiteral("<erreur>REFUSE</erreur>") << 403 << 0
                                       << QStringLiteral(
                                              "1|Accès au serveur de mise à jour refusé. Vérifier les "
                                              "identifiants saisis dans la fenêtre de paramétrage du serveur "
                                              "de mise à jour.");
        QTest::newRow("autre erreur") << QStringLiteral("<erreur>IDENTIFIANT</erreur>") << 200 << 0
                                      << QStringLiteral("1|La recherche des mises à jour a échoué : le serveur "
                                                        "QUENTARIS a répondu par l'erreur « IDENTIFIANT ».");
        QTest::newRow("aucune version") << QStringLiteral("<maj>\n</maj>") << 200 << 0
                                        << QStringLiteral("2|Aucune mise à jour disponible sur le serveur.");
        QTest::newRow("une version") << QStringLiteral("<maj><version><numero>3</numero></version></maj>") << 200 << 1
                                     << QStringLiteral("0|Une mise à jour est disponible, elle va être téléchargée "
                                                       "automatiquement.");
        QTest::newRow("page d'erreur") << QString() << 500 << 0
                                       << QStringLiteral("1|La recherche des mises à jour a échoué : le serveur "
                                                         "QUENTARIS n'a pas pu être joint (réponse HTTP 500 Internal "
                                                         "Server Error).");
        QTest::newRow("illisible") << QStringLiteral("<html>maintenance</html>") << 200 << 0
                                   << QStringLiteral("1|La recherche des mises à jour a échoué : la réponse du serveur "
                                                     "QUENTARIS est illisible (élément racine « html » inattendu).");
    }
    void reponsesDeVersion()
    {
        QFETCH(QString, reponse);
        QFETCH(int, statut);
        QFETCH(int, entrees);
        QFETCH(QString, journal);
        m_b->sim->Service().ReponseVersion = reponse;
        m_b->sim->Service().StatutVersion = statut;
        QCOMPARE(rechercher().size(), entrees);
        QCOMPARE(LignesJournal(), QStringList{journal});
    }

    void serviceInjoignable()
    {
        m_b->etat.Config.Service = QStringLiteral("http://127.0.0.1:") + QString::number(PortLibre());
        QVERIFY(rechercher().isEmpty());
        const QStringList journal = LignesJournal();
        QCOMPARE(journal.size(), 1);
        QVERIFY(journal.at(0).startsWith(
            QStringLiteral("1|La recherche des mises à jour a échoué : le serveur QUENTARIS n'a pas pu être joint (")));
    }

    // A workstation update with documentation, then a server update: files, rows, queue,
    // acknowledgements and journal.
    void telechargementsPosteEtServeur()
    {
        const QByteArray poste = SimulateurTest::Contenu(1001, 30000);
        const QByteArray serveur = SimulateurTest::Contenu(1002, 12345);
        m_b->sim->Ajouter(1001, QStringLiteral("majs/poste/MAJ1001.zip"), QStringLiteral("0"), poste, true);
        m_b->sim->Ajouter(1002, QStringLiteral("majs/srv/MAJ1002.zip"), QStringLiteral("1"), serveur);
        m_b->sim->Service().Acquittement = QStringLiteral("OK");

        QVERIFY(telecharger(annoncee(QStringLiteral("1001"), QStringLiteral("majs/poste/MAJ1001.zip"),
                                     QStringLiteral("0"), poste.size(), true)));
        QVERIFY(telecharger(annoncee(QStringLiteral("1002"), QStringLiteral("majs/srv/MAJ1002.zip"),
                                     QStringLiteral("1"), serveur.size(), false, true)));

        QCOMPARE(m_b->sim->Service().Chemins(),
                 QStringList(
                     {QStringLiteral("/suivimaj/admin/majs/poste/MAJ1001.zip"), QStringLiteral("/suivimaj/enrtel.php"),
                      QStringLiteral("/suivimaj/admin/majs/poste/1001.pdf"),
                      QStringLiteral("/suivimaj/admin/majs/srv/MAJ1002.zip"), QStringLiteral("/suivimaj/enrtel.php")}));
        QCOMPARE(m_b->sim->Service().Recues.at(1).Brute, QStringLiteral("client=61742&vers=1001&type=0"));
        QCOMPARE(m_b->sim->Service().Recues.at(4).Brute, QStringLiteral("client=61742&vers=1002&type=1"));

        QCOMPARE(LireFichier(m_b->Maj(QStringLiteral("MAJ1001.zip"))), poste);
        QCOMPARE(LireFichier(m_b->Maj(QStringLiteral("1001.pdf"))), SimulateurTest::Pdf(1001));
        QCOMPARE(LireFichier(m_b->Maj(QStringLiteral("MAJ1002.zip"))), serveur);
        QCOMPARE(QDir(m_b->dossier.DossierMaj()).entryList(QDir::Files | QDir::Hidden).size(), 3);

        const QVector<MajDispo> rows = TableMajDispo::Toutes();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).NumVersionDispo, qint64(1001));
        QCOMPARE(rows.at(0).NomFichierMaj, QStringLiteral("MAJ1001.zip"));
        QCOMPARE(rows.at(0).EnvironnementMaj, 0);
        QCOMPARE(rows.at(0).ConditionServeurMaj, false);
        QCOMPARE(rows.at(0).DocAssociee, true);
        QCOMPARE(rows.at(0).DateMajDispo, QStringLiteral("2011-03-05"));
        QVERIFY(rows.at(0).HeureMajDispo.startsWith(QStringLiteral("22:0")));
        QCOMPARE(rows.at(1).EnvironnementMaj, 1);
        QCOMPARE(rows.at(1).ConditionServeurMaj, true);
        QCOMPARE(rows.at(1).DocAssociee, false);

        const QVector<MajAttente> attente = TableMajAttente::EnAttente();
        QCOMPARE(attente.size(), 1);
        QCOMPARE(attente.at(0).IdMajDispo, rows.at(1).IdMajDispo);
        QCOMPARE(attente.at(0).DateAjoutMaj, QStringLiteral("2011-03-05"));
        QCOMPARE(attente.at(0).MajInstall, false);
        QCOMPARE(attente.at(0).DiffereOuiNon, false);

        QCOMPARE(
            LignesJournal(),
            QStringList({QStringLiteral("0|Le téléchargement de la mise à jour 1001 a été effectué avec succès."),
                         QStringLiteral("0|Le téléchargement de la mise à jour poste 1001 a été pris en compte par "
                                        "le serveur QUENTARIS."),
                         QStringLiteral("0|Le téléchargement de la mise à jour 1002 a été effectué avec succès."),
                         QStringLiteral("0|Le téléchargement de la mise à jour serveur 1002 a été pris en compte "
                                        "par le serveur QUENTARIS.")}));
    }

    void cheminsParticuliers()
    {
        const QByteArray contenu = SimulateurTest::Contenu(1234, 500);
        m_b->sim->Ajouter(1234, QStringLiteral("majs\\srv\\MAJ1234.zip"), QStringLiteral("0"), contenu);
        QVERIFY(telecharger(
            annoncee(QStringLiteral("1234"), QStringLiteral("majs\\srv\\MAJ1234.zip"), QStringLiteral("0"), 500)));
        QCOMPARE(m_b->sim->Service().Chemins().value(0), QStringLiteral("/suivimaj/admin/majs/srv/MAJ1234.zip"));
        QCOMPARE(TableMajDispo::Toutes().value(0).NomFichierMaj, QStringLiteral("majs\\srv\\MAJ1234.zip"));
        QCOMPARE(LireFichier(m_b->Maj(QStringLiteral("majs\\srv\\MAJ1234.zip"))), contenu);

        m_b->sim->Ajouter(1235, QStringLiteral("majs/mise à jour 1235.zip"), QStringLiteral("0"), contenu);
        QVERIFY(telecharger(
            annoncee(QStringLiteral("1235"), QStringLiteral("majs/mise à jour 1235.zip"), QStringLiteral("0"), 500)));
        QCOMPARE(m_b->sim->Service().Chemins().value(2), QStringLiteral("/suivimaj/admin/majs/mise à jour 1235.zip"));
        QCOMPARE(LireFichier(m_b->Maj(QStringLiteral("mise à jour 1235.zip"))), contenu);
    }

    // One byte short, at every attempt: "taille incorrect" once, no row, nothing kept, asked
    // for again next time.
    void unOctetDeMoins()
    {
        m_b->sim->Ajouter(1234, QStringLiteral("majs/srv/MAJ1234.zip"), QStringLiteral("1"),
                          SimulateurTest::Contenu(1234, 4000));
        m_b->sim->Service().EcartTaille = -1;
        QVERIFY(telecharger(
            annoncee(QStringLiteral("1234"), QStringLiteral("majs/srv/MAJ1234.zip"), QStringLiteral("1"), 4000)));
        QCOMPARE(LignesJournal(),
                 QStringList{QStringLiteral("1|Erreur de récupération de la mise à jour 1234, taille incorrect !")});
        QCOMPARE(TableMajDispo::Compte(), qint64(0));
        QVERIFY(QDir(m_b->dossier.DossierMaj()).entryList(QDir::Files | QDir::Hidden).isEmpty());
        QCOMPARE(m_b->sim->Service().Chemins(), QStringList(4, QStringLiteral("/suivimaj/admin/majs/srv/MAJ1234.zip")));
        QCOMPARE(DerniereVersionDispo().value_or(QString()), QStringLiteral("0"));
    }

    void echecsDeTelechargement()
    {
        m_b->sim->Ajouter(77, QStringLiteral("a/MAJ77.zip"), QStringLiteral("0"), "abc");
        m_b->sim->Service().StatutFichiers = 404;
        QVERIFY(telecharger(annoncee(QStringLiteral("77"), QStringLiteral("a/MAJ77.zip"), QStringLiteral("0"), 3)));
        // Unsafe local names are refused before anything is asked.
        QVERIFY(telecharger(annoncee(QStringLiteral("78"), QStringLiteral("a/.."), QStringLiteral("0"), 3)));
        QVERIFY(telecharger(annoncee(QStringLiteral("79"), QStringLiteral("a/"), QStringLiteral("0"), 3)));
        m_b->etat.EmplacementMaj = m_b->dossier.Fichier(QStringLiteral("absent"));
        QVERIFY(telecharger(annoncee(QStringLiteral("80"), QStringLiteral("a/MAJ77.zip"), QStringLiteral("0"), 3)));
        QCOMPARE(m_b->sim->Service().Recues.size(), 1);
        QCOMPARE(TableMajDispo::Compte(), qint64(0));
        QCOMPARE(
            LignesJournal(),
            QStringList({QStringLiteral("1|Le téléchargement de la mise à jour 77 n'as pas pu être effectué. "),
                         QStringLiteral("1|La mise à jour 78 ne peut pas être téléchargée : le nom de fichier « .. » "
                                        "tiré de son chemin « a/.. » n'est pas admissible."),
                         QStringLiteral("1|La mise à jour 79 ne peut pas être téléchargée : le nom de fichier «  » "
                                        "tiré de son chemin « a/ » n'est pas admissible."),
                         QStringLiteral("1|Le répertoire \"") + m_b->etat.EmplacementMaj
                             + QStringLiteral("\" défini dans les paramètres est manquant. Impossible de "
                                              "télécharger la mise à jour.")}));

        // Without the downloads recorded, no name is known to be free of another update's file:
        // nothing is asked.
        m_b->etat.EmplacementMaj = m_b->dossier.DossierMaj();
        QVERIFY(BaseInterne::Commande(QStringLiteral("ALTER TABLE MajDispo RENAME TO MajDispoCachee")));
        QVERIFY(telecharger(annoncee(QStringLiteral("81"), QStringLiteral("a/MAJ77.zip"), QStringLiteral("0"), 3)));
        QCOMPARE(m_b->sim->Service().Recues.size(), 1);
        QCOMPARE(LignesJournal().value(4),
                 QStringLiteral("1|La mise à jour 81 n'a pas été téléchargée : la base de données interne du serveur "
                                "de mise à jour n'a pas pu être lue, le nom de son fichier ne peut pas être choisi "
                                "sans risquer de remplacer celui d'une autre mise à jour."));
    }

    // Only "OK" counts as taken into account; the download stays recorded either way.
    void acquittementNonPrisEnCompte()
    {
        m_b->sim->Ajouter(1001, QStringLiteral("MAJ1001.zip"), QStringLiteral("0"), "abcd");
        m_b->sim->Service().Acquittement = QStringLiteral("ok");
        QVERIFY(telecharger(annoncee(QStringLiteral("1001"), QStringLiteral("MAJ1001.zip"), QStringLiteral("0"), 4)));
        m_b->sim->Service().Acquittement = QString();
        QVERIFY(telecharger(annoncee(QStringLiteral("1001"), QStringLiteral("MAJ1001.zip"), QStringLiteral("1"), 4)));
        const QStringList journal = LignesJournal();
        QCOMPARE(journal.size(), 4);
        QCOMPARE(journal.at(1),
                 QStringLiteral("1|Le téléchargement de la mise à jour poste 1001 n'a pas été pris en "
                                "compte par le serveur QUENTARIS."));
        QCOMPARE(journal.at(3),
                 QStringLiteral("1|Le téléchargement de la mise à jour serveur 1001 n'a pas été pris en "
                                "compte par le serveur QUENTARIS."));
        QCOMPARE(TableMajDispo::Compte(), qint64(2));
    }

    // The download and its queue entry are written together or not at all.
    void enregistrementEnUneTransaction()
    {
        QVERIFY(
            EnregistrerMajDispo(QStringLiteral("5"), QStringLiteral("MAJ5.zip"), QStringLiteral("1"), false, false));
        QCOMPARE(TableMajAttente::EnAttente().size(), 1);
        QVERIFY(BaseInterne::Commande(QStringLiteral("DROP TABLE MajAttente")));
        QVERIFY(
            !EnregistrerMajDispo(QStringLiteral("6"), QStringLiteral("MAJ6.zip"), QStringLiteral("1"), false, false));
        QCOMPARE(TableMajDispo::Compte(), qint64(1));
        QVERIFY(
            EnregistrerMajDispo(QStringLiteral("7"), QStringLiteral("it's.zip"), QStringLiteral("0"), false, false));
        QCOMPARE(TableMajDispo::Derniere()->NomFichierMaj, QStringLiteral("it's.zip"));
    }

    void verificationDuCompte()
    {
        m_b->sim->Service().Utilisateur = QStringLiteral("61742");
        m_b->sim->Service().MotDePasse = QStringLiteral("p&ss+#");
        const auto verifier = [this](const QString& utilisateur, const QString& motDePasse) {
            QString reponse = QStringLiteral("<rien>");
            VerifierIdentifiants(m_b->etat, utilisateur, motDePasse, &m_contexte,
                                 [&](const QString& r) { reponse = r; });
            (void)QTest::qWaitFor([&] { return reponse != QLatin1String("<rien>"); }, 10000);
            return reponse;
        };
        QCOMPARE(verifier(QStringLiteral("61742"), QStringLiteral("p&ss+#")), QStringLiteral("OK"));
        QCOMPARE(m_b->sim->Service().Recues.last().Chemin, QStringLiteral("/suivimaj/verifident.php"));
        QCOMPARE(verifier(QStringLiteral("61742"), QStringLiteral("faux")), QStringLiteral("ERREUR"));
        m_b->sim->Service().CompteRefuse = true;
        QCOMPARE(verifier(QStringLiteral("61742"), QStringLiteral("p&ss+#")), QStringLiteral("REFUSE"));
        m_b->sim->Service().ReponseIdentification = QStringLiteral("Erreur identification");
        QCOMPARE(verifier(QStringLiteral("61742"), QStringLiteral("p&ss+#")), QString());
        m_b->etat.Config.Service = QStringLiteral("http://127.0.0.1:") + QString::number(PortLibre());
        QCOMPARE(verifier(QStringLiteral("61742"), QStringLiteral("p&ss+#")), QString());
    }
};

QUENTARIS_TEST(TstServiceMaj)
#include "tst_ServiceMaj.moc"
