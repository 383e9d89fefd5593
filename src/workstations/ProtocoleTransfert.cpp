#include "ProtocoleTransfert.h"

#include "Nombres.h"
#include "core/BaseInterne.h"
#include "core/TableMajDispo.h"
#include "core/TableParametres.h"

#include <QDir>
#include <QStringList>

namespace {

// A file name from the update list names a file of the update folder, never a path elsewhere.
// A download keeps the backslashes of the service's path in its local name, where they are
// plain characters of one file name: such a name is served as long as none of its parts climbs
// out of the folder, exactly the names a download accepts.
bool nomSimple(const QString& nom)
{
    if (nom.isEmpty() || nom == QLatin1String(".") || nom.contains(QLatin1Char('/'))
        || nom.startsWith(QLatin1Char('\\')))
        return false;
    if (nom.size() >= 2 && nom.at(1) == QLatin1Char(':') && nom.at(0).isLetter())
        return false;
    const QStringList parties = nom.split(QLatin1Char('\\'));
    return !parties.contains(QLatin1String(".."));
}

} // namespace

std::optional<QString> FichierMajPoste(const QString& version)
{
    qint64 numero = 0;
    if (!Nombres::NombreEntier(version, &numero))
        return QString();
    BaseInterne::AttenteCourte attente;
    BaseInterne::SuiviEchecs suivi;
    const auto maj = TableMajDispo::PosteDeVersion(numero);
    if (suivi.Echec())
        return std::nullopt;
    if (!maj || !nomSimple(maj->NomFichierMaj))
        return QString();
    const Parametres parametres = TableParametres::LireLigne1();
    if (suivi.Echec())
        return std::nullopt;
    if (!parametres.Existe || parametres.EmplacementMaj.isEmpty())
        return QString();
    return QDir(parametres.EmplacementMaj).filePath(maj->NomFichierMaj);
}
