#include "Messages.h"

#include "Sortie.h"

namespace Messages {

namespace {
Interlocuteur* g_interlocuteur = nullptr;
}

void Installer(Interlocuteur* interlocuteur)
{
    g_interlocuteur = interlocuteur;
}

Reponse Afficher(QObject* proprietaire, const QString& texte, Icone icone, Boutons boutons, const QString& titre)
{
    QString uneLigne = texte;
    uneLigne.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    Sortie::Ecrire(titre + QStringLiteral(": ") + uneLigne);
    if (g_interlocuteur)
        return g_interlocuteur->Afficher(proprietaire, titre, texte, icone, boutons);
    return boutons == Boutons::Ok ? Reponse::Ok : Reponse::Non;
}

} // namespace Messages
