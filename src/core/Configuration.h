#pragma once

#include <QString>

// configserv.ini: its first field (the first line up to the first comma) gives the control
// port; later lines NAME=value are optional.
struct Configuration
{
    quint16 PortControle = 0;
    quint16 PortTransfert = 28001;
    QString Service = QStringLiteral("http://quentaris.fr");
    QString DossierSysteme = QStringLiteral("/etc");
    QString DossierServeur = QStringLiteral("/opt/quentaris/Serveur");
    QString PartageUniDATA = QStringLiteral("/srv/unidata");
};

namespace FichierConfiguration {

inline QString Nom()
{
    return QStringLiteral("configserv.ini");
}

// Reads the file. False with a message for the person (naming the file or the port) when
// the file cannot be read or a port is not a whole number from 1 to 65535.
bool Lire(const QString& chemin, Configuration* configuration, QString* erreur);

} // namespace FichierConfiguration
