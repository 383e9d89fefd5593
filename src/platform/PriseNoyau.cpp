#include "PriseNoyau.h"

#ifdef Q_OS_LINUX
#include <cerrno>
#include <csignal>
#include <ctime>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#endif

#include <algorithm>

namespace PriseNoyau {

void ActiverVeille(qintptr prise)
{
#ifdef Q_OS_LINUX
    const int fd = static_cast<int>(prise);
    int oui = 1;
    int silence = 60;
    int intervalle = 20;
    int essais = 6;
    setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &oui, sizeof oui);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &silence, sizeof silence);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalle, sizeof intervalle);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &essais, sizeof essais);
#else
    Q_UNUSED(prise);
#endif
}

qint64 OctetsEnAttente(qintptr prise)
{
#ifdef Q_OS_LINUX
    int n = 0;
    if (ioctl(static_cast<int>(prise), FIONREAD, &n) == 0 && n > 0)
        return n;
#else
    Q_UNUSED(prise);
#endif
    return 0;
}

Envoi EnvoyerFichier(qintptr prise, int fichier, qint64* position, qint64 octets)
{
#ifdef Q_OS_LINUX
    // SIGPIPE is held back during the call and taken off again if this call raised it, so
    // that the rest of the program and the programs it starts keep the usual disposition.
    sigset_t tuyau;
    sigset_t ancien;
    sigemptyset(&tuyau);
    sigaddset(&tuyau, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &tuyau, &ancien);
    sigset_t attente;
    sigpending(&attente);
    const bool dejaEnAttente = sigismember(&attente, SIGPIPE) == 1;

    off_t debut = static_cast<off_t>(*position);
    const auto taille = static_cast<size_t>(std::min<qint64>(octets, 0x7ffff000));
    ssize_t n;
    do {
        n = ::sendfile(static_cast<int>(prise), fichier, &debut, taille);
    } while (n < 0 && errno == EINTR);
    const int erreur = errno;

    if (n < 0 && erreur == EPIPE && !dejaEnAttente) {
        const timespec zero{};
        sigtimedwait(&tuyau, nullptr, &zero);
    }
    pthread_sigmask(SIG_SETMASK, &ancien, nullptr);

    if (n > 0) {
        *position = debut;
        return {Resultat::Envoye, n};
    }
    if (n == 0)
        return {Resultat::FinFichier, 0};
    if (erreur == EAGAIN || erreur == EWOULDBLOCK)
        return {Resultat::Plein, 0};
    if (erreur == EINVAL || erreur == ENOSYS || erreur == EOPNOTSUPP)
        return {Resultat::Indisponible, 0};
    return {Resultat::Erreur, 0};
#else
    Q_UNUSED(prise);
    Q_UNUSED(fichier);
    Q_UNUSED(position);
    Q_UNUSED(octets);
    return {Resultat::Indisponible, 0};
#endif
}

void Regrouper(qintptr prise, bool actif)
{
#ifdef Q_OS_LINUX
    const int valeur = actif ? 1 : 0;
    ::setsockopt(static_cast<int>(prise), IPPROTO_TCP, TCP_CORK, &valeur, sizeof valeur);
#else
    Q_UNUSED(prise);
    Q_UNUSED(actif);
#endif
}

} // namespace PriseNoyau
