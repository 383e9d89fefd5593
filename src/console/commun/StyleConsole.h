#pragma once

#include <QProxyStyle>

// The desktop's own style, with buttons whose caption keeps some room from their edges
// ("Nettoyer la liste", "Installer la mise à jour" laid out at their narrowest).
class StyleConsole : public QProxyStyle
{
public:
    static constexpr int MargeBouton = 8; // pixels on each side of a button's caption

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& taille,
                           const QWidget* widget) const override;
};
