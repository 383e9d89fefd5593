#pragma once

#include <QDateTime>

// The server's clock. Tests set it to a chosen moment; the server reads it everywhere it
// needs today's date or the time of day.
namespace Horloge {

QDateTime Maintenant();

// From now on the clock reads `moment` and then runs on from it.
void Regler(const QDateTime& moment);

// Back to the system clock.
void Reinitialiser();

} // namespace Horloge
