#pragma once

#include <QString>

// What the service and its consoles agree on before anything else.
namespace Liaison {

// Raised whenever a message changes meaning; the program's version must match as well.
constexpr int Protocole = 2;

inline QString Version()
{
    return QStringLiteral(QUENTARIS_VERSION);
}

// The console socket as the program folder shows it: the socket itself, or a link to it in the
// runtime folder systemd gave the service.
QString CheminDansLeDossier(const QString& dossierProgramme);

} // namespace Liaison
