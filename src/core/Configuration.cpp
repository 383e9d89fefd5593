#include "Configuration.h"

#include "FichiersTexte.h"

namespace FichierConfiguration {

namespace {

bool lirePort(const QString& texte, quint16* port)
{
    bool ok = false;
    const uint valeur = texte.trimmed().toUInt(&ok);
    if (!ok || valeur == 0 || valeur > 65535)
        return false;
    *port = static_cast<quint16>(valeur);
    return true;
}

} // namespace

bool Lire(const QString& chemin, Configuration* configuration, QString* erreur)
{
    QStringList lignes;
    QString raison;
    if (!FichiersTexte::LireLignes(chemin, &lignes, &raison)) {
        *erreur = QStringLiteral("Le fichier de configuration \"") + chemin
            + QStringLiteral("\" est introuvable ou illisible (") + raison + QStringLiteral(").");
        return false;
    }
    const QString premier = lignes.value(0).section(QLatin1Char(','), 0, 0);
    const QString port = FichiersTexte::ValeurApresEgal(premier);
    if (!lirePort(port, &configuration->PortControle)) {
        *erreur = QStringLiteral("Le port \"") + port + QStringLiteral("\" du fichier \"") + chemin
            + QStringLiteral("\" n'est pas un numéro de port valide (nombre entier de 1 à 65535).");
        return false;
    }
    for (qsizetype i = 1; i < lignes.size(); ++i) {
        const qsizetype egal = lignes.at(i).indexOf(QLatin1Char('='));
        if (egal < 0)
            continue;
        const QString nom = lignes.at(i).left(egal).trimmed().toUpper();
        const QString valeur = lignes.at(i).mid(egal + 1).trimmed();
        if (nom == QLatin1String("SERVICE")) {
            configuration->Service = valeur;
        } else if (nom == QLatin1String("PORT_TRANSFERT")) {
            if (!lirePort(valeur, &configuration->PortTransfert)) {
                *erreur = QStringLiteral("Le port de transfert \"") + valeur + QStringLiteral("\" du fichier \"")
                    + chemin + QStringLiteral("\" n'est pas un numéro de port valide (nombre entier de 1 à 65535).");
                return false;
            }
        } else if (nom == QLatin1String("DOSSIER_SYSTEME")) {
            configuration->DossierSysteme = valeur;
        } else if (nom == QLatin1String("DOSSIER_SERVEUR")) {
            configuration->DossierServeur = valeur;
        } else if (nom == QLatin1String("PARTAGE_UNIDATA")) {
            configuration->PartageUniDATA = valeur;
        }
    }
    return true;
}

} // namespace FichierConfiguration
