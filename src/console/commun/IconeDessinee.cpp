#include "console/commun/IconeDessinee.h"

#include <QPainter>
#include <QPixmap>

IconeDessinee::IconeDessinee(Dessin dessin) : m_dessin(std::move(dessin)) { }

QPixmap IconeDessinee::dessiner(const QSize& pixels, QIcon::Mode mode) const
{
    if (pixels.isEmpty())
        return QPixmap();
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        // A square centred in the room given, 16 units a side.
        const qreal cote = qMin(pixels.width(), pixels.height());
        p.translate((pixels.width() - cote) / 2, (pixels.height() - cote) / 2);
        p.scale(cote / 16.0, cote / 16.0);
        m_dessin(p);
    }
    if (mode == QIcon::Disabled) {
        // Grey and faded, every pixel keeping its own transparency.
        for (int y = 0; y < image.height(); ++y) {
            auto* ligne = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int alpha = qAlpha(ligne[x]);
                const int gris = qMin(alpha, qGray(ligne[x]) / 2 + alpha * 3 / 8);
                ligne[x] = qRgba(gris, gris, gris, alpha * 3 / 4);
            }
        }
    }
    return QPixmap::fromImage(image);
}

void IconeDessinee::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State)
{
    const qreal densite = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QPixmap image = dessiner(rect.size() * densite, mode);
    image.setDevicePixelRatio(densite);
    painter->drawPixmap(rect.topLeft(), image);
}

QPixmap IconeDessinee::pixmap(const QSize& taille, QIcon::Mode mode, QIcon::State)
{
    return dessiner(taille, mode);
}

// Qt asks with the size in device pixels and the density it will show the image at.
QPixmap IconeDessinee::scaledPixmap(const QSize& taille, QIcon::Mode mode, QIcon::State, qreal echelle)
{
    QPixmap image = dessiner(taille, mode);
    image.setDevicePixelRatio(echelle);
    return image;
}

QSize IconeDessinee::actualSize(const QSize& taille, QIcon::Mode, QIcon::State)
{
    return taille;
}

QList<QSize> IconeDessinee::availableSizes(QIcon::Mode, QIcon::State)
{
    QList<QSize> tailles;
    for (int cote : {16, 22, 24, 32, 48, 64, 128, 256})
        tailles.append(QSize(cote, cote));
    return tailles;
}

QIconEngine* IconeDessinee::clone() const
{
    return new IconeDessinee(m_dessin);
}

QString IconeDessinee::key() const
{
    return QStringLiteral("IconeDessinee");
}
