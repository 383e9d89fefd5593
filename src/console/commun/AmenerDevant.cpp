#include "console/commun/AmenerDevant.h"

#include <QWidget>

void AmenerDevant(QWidget* fenetre)
{
    if (fenetre->isMinimized())
        fenetre->setWindowState((fenetre->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    fenetre->show();
    fenetre->raise();
    fenetre->activateWindow();
}
