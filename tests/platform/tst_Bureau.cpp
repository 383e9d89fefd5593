#include "platform/bureau/Bureau.h"
#include "platform/TexteFil.h"
#include "support/Registre.h"

#include <QTest>

using Bureau::BarreDesTaches;

class TstBureau : public QObject
{
    Q_OBJECT
private slots:
    void positionDeLaBarre_data()
    {
        QTest::addColumn<QRect>("panneau");
        QTest::addColumn<int>("position");
        QTest::newRow("bas") << QRect(0, 738, 1024, 30) << 3;
        QTest::newRow("droite") << QRect(964, 0, 60, 768) << 2;
        QTest::newRow("haut") << QRect(0, 0, 1024, 30) << 1;
        QTest::newRow("gauche, toute la hauteur") << QRect(0, 0, 60, 768) << 4;
        QTest::newRow("bord haut sur le milieu vertical") << QRect(0, 384, 500, 30) << 4;
        QTest::newRow("aucune barre") << QRect() << 1;
    }
    void positionDeLaBarre()
    {
        QFETCH(QRect, panneau);
        QFETCH(int, position);
        QCOMPARE(Bureau::DecrireBarre(panneau, 1024, 768).Position, position);
    }

    void barreDeduiteDeLaGeometrieDisponible()
    {
        const QRect ecran(0, 0, 1024, 768);
        BarreDesTaches bas = Bureau::CalculerBarre(ecran, QRect(0, 0, 1024, 738));
        QCOMPARE(bas.Haut, 738);
        QCOMPARE(bas.Hauteur, 30);
        QCOMPARE(bas.Position, 3);
        BarreDesTaches gauche = Bureau::CalculerBarre(ecran, QRect(60, 0, 964, 768));
        QCOMPARE(gauche.Largeur, 60);
        QCOMPARE(gauche.Position, 4);
        BarreDesTaches droite = Bureau::CalculerBarre(ecran, QRect(0, 0, 964, 768));
        QCOMPARE(droite.Gauche, 964);
        QCOMPARE(droite.Position, 2);
        BarreDesTaches haut = Bureau::CalculerBarre(ecran, QRect(0, 30, 1024, 738));
        QCOMPARE(haut.Hauteur, 30);
        QCOMPARE(haut.Position, 1);
        BarreDesTaches aucune = Bureau::CalculerBarre(ecran, ecran);
        QCOMPARE(aucune.Largeur, 0);
        QCOMPARE(aucune.Position, 1);
    }

    void placementPresDeLaBarre()
    {
        // A 233 x 465 menu on a 1024 x 768 screen with a 30-pixel panel at the bottom.
        const BarreDesTaches bas = Bureau::DecrireBarre(QRect(0, 738, 1024, 30), 1024, 768);
        QCOMPARE(Bureau::PlacementPresDeLaBarre(233, 465, 1024, 768, bas), QPoint(791, 273));
        const BarreDesTaches haut = Bureau::DecrireBarre(QRect(0, 0, 1024, 30), 1024, 768);
        QCOMPARE(Bureau::PlacementPresDeLaBarre(233, 465, 1024, 768, haut), QPoint(791, 30));
        const BarreDesTaches gauche = Bureau::DecrireBarre(QRect(0, 0, 60, 768), 1024, 768);
        QCOMPARE(Bureau::PlacementPresDeLaBarre(233, 465, 1024, 768, gauche), QPoint(60, 303));
        const BarreDesTaches droite = Bureau::DecrireBarre(QRect(964, 0, 60, 768), 1024, 768);
        QCOMPARE(Bureau::PlacementPresDeLaBarre(233, 465, 1024, 768, droite), QPoint(731, 303));
        // No panel: top right corner.
        QCOMPARE(Bureau::PlacementPresDeLaBarre(233, 465, 1024, 768, BarreDesTaches{}), QPoint(791, 0));
    }

    // The placement works from the screen's own corner, whatever its place on the desktop.
    void placementSurUnEcranDecale_data()
    {
        QTest::addColumn<QRect>("ecran");
        QTest::addColumn<QRect>("disponible");
        QTest::addColumn<QPoint>("coin");
        QTest::newRow("1024 x 768, barre en bas")
            << QRect(0, 0, 1024, 768) << QRect(0, 0, 1024, 738) << QPoint(791, 273);
        QTest::newRow("second écran, barre en bas")
            << QRect(1024, 0, 1280, 1024) << QRect(1024, 0, 1280, 994) << QPoint(2071, 529);
        QTest::newRow("second écran, barre en haut")
            << QRect(1024, 0, 1280, 1024) << QRect(1024, 30, 1280, 994) << QPoint(2071, 30);
        QTest::newRow("second écran, barre à droite")
            << QRect(1024, 0, 1280, 1024) << QRect(1024, 0, 1220, 1024) << QPoint(2011, 559);
        QTest::newRow("écran à gauche de l'origine, barre à gauche")
            << QRect(-1280, 0, 1280, 1024) << QRect(-1220, 0, 1220, 1024) << QPoint(-1220, 559);
        QTest::newRow("écran au-dessus, barre en bas")
            << QRect(0, -768, 1024, 768) << QRect(0, -768, 1024, 738) << QPoint(791, -495);
        QTest::newRow("sans barre") << QRect(1024, 0, 1280, 1024) << QRect(1024, 0, 1280, 1024) << QPoint(2071, 0);
    }
    void placementSurUnEcranDecale()
    {
        QFETCH(QRect, ecran);
        QFETCH(QRect, disponible);
        QFETCH(QPoint, coin);
        QCOMPARE(Bureau::PlacementSurEcran(QSize(233, 465), ecran, disponible), coin);
    }

    void texteDuFilEnWindows1252()
    {
        const QString texte = QStringLiteral("NOMUSR éàç€œŸ");
        const QByteArray octets = TexteFil::versOctets(texte);
        QCOMPARE(octets, QByteArray("NOMUSR \xE9\xE0\xE7\x80\x9C\x9F"));
        QCOMPARE(TexteFil::depuisOctets(octets), texte);
        // Every byte comes back as the same byte.
        QByteArray tous;
        for (int i = 0; i < 256; ++i)
            tous.append(static_cast<char>(i));
        QCOMPARE(TexteFil::versOctets(TexteFil::depuisOctets(tous)), tous);
        QCOMPARE(TexteFil::versOctets(QStringLiteral("\u4e2d")), QByteArray("?"));
    }
};

QUENTARIS_TEST(TstBureau)
#include "tst_Bureau.moc"
