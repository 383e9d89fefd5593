#pragma once

#include "core/Messages.h"

// Message boxes shown to the person at the screen.
class MessagesConsole : public Interlocuteur
{
public:
    Reponse Afficher(QObject* proprietaire, const QString& titre, const QString& texte, Icone icone,
                     Boutons boutons) override;
};
