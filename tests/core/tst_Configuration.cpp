#include "core/Configuration.h"
#include "core/FichiersTexte.h"
#include "core/LigneDeCommande.h"
#include "support/DossierTest.h"
#include "support/Registre.h"
#include "support/Textes.h"

#include <QTest>

class TstConfiguration : public QObject
{
    Q_OBJECT
private slots:
    void portDeControle_data()
    {
        QTest::addColumn<QByteArray>("contenu");
        QTest::addColumn<int>("port");
        QTest::newRow("nom=valeur") << QByteArray("PORT=28000\n") << 28000;
        QTest::newRow("valeur seule") << QByteArray("28000") << 28000;
        QTest::newRow("texte après une virgule") << QByteArray("PORT=28000,autre=1\r\n") << 28000;
        QTest::newRow("nom quelconque") << QByteArray("ECOUTE=31000\r") << 31000;
    }
    void portDeControle()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(int, port);
        DossierTest dossier(false);
        dossier.EcrireFichier(QStringLiteral("configserv.ini"), contenu);
        Configuration c;
        QString erreur;
        QVERIFY2(FichierConfiguration::Lire(dossier.Fichier(QStringLiteral("configserv.ini")), &c, &erreur),
                 qPrintable(erreur));
        QCOMPARE(c.PortControle, port);
        QCOMPARE(c.PortTransfert, 28001);
        QCOMPARE(c.Service, QStringLiteral("http://quentaris.fr"));
        QCOMPARE(c.DossierSysteme, QStringLiteral("/etc"));
    }

    void nomsFacultatifs()
    {
        DossierTest dossier(false);
        dossier.EcrireFichier(QStringLiteral("configserv.ini"),
                              "PORT=28000\nSERVICE=http://127.0.0.1:8080\nPORT_TRANSFERT=29001\n"
                              "DOSSIER_SYSTEME=/tmp/sys\nDOSSIER_SERVEUR=/tmp/srv\nPARTAGE_UNIDATA=/tmp/ud\n"
                              "INCONNU=1\nligne sans egal\n");
        Configuration c;
        QString erreur;
        QVERIFY(FichierConfiguration::Lire(dossier.Fichier(QStringLiteral("configserv.ini")), &c, &erreur));
        QCOMPARE(c.Service, QStringLiteral("http://127.0.0.1:8080"));
        QCOMPARE(c.PortTransfert, 29001);
        QCOMPARE(c.DossierSysteme, QStringLiteral("/tmp/sys"));
        QCOMPARE(c.DossierServeur, QStringLiteral("/tmp/srv"));
        QCOMPARE(c.PartageUniDATA, QStringLiteral("/tmp/ud"));
    }

    void erreursNommentLeFichierOuLePort_data()
    {
        QTest::addColumn<QByteArray>("contenu");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("pas un nombre") << QByteArray("PORT=abc\n") << QStringLiteral("Le port \"abc\"");
        QTest::newRow("trop grand") << QByteArray("PORT=70000\n") << QStringLiteral("Le port \"70000\"");
        QTest::newRow("vide") << QByteArray("") << QStringLiteral("Le port \"\"");
        QTest::newRow("transfert") << QByteArray("PORT=1\nPORT_TRANSFERT=x\n")
                                   << QStringLiteral("Le port de transfert \"x\"");
    }
    void erreursNommentLeFichierOuLePort()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(QString, attendu);
        DossierTest dossier(false);
        dossier.EcrireFichier(QStringLiteral("configserv.ini"), contenu);
        Configuration c;
        QString erreur;
        QVERIFY(!FichierConfiguration::Lire(dossier.Fichier(QStringLiteral("configserv.ini")), &c, &erreur));
        QVERIFY2(erreur.startsWith(attendu), qPrintable(erreur));
        QVERIFY(erreur.contains(dossier.Fichier(QStringLiteral("configserv.ini"))));
    }

    void fichierAbsent()
    {
        Configuration c;
        QString erreur;
        QVERIFY(!FichierConfiguration::Lire(QStringLiteral("/nulle/part/configserv.ini"), &c, &erreur));
        QVERIFY(erreur.contains(QStringLiteral("/nulle/part/configserv.ini")));
    }

    void lignesDeTexte()
    {
        QCOMPARE(FichiersTexte::Lignes("a\nb\r\nc\rd"), Textes({"a", "b", "c", "d"}));
        QCOMPARE(FichiersTexte::Lignes("COMPTA \n\nPAIE\n"), Textes({"COMPTA ", "", "PAIE"}));
        QCOMPARE(FichiersTexte::Lignes("caf\xe9\n"), QStringList{QStringLiteral("café")});
        QCOMPARE(FichiersTexte::Lignes("caf\xc3\xa9\n"), QStringList{QStringLiteral("café")});
        QCOMPARE(FichiersTexte::Lignes(""), QStringList());
        QCOMPARE(FichiersTexte::ValeurApresEgal(QStringLiteral("SERVEUR=srv01=x")), QStringLiteral("srv01=x"));
        QCOMPARE(FichiersTexte::ValeurApresEgal(QStringLiteral("srv01")), QStringLiteral("srv01"));
    }

    void ligneDeCommande()
    {
        LigneDeCommande l = LigneDeCommande::Analyser(Textes({"--home", "/tmp/x", "--autostart"}));
        QVERIFY(l.Valide);
        QCOMPARE(l.Dossier, QStringLiteral("/tmp/x"));
        QVERIFY(l.Autostart);
        l = LigneDeCommande::Analyser(Textes({"--chiffrer", "a b"}));
        QVERIFY(l.Chiffrer);
        QCOMPARE(l.TexteAChiffrer, QStringLiteral("a b"));
        QVERIFY(!LigneDeCommande::Analyser(Textes({"--home"})).Valide);
        QVERIFY(!LigneDeCommande::Analyser(Textes({"--inconnu"})).Valide);
        QVERIFY(!LigneDeCommande::Analyser(Textes({"fichier"})).Valide);
    }
};

QUENTARIS_TEST(TstConfiguration)
#include "tst_Configuration.moc"
