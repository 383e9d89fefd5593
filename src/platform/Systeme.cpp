#include "Systeme.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QSaveFile>
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

InstanceUnique::InstanceUnique(const QString& dossier) : InstanceUnique(Chemin{CheminDansLeDossier(dossier)}) { }

InstanceUnique::InstanceUnique(Chemin chemin) : m_verrou(std::make_unique<QLockFile>(chemin.valeur))
{
    m_verrou->setStaleLockTime(0);
}

InstanceUnique::InstanceUnique(InstanceUnique&&) noexcept = default;

InstanceUnique InstanceUnique::DeSession(const QString& dossierProgramme)
{
    return InstanceUnique(
        Chemin{QDir(DossierDeSession(dossierProgramme)).filePath(QStringLiteral("quentaris-serveur-session.lock"))});
}

QString InstanceUnique::DossierDeSession(const QString& dossierProgramme)
{
#ifdef Q_OS_UNIX
    // The shared temporary folder is never used: any user could block the program there.
    const QByteArray execution = qgetenv("XDG_RUNTIME_DIR");
    struct stat etat
    {
    };
    if (!execution.isEmpty() && execution.startsWith('/') && ::lstat(execution.constData(), &etat) == 0
        && S_ISDIR(etat.st_mode) && etat.st_uid == ::geteuid() && (etat.st_mode & (S_IWGRP | S_IWOTH)) == 0)
        return QFile::decodeName(execution);
#endif
    return dossierProgramme;
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

QString InstanceUnique::CheminMarqueDuService(const QString& dossier)
{
    return QDir(dossier).filePath(QStringLiteral("quentaris-service.marque"));
}

bool InstanceUnique::MarqueDuService(const QString& dossier)
{
    const QFileInfo marque(CheminMarqueDuService(dossier));
    return marque.exists() || marque.isSymLink();
}

bool InstanceUnique::MarquerPourLeService(const QString& dossier, QString* erreur)
{
    if (MarqueDuService(dossier))
        return true;
    QSaveFile fichier(CheminMarqueDuService(dossier));
    if (!fichier.open(QIODevice::WriteOnly)
        || fichier.write("Ce dossier est celui du service quentaris-service : quentaris-serveur y est sa console\n"
                         "et n'y démarre jamais le serveur lui-même. Pour y faire fonctionner le programme de\n"
                         "bureau seul, arrêtez et désactivez le service, puis supprimez ce fichier.\n")
            < 0
        || !fichier.commit()) {
        if (erreur)
            *erreur = fichier.errorString();
        return false;
    }
    return true;
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
