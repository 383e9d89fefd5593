#include "DeplacementEnregistre.h"

#include "BaseInterne.h"
#include "platform/Disque.h"
#include "platform/FichierProvisoire.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

QString DeplacementEnregistre::Chemin()
{
    return CheminDans(QFileInfo(BaseInterne::Connexion().databaseName()).absolutePath());
}

QString DeplacementEnregistre::CheminDans(const QString& dossierProgramme)
{
    return QDir(dossierProgramme).filePath(QStringLiteral("deplacement-maj.json"));
}

bool DeplacementEnregistre::Ecrire(QString* erreur) const
{
    QJsonObject objet;
    objet.insert(QStringLiteral("ancien"), Ancien);
    objet.insert(QStringLiteral("nouveau"), Nouveau);
    objet.insert(QStringLiteral("fichiers"), QJsonArray::fromStringList(Fichiers));
    FichierProvisoire fichier(Chemin());
    return fichier.Ouvrir(erreur) && fichier.Ajouter(QJsonDocument(objet).toJson(), erreur) && fichier.Nommer(erreur);
}

std::optional<DeplacementEnregistre> DeplacementEnregistre::Lire(QString* erreur)
{
    QFile fichier(Chemin());
    if (!fichier.exists())
        return std::nullopt;
    if (!fichier.open(QIODevice::ReadOnly)) {
        *erreur = Chemin() + QStringLiteral(" : ") + fichier.errorString();
        return std::nullopt;
    }
    QJsonParseError analyse;
    const QJsonObject objet = QJsonDocument::fromJson(fichier.readAll(), &analyse).object();
    DeplacementEnregistre d;
    d.Ancien = objet.value(QStringLiteral("ancien")).toString();
    d.Nouveau = objet.value(QStringLiteral("nouveau")).toString();
    for (const QJsonValue& nom : objet.value(QStringLiteral("fichiers")).toArray())
        d.Fichiers.append(nom.toString());
    if (analyse.error != QJsonParseError::NoError || d.Ancien.isEmpty() || d.Nouveau.isEmpty()
        || d.Fichiers.contains(QString())) {
        *erreur = Chemin() + QStringLiteral(" : contenu illisible");
        return std::nullopt;
    }
    return d;
}

bool DeplacementEnregistre::Effacer(QString* erreur)
{
    return Disque::Supprimer(Chemin(), erreur);
}
