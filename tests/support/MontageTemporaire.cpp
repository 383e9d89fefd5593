#include "MontageTemporaire.h"

#include <QDir>
#include <QProcess>
#include <unistd.h>

void MontageTemporaire::Monter(const QStringList& arguments, const QString& sansRoot, const QString& echec)
{
    if (::geteuid() != 0) {
        m_raison = sansRoot;
        return;
    }
    QProcess mount;
    mount.start(QStringLiteral("mount"), arguments + QStringList{m_point.path()});
    if (!mount.waitForFinished() || mount.exitStatus() != QProcess::NormalExit || mount.exitCode() != 0) {
        m_raison = echec + QString::fromLocal8Bit(mount.readAllStandardError()).trimmed();
        return;
    }
    m_monte = true;
    // Once unmounted, the point is empty; while mounted, removing its contents would remove
    // the mounted files (a bind mount's are the folder's own).
    m_point.setAutoRemove(false);
}

MontageTemporaire::~MontageTemporaire()
{
    if (m_monte && QProcess::execute(QStringLiteral("umount"), {m_point.path()}) == 0)
        QDir().rmdir(m_point.path());
}

PetitDisque::PetitDisque(const QString& taille)
{
    Monter({QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"), QStringLiteral("size=") + taille,
            QStringLiteral("tmpfs")},
           QStringLiteral("monter un petit système de fichiers (tmpfs) demande les droits root"),
           QStringLiteral("le montage d'un tmpfs a échoué : "));
}

MontageLie::MontageLie(const QString& dossier)
{
    Monter({QStringLiteral("--bind"), dossier}, QStringLiteral("un montage lié (mount --bind) demande les droits root"),
           QStringLiteral("le montage lié a échoué : "));
}
