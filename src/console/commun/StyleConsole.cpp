#include "console/commun/StyleConsole.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QPainter>
#include <QStyleOption>

namespace {

// A list or text area with a frame of its own, whose frame shows the focus.
bool zoneEncadree(const QWidget* widget)
{
    const auto* zone = qobject_cast<const QAbstractScrollArea*>(widget);
    return zone && zone->frameShape() != QFrame::NoFrame;
}

} // namespace

QSize StyleConsole::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& taille,
                                     const QWidget* widget) const
{
    QSize resultat = QProxyStyle::sizeFromContents(type, option, taille, widget);
    if (type == CT_PushButton)
        resultat.rwidth() = qMax(resultat.width(), taille.width() + 2 * MargeBouton + 2 * pixelMetric(PM_ButtonMargin));
    return resultat;
}

void StyleConsole::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const
{
    if (element == PE_FrameFocusRect && (option->state & State_HasFocus)
        && !(option->state & State_KeyboardFocusChange)) {
        if (const auto* cadre = qstyleoption_cast<const QStyleOptionFocusRect*>(option)) {
            QStyleOptionFocusRect toujours(*cadre);
            toujours.state |= State_KeyboardFocusChange;
            QProxyStyle::drawPrimitive(element, &toujours, painter, widget);
            return;
        }
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    if (element == PE_Frame && zoneEncadree(widget) && widget->hasFocus()) {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setBrush(Qt::NoBrush);
        painter->setPen(QPen(option->palette.color(QPalette::Highlight), 1));
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        painter->drawRect(option->rect.adjusted(1, 1, -2, -2));
        painter->restore();
    }
}

void StyleConsole::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const
{
    QProxyStyle::drawControl(element, option, painter, widget);
    // Some styles (Fusion) mark a focused button only by its outline, as they mark the default
    // button: the focus frame inside it tells the two apart.
    if (element == CE_PushButton && (option->state & State_HasFocus)) {
        QStyleOptionFocusRect cadre;
        cadre.QStyleOption::operator=(*option);
        cadre.rect = subElementRect(SE_PushButtonFocusRect, option, widget);
        cadre.state |= State_KeyboardFocusChange;
        drawPrimitive(PE_FrameFocusRect, &cadre, painter, widget);
    }
}

void StyleConsole::polish(QWidget* widget)
{
    QProxyStyle::polish(widget);
    if (qobject_cast<QAbstractScrollArea*>(widget))
        widget->installEventFilter(this);
}

void StyleConsole::unpolish(QWidget* widget)
{
    if (qobject_cast<QAbstractScrollArea*>(widget))
        widget->removeEventFilter(this);
    QProxyStyle::unpolish(widget);
}

// The frame belongs to the area, not to the part its content repaints.
bool StyleConsole::eventFilter(QObject* objet, QEvent* evenement)
{
    if (evenement->type() == QEvent::FocusIn || evenement->type() == QEvent::FocusOut)
        static_cast<QWidget*>(objet)->update();
    return QProxyStyle::eventFilter(objet, evenement);
}
