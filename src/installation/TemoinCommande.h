#pragma once

#include <QString>

// The record, in a database folder, of the command started there: its own process as the
// kernel knows it (pid, start time, boot). A server started later (after a stop, a restart
// through its updater) still sees that very command running, and never what it left running
// in the background. Where the system does not give that identity (no /proc), nothing is
// recorded and only the server's own list of commands counts.
namespace TemoinCommande {

// The record's file in the database folder: one line "pid start boot_id", where start is the
// process's start time in clock ticks since boot (field 22 of /proc/<pid>/stat).
QString NomFichier();

// Records the command just started in `dossier` as the process `pid`, replacing any earlier
// record. Says on standard error when the record cannot be written.
void Ecrire(const QString& dossier, qint64 pid);

// Removes the record when it names the process `pid`.
void Effacer(const QString& dossier, qint64 pid);

// True when the record names a process still running: the same pid, started at the same
// moment, since the same boot.
bool EnCours(const QString& dossier);

} // namespace TemoinCommande
