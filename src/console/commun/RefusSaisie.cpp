#include "console/commun/RefusSaisie.h"

#include <QApplication>
#include <QToolTip>
#include <QWidget>

void SignalerRefus(QWidget* champ, const QString& raison)
{
    QApplication::beep();
    QToolTip::showText(champ->mapToGlobal(QPoint(0, champ->height())), raison, champ);
}

void EffacerRefus()
{
    QToolTip::hideText();
}
