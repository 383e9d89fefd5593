#include "Ecoute.h"

#include <QTcpServer>

namespace Ecoute {

bool Ouvrir(QTcpServer& serveur, quint16 port, const QString& canal, QString* erreur)
{
    serveur.setListenBacklogSize(1024);
    serveur.setMaxPendingConnections(1024);
    if (serveur.listen(QHostAddress::Any, port))
        return true;
    if (erreur)
        *erreur = QStringLiteral("Le port ") + canal + QLatin1Char(' ') + QString::number(port)
            + QStringLiteral(" ne peut pas être ouvert : ") + serveur.errorString();
    return false;
}

} // namespace Ecoute
