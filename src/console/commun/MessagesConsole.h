#pragma once

#include "core/Messages.h"

class QMessageBox;

// Message boxes shown to the person at the screen.
class MessagesConsole : public Interlocuteur
{
public:
    Reponse Afficher(QObject* proprietaire, const QString& titre, const QString& texte, Icone icone,
                     Boutons boutons) override;

    // The box as the person sees it, before it opens: texts, icon, buttons, the default one
    // (Return) and the one Escape presses.
    static void Preparer(QMessageBox& boite, const QString& titre, const QString& texte, Icone icone, Boutons boutons);
    // The answer of a box once closed; closed without a button, the answer of Escape.
    static Reponse Lire(const QMessageBox& boite, Boutons boutons);
};
