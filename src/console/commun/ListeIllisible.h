#pragma once

class QString;
class QTreeWidget;

// A list whose rows could not be read from the internal database shows why, in one row across
// its columns, instead of rows that would tell a false state. It takes no choice meanwhile.
void AfficherListeIllisible(QTreeWidget* liste, const QString& texte);
