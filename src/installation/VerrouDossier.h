#pragma once

#include <QString>

class QProcess;

// A lock on a database folder held by the command started there, through a descriptor the
// command inherits: it lasts as long as the command or anything it started runs, whatever
// happens to the server meanwhile (a stop, a restart through its updater). Where the system
// has no such locks, nothing is locked and only the server's own list of commands counts.
namespace VerrouDossier {

// Takes the lock for a command about to start: the descriptor to hand over to it, or -1 when
// the lock is held (`occupe` set) or cannot be taken on that folder.
int Prendre(const QString& dossier, bool* occupe);

// Hands the descriptor over to the process about to start, across its start.
void Transmettre(QProcess& processus, int descripteur);

// Once the command has started (or failed to), the server's copy of the descriptor.
void Fermer(int descripteur);

// True when a command holds the lock on the folder now.
bool Occupe(const QString& dossier);

} // namespace VerrouDossier
