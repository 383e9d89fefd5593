#pragma once

#include <QString>

// A copy of the internal database taken while the server may be running and writing: one
// consistent moment of it, through the engine's online backup, standing alone (no log file
// beside it). The copy is written under a temporary name beside the destination, checked,
// put on disk and only then named: the destination holds the whole copy or is left as it was.
// The destination is a free name or a regular file (a link is followed), and none of the
// server's own files in the database's folder (the database and its log, the locks, the
// console socket, the settings, the record of a move): anything else is refused untouched.
namespace SauvegardeBase {

// False with the reason when no sound copy could be made; nothing is then left behind.
bool Sauvegarder(const QString& base, const QString& destination, QString* erreur);

} // namespace SauvegardeBase
