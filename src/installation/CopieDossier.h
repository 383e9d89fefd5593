#pragma once

#include <QString>

namespace CopieDossier {

// Copies the folder `source`, with everything it holds, to `destination` (created when
// absent): existing files are overwritten, each file keeps its permissions, links are not
// followed. False when something could not be copied; the reason is in `erreur`.
bool Copier(const QString& source, const QString& destination, QString* erreur = nullptr);

} // namespace CopieDossier
