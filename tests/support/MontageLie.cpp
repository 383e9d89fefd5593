#include "MontageLie.h"

#include <QDir>
#include <QProcess>
#include <unistd.h>

MontageLie::MontageLie(const QString& dossier)
{
    if (::geteuid() != 0) {
        m_raison = QStringLiteral("un montage lié (mount --bind) demande les droits root");
        return;
    }
    QProcess mount;
    mount.start(QStringLiteral("mount"), {QStringLiteral("--bind"), dossier, m_point.path()});
    if (!mount.waitForFinished() || mount.exitStatus() != QProcess::NormalExit || mount.exitCode() != 0) {
        m_raison = QStringLiteral("le montage lié a échoué : ")
            + QString::fromLocal8Bit(mount.readAllStandardError()).trimmed();
        return;
    }
    m_monte = true;
    // Removing the mount point's contents would remove the folder's own files.
    m_point.setAutoRemove(false);
}

MontageLie::~MontageLie()
{
    if (m_monte && QProcess::execute(QStringLiteral("umount"), {m_point.path()}) == 0)
        QDir().rmdir(m_point.path());
}
