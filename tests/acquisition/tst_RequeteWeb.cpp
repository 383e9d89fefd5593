#include "acquisition/LimitesWeb.h"
#include "acquisition/RequeteWeb.h"
#include "core/BaseInterne.h"
#include "core/Chiffrement.h"
#include "core/TableParametres.h"
#include "support/AutreProgramme.h"
#include "support/DossierTest.h"
#include "support/FichiersTest.h"
#include "support/JournalTest.h"
#include "support/LimitesTest.h"
#include "support/ProxyTest.h"
#include "support/Registre.h"
#include "support/SimulateurTest.h"

#include <QDir>
#include <QTest>
#include <memory>
#include <optional>

namespace {

void activerProxy(quint16 port, bool auth = false, const QString& utilisateur = QString(),
                  const QString& motDePasse = QString())
{
    Parametres p = TableParametres::LireLigne1();
    p.ProxyActifMaj = true;
    p.AdresseProxyMaj = QStringLiteral("127.0.0.1");
    p.PortProxyMaj = QString::number(port);
    p.NecessiteAuthProxyMaj = auth;
    p.UtilisateurProxyMaj = utilisateur;
    p.MotDePasseProxyMaj = ChiffrementMotDePasse::Chiffrer(motDePasse, ChiffrementMotDePasse::Cle());
    TableParametres::MettreAJourProxy(p);
}

} // namespace

class TstRequeteWeb : public QObject
{
    Q_OBJECT

    std::unique_ptr<DossierTest> m_dossier;
    std::unique_ptr<SimulateurTest> m_sim;
    QObject m_contexte;

    std::optional<ReponseWeb> texte(const QString& chemin)
    {
        std::optional<ReponseWeb> resultat;
        RequeteWebTexte(m_sim->Adresse() + chemin, &m_contexte, [&](const ReponseWeb& r) { resultat = r; });
        (void)QTest::qWaitFor([&] { return resultat.has_value(); }, 10000);
        return resultat;
    }

    std::optional<ResultatTelechargement> fichier(const QString& chemin, const QString& cible, qint64 taille,
                                                  QList<qint64>* progres = nullptr)
    {
        std::optional<ResultatTelechargement> resultat;
        SuiviTelechargement suivi;
        suivi.Progression = [progres](qint64 recus) {
            if (progres)
                progres->append(recus);
        };
        RequeteWebBinaire(
            m_sim->Adresse() + chemin, cible, taille, &m_contexte,
            [&](const ResultatTelechargement& r) { resultat = r; }, suivi);
        (void)QTest::qWaitFor([&] { return resultat.has_value(); }, 10000);
        return resultat;
    }

    // The update folder holds exactly these names: no temporary file is left behind.
    QStringList fichiersMaj() const
    {
        return QDir(m_dossier->DossierMaj()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

private slots:
    void init()
    {
        m_dossier = std::make_unique<DossierTest>();
        m_dossier->EcrireParametres();
        m_sim = std::make_unique<SimulateurTest>();
        RequeteWeb::FixerLimites(LimitesCourtes());
    }
    void cleanup()
    {
        RequeteWeb::FixerLimites(LimitesWeb());
        m_sim.reset();
        m_dossier.reset();
    }

    void texteDirect()
    {
        auto r = texte(QStringLiteral("/suivimaj/verifident.php?user=a&pass=b"));
        QVERIFY(r);
        QVERIFY(r->Reussie);
        QCOMPARE(r->Texte, QStringLiteral("OK"));
        QCOMPARE(r->Statut, 200);
        QVERIFY(!m_sim->Service().Recues.last().Entetes.contains("via"));
        QVERIFY(LignesJournal().isEmpty());
    }

    // A non-2xx answer fails, unless its body is one of the service's own answers.
    void statutsHorsSucces()
    {
        m_sim->Service().StatutVersion = 500;
        auto r = texte(QStringLiteral("/suivimaj/version.php"));
        QVERIFY(!r->Reussie);
        QVERIFY(r->Texte.isEmpty());
        QCOMPARE(r->Erreur, QStringLiteral("réponse HTTP 500 Internal Server Error"));

        m_sim->Service().ReponseVersion = QStringLiteral("<erreur>REFUSE</erreur>");
        r = texte(QStringLiteral("/suivimaj/version.php"));
        QVERIFY(r->Reussie);
        QCOMPARE(r->Texte, QStringLiteral("<erreur>REFUSE</erreur>"));

        r = texte(QStringLiteral("/absent"));
        QVERIFY(!r->Reussie);
        QCOMPARE(r->Statut, 404);
        QVERIFY(LignesJournal().isEmpty()); // no proxy: nothing journalled here
    }

    void erreurIdentification()
    {
        m_sim->Service().ReponseIdentification = QStringLiteral("Erreur identification");
        auto r = texte(QStringLiteral("/suivimaj/verifident.php"));
        QVERIFY(!r->Reussie);
        QVERIFY(r->Texte.isEmpty());
        QVERIFY(r->Journalisee);
        QCOMPARE(LignesJournal(),
                 QStringList{QStringLiteral("1|Le site internet a renvoyé une erreur lors de l'identification !")});

        m_sim->Service().ReponseIdentification = QStringLiteral("Erreur identification.");
        r = texte(QStringLiteral("/suivimaj/verifident.php"));
        QVERIFY(r->Reussie);
        QCOMPARE(r->Texte, QStringLiteral("Erreur identification."));
        QCOMPARE(LignesJournal().size(), 1);
    }

    void telechargementRemplaceLaCibleQuandIlEstComplet()
    {
        const QString cible = QDir(m_dossier->DossierMaj()).filePath(QStringLiteral("MAJ1.zip"));
        m_dossier->EcrireFichier(QStringLiteral("maj/MAJ1.zip"), QByteArray(50000, 'A'));
        const QByteArray contenu = SimulateurTest::Contenu(1, 300000);
        m_sim->EcrireFichier(QStringLiteral("f/MAJ1.zip"), contenu);
        QList<qint64> progres;
        auto r = fichier(QStringLiteral("/suivimaj/admin/f/MAJ1.zip"), cible, contenu.size(), &progres);
        QCOMPARE(r->Issue, IssueTelechargement::Reussi);
        QCOMPARE(r->Recus, qint64(contenu.size()));
        QCOMPARE(LireFichier(cible), contenu);
        QVERIFY(!progres.isEmpty());
        QCOMPARE(progres.last(), qint64(contenu.size()));
        QVERIFY(std::is_sorted(progres.cbegin(), progres.cend()));

        // A shorter body leaves a file of exactly its length.
        m_sim->EcrireFichier(QStringLiteral("f/MAJ1.zip"), "court");
        r = fichier(QStringLiteral("/suivimaj/admin/f/MAJ1.zip"), cible, 5);
        QCOMPARE(r->Issue, IssueTelechargement::Reussi);
        QCOMPARE(LireFichier(cible), QByteArray("court"));
        QCOMPARE(fichiersMaj(), QStringList{QStringLiteral("MAJ1.zip")});
    }

    // Failed downloads never touch the file already there and leave no temporary file. Only
    // a passing failure is tried again: a 5xx status, a body shorter than announced.
    void echecsSansTrace_data()
    {
        QTest::addColumn<int>("statut");
        QTest::addColumn<qint64>("ecart");
        QTest::addColumn<bool>("sansFin");
        QTest::addColumn<int>("issue");
        QTest::addColumn<int>("tentatives");
        QTest::newRow("404") << 404 << qint64(0) << false << int(IssueTelechargement::Echec) << 1;
        QTest::newRow("500") << 500 << qint64(0) << false << int(IssueTelechargement::Echec) << 4;
        QTest::newRow("un octet de moins")
            << 200 << qint64(-1) << false << int(IssueTelechargement::TailleIncorrecte) << 4;
        QTest::newRow("un octet de plus")
            << 200 << qint64(1) << false << int(IssueTelechargement::TailleIncorrecte) << 1;
        QTest::newRow("sans fin") << 200 << qint64(0) << true << int(IssueTelechargement::TailleIncorrecte) << 1;
    }
    void echecsSansTrace()
    {
        QFETCH(int, statut);
        QFETCH(qint64, ecart);
        QFETCH(bool, sansFin);
        QFETCH(int, issue);
        QFETCH(int, tentatives);
        m_dossier->EcrireFichier(QStringLiteral("maj/MAJ2.zip"), "ANCIEN");
        m_sim->EcrireFichier(QStringLiteral("MAJ2.zip"), SimulateurTest::Contenu(2, 20000));
        m_sim->Service().StatutFichiers = statut;
        m_sim->Service().EcartTaille = ecart;
        m_sim->Service().SansFin = sansFin;
        const QString cible = QDir(m_dossier->DossierMaj()).filePath(QStringLiteral("MAJ2.zip"));
        auto r = fichier(QStringLiteral("/suivimaj/admin/MAJ2.zip"), cible, 20000);
        QVERIFY(r);
        QCOMPARE(int(r->Issue), issue);
        QCOMPARE(r->Tentatives, tentatives);
        QCOMPARE(m_sim->Service().Recues.size(), tentatives);
        QVERIFY(!r->Erreur.isEmpty());
        // A body growing past the announced size is cut off at once.
        if (sansFin)
            QVERIFY(r->Recus < 20000 + 2 * 1024 * 1024);
        QCOMPARE(LireFichier(cible), QByteArray("ANCIEN"));
        QTRY_COMPARE(fichiersMaj(), QStringList{QStringLiteral("MAJ2.zip")});
        QVERIFY(LignesJournal().isEmpty());
    }

    // Without an announced size, a body that keeps coming is stopped at the ceiling.
    void plafondSansTailleAnnoncee()
    {
        LimitesWeb limites = LimitesCourtes();
        limites.TailleMaxSansAnnonce = 64 * 1024;
        RequeteWeb::FixerLimites(limites);
        m_sim->EcrireFichier(QStringLiteral("doc.pdf"), SimulateurTest::Contenu(4, 20000));
        const QString cible = QDir(m_dossier->DossierMaj()).filePath(QStringLiteral("doc.pdf"));
        auto r = fichier(QStringLiteral("/suivimaj/admin/doc.pdf"), cible, -1);
        QCOMPARE(r->Issue, IssueTelechargement::Reussi);
        m_sim->Service().SansFin = true;
        r = fichier(QStringLiteral("/suivimaj/admin/doc.pdf"), cible + QStringLiteral("2"), -1);
        QCOMPARE(r->Issue, IssueTelechargement::Echec);
        QCOMPARE(r->Erreur, QStringLiteral("le fichier dépasse la taille maximale de 65536 octets"));
        QTRY_COMPARE(fichiersMaj(), QStringList{QStringLiteral("doc.pdf")});
    }

    // Only a request that stops making progress fails; a slow one goes on.
    void delaiSansProgres()
    {
        LimitesWeb limites = LimitesCourtes();
        limites.SansDonneesMs = 400;
        limites.RelancesMs.clear();
        RequeteWeb::FixerLimites(limites);
        m_sim->EcrireFichier(QStringLiteral("lent.zip"), SimulateurTest::Contenu(3, 8 * 4096));
        m_sim->Service().PauseMs = 80;
        const QString cible = QDir(m_dossier->DossierMaj()).filePath(QStringLiteral("lent.zip"));
        auto r = fichier(QStringLiteral("/suivimaj/admin/lent.zip"), cible, 8 * 4096);
        QCOMPARE(r->Issue, IssueTelechargement::Reussi);

        m_sim->Service().Bloque = true;
        r = fichier(QStringLiteral("/suivimaj/admin/lent.zip"), cible + QStringLiteral("2"), 8 * 4096);
        QCOMPARE(r->Issue, IssueTelechargement::Echec);
        QCOMPARE(r->Erreur, QStringLiteral("aucune donnée reçue depuis 0.4 secondes"));
        QTRY_COMPARE(fichiersMaj(), QStringList{QStringLiteral("lent.zip")});

        auto t = texte(QStringLiteral("/suivimaj/admin/lent.zip"));
        QVERIFY(!t->Reussie);
        QCOMPARE(t->Erreur, QStringLiteral("aucune donnée reçue depuis 0.4 secondes"));
    }

    // A redirection that never ends is given up after ten, and journalled.
    void redirectionsSansFin()
    {
        m_sim->Service().Redirections.insert(QStringLiteral("/boucle"), {302, QStringLiteral("/boucle")});
        auto r = texte(QStringLiteral("/boucle"));
        QVERIFY(!r->Reussie);
        QVERIFY(r->Journalisee);
        QCOMPARE(m_sim->Service().Recues.size(), 11);
        const QString boucle = m_sim->Adresse() + QStringLiteral("/boucle");
        QCOMPARE(LignesJournal(),
                 QStringList{QStringLiteral("1|La redirection de « ") + boucle + QStringLiteral(" » vers « ") + boucle
                             + QStringLiteral(" » a été refusée : plus de 10 redirections "
                                              "depuis « ")
                             + boucle + QStringLiteral(" ».")});
    }

    void contexteDisparu()
    {
        m_sim->EcrireFichier(QStringLiteral("x.zip"), SimulateurTest::Contenu(4, 1000));
        m_sim->Service().Bloque = true;
        bool appele = false;
        auto contexte = std::make_unique<QObject>();
        RequeteWebBinaire(m_sim->Adresse() + QStringLiteral("/suivimaj/admin/x.zip"),
                          QDir(m_dossier->DossierMaj()).filePath(QStringLiteral("x.zip")), 1000, contexte.get(),
                          [&](const ResultatTelechargement&) { appele = true; });
        QTRY_COMPARE(m_sim->Service().Recues.size(), 1);
        QCOMPARE(m_sim->Service().ConnexionsOuvertes(), 1);
        contexte.reset();
        QTRY_COMPARE(m_sim->Service().ConnexionsOuvertes(), 0);
        QVERIFY(fichiersMaj().isEmpty());
        QVERIFY(!appele);
    }

    void fichierImpossibleACreer()
    {
        auto r = fichier(QStringLiteral("/suivimaj/admin/x.zip"),
                         QDir(m_dossier->DossierMaj()).filePath(QStringLiteral("absent/x.zip")), 3);
        QCOMPARE(r->Issue, IssueTelechargement::Echec);
        QVERIFY(m_sim->Service().Recues.isEmpty());
    }

    void aTraversLeProxy()
    {
        if (!ProxyTest::Disponible())
            QSKIP("tinyproxy absent (make deps l'installe)");
        ProxyTest proxy;
        QString erreur;
        QVERIFY2(proxy.Demarrer(&erreur), qPrintable(erreur));
        activerProxy(proxy.Port());
        auto r = texte(QStringLiteral("/suivimaj/verifident.php?user=a&pass=b"));
        QVERIFY(r->Reussie);
        QCOMPARE(r->Texte, QStringLiteral("OK"));
        QVERIFY(m_sim->Service().Recues.last().Entetes.value("via").contains("tinyproxy"));

        const QByteArray contenu = SimulateurTest::Contenu(5, 100000);
        m_sim->EcrireFichier(QStringLiteral("p/MAJ5.zip"), contenu);
        const QString cible = QDir(m_dossier->DossierMaj()).filePath(QStringLiteral("MAJ5.zip"));
        auto f = fichier(QStringLiteral("/suivimaj/admin/p/MAJ5.zip"), cible, contenu.size());
        QCOMPARE(f->Issue, IssueTelechargement::Reussi);
        QCOMPARE(LireFichier(cible), contenu);
        QCOMPARE(proxy.Transmises(),
                 QStringList({QStringLiteral("GET ") + m_sim->Adresse()
                                  + QStringLiteral("/suivimaj/verifident.php?user=a&pass=b HTTP/1.1"),
                              QStringLiteral("GET ") + m_sim->Adresse()
                                  + QStringLiteral("/suivimaj/admin/p/MAJ5.zip HTTP/1.1")}));
        QVERIFY(LignesJournal().isEmpty());
    }

    void proxyAvecIdentifiants()
    {
        if (!ProxyTest::Disponible())
            QSKIP("tinyproxy absent (make deps l'installe)");
        ProxyTest proxy(QStringLiteral("jean"), QStringLiteral("s3cret"));
        QString erreur;
        QVERIFY2(proxy.Demarrer(&erreur), qPrintable(erreur));

        activerProxy(proxy.Port(), true, QStringLiteral("jean"), QStringLiteral("s3cret"));
        auto r = texte(QStringLiteral("/suivimaj/enrtel.php"));
        QVERIFY2(r->Reussie, qPrintable(r->Erreur));
        QCOMPARE(r->Texte, QStringLiteral("OK"));
        QVERIFY(LignesJournal().isEmpty());

        // Without credentials, and with a wrong password, the proxy refuses: the proxy message.
        activerProxy(proxy.Port(), false, QStringLiteral("jean"), QStringLiteral("s3cret"));
        r = texte(QStringLiteral("/suivimaj/enrtel.php"));
        QVERIFY(!r->Reussie);
        activerProxy(proxy.Port(), true, QStringLiteral("jean"), QStringLiteral("faux"));
        r = texte(QStringLiteral("/suivimaj/enrtel.php"));
        QVERIFY(!r->Reussie);
        QCOMPARE(m_sim->Service().Recues.size(), 1);
        const QStringList journal = LignesJournal();
        QCOMPARE(journal.size(), 2);
        for (const QString& ligne : journal) {
            QVERIFY2(ligne.startsWith(QStringLiteral("1|Erreur de requete Web, configuration du proxy incorrecte ! (")),
                     qPrintable(ligne));
            QVERIFY(ligne.endsWith(QLatin1Char(')')));
        }
    }

    // Proxy settings that cannot be read are no "proxy off": nothing leaves, neither text nor file.
    void parametresIllisiblesRienNePartEnDirect()
    {
        {
            AutreProgramme autre(m_dossier->Fichier(BaseInterne::NomFichier()));
            QVERIFY(autre.Executer(QStringLiteral("ALTER TABLE ParamMajInt RENAME TO ParamMajIntCachee")));
        }
        const QString raison = QStringLiteral("paramètres du proxy illisibles dans la base de données interne");
        auto r = texte(QStringLiteral("/suivimaj/verifident.php?user=a&pass=b"));
        QVERIFY(r && !r->Reussie);
        QCOMPARE(r->Erreur, raison);
        m_sim->EcrireFichier(QStringLiteral("MAJ7.zip"), "abc");
        const QString cible = QDir(m_dossier->DossierMaj()).filePath(QStringLiteral("MAJ7.zip"));
        auto f = fichier(QStringLiteral("/suivimaj/admin/MAJ7.zip"), cible, 3);
        QCOMPARE(f->Issue, IssueTelechargement::Echec);
        QCOMPARE(f->Erreur, raison);
        QVERIFY(m_sim->Service().Recues.isEmpty());
        QVERIFY(fichiersMaj().isEmpty());
    }

    void proxySurUnPortFerme()
    {
        activerProxy(PortLibre());
        auto r = texte(QStringLiteral("/suivimaj/verifident.php"));
        QVERIFY(!r->Reussie);
        QVERIFY(r->Journalisee);
        const QString cible = QDir(m_dossier->DossierMaj()).filePath(QStringLiteral("MAJ9.zip"));
        auto f = fichier(QStringLiteral("/suivimaj/admin/MAJ9.zip"), cible, 3);
        QCOMPARE(f->Issue, IssueTelechargement::Echec);
        const QStringList journal = LignesJournal();
        QCOMPARE(journal.size(), 2);
        QCOMPARE(journal.at(0),
                 QStringLiteral("1|Erreur de requete Web, configuration du proxy incorrecte ! (") + r->Erreur
                     + QLatin1Char(')'));
        QCOMPARE(journal.at(1),
                 QStringLiteral("1|Erreur de récupération de la mise à jour ") + cible
                     + QStringLiteral(", erreur de configuration du proxy : ") + f->Erreur);
        QVERIFY(m_sim->Service().Recues.isEmpty());
        QVERIFY(fichiersMaj().isEmpty());

        // Settings are read afresh: the proxy switched off, the next request goes direct.
        Parametres p = TableParametres::LireLigne1();
        p.ProxyActifMaj = false;
        TableParametres::MettreAJourProxy(p);
        r = texte(QStringLiteral("/suivimaj/verifident.php"));
        QVERIFY(r->Reussie);
    }
};

QUENTARIS_TEST(TstRequeteWeb)
#include "tst_RequeteWeb.moc"
