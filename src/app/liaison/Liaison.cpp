#include "Liaison.h"

#include <QDir>

namespace Liaison {

QString CheminDansLeDossier(const QString& dossierProgramme)
{
    return QDir(dossierProgramme).filePath(QStringLiteral("console.sock"));
}

} // namespace Liaison
