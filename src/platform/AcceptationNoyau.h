#pragma once

#include <QString>
#include <QtGlobal>

// Taking connections off a listening socket. Qt's listener remembers only the first failure it
// ever met: once it has found nothing waiting, every later failure (no descriptor left, no
// memory) passes for that harmless state and is retried at once, so the program spins; when
// the first failure is a real one, it stops accepting for good. Here each failure is told as
// it is.
namespace AcceptationNoyau {

enum class Resultat
{
    Acceptee, // `descripteur` is the new connection, non-blocking
    Aucune, // nothing waits
    Echec, // nothing can be accepted now (`raison`); the connection stays queued in the kernel
    Indisponible // this platform does not accept here: the listener's own accepting is used
};

struct Acceptation
{
    Resultat resultat = Resultat::Indisponible;
    qintptr descripteur = -1;
    QString raison;
};

bool Disponible();

// Takes the next connection waiting on the non-blocking listening socket `ecoute`.
Acceptation Accepter(qintptr ecoute);

// Closes an accepted descriptor that could not be used.
void Refermer(qintptr descripteur);

} // namespace AcceptationNoyau
