#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QLockFile;
class QProcess;

// What the operating system provides to the server: single instance, rights, files, programs.
namespace Systeme {

// A lock held for the whole run: the program folder's (one server, desktop program or service,
// runs on it) or the person's session's (one desktop program per session). Neither lives where
// another user could plant a lock, a link or a folder in its way.
class InstanceUnique
{
public:
    explicit InstanceUnique(const QString& dossier);
    InstanceUnique(InstanceUnique&&) noexcept;
    ~InstanceUnique();
    // The lock of the session: in the session's runtime folder when it is the user's own
    // (XDG_RUNTIME_DIR, owned by this user, writable by nobody else), in the program folder
    // otherwise.
    static InstanceUnique DeSession(const QString& dossierProgramme);
    // Where the session's lock and its channel live.
    static QString DossierDeSession(const QString& dossierProgramme);
    static QString CheminVerrouDeSession(const QString& dossierProgramme);
    static QString CheminCanalDeSession(const QString& dossierProgramme);
    // The lock file of a program folder.
    static QString CheminDansLeDossier(const QString& dossier);
    // A live process holds the lock of that program folder.
    static bool DossierOccupe(const QString& dossier);
    // False only when a live process holds the lock.
    bool prendre();

    // The service marks the program folder it runs on; there the desktop program is only ever
    // its console, even while the service is stopped or restarting.
    static bool MarquerPourLeService(const QString& dossier, QString* erreur = nullptr);
    static bool MarqueDuService(const QString& dossier);
    static QString CheminMarqueDuService(const QString& dossier);
    // The service's socket for its consoles, in `dossier` (the program folder, or another chosen).
    static QString CheminCanalDuService(const QString& dossier);

private:
    struct Chemin
    {
        QString valeur;
    };
    explicit InstanceUnique(Chemin chemin);

    std::unique_ptr<QLockFile> m_verrou;
};

// Effective user root, or member of the sudo, wheel or admin group.
bool EstAdministrateur();
// The group is one of those: sudo, wheel or admin.
bool GroupeAdministrateur(quint32 gid);

// True when the path names an existing file (not a folder); never fails.
bool FichierExiste(const QString& chemin);

// Why this program may not read (and, when asked, write) the file or enter the folder at that
// path, as the system says it; empty when it may.
QString AccesRefuse(const QString& chemin, bool ecriture);

// Creates the folder when nothing has that path; one level only.
void CreerDossierSiAbsent(const QString& chemin);

// Starts a program without waiting for it. False when it could not be started.
bool LancerDetache(const QString& programme, const QStringList& arguments);

// The program that `processus` starts inherits descriptors 0, 1 and 2 only: none of this
// program's sockets, database files or locks can be used or kept open by it. Every program
// the server starts goes through this.
void NeTransmettreQueLesSortiesStandard(QProcess& processus);

// The program's full path on PATH, or an empty text.
QString TrouverProgramme(const QString& nom);

// Raises the limit of open files to the hard limit, so that many workstations can connect.
void AugmenterLimiteFichiers();

} // namespace Systeme
