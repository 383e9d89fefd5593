#include "Processus.h"

#include <QFile>
#include <QList>
#include <QString>

namespace Processus {

namespace {

QByteArray lire(const QString& chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

QByteArray Identite(qint64 pid)
{
    if (pid <= 0)
        return QByteArray();
    // Changes at every boot: a pid and start time seen before a reboot never match again.
    const QByteArray demarrage = lire(QStringLiteral("/proc/sys/kernel/random/boot_id")).trimmed();
    const QByteArray stat = lire(QStringLiteral("/proc/") + QString::number(pid) + QStringLiteral("/stat"));
    // The command name, in parentheses, may hold spaces and parentheses itself.
    const qsizetype nom = stat.lastIndexOf(')');
    if (demarrage.isEmpty() || nom < 0)
        return QByteArray();
    const QList<QByteArray> champs = stat.mid(nom + 1).simplified().split(' ');
    // champs[0] is the third field (the state), champs[19] the twenty-second (the start time,
    // in clock ticks since boot).
    if (champs.size() < 20 || champs.at(0) == "Z" || champs.at(0) == "X")
        return QByteArray();
    return champs.at(19) + ' ' + demarrage;
}

} // namespace Processus
