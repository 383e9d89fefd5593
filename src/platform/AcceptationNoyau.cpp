#include "AcceptationNoyau.h"

#ifdef Q_OS_LINUX
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace AcceptationNoyau {

bool Disponible()
{
#ifdef Q_OS_LINUX
    return true;
#else
    return false;
#endif
}

Acceptation Accepter(qintptr ecoute)
{
    Acceptation a;
#ifdef Q_OS_LINUX
    for (;;) {
        const int fd = accept4(static_cast<int>(ecoute), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            a.resultat = Resultat::Acceptee;
            a.descripteur = fd;
            return a;
        }
        switch (errno) {
        case EINTR:
        // A connection reset before it was taken: the next one may be fine.
        case ECONNABORTED:
        case EPROTO:
            continue;
        case EAGAIN:
#if EAGAIN != EWOULDBLOCK
        case EWOULDBLOCK:
#endif
            a.resultat = Resultat::Aucune;
            return a;
        default:
            a.resultat = Resultat::Echec;
            a.raison = QString::fromLocal8Bit(std::strerror(errno));
            return a;
        }
    }
#else
    Q_UNUSED(ecoute);
    return a;
#endif
}

void Refermer(qintptr descripteur)
{
#ifdef Q_OS_LINUX
    ::close(static_cast<int>(descripteur));
#else
    Q_UNUSED(descripteur);
#endif
}

} // namespace AcceptationNoyau
