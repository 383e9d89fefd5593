#include "PetitDisque.h"

#include <QProcess>
#include <unistd.h>

PetitDisque::PetitDisque(const QString& taille)
{
    if (::geteuid() != 0) {
        m_raison = QStringLiteral("monter un petit système de fichiers (tmpfs) demande les droits root");
        return;
    }
    QProcess mount;
    mount.start(QStringLiteral("mount"),
                {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"), QStringLiteral("size=") + taille,
                 QStringLiteral("tmpfs"), m_point.path()});
    if (!mount.waitForFinished() || mount.exitStatus() != QProcess::NormalExit || mount.exitCode() != 0) {
        m_raison = QStringLiteral("le montage d'un tmpfs a échoué : ")
            + QString::fromLocal8Bit(mount.readAllStandardError()).trimmed();
        return;
    }
    m_monte = true;
}

PetitDisque::~PetitDisque()
{
    if (m_monte)
        QProcess::execute(QStringLiteral("umount"), {m_point.path()});
}
