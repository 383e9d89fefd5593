#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace CopieDossier {

// Copies the folder `source`, with everything it holds, to `destination` (created when
// absent): existing files are replaced, each file keeps its permissions, links are not
// followed. One file after the other, each copied a step per turn of the event loop and named
// only once whole, so a large folder never holds up the server. `fin` follows from the event
// loop (unless `contexte` is destroyed first): true when everything was copied, otherwise
// false with the first reason.
void Copier(const QString& source, const QString& destination, QObject* contexte,
            std::function<void(bool reussie, const QString& erreur)> fin);

} // namespace CopieDossier
