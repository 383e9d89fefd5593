#include "acquisition/AdressesService.h"
#include "acquisition/ParametresProxy.h"
#include "support/Registre.h"

#include <QTest>

using namespace AdressesService;

class TstAdressesService : public QObject
{
    Q_OBJECT
private slots:
    void adressesEtNomsLocaux_data()
    {
        QTest::addColumn<QString>("chemin");
        QTest::addColumn<QString>("adresse");
        QTest::addColumn<QString>("nomLocal");
        QTest::addColumn<QString>("documentation");
        QTest::newRow("barres") << QStringLiteral("majs/srv/MAJ1234.zip")
                                << QStringLiteral("http://w/suivimaj/admin/majs/srv/MAJ1234.zip")
                                << QStringLiteral("MAJ1234.zip")
                                << QStringLiteral("http://w/suivimaj/admin/majs/srv/1234.pdf");
        // The local name is taken before the conversion: the backslashes stay in it.
        QTest::newRow("antislash") << QStringLiteral("majs\\srv\\MAJ1234.zip")
                                   << QStringLiteral("http://w/suivimaj/admin/majs/srv/MAJ1234.zip")
                                   << QStringLiteral("majs\\srv\\MAJ1234.zip")
                                   << QStringLiteral("http://w/suivimaj/admin/majs/srv/1234.pdf");
        QTest::newRow("mixte") << QStringLiteral("majs/srv\\MAJ1234.zip")
                               << QStringLiteral("http://w/suivimaj/admin/majs/srv/MAJ1234.zip")
                               << QStringLiteral("srv\\MAJ1234.zip")
                               << QStringLiteral("http://w/suivimaj/admin/majs/srv/1234.pdf");
        QTest::newRow("finit par /") << QStringLiteral("majs/") << QStringLiteral("http://w/suivimaj/admin/majs/")
                                     << QString() << QStringLiteral("http://w/suivimaj/admin/majs/1234.pdf");
    }
    void adressesEtNomsLocaux()
    {
        QFETCH(QString, chemin);
        QFETCH(QString, adresse);
        QFETCH(QString, nomLocal);
        QFETCH(QString, documentation);
        const QString annoncee = Fichier(QStringLiteral("http://w"), chemin);
        QCOMPARE(CheminVersUrl(annoncee), adresse);
        QCOMPARE(NomFichierDepuisUrl(annoncee), nomLocal);
        QCOMPARE(Documentation(CheminVersUrl(annoncee), QStringLiteral("1234")), documentation);
    }

    void nomsLocauxAdmissibles()
    {
        for (const char* bon : {"MAJ1234.zip", "majs\\srv\\MAJ1234.zip", ".cache", "a..b.zip"})
            QVERIFY2(NomLocalAdmissible(QString::fromUtf8(bon)), bon);
        for (const char* mauvais :
             {"", ".", "..", "..\\..\\etc\\passwd", "majs\\..\\..\\x.zip", "\\x.zip", "C:\\x.zip", "c:x.zip"})
            QVERIFY2(!NomLocalAdmissible(QString::fromUtf8(mauvais)), mauvais);
    }

    // Every character outside letters, digits and "-._~" is encoded, as UTF-8.
    void valeursEncodees()
    {
        QCOMPARE(Encoder(QStringLiteral("a&b+c#d é=%/?~-._")),
                 QStringLiteral("a%26b%2Bc%23d%20%C3%A9%3D%25%2F%3F~-._"));
        QCOMPARE(Version(QStringLiteral("http://w"), QStringLiteral("61742"), QString(), QStringLiteral("0")),
                 QStringLiteral("http://w/suivimaj/version.php?user=61742&pass=&vers=0&XML"));
        QCOMPARE(VerificationCompte(QStringLiteral("http://w"), QStringLiteral("u 1"), QStringLiteral("p+")),
                 QStringLiteral("http://w/suivimaj/verifident.php?user=u%201&pass=p%2B"));
        QCOMPARE(Acquittement(QStringLiteral("http://w"), QStringLiteral("61742"), QStringLiteral("1234"),
                              QStringLiteral("1")),
                 QStringLiteral("http://w/suivimaj/enrtel.php?client=61742&vers=1234&type=1"));
    }

    void choixDuProxy()
    {
        ParametresProxy p;
        p.Actif = true;
        p.Adresse = QStringLiteral("10.0.0.1");
        p.Port = QStringLiteral("3128");
        QCOMPARE(Proxy::Serveur(p), QStringLiteral("10.0.0.1:3128"));

        QNetworkProxy proxy;
        QString erreur;
        // The default service host is not below the bypassed domain: it goes through the proxy.
        QVERIFY(Proxy::ProxyPour(p, QUrl(QStringLiteral("http://quentaris.fr/suivimaj/")), &proxy, &erreur));
        QCOMPARE(proxy.type(), QNetworkProxy::HttpProxy);
        QCOMPARE(proxy.hostName(), QStringLiteral("10.0.0.1"));
        QCOMPARE(proxy.port(), quint16(3128));
        QVERIFY(proxy.user().isEmpty());
        QVERIFY(Proxy::ProxyPour(p, QUrl(QStringLiteral("http://127.0.0.1:8080/")), &proxy, &erreur));
        QCOMPARE(proxy.type(), QNetworkProxy::HttpProxy);
        for (const char* direct : {"http://maj.quentaris.fr/", "http://A.B.QUENTARIS.FR:81/x"}) {
            QVERIFY(Proxy::ProxyPour(p, QUrl(QString::fromUtf8(direct)), &proxy, &erreur));
            QVERIFY2(proxy.type() == QNetworkProxy::NoProxy, direct);
        }
        QVERIFY(Proxy::ProxyPour(p, QUrl(QStringLiteral("http://notquentaris.fr/")), &proxy, &erreur));
        QCOMPARE(proxy.type(), QNetworkProxy::HttpProxy);

        p.NecessiteAuth = true;
        p.Utilisateur = QStringLiteral("jean");
        p.MotDePasse = QStringLiteral("s3cret");
        QVERIFY(Proxy::ProxyPour(p, QUrl(QStringLiteral("http://quentaris.fr/")), &proxy, &erreur));
        QCOMPARE(proxy.user(), QStringLiteral("jean"));
        QCOMPARE(proxy.password(), QStringLiteral("s3cret"));

        p.Port.clear();
        QCOMPARE(Proxy::Serveur(p), QStringLiteral("10.0.0.1:"));
        QVERIFY(!Proxy::ProxyPour(p, QUrl(QStringLiteral("http://quentaris.fr/")), &proxy, &erreur));
        QVERIFY(erreur.contains(QStringLiteral("10.0.0.1:")));

        p.Actif = false;
        QVERIFY(Proxy::ProxyPour(p, QUrl(QStringLiteral("http://quentaris.fr/")), &proxy, &erreur));
        QCOMPARE(proxy.type(), QNetworkProxy::NoProxy);
    }
};

QUENTARIS_TEST(TstAdressesService)
#include "tst_AdressesService.moc"
