#include "VerrouDossier.h"

#include <QFile>
#include <QProcess>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace VerrouDossier {

#ifdef Q_OS_UNIX

int Prendre(const QString& dossier, bool* occupe)
{
    *occupe = false;
    const int descripteur = ::open(QFile::encodeName(dossier).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descripteur < 0)
        return -1;
    if (::flock(descripteur, LOCK_EX | LOCK_NB) != 0) {
        *occupe = errno == EWOULDBLOCK;
        ::close(descripteur);
        return -1;
    }
    return descripteur;
}

void Transmettre(QProcess& processus, int descripteur)
{
    if (descripteur >= 0)
        processus.setChildProcessModifier([descripteur] { ::fcntl(descripteur, F_SETFD, 0); });
}

void Fermer(int descripteur)
{
    if (descripteur >= 0)
        ::close(descripteur);
}

#else

int Prendre(const QString&, bool* occupe)
{
    *occupe = false;
    return -1;
}

void Transmettre(QProcess&, int) { }

void Fermer(int) { }

#endif

bool Occupe(const QString& dossier)
{
    bool occupe = false;
    Fermer(Prendre(dossier, &occupe));
    return occupe;
}

} // namespace VerrouDossier
