#include "Disque.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace Disque {

QString TexteErreur(int numero)
{
#ifdef Q_OS_UNIX
    return QString::fromLocal8Bit(std::strerror(numero));
#else
    return QString::number(numero);
#endif
}

#ifdef Q_OS_UNIX

namespace {

bool synchroniser(const QString& chemin, int drapeaux, const QString& illisible, QString* erreur)
{
    const int d = ::open(QFile::encodeName(chemin).constData(), drapeaux | O_CLOEXEC);
    if (d < 0) {
        *erreur = illisible + TexteErreur(errno);
        return false;
    }
    const bool ok = ::fsync(d) == 0 || errno == EINVAL; // a file system that keeps nothing to sync
    const int numero = errno;
    ::close(d);
    if (!ok)
        *erreur = QStringLiteral("écriture sur le disque impossible : ") + TexteErreur(numero);
    return ok;
}

} // namespace

bool SynchroniserFichier(const QString& chemin, QString* erreur)
{
    return synchroniser(chemin, O_RDONLY, QStringLiteral("fichier illisible : "), erreur);
}

bool SynchroniserDossier(const QString& dossier, QString* erreur)
{
    return synchroniser(dossier, O_RDONLY | O_DIRECTORY, QStringLiteral("dossier illisible : "), erreur);
}

bool Renommer(const QString& source, const QString& destination, QString* erreur)
{
    if (::rename(QFile::encodeName(source).constData(), QFile::encodeName(destination).constData()) != 0) {
        *erreur = TexteErreur(errno);
        return false;
    }
    return SynchroniserDossier(QFileInfo(destination).absolutePath(), erreur);
}

bool Supprimer(const QString& chemin, QString* erreur)
{
    if (::unlink(QFile::encodeName(chemin).constData()) != 0 && errno != ENOENT) {
        *erreur = TexteErreur(errno);
        return false;
    }
    return SynchroniserDossier(QFileInfo(chemin).absolutePath(), erreur);
}

#else

bool SynchroniserFichier(const QString&, QString*)
{
    return true;
}

bool SynchroniserDossier(const QString&, QString*)
{
    return true;
}

bool Renommer(const QString& source, const QString& destination, QString* erreur)
{
    QFile::remove(destination);
    if (QFile::rename(source, destination))
        return true;
    *erreur = QStringLiteral("renommage impossible");
    return false;
}

bool Supprimer(const QString& chemin, QString* erreur)
{
    QFile fichier(chemin);
    if (!fichier.exists() || fichier.remove())
        return true;
    *erreur = fichier.errorString();
    return false;
}

#endif

} // namespace Disque
