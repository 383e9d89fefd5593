#include "acquisition/ReponseVersion.h"
#include "support/Registre.h"

#include <QTest>

namespace {

QString version(const QString& numero, const QString& enPlus = QString())
{
    return QStringLiteral("<version><numero>") + numero + QStringLiteral("</numero><chemin>majs/MAJ") + numero
        + QStringLiteral(".zip</chemin><environnement>0</environnement><documentation>0</documentation>"
                         "<taille>10</taille>")
        + enPlus + QStringLiteral("</version>");
}

} // namespace

class TstReponseVersion : public QObject
{
    Q_OBJECT
private slots:
    void genres()
    {
        ReponseVersion r = LireReponseVersion(QStringLiteral("<?xml version=\"1.0\"?><erreur> REFUSE </erreur>"));
        QCOMPARE(r.Type, ReponseVersion::Erreur);
        QCOMPARE(r.TexteErreur, QStringLiteral("REFUSE"));

        r = LireReponseVersion(QStringLiteral("<maj></maj>"));
        QCOMPARE(r.Type, ReponseVersion::Liste);
        QVERIFY(r.Entrees.isEmpty());

        for (const char* illisible :
             {"", "   ", "OK", "<html><body>500</body></html>", "<maj><version>", "<maj></maj><maj/>",
              "<?xml version=\"1.0\"?><!DOCTYPE maj [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><maj>&x;</maj>"}) {
            r = LireReponseVersion(QString::fromUtf8(illisible));
            QVERIFY2(r.Type == ReponseVersion::Illisible, illisible);
            QVERIFY2(!r.Raison.isEmpty(), illisible);
            QVERIFY(r.Entrees.isEmpty());
        }
    }

    void entreesDansLOrdreDuDocument()
    {
        const ReponseVersion r = LireReponseVersion(
            QStringLiteral("<maj>") + version(QStringLiteral("1003")) + QStringLiteral("<autre/>")
            + version(QStringLiteral("1001"), QStringLiteral("<serveurNecessaire>1</serveurNecessaire>"))
            + version(QStringLiteral("1002")) + QStringLiteral("</maj>"));
        QCOMPARE(r.Type, ReponseVersion::Liste);
        QCOMPARE(r.Entrees.size(), 3);
        QCOMPARE(r.Entrees.at(0).Numero, QStringLiteral("1003"));
        QCOMPARE(r.Entrees.at(1).Numero, QStringLiteral("1001"));
        QCOMPARE(r.Entrees.at(2).Numero, QStringLiteral("1002"));
        QCOMPARE(r.Entrees.at(2).Rang, 3);

        VersionAnnoncee v;
        QString anomalie;
        QVERIFY(ValiderEntree(r.Entrees.at(0), &v, &anomalie));
        QVERIFY(!v.ConditionServeur); // no serveurNecessaire: no condition
        QCOMPARE(v.Chemin, QStringLiteral("majs/MAJ1003.zip"));
        QCOMPARE(v.Taille, qint64(10));
        QVERIFY(ValiderEntree(r.Entrees.at(1), &v, &anomalie));
        QVERIFY(v.ConditionServeur);
    }

    void valeursLues_data()
    {
        QTest::addColumn<QString>("enPlus");
        QTest::addColumn<bool>("condition");
        QTest::newRow("condition 0") << QStringLiteral("<serveurNecessaire>0</serveurNecessaire>") << false;
        QTest::newRow("condition texte") << QStringLiteral("<serveurNecessaire>oui</serveurNecessaire>") << true;
    }
    void valeursLues()
    {
        QFETCH(QString, enPlus);
        QFETCH(bool, condition);
        VersionAnnoncee v;
        QString anomalie;
        const ReponseVersion r = LireReponseVersion(QStringLiteral("<maj>") + version(QStringLiteral("7"), enPlus)
                                                    + QStringLiteral("</maj>"));
        QVERIFY(ValiderEntree(r.Entrees.at(0), &v, &anomalie));
        QCOMPARE(v.ConditionServeur, condition);
    }

    void documentationBooleenne()
    {
        const auto lire = [](const QString& doc, bool* valeur) {
            const ReponseVersion r = LireReponseVersion(
                QStringLiteral("<maj><version><numero>5</numero><chemin>a/b.zip</chemin><environnement>1"
                               "</environnement><documentation>")
                + doc + QStringLiteral("</documentation><taille>3</taille></version></maj>"));
            VersionAnnoncee v;
            QString anomalie;
            const bool ok = ValiderEntree(r.Entrees.at(0), &v, &anomalie);
            *valeur = v.Documentation;
            return ok;
        };
        bool valeur = false;
        for (const char* vrai : {"1", "-1", "2", "true", "True"}) {
            QVERIFY2(lire(QString::fromUtf8(vrai), &valeur) && valeur, vrai);
        }
        for (const char* faux : {"0", "false", "FALSE"}) {
            QVERIFY2(lire(QString::fromUtf8(faux), &valeur) && !valeur, faux);
        }
        QVERIFY(!lire(QStringLiteral("peut-être"), &valeur));
    }

    // An entry that cannot be downloaded is named in its anomaly: by its number when it has
    // one, by its place in the list otherwise.
    void entreesRefusees_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QString>("anomalie");
        const QString chemin = QStringLiteral("<chemin>a/b.zip</chemin>");
        const QString env = QStringLiteral("<environnement>0</environnement>");
        const QString doc = QStringLiteral("<documentation>0</documentation>");
        const QString taille = QStringLiteral("<taille>3</taille>");
        const QString num = QStringLiteral("<numero>1234</numero>");
        QTest::newRow("sans numero") << chemin + env + doc + taille
                                     << QStringLiteral("L'entrée n°1 de la liste annoncée par le serveur QUENTARIS est "
                                                       "ignorée : l'élément « numero » est absent.");
        QTest::newRow("numero texte") << QStringLiteral("<numero>12a</numero>") + chemin + env + doc + taille
                                      << QStringLiteral("L'entrée n°1 de la liste annoncée par le serveur QUENTARIS "
                                                        "est ignorée : le numéro « 12a » n'est pas un nombre entier.");
        QTest::newRow("sans chemin") << num + env + doc + taille
                                     << QStringLiteral("La mise à jour 1234 annoncée par le serveur QUENTARIS est "
                                                       "ignorée : l'élément « chemin » est absent.");
        QTest::newRow("environnement 2") << num + chemin + QStringLiteral("<environnement>2</environnement>") + doc
                + taille
                                         << QStringLiteral("La mise à jour 1234 annoncée par le serveur QUENTARIS est "
                                                           "ignorée : l'environnement « 2 » n'est ni 0 (poste) ni 1 "
                                                           "(serveur).");
        QTest::newRow("sans documentation") << num + chemin + env + taille
                                            << QStringLiteral("La mise à jour 1234 annoncée par le serveur QUENTARIS "
                                                              "est ignorée : l'élément « documentation » est absent.");
        QTest::newRow("taille texte") << num + chemin + env + doc + QStringLiteral("<taille>1e3</taille>")
                                      << QStringLiteral("La mise à jour 1234 annoncée par le serveur QUENTARIS est "
                                                        "ignorée : la taille « 1e3 » n'est pas un nombre entier.");
        QTest::newRow("taille négative") << num + chemin + env + doc + QStringLiteral("<taille>-3</taille>")
                                         << QStringLiteral("La mise à jour 1234 annoncée par le serveur QUENTARIS est "
                                                           "ignorée : la taille « -3 » n'est pas un nombre entier.");
        QTest::newRow("sans taille") << num + chemin + env + doc
                                     << QStringLiteral("La mise à jour 1234 annoncée par le serveur QUENTARIS est "
                                                       "ignorée : l'élément « taille » est absent.");
    }
    void entreesRefusees()
    {
        QFETCH(QString, xml);
        QFETCH(QString, anomalie);
        const ReponseVersion r
            = LireReponseVersion(QStringLiteral("<maj><version>") + xml + QStringLiteral("</version></maj>"));
        QCOMPARE(r.Entrees.size(), 1);
        VersionAnnoncee v;
        QString texte;
        QVERIFY(!ValiderEntree(r.Entrees.at(0), &v, &texte));
        QCOMPARE(texte, anomalie);
    }
};

QUENTARIS_TEST(TstReponseVersion)
#include "tst_ReponseVersion.moc"
