#include "Systeme.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <vector>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
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
    return InstanceUnique(Chemin{CheminVerrouDeSession(dossierProgramme)});
}

QString InstanceUnique::CheminVerrouDeSession(const QString& dossierProgramme)
{
    return QDir(DossierDeSession(dossierProgramme)).filePath(QStringLiteral("quentaris-serveur-session.lock"));
}

QString InstanceUnique::CheminCanalDeSession(const QString& dossierProgramme)
{
    return QDir(DossierDeSession(dossierProgramme)).filePath(QStringLiteral("quentaris-serveur-session.sock"));
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

QString InstanceUnique::CheminCanalDuService(const QString& dossier)
{
    return QDir(dossier).filePath(QStringLiteral("console.sock"));
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

#ifdef Q_OS_UNIX
namespace {

// Runs in the child between fork and exec: system calls only, nothing that allocates or locks.
// Marked close-on-exec rather than closed, so that the pipe through which the child tells its
// parent that exec failed still works.
void garderLesSortiesStandardSeules()
{
#if defined(SYS_close_range)
    constexpr unsigned int kSurExec = 1U << 2; // CLOSE_RANGE_CLOEXEC
    if (::syscall(SYS_close_range, 3U, ~0U, kSurExec) == 0)
        return;
#endif
    // Kernels before 5.11: every possible descriptor, one at a time.
    rlimit limite{};
    long plafond = 65536;
    if (::getrlimit(RLIMIT_NOFILE, &limite) == 0 && limite.rlim_cur != RLIM_INFINITY)
        plafond = static_cast<long>(limite.rlim_cur);
    for (int fd = 3; fd < plafond; ++fd) {
        const int drapeaux = ::fcntl(fd, F_GETFD);
        if (drapeaux >= 0 && !(drapeaux & FD_CLOEXEC))
            ::fcntl(fd, F_SETFD, drapeaux | FD_CLOEXEC);
    }
}

} // namespace
#endif

bool LancerDetache(const QString& programme, const QStringList& arguments)
{
#ifdef Q_OS_UNIX
    // Qt's own detached start lets the program inherit every descriptor: the same double fork,
    // in its own session, with only standard input, output and error passed on.
    const QString chemin = programme.contains(QLatin1Char('/')) ? programme : TrouverProgramme(programme);
    if (chemin.isEmpty())
        return false;
    QList<QByteArray> mots{QFile::encodeName(chemin)};
    for (const QString& argument : arguments)
        mots.append(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& mot : mots)
        argv.push_back(mot.data());
    argv.push_back(nullptr);

    // Closed by a successful exec; carries errno otherwise.
    int tube[2];
    if (::pipe2(tube, O_CLOEXEC) != 0)
        return false;
    const pid_t enfant = ::fork();
    if (enfant == 0) {
        ::setsid();
        const pid_t petitEnfant = ::fork();
        if (petitEnfant == 0) {
            garderLesSortiesStandardSeules();
            ::execv(argv.front(), argv.data());
            const int erreur = errno;
            [[maybe_unused]] const ssize_t n = ::write(tube[1], &erreur, sizeof(erreur));
            ::_exit(127);
        }
        ::_exit(petitEnfant < 0 ? 1 : 0);
    }
    ::close(tube[1]);
    if (enfant < 0) {
        ::close(tube[0]);
        return false;
    }
    int statut = 0;
    while (::waitpid(enfant, &statut, 0) < 0 && errno == EINTR) { }
    int erreur = 0;
    ssize_t lus = 0;
    do {
        lus = ::read(tube[0], &erreur, sizeof(erreur));
    } while (lus < 0 && errno == EINTR);
    ::close(tube[0]);
    return WIFEXITED(statut) && WEXITSTATUS(statut) == 0 && lus == 0;
#else
    return QProcess::startDetached(programme, arguments);
#endif
}

void NeTransmettreQueLesSortiesStandard(QProcess& processus)
{
#ifdef Q_OS_UNIX
    processus.setChildProcessModifier(&garderLesSortiesStandardSeules);
#else
    Q_UNUSED(processus);
#endif
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
