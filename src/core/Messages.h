#pragma once

#include "Sortie.h"

#include <QString>

class QObject;

enum class Icone
{
    Aucune,
    Information,
    Exclamation,
    Question
};
enum class Boutons
{
    Ok,
    OuiNon,
    OuiNonAnnuler
};
enum class Reponse
{
    Ok,
    Oui,
    Non,
    Annuler
};

// The person at the screen, as the logic folders see it. The console shows real message
// boxes; tests answer from a script.
class Interlocuteur
{
public:
    virtual ~Interlocuteur() = default;
    virtual Reponse Afficher(QObject* proprietaire, const QString& titre, const QString& texte, Icone icone,
                             Boutons boutons)
        = 0;
};

namespace Messages {

inline QString Titre()
{
    return QStringLiteral("Message QUENTARIS");
}

// Title of the boxes that name no title of their own.
inline QString TitreApplication()
{
    return QStringLiteral("Serveur MAJ QUENTARIS");
}

// Two-part messages are shown on two lines.
inline QString Joindre(const QString& premier, const QString& second)
{
    return premier + QStringLiteral("\r\n") + second;
}

void Installer(Interlocuteur* interlocuteur);

// Qt's own warnings go to standard error like the program's lines, each line with its time (in
// the journal, with the priority of the warning).
// The warning about a missing XDG_RUNTIME_DIR, which says nothing about the site, is dropped.
void RedirigerMessagesQt();

// Shows a message box and writes it to standard error. Without a person installed the box
// is only written, and the answer is Ok, or No for a question. A box with the exclamation icon
// (a refusal, an error told to the person) is written as an anomaly, the others as information.
Reponse Afficher(QObject* proprietaire, const QString& texte, Icone icone = Icone::Exclamation,
                 Boutons boutons = Boutons::Ok, const QString& titre = Titre());
// The same, written at the priority given: a message that ends the program is an error.
Reponse Afficher(QObject* proprietaire, const QString& texte, Icone icone, Boutons boutons, const QString& titre,
                 Sortie::Priorite priorite);

} // namespace Messages
