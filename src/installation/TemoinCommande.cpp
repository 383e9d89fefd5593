#include "TemoinCommande.h"

#include "core/Sortie.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QSaveFile>

namespace TemoinCommande {

namespace {

struct Identite
{
    qint64 pid = 0;
    QByteArray debut;
    QByteArray demarrage;
};

QByteArray lire(const QString& chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Changes at every boot: a pid and start time recorded before a reboot never match again.
QByteArray demarrage()
{
    return lire(QStringLiteral("/proc/sys/kernel/random/boot_id")).trimmed();
}

// The start time of a running process; empty when it has ended (gone, or a zombie waiting
// to be reaped) or when /proc cannot tell.
QByteArray debut(qint64 pid)
{
    if (pid <= 0)
        return QByteArray();
    const QByteArray stat = lire(QStringLiteral("/proc/") + QString::number(pid) + QStringLiteral("/stat"));
    // The command name, in parentheses, may hold spaces and parentheses itself.
    const qsizetype nom = stat.lastIndexOf(')');
    if (nom < 0)
        return QByteArray();
    const QList<QByteArray> champs = stat.mid(nom + 1).simplified().split(' ');
    // champs[0] is the third field (the state), champs[19] the twenty-second (the start time).
    if (champs.size() < 20 || champs.at(0) == "Z" || champs.at(0) == "X")
        return QByteArray();
    return champs.at(19);
}

QString chemin(const QString& dossier)
{
    return QDir(dossier).filePath(NomFichier());
}

Identite enregistree(const QString& dossier)
{
    const QList<QByteArray> champs = lire(chemin(dossier)).simplified().split(' ');
    Identite identite;
    if (champs.size() != 3)
        return identite;
    identite.pid = champs.at(0).toLongLong();
    identite.debut = champs.at(1);
    identite.demarrage = champs.at(2);
    return identite;
}

} // namespace

QString NomFichier()
{
    return QStringLiteral(".lancemajcd-en-cours");
}

void Ecrire(const QString& dossier, qint64 pid)
{
    const QByteArray depuis = debut(pid);
    const QByteArray boot = demarrage();
    // Already over, or a system without /proc: the server's own list is all there is.
    if (depuis.isEmpty() || boot.isEmpty())
        return;
    // Whole or not at all: a server stopped half way never leaves a record that cannot be read.
    QSaveFile fichier(chemin(dossier));
    if (fichier.open(QIODevice::WriteOnly)
        && fichier.write(QByteArray::number(pid) + ' ' + depuis + ' ' + boot + '\n') >= 0 && fichier.commit())
        return;
    Sortie::Ecrire(QStringLiteral("La commande LANCEMAJCD de la base ") + dossier
                   + QStringLiteral(" ne peut pas être notée dans ") + chemin(dossier) + QStringLiteral(" (")
                   + fichier.errorString()
                   + QStringLiteral(") : un serveur redémarré pendant qu'elle tourne ne la verra pas en cours."));
}

void Effacer(const QString& dossier, qint64 pid)
{
    if (pid > 0 && enregistree(dossier).pid == pid)
        QFile::remove(chemin(dossier));
}

bool EnCours(const QString& dossier)
{
    const Identite identite = enregistree(dossier);
    if (identite.pid <= 0 || identite.debut.isEmpty())
        return false;
    return debut(identite.pid) == identite.debut && demarrage() == identite.demarrage;
}

} // namespace TemoinCommande
