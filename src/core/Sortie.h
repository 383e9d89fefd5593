#pragma once

#include <QString>

// Standard error. On a terminal or in a session's log every line starts with the time
// "YYYY-MM-DD hh:mm:ss", so that the log tells what happened and when. When standard error is
// the systemd journal, which stamps each line itself, a line starts instead with its priority
// ("<3>", "<4>" or "<6>"), so that `journalctl -p err` finds the failures.
namespace Sortie {

// The journal's priorities used here, with syslog's numbers.
enum class Priorite
{
    Erreur = 3, // a failure, a refused start
    Avertissement = 4, // an anomaly the server goes on after
    Information = 6,
};

void Ecrire(const QString& texte, Priorite priorite = Priorite::Information);

// True when standard error is the stream systemd named in JOURNAL_STREAM ("device:inode"); a
// program started from a service's shell inherits the variable with another standard error.
bool VersLeJournal();

} // namespace Sortie
