#include "console/commun/Icones.h"

#include "console/commun/IconeDessinee.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace Icones {

namespace {

QIcon dessinee(IconeDessinee::Dessin dessin)
{
    return QIcon(new IconeDessinee(std::move(dessin)));
}

QPen trait(const QColor& couleur, qreal epaisseur = 1.5)
{
    return QPen(couleur, epaisseur, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A letter centred in a rectangle of the 16-unit square.
void lettre(QPainter& p, const QRectF& zone, const QString& texte, const QColor& couleur, qreal hauteur)
{
    QFont police = p.font();
    police.setBold(true);
    police.setPixelSize(100);
    QPainterPath chemin;
    chemin.addText(0, 0, police, texte);
    const QRectF boite = chemin.boundingRect();
    const qreal capitale = QFontMetricsF(police).capHeight();
    if (boite.isEmpty() || capitale <= 0)
        return;
    // Drawn as a path, a capital letter as high as asked and every sign at that scale, its
    // middle on the zone's: the glyph stays a vector at any size.
    const qreal echelle = hauteur / capitale;
    p.save();
    p.translate(zone.center());
    p.scale(echelle, echelle);
    p.translate(-boite.center());
    p.setPen(Qt::NoPen);
    p.setBrush(couleur);
    p.drawPath(chemin);
    p.restore();
}

void quitter(QPainter& p)
{
    p.setPen(trait(QColor(150, 20, 20), 1));
    p.setBrush(QColor(210, 40, 40));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(trait(Qt::white, 1.8));
    p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
    p.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
}

void parametres(QPainter& p)
{
    const QColor couleur(90, 100, 115);
    p.setPen(Qt::NoPen);
    p.setBrush(couleur);
    p.save();
    p.translate(8, 8);
    for (int i = 0; i < 8; ++i) {
        p.drawRoundedRect(QRectF(-1.4, -7.2, 2.8, 4), 0.6, 0.6);
        p.rotate(45);
    }
    p.restore();
    p.drawEllipse(QPointF(8, 8), 5, 5);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 8), 2, 2);
}

void rechercher(QPainter& p)
{
    const QColor couleur(30, 140, 60);
    p.setPen(trait(couleur, 2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2.5, 2.5, 11, 11), 100 * 16, 280 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(couleur);
    p.drawPolygon(QPolygonF({QPointF(7, 0.5), QPointF(11.5, 3.2), QPointF(7, 6)}));
}

void ordinateur(QPainter& p)
{
    p.setPen(trait(QColor(60, 60, 70), 1));
    p.setBrush(QColor(70, 75, 85));
    p.drawRoundedRect(QRectF(1, 1.5, 14, 10), 1, 1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(80, 160, 230));
    p.drawRect(QRectF(2.5, 3, 11, 7));
    p.setBrush(QColor(70, 75, 85));
    p.drawRect(QRectF(6.5, 11.5, 3, 2));
    p.drawRoundedRect(QRectF(3.5, 13.5, 9, 1.8), 0.6, 0.6);
}

void reduire(QPainter& p)
{
    p.setPen(trait(QColor(90, 100, 115), 1));
    p.setBrush(QColor(235, 238, 242));
    p.drawRoundedRect(QRectF(1.5, 2.5, 13, 11), 1.5, 1.5);
    p.setPen(trait(QColor(40, 60, 120), 2));
    p.drawLine(QPointF(5, 10.5), QPointF(11, 10.5));
}

void attente(QPainter& p)
{
    p.setPen(trait(QColor(170, 100, 0), 1));
    p.setBrush(QColor(250, 175, 40));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(Qt::white);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(3.2, 3.2, 9.6, 9.6));
    p.setPen(trait(QColor(60, 40, 0), 1.5));
    p.drawLine(QPointF(8, 8), QPointF(8, 4.8));
    p.drawLine(QPointF(8, 8), QPointF(10.6, 9.4));
}

void journal(QPainter& p)
{
    p.setPen(trait(QColor(90, 100, 115), 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(2.5, 1, 11, 14), 1, 1);
    p.setPen(trait(QColor(0, 102, 204), 1.2));
    for (qreal y : {4.5, 7.5, 10.5})
        p.drawLine(QPointF(5, y), QPointF(11, y));
    p.setPen(trait(QColor(204, 0, 0), 1.2));
    p.drawLine(QPointF(5, 13), QPointF(8.5, 13));
}

void utilisateurs(QPainter& p)
{
    const QColor couleur(0, 84, 147);
    p.setPen(Qt::NoPen);
    p.setBrush(couleur);
    p.drawEllipse(QRectF(5, 1, 6, 6));
    QPainterPath epaules;
    epaules.moveTo(1.5, 15);
    epaules.cubicTo(1.5, 9, 14.5, 9, 14.5, 15);
    epaules.closeSubpath();
    p.drawPath(epaules);
}

void telechargements(QPainter& p)
{
    const QColor couleur(30, 140, 60);
    p.setPen(Qt::NoPen);
    p.setBrush(couleur);
    p.drawRect(QRectF(6.5, 1, 3, 6));
    p.drawPolygon(QPolygonF({QPointF(3, 6.5), QPointF(13, 6.5), QPointF(8, 11.5)}));
    p.setPen(trait(QColor(60, 60, 70), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(1.5, 11), QPointF(1.5, 14.5), QPointF(14.5, 14.5), QPointF(14.5, 11)}));
}

void telemaintenance(QPainter& p)
{
    p.setPen(trait(QColor(0, 70, 130), 1));
    p.setBrush(QColor(60, 150, 220));
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.setPen(trait(Qt::white, 0.9));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(4.8, 1.4, 6.4, 13.2));
    p.drawLine(QPointF(8, 1.3), QPointF(8, 14.7));
    p.drawLine(QPointF(1.3, 8), QPointF(14.7, 8));
    p.drawLine(QPointF(2.6, 4.6), QPointF(13.4, 4.6));
    p.drawLine(QPointF(2.6, 11.4), QPointF(13.4, 11.4));
}

void telnet(QPainter& p)
{
    p.setPen(trait(QColor(30, 30, 30), 1));
    p.setBrush(QColor(40, 44, 52));
    p.drawRoundedRect(QRectF(1, 2, 14, 12), 1.5, 1.5);
    p.setPen(trait(QColor(90, 220, 110), 1.5));
    p.drawPolyline(QPolygonF({QPointF(4, 5.5), QPointF(7, 8), QPointF(4, 10.5)}));
    p.drawLine(QPointF(8.5, 11), QPointF(12, 11));
}

} // namespace

QIcon Pastille(const QColor& couleur, const QString& texte)
{
    return dessinee([couleur, texte](QPainter& p) {
        p.setPen(QPen(couleur.darker(140), 1));
        p.setBrush(couleur);
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        if (!texte.isEmpty())
            lettre(p, QRectF(1.5, 1.5, 13, 13), texte, Qt::white, 7);
    });
}

QIcon Serveur()
{
    return dessinee([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 84, 147));
        p.drawRoundedRect(QRectF(1, 1, 14, 14), 3, 3);
        lettre(p, QRectF(1, 1, 14, 14), QStringLiteral("Q"), QColor(254, 206, 140), 9);
    });
}

QIcon Information()
{
    return Pastille(QColor(0, 102, 204), QStringLiteral("i"));
}

QIcon Anomalie()
{
    return Pastille(QColor(204, 0, 0), QStringLiteral("!"));
}

QIcon Avertissement()
{
    return Pastille(QColor(230, 150, 0), QStringLiteral("?"));
}

QIcon EntreeMenu(int index)
{
    static const IconeDessinee::Dessin kDessins[]
        = {quitter, parametres,   rechercher,      ordinateur,      reduire, attente,
           journal, utilisateurs, telechargements, telemaintenance, telnet};
    if (index < 0 || index > 10)
        return {};
    return dessinee(kDessins[index]);
}

} // namespace Icones
