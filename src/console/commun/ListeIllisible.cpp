#include "console/commun/ListeIllisible.h"

#include <QTreeWidget>

void AfficherListeIllisible(QTreeWidget* liste, const QString& texte)
{
    liste->clear();
    auto* ligne = new QTreeWidgetItem(liste);
    ligne->setText(0, texte);
    ligne->setFirstColumnSpanned(true);
    ligne->setFlags(Qt::NoItemFlags);
    liste->setEnabled(false);
}
