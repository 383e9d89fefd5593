#pragma once

#include <QProxyStyle>

// The desktop's own style, with two changes:
// - buttons whose caption keeps some room from their edges ("Nettoyer la liste", "Installer la
//   mise à jour" laid out at their narrowest);
// - the focus always shown, as KDE's settings or KeePassXC show it: the style's focus frame on
//   buttons, boxes and the current row from the moment a window opens (not only once the
//   keyboard has moved the focus), and the frame of a list or text area drawn in the
//   highlight colour while it has the focus.
class StyleConsole : public QProxyStyle
{
public:
    static constexpr int MargeBouton = 8; // pixels on each side of a button's caption

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& taille,
                           const QWidget* widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void polish(QWidget* widget) override;
    void unpolish(QWidget* widget) override;
    using QProxyStyle::polish;
    using QProxyStyle::unpolish;

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;
};
