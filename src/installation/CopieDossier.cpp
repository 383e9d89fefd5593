#include "CopieDossier.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace CopieDossier {

bool Copier(const QString& source, const QString& destination, QString* erreur)
{
    auto echec = [erreur](const QString& texte) {
        if (erreur && erreur->isEmpty())
            *erreur = texte;
        return false;
    };
    if (!QFileInfo(source).isDir())
        return echec(QStringLiteral("dossier introuvable : ") + source);
    if (!QDir().mkpath(destination))
        return echec(QStringLiteral("dossier impossible à créer : ") + destination);

    bool tout = true;
    const QFileInfoList contenu
        = QDir(source).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& info : contenu) {
        const QString cible = QDir(destination).filePath(info.fileName());
        if (info.isSymLink())
            continue;
        if (info.isDir()) {
            tout = Copier(info.filePath(), cible, erreur) && tout;
            continue;
        }
        const QFileInfo existant(cible);
        if (existant.isDir() && !existant.isSymLink()) {
            tout = echec(QStringLiteral("un dossier porte le nom du fichier ") + cible);
            continue;
        }
        if ((existant.exists() || existant.isSymLink()) && !QFile::remove(cible)) {
            tout = echec(QStringLiteral("fichier impossible à remplacer : ") + cible);
            continue;
        }
        QFile original(info.filePath());
        if (!original.copy(cible)) {
            tout = echec(QStringLiteral("copie impossible de ") + info.filePath() + QStringLiteral(" : ")
                         + original.errorString());
            continue;
        }
        QFile::setPermissions(cible, info.permissions());
    }
    return tout;
}

} // namespace CopieDossier
