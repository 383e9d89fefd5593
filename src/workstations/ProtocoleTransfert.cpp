#include "ProtocoleTransfert.h"

#include "Nombres.h"
#include "core/TableMajDispo.h"
#include "core/TableParametres.h"

#include <QDir>

namespace {

// A file name from the update list names a file of the update folder, never a path elsewhere.
bool nomSimple(const QString& nom)
{
    return !nom.isEmpty() && nom != QLatin1String(".") && nom != QLatin1String("..") && !nom.contains(QLatin1Char('/'))
        && !nom.contains(QLatin1Char('\\'));
}

} // namespace

QString FichierMajPoste(const QString& version)
{
    qint64 numero = 0;
    if (!Nombres::NombreEntier(version, &numero))
        return QString();
    const auto maj = TableMajDispo::PosteDeVersion(numero);
    if (!maj || !nomSimple(maj->NomFichierMaj))
        return QString();
    const Parametres parametres = TableParametres::LireLigne1();
    if (!parametres.Existe || parametres.EmplacementMaj.isEmpty())
        return QString();
    return QDir(parametres.EmplacementMaj).filePath(maj->NomFichierMaj);
}
