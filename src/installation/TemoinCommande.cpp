#include "TemoinCommande.h"

#include "core/Sortie.h"
#include "platform/Processus.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace TemoinCommande {

namespace {

QByteArray lire(const QString& chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString chemin(const QString& dossier)
{
    return QDir(dossier).filePath(NomFichier());
}

// The pid and the identity recorded; a pid of 0 when there is no record that can be read.
qint64 enregistree(const QString& dossier, QByteArray* identite)
{
    const QByteArray ligne = lire(chemin(dossier)).trimmed();
    const qsizetype espace = ligne.indexOf(' ');
    if (espace <= 0)
        return 0;
    *identite = ligne.mid(espace + 1);
    return ligne.left(espace).toLongLong();
}

} // namespace

QString NomFichier()
{
    return QStringLiteral(".lancemajcd-en-cours");
}

void Ecrire(const QString& dossier, qint64 pid)
{
    const QByteArray identite = Processus::Identite(pid);
    // Already over, or a system that cannot tell: the server's own list is all there is.
    if (identite.isEmpty())
        return;
    // Whole or not at all: a server stopped half way never leaves a record that cannot be read.
    QSaveFile fichier(chemin(dossier));
    if (fichier.open(QIODevice::WriteOnly) && fichier.write(QByteArray::number(pid) + ' ' + identite + '\n') >= 0
        && fichier.commit())
        return;
    Sortie::Ecrire(QStringLiteral("La commande LANCEMAJCD de la base ") + dossier
                   + QStringLiteral(" ne peut pas être notée dans ") + chemin(dossier) + QStringLiteral(" (")
                   + fichier.errorString()
                   + QStringLiteral(") : un serveur redémarré pendant qu'elle tourne ne la verra pas en cours."));
}

void Effacer(const QString& dossier, qint64 pid)
{
    QByteArray identite;
    if (pid > 0 && enregistree(dossier, &identite) == pid)
        QFile::remove(chemin(dossier));
}

bool EnCours(const QString& dossier)
{
    QByteArray identite;
    const qint64 pid = enregistree(dossier, &identite);
    return pid > 0 && !identite.isEmpty() && Processus::Identite(pid) == identite;
}

} // namespace TemoinCommande
