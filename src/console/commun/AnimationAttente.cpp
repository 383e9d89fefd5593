#include "console/commun/AnimationAttente.h"

#include <QPainter>
#include <cmath>

namespace {
constexpr int kRayons = 12;
}

AnimationAttente::AnimationAttente(QWidget* parent) : QWidget(parent)
{
    setFixedSize(sizeHint());
    m_minuteur.setInterval(80);
    connect(&m_minuteur, &QTimer::timeout, this, [this] {
        m_pas = (m_pas + 1) % kRayons;
        update();
    });
}

void AnimationAttente::Demarrer()
{
    m_pas = 0;
    m_minuteur.start();
    update();
}

void AnimationAttente::Arreter()
{
    m_minuteur.stop();
    m_pas = 0;
    update();
}

void AnimationAttente::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(width() / 2.0, height() / 2.0);
    const double rayon = std::min(width(), height()) / 2.0 - 2;
    for (int i = 0; i < kRayons; ++i) {
        // The spoke at the current step is the darkest; the others fade behind it.
        const int age = (m_pas - i + kRayons) % kRayons;
        QColor couleur(254, 150, 40);
        couleur.setAlpha(m_minuteur.isActive() ? 255 - age * 18 : 60);
        p.setPen(QPen(couleur, 3, Qt::SolidLine, Qt::RoundCap));
        p.save();
        p.rotate(i * 360.0 / kRayons);
        p.drawLine(QPointF(0, -rayon * 0.45), QPointF(0, -rayon));
        p.restore();
    }
}
