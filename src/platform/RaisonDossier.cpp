#include "RaisonDossier.h"

#include "IdentiteFichier.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

QString RaisonDossierRefuse(const QString& chemin)
{
    if (chemin.isEmpty())
        return QStringLiteral("Aucun dossier n'est indiqué.");
    const QString cite = QStringLiteral("« ") + chemin + QStringLiteral(" »");
    if (!QDir::isAbsolutePath(QDir::fromNativeSeparators(chemin)))
        return QStringLiteral("Le chemin ") + cite + QStringLiteral(" doit partir de la racine (commencer par /).");
    struct stat etat
    {
    };
    if (::stat(QFile::encodeName(chemin).constData(), &etat) != 0) {
        switch (errno) {
        case ENOENT:
            return QStringLiteral("Le dossier ") + cite + QStringLiteral(" n'existe pas.");
        case EACCES:
            return QStringLiteral("Le dossier ") + cite
                + QStringLiteral(" ne peut pas être atteint : l'accès à l'un des dossiers du chemin est refusé.");
        case ENOTDIR:
            return QStringLiteral("Le chemin ") + cite
                + QStringLiteral(" passe par un fichier qui n'est pas un dossier.");
        default:
            return QStringLiteral("Le dossier ") + cite + QStringLiteral(" ne peut pas être lu : ")
                + QString::fromLocal8Bit(std::strerror(errno)) + QLatin1Char('.');
        }
    }
    if (!S_ISDIR(etat.st_mode))
        return cite + QStringLiteral(" est ") + IdentiteFichier::TexteNature(IdentiteFichier::Decrire(chemin).Genre)
            + QStringLiteral(", pas un dossier.");
    return QString();
}
