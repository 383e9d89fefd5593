#include "console/commun/MemoireFenetre.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QWidget>

namespace {

QString groupe(const QWidget* fenetre)
{
    return QStringLiteral("Fenetres/") + fenetre->objectName();
}

bool tailleFixe(const QWidget* fenetre)
{
    return fenetre->minimumSize() == fenetre->maximumSize();
}

QScreen* ecranNomme(const QString& nom)
{
    for (QScreen* ecran : QGuiApplication::screens()) {
        if (ecran->name() == nom)
            return ecran;
    }
    return nullptr;
}

// Moves and shrinks a rectangle until it lies inside `zone`.
QRect dansLaZone(QRect rect, const QRect& zone)
{
    rect.setWidth(qMin(rect.width(), zone.width()));
    rect.setHeight(qMin(rect.height(), zone.height()));
    rect.moveLeft(qBound(zone.left(), rect.left(), zone.right() - rect.width() + 1));
    rect.moveTop(qBound(zone.top(), rect.top(), zone.bottom() - rect.height() + 1));
    return rect;
}

class MemoireFenetre : public QObject
{
public:
    explicit MemoireFenetre(QWidget* fenetre) : QObject(fenetre), m_fenetre(fenetre)
    {
        // Moving or resizing by hand sends many events: the place is written once it settles.
        m_ecriture.setSingleShot(true);
        m_ecriture.setInterval(500);
        connect(&m_ecriture, &QTimer::timeout, this, &MemoireFenetre::enregistrer);
        restaurer();
        fenetre->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override
    {
        if (objet == m_fenetre) {
            switch (evenement->type()) {
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::WindowStateChange:
                if (m_fenetre->isVisible())
                    m_ecriture.start();
                break;
            case QEvent::Show:
                rentrer();
                break;
            case QEvent::Hide:
                m_ecriture.stop();
                enregistrer();
                break;
            default:
                break;
            }
        }
        return QObject::eventFilter(objet, evenement);
    }

private:
    void restaurer()
    {
        QSettings reglages;
        reglages.beginGroup(groupe(m_fenetre));
        QScreen* ecran = ecranNomme(reglages.value(QStringLiteral("ecran")).toString());
        const bool memePlace = ecran && reglages.contains(QStringLiteral("position"));
        if (!ecran)
            ecran = m_fenetre->parentWidget() ? m_fenetre->parentWidget()->screen() : m_fenetre->screen();
        if (!ecran)
            return;
        // The frame the window manager adds, as it was last seen.
        const QSize cadre = reglages.value(QStringLiteral("cadre")).toSize().expandedTo(QSize(0, 0));
        // A window given no size of its own takes the size of its contents when shown.
        const bool dimensionnee = m_fenetre->testAttribute(Qt::WA_Resized);
        const bool redimensionner
            = !tailleFixe(m_fenetre) && (dimensionnee || reglages.contains(QStringLiteral("taille")));
        QSize taille = dimensionnee ? m_fenetre->size() : m_fenetre->sizeHint();
        if (redimensionner) {
            taille = reglages.value(QStringLiteral("taille"), taille).toSize().expandedTo(m_fenetre->minimumSizeHint());
            if (reglages.value(QStringLiteral("maximisee")).toBool())
                m_fenetre->setWindowState(m_fenetre->windowState() | Qt::WindowMaximized);
        }
        const QRect dispo = ecran->availableGeometry();
        const QRect place = dansLaZone(
            QRect(memePlace ? reglages.value(QStringLiteral("position")).toPoint() : dispo.topLeft(), taille + cadre),
            dispo);
        if (redimensionner)
            m_fenetre->resize(place.size() - cadre);
        if (memePlace)
            m_fenetre->move(place.topLeft());
    }

    // Once shown the frame the window manager adds is known: the whole window, frame included,
    // is brought within the screen.
    void rentrer()
    {
        const QScreen* ecran = m_fenetre->screen();
        if (!ecran || m_fenetre->isMaximized() || m_fenetre->isFullScreen())
            return;
        const QRect dispo = ecran->availableGeometry();
        const QRect cadre = m_fenetre->frameGeometry();
        if (dispo.contains(cadre))
            return;
        const QRect dedans = dansLaZone(cadre, dispo);
        if (!tailleFixe(m_fenetre))
            m_fenetre->resize(dedans.size() - (cadre.size() - m_fenetre->size()));
        m_fenetre->move(dedans.topLeft());
    }

    void enregistrer()
    {
        if (m_fenetre->objectName().isEmpty() || m_fenetre->isMinimized())
            return;
        QSettings reglages;
        reglages.beginGroup(groupe(m_fenetre));
        const bool maximisee = m_fenetre->isMaximized() || m_fenetre->isFullScreen();
        // A maximised window is remembered at the size and place it goes back to.
        const QRect normale = maximisee ? m_fenetre->normalGeometry() : m_fenetre->geometry();
        const QRect cadre = m_fenetre->frameGeometry();
        reglages.setValue(QStringLiteral("maximisee"), maximisee);
        if (!normale.isValid())
            return;
        reglages.setValue(QStringLiteral("taille"), normale.size());
        reglages.setValue(QStringLiteral("cadre"), cadre.size() - m_fenetre->geometry().size());
        reglages.setValue(QStringLiteral("position"),
                          normale.topLeft() - (m_fenetre->geometry().topLeft() - cadre.topLeft()));
        if (const QScreen* ecran = m_fenetre->screen())
            reglages.setValue(QStringLiteral("ecran"), ecran->name());
    }

    QWidget* m_fenetre;
    QTimer m_ecriture;
};

} // namespace

void SeSouvenirDeLaFenetre(QWidget* fenetre)
{
    new MemoireFenetre(fenetre);
}
