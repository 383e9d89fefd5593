#pragma once

#include <QString>

// Standard error: every line starts with the time "YYYY-MM-DD hh:mm:ss", so that the
// session's log tells what happened and when.
namespace Sortie {

void Ecrire(const QString& texte);

} // namespace Sortie
