#pragma once

#include <QString>

// At start, before workstations are served: a move of the update folder that a kill or a power
// cut left half done is finished when its new folder was already saved in the settings, and
// undone otherwise, so that the folder the settings name holds every file. What it did goes to
// standard error and to the journal.
namespace RepriseDeplacement {

// `emplacement`: the update folder the settings name.
void Reprendre(const QString& emplacement);

} // namespace RepriseDeplacement

// Removes the hidden partial files of a folder left by a program killed while it wrote them,
// saying so on standard error; only at start, when none can be in use.
void BalayerFichiersPartiels(const QString& dossier);
