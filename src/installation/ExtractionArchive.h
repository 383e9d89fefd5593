#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QObject;

// Unpacking of the zip archives that carry server updates.
namespace ExtractionArchive {

struct Limites
{
    // Most bytes the extraction may write; below 0, the destination disk's free space less
    // `ReserveDisque`, so that an archive never fills the disk.
    qint64 EspaceMaximal = -1;
    qint64 ReserveDisque = 64 * 1024 * 1024;
};

// Unpacks every entry of `archive` into the existing folder `destination`: sub-folders are
// recreated, existing files silently overwritten, bytes written unchanged. Encrypted entries
// are read with `motDePasse` (an empty one declines them). Entries that would land outside
// the destination and symbolic links are refused; an entry that grows past its announced
// size, or the disk budget being reached, stops that entry. True only when every entry was
// extracted; each problem is added to `anomalies` when given.
bool ExtraireArchive(const QString& archive, const QString& destination, const QString& motDePasse,
                     QStringList* anomalies = nullptr, const Limites& limites = Limites());

// The same, a bounded number of bytes per turn of the event loop, so that a large archive never
// holds up the server: `fin` follows from the event loop (unless `contexte` is destroyed
// first) with the outcome and the problems met.
void Extraire(const QString& archive, const QString& destination, const QString& motDePasse, QObject* contexte,
              std::function<void(bool reussi, const QStringList& anomalies)> fin, const Limites& limites = Limites());

// Bytes written in one step.
constexpr qint64 OctetsParEtape = 256 * 1024;
// What one entry counts for in a step, whatever its size.
constexpr qint64 OctetsParEntree = 4 * 1024;

} // namespace ExtractionArchive
