#pragma once

#include <QString>

// Putting what was written on the disk itself, so that a power cut cannot undo it.
namespace Disque {

// The file's data.
bool SynchroniserFichier(const QString& chemin, QString* erreur);

// The folder's entries: a name just given or removed survives a power cut.
bool SynchroniserDossier(const QString& dossier, QString* erreur);

// Renames a file within one file system (replacing the file of that name, if any), then puts
// the folder's entries on disk.
bool Renommer(const QString& source, const QString& destination, QString* erreur);

// Removes a file, then puts the folder's entries on disk. A file already absent is no failure.
bool Supprimer(const QString& chemin, QString* erreur);

// The system's text for an error number.
QString TexteErreur(int numero);

} // namespace Disque
