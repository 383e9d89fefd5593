#pragma once

#include <QIconEngine>
#include <functional>

// An icon drawn as a vector at the size and pixel density it is asked for, so that it stays
// sharp on a high-density screen. The drawing works in a square of 16 by 16 units; greyed
// (disabled) it is the same drawing in grey.
class IconeDessinee : public QIconEngine
{
public:
    using Dessin = std::function<void(QPainter&)>;

    explicit IconeDessinee(Dessin dessin);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& taille, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& taille, QIcon::Mode mode, QIcon::State state, qreal echelle) override;
    QSize actualSize(const QSize& taille, QIcon::Mode mode, QIcon::State state) override;
    // Any size can be drawn; these are the ones offered to a window system that asks (the
    // window's and the tray's icons).
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;

private:
    QPixmap dessiner(const QSize& pixels, QIcon::Mode mode) const;

    Dessin m_dessin;
};
