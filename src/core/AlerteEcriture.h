#pragma once

#include <QString>

// Tells the person that the internal database cannot be written: once, at the first failed
// write after one that succeeded (or since the start); later failures only go to standard
// error until a write succeeds again. The message box is shown from the event loop, never in
// the middle of the work whose write failed.
namespace AlerteEcriture {

void Reussie();

// `chemin`: the database file.
void Echouee(const QString& chemin);

} // namespace AlerteEcriture
