#include "IdentiteFichier.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace IdentiteFichier {

Description Decrire(const QString& chemin)
{
    Description d;
    if (chemin.isEmpty())
        return d;
#ifdef Q_OS_UNIX
    struct stat s
    {
    };
    if (::stat(QFile::encodeName(chemin).constData(), &s) != 0)
        return d;
    d.Peripherique = static_cast<quint64>(s.st_dev);
    d.Noeud = static_cast<quint64>(s.st_ino);
    if (S_ISREG(s.st_mode))
        d.Genre = Nature::Fichier;
    else if (S_ISDIR(s.st_mode))
        d.Genre = Nature::Dossier;
    else if (S_ISCHR(s.st_mode) || S_ISBLK(s.st_mode))
        d.Genre = Nature::Peripherique;
    else if (S_ISFIFO(s.st_mode))
        d.Genre = Nature::Tube;
    else if (S_ISSOCK(s.st_mode))
        d.Genre = Nature::Prise;
    else
        d.Genre = Nature::Autre;
#else
    // Without inodes, the path with its links resolved stands for the file.
    const QFileInfo info(chemin);
    if (!info.exists())
        return d;
    d.Genre = info.isDir() ? Nature::Dossier : info.isFile() ? Nature::Fichier : Nature::Autre;
    d.Noeud = qHash(info.canonicalFilePath().toLower());
#endif
    return d;
}

bool MemeFichier(const QString& a, const QString& b)
{
    return Decrire(a).MemeQue(Decrire(b));
}

bool MemeDossier(const QString& a, const QString& b)
{
    return MemeFichier(a, b)
        || QDir::cleanPath(QFileInfo(a).absoluteFilePath()) == QDir::cleanPath(QFileInfo(b).absoluteFilePath());
}

QString TexteNature(Nature nature)
{
    switch (nature) {
    case Nature::Absent:
        return QStringLiteral("absent");
    case Nature::Fichier:
        return QStringLiteral("un fichier");
    case Nature::Dossier:
        return QStringLiteral("un dossier");
    case Nature::Peripherique:
        return QStringLiteral("un périphérique");
    case Nature::Tube:
        return QStringLiteral("un tube nommé (FIFO)");
    case Nature::Prise:
        return QStringLiteral("une prise de communication (socket)");
    case Nature::Autre:
        break;
    }
    return QStringLiteral("un fichier spécial");
}

} // namespace IdentiteFichier
