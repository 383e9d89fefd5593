#pragma once

#include <QString>

class QTcpServer;

namespace Ecoute {

// Listens on every address of the machine, with room for many workstations connecting at once.
// False with a French message naming the channel (`canal`: "de contrôle", "de transfert").
bool Ouvrir(QTcpServer& serveur, quint16 port, const QString& canal, QString* erreur);

} // namespace Ecoute
