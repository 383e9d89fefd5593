#pragma once

#include <QByteArray>
#include <QString>

// Workstations speak single-byte Windows-1252 text on both TCP channels.
namespace TexteFil {

QByteArray versOctets(const QString& texte);
QString depuisOctets(const QByteArray& octets);

} // namespace TexteFil
