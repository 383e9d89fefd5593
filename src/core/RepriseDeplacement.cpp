#include "RepriseDeplacement.h"

#include "DeplacementEnregistre.h"
#include "DeplacementMaj.h"
#include "Journal.h"
#include "Sortie.h"
#include "platform/Disque.h"
#include "platform/FichierProvisoire.h"
#include "platform/IdentiteFichier.h"

#include <QDir>
#include <QFileInfo>

namespace RepriseDeplacement {

namespace {

void signaler(const QString& message)
{
    Sortie::Ecrire(message);
    AjouterEvenement(TypeEvenement::Anomalie, message);
}

// Brings one file to `vers`, where it must end; a copy of it left in `depuis` (the source of a
// copy across file systems, or a copy already made) goes. `retour`: back to the old folder.
// False with a line for the person when the file could not be put there.
bool ramener(const QString& nom, const QString& depuis, const QString& vers, bool retour, QString* probleme)
{
    const QString source = QDir(depuis).filePath(nom);
    const QString cible = QDir(vers).filePath(nom);
    const bool dansSource = QFileInfo(source).isFile();
    if (!dansSource)
        return true; // already where it must be, or lost before the move
    QString raison;
    // One file under both names (the folders are one, or the file has two names): it is
    // where it must be, and removing the "source" would remove it.
    if (IdentiteFichier::MemeFichier(source, cible))
        return true;
    if (QFileInfo::exists(cible)) {
        if (!DeplacementMaj::MemeContenu(source, cible)) {
            // Not a copy of ours (a file of that name was in the new folder before the move):
            // neither file is touched.
            if (!retour)
                *probleme = QStringLiteral("deux fichiers différents portent le nom ") + nom
                    + QStringLiteral(" dans « ") + depuis + QStringLiteral(" » et « ") + vers + QStringLiteral(" »");
            return retour;
        }
        if (Disque::Supprimer(source, &raison))
            return true;
        *probleme = source + QStringLiteral(" ne peut pas être supprimé : ") + raison;
        return false;
    }
    DeplacementMaj::Maniere maniere = DeplacementMaj::Maniere::Renomme;
    if (!DeplacementMaj::PlacerFichier(source, cible, &maniere, &raison)) {
        *probleme = nom + QStringLiteral(" ne peut pas être placé dans « ") + vers + QStringLiteral(" » : ") + raison;
        return false;
    }
    if (maniere == DeplacementMaj::Maniere::Copie && !Disque::Supprimer(source, &raison)) {
        *probleme = source + QStringLiteral(" ne peut pas être supprimé : ") + raison;
        return false;
    }
    return true;
}

} // namespace

void Reprendre(const QString& emplacement)
{
    QString erreur;
    const std::optional<DeplacementEnregistre> enregistre = DeplacementEnregistre::Lire(&erreur);
    if (!enregistre) {
        if (!erreur.isEmpty())
            signaler(QStringLiteral("Un déplacement des mises à jour interrompu ne peut pas être repris, son "
                                    "enregistrement est illisible (")
                     + erreur
                     + QStringLiteral(") : vérifiez que le dossier des mises à jour contient chaque fichier."));
        return;
    }
    const DeplacementEnregistre& d = *enregistre;
    if (IdentiteFichier::MemeFichier(d.Ancien, d.Nouveau)) {
        // Both paths lead to one folder: every file is already in both, nothing is to move.
        if (!DeplacementEnregistre::Effacer(&erreur))
            Sortie::Ecrire(QStringLiteral("L'enregistrement du déplacement ") + DeplacementEnregistre::Chemin()
                           + QStringLiteral(" ne peut pas être supprimé : ") + erreur);
        signaler(QStringLiteral("Le déplacement des mises à jour de « ") + d.Ancien + QStringLiteral(" » vers « ")
                 + d.Nouveau
                 + QStringLiteral(" », interrompu par l'arrêt du serveur, portait sur un seul et même dossier : "
                                  "aucun fichier n'a été déplacé ni supprimé."));
        return;
    }
    BalayerFichiersPartiels(d.Ancien);
    BalayerFichiersPartiels(d.Nouveau);
    // Saved: every file goes to the new folder. Not saved: every file goes back.
    const bool enregistreDansLesParametres = IdentiteFichier::MemeDossier(emplacement, d.Nouveau);
    const QString depuis = enregistreDansLesParametres ? d.Ancien : d.Nouveau;
    const QString vers = enregistreDansLesParametres ? d.Nouveau : d.Ancien;
    QStringList problemes;
    for (const QString& nom : d.Fichiers) {
        QString probleme;
        if (!ramener(nom, depuis, vers, !enregistreDansLesParametres, &probleme))
            problemes.append(probleme);
    }
    const QString debut = QStringLiteral("Le déplacement des mises à jour de « ") + d.Ancien
        + QStringLiteral(" » vers « ") + d.Nouveau + QStringLiteral(" », interrompu par l'arrêt du serveur, ");
    if (!problemes.isEmpty()) {
        // The record stays: the next start tries again once the cause is mended.
        signaler(debut + QStringLiteral("n'a pas pu être ")
                 + (enregistreDansLesParametres ? QStringLiteral("terminé") : QStringLiteral("annulé"))
                 + QStringLiteral(" au démarrage : ") + problemes.join(QStringLiteral(" ; ")) + QLatin1Char('.'));
        return;
    }
    if (!DeplacementEnregistre::Effacer(&erreur))
        Sortie::Ecrire(QStringLiteral("L'enregistrement du déplacement ") + DeplacementEnregistre::Chemin()
                       + QStringLiteral(" ne peut pas être supprimé : ") + erreur);
    signaler(debut
             + (enregistreDansLesParametres
                    ? QStringLiteral("a été terminé au démarrage : les mises à jour sont dans « ")
                    : QStringLiteral("a été annulé au démarrage : les mises à jour restent dans « "))
             + vers + QStringLiteral(" »."));
}

} // namespace RepriseDeplacement

void BalayerFichiersPartiels(const QString& dossier)
{
    for (const QString& fichier : FichierProvisoire::Balayer(dossier))
        Sortie::Ecrire(QStringLiteral("Fichier partiel abandonné supprimé : ") + fichier);
}
