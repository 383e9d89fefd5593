#include "Systeme.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace Systeme {

InstanceUnique::InstanceUnique()
    : m_verrou(std::make_unique<QLockFile>(QDir::tempPath() + QStringLiteral("/quentaris-serveur.lock")))
{
    m_verrou->setStaleLockTime(0);
}

InstanceUnique::InstanceUnique(const QString& dossier)
    : m_verrou(std::make_unique<QLockFile>(CheminDansLeDossier(dossier)))
{
    m_verrou->setStaleLockTime(0);
}

QString InstanceUnique::CheminDansLeDossier(const QString& dossier)
{
    return QDir(dossier).filePath(QStringLiteral("quentaris-serveur.lock"));
}

bool InstanceUnique::DossierOccupe(const QString& dossier)
{
    QLockFile verrou(CheminDansLeDossier(dossier));
    verrou.setStaleLockTime(0);
    if (verrou.tryLock(0)) {
        verrou.unlock();
        return false;
    }
    return verrou.error() == QLockFile::LockFailedError;
}

InstanceUnique::~InstanceUnique() = default;

bool InstanceUnique::prendre()
{
    // A lock that cannot even be written (a folder missing or read-only) is held by nobody: what
    // fails next tells the real reason.
    return m_verrou->tryLock(0) || m_verrou->error() != QLockFile::LockFailedError;
}

bool EstAdministrateur()
{
#ifdef Q_OS_UNIX
    if (geteuid() == 0)
        return true;
    const int n = getgroups(0, nullptr);
    if (n <= 0)
        return false;
    std::vector<gid_t> groupes(static_cast<std::size_t>(n));
    const int lus = getgroups(n, groupes.data());
    for (int i = 0; i < lus; ++i) {
        if (GroupeAdministrateur(groupes[static_cast<std::size_t>(i)]))
            return true;
    }
    return false;
#else
    return true;
#endif
}

bool GroupeAdministrateur(quint32 gid)
{
#ifdef Q_OS_UNIX
    const group* g = getgrgid(static_cast<gid_t>(gid));
    if (!g)
        return false;
    const QString nom = QString::fromLocal8Bit(g->gr_name);
    return nom == QLatin1String("sudo") || nom == QLatin1String("wheel") || nom == QLatin1String("admin");
#else
    Q_UNUSED(gid);
    return false;
#endif
}

void PartagerAvecLeGroupe()
{
#ifdef Q_OS_UNIX
    ::umask(0002);
#endif
}

bool FichierExiste(const QString& chemin)
{
    const QFileInfo info(chemin);
    return info.exists() && info.isFile();
}

QString AccesRefuse(const QString& chemin, bool ecriture)
{
#ifdef Q_OS_UNIX
    const int mode = QFileInfo(chemin).isDir() ? (X_OK | (ecriture ? W_OK : 0)) : (R_OK | (ecriture ? W_OK : 0));
    if (::access(QFile::encodeName(chemin).constData(), mode) == 0)
        return QString();
    return QString::fromLocal8Bit(std::strerror(errno));
#else
    const QFileInfo info(chemin);
    if (!info.exists())
        return QStringLiteral("introuvable");
    if (!info.isReadable() || (ecriture && !info.isWritable()))
        return QStringLiteral("accès refusé");
    return QString();
#endif
}

void CreerDossierSiAbsent(const QString& chemin)
{
    if (!QFileInfo::exists(chemin))
        QDir().mkdir(chemin);
}

bool LancerDetache(const QString& programme, const QStringList& arguments)
{
    return QProcess::startDetached(programme, arguments);
}

QString TrouverProgramme(const QString& nom)
{
    return QStandardPaths::findExecutable(nom);
}

void AugmenterLimiteFichiers()
{
#ifdef Q_OS_UNIX
    rlimit limite{};
    if (getrlimit(RLIMIT_NOFILE, &limite) == 0 && limite.rlim_cur < limite.rlim_max) {
        limite.rlim_cur = limite.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limite);
    }
#endif
}

} // namespace Systeme
