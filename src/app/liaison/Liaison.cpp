#include "Liaison.h"

#include "platform/Systeme.h"

namespace Liaison {

QString CheminDansLeDossier(const QString& dossierProgramme)
{
    return Systeme::InstanceUnique::CheminCanalDuService(dossierProgramme);
}

} // namespace Liaison
