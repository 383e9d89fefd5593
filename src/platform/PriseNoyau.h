#pragma once

#include <QtGlobal>

// What the kernel offers on a TCP connection beyond Qt: tuned keep-alive, the bytes waiting
// to be read, and sending a file's bytes without copying them through the program.
namespace PriseNoyau {

// Keep-alive on, first probe after one minute of silence, so that a peer that vanished without
// closing is noticed within a few minutes while a silent live peer stays connected.
void ActiverVeille(qintptr prise);

// Bytes received by the kernel and not read yet; 0 when unknown.
qint64 OctetsEnAttente(qintptr prise);

enum class Resultat
{
    Envoye, // `octets` bytes went out
    Plein, // the socket takes nothing more for now: wait until it is writable
    FinFichier, // the file ends before the position asked for
    Indisponible, // this platform or this file cannot be sent this way: read and write instead
    Erreur // the connection failed
};

struct Envoi
{
    Resultat resultat = Resultat::Indisponible;
    qint64 octets = 0;
};

// Sends up to `octets` bytes of the open file `fichier`, from `*position`, on the non-blocking
// socket `prise`, and moves `*position` past what was sent. A peer that has gone never raises
// SIGPIPE: the result is then Erreur.
Envoi EnvoyerFichier(qintptr prise, int fichier, qint64* position, qint64 octets);

// While on, the kernel sends only full segments (a file going out in one stream); turning it
// off sends what is left at once. Nothing on platforms without it.
void Regrouper(qintptr prise, bool actif);

} // namespace PriseNoyau
