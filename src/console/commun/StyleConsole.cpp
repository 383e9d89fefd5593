#include "console/commun/StyleConsole.h"

QSize StyleConsole::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& taille,
                                     const QWidget* widget) const
{
    QSize resultat = QProxyStyle::sizeFromContents(type, option, taille, widget);
    if (type == CT_PushButton)
        resultat.rwidth() = qMax(resultat.width(), taille.width() + 2 * MargeBouton + 2 * pixelMetric(PM_ButtonMargin));
    return resultat;
}
