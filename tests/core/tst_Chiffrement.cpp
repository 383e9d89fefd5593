#include "core/Chiffrement.h"
#include "support/Registre.h"

#include <QTest>

using namespace ChiffrementMotDePasse;

class TstChiffrement : public QObject
{
    Q_OBJECT
private slots:
    void allerRetour_data()
    {
        QTest::addColumn<QString>("clair");
        QTest::newRow("vide") << QString();
        QTest::newRow("accents") << QStringLiteral("éàçù€ É'\"");
        QTest::newRow("long") << QString(5000, QLatin1Char('x'));
        QTest::newRow("compte") << QStringLiteral("TR918M");
    }
    void allerRetour()
    {
        QFETCH(QString, clair);
        const QString chiffre = Chiffrer(clair, Cle());
        QVERIFY(!chiffre.contains(QLatin1Char('\'')));
        QVERIFY(chiffre != clair || clair.isEmpty());
        QCOMPARE(Dechiffrer(chiffre, Cle()), clair);
    }

    void sansEtatEntreAppels()
    {
        const QString a = Chiffrer(QStringLiteral("secret"), Cle());
        const QString b = Chiffrer(QStringLiteral("secret"), Cle());
        QCOMPARE(Dechiffrer(b, Cle()), QStringLiteral("secret"));
        QCOMPARE(Dechiffrer(a, Cle()), QStringLiteral("secret"));
    }

    void texteInvalideDonneVide()
    {
        QCOMPARE(Dechiffrer(QString(), Cle()), QString());
        QCOMPARE(Dechiffrer(QStringLiteral("TR918M"), Cle()), QString());
        QCOMPARE(Dechiffrer(QStringLiteral("@@ pas du base64 @@"), Cle()), QString());
        // Any altered byte, nonce, tag or cipher text alike, is refused.
        const QByteArray octets = QByteArray::fromBase64(Chiffrer(QStringLiteral("secret"), Cle()).toLatin1());
        for (int i = 0; i < octets.size(); ++i) {
            QByteArray altere = octets;
            altere[i] = static_cast<char>(altere[i] ^ 0x01);
            QCOMPARE(Dechiffrer(QString::fromLatin1(altere.toBase64()), Cle()), QString());
        }
        QCOMPARE(Dechiffrer(QString::fromLatin1(octets.left(octets.size() - 1).toBase64()), Cle()), QString());
        QCOMPARE(Dechiffrer(Chiffrer(QStringLiteral("secret"), Cle()), QStringLiteral("autre")), QString());
    }
};

QUENTARIS_TEST(TstChiffrement)
#include "tst_Chiffrement.moc"
