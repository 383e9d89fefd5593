#pragma once

#include <QString>

// Version numbers as workstations write them.
namespace Nombres {

// The leading number of a text, as a workstation's installed version is read: spaces, an
// optional sign, then digits. A text that does not begin with a number is 0; a number too
// large for 64 bits is the largest (or, negative, the smallest) 64-bit value, so that it
// counts as newer (older) than every update.
qint64 NombreEnTete(const QString& texte);

// A whole number and nothing else (spaces around it allowed) that fits in 64 bits.
bool NombreEntier(const QString& texte, qint64* valeur);

} // namespace Nombres
