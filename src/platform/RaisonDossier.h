#pragma once

#include <QString>

// Why a path typed as the update folder cannot be that folder, in words for the person at the
// screen; the empty text when it names an existing folder. The server and its consoles may run
// in different folders, so a relative path is refused too.
QString RaisonDossierRefuse(const QString& chemin);
