#pragma once

#include <QChar>
#include <QString>

// Typing rules of the check-time box "hh:mm", one key at a time, from the text before the key.
namespace SaisieHeure {

enum class Decision
{
    Accepter, // the key goes into the box as usual
    Refuser, // the key is dropped
    AjouterDeuxPoints, // ":" is appended and the caret moved to the end; the key is then dropped
    AjouterDeuxPointsPuisAccepter, // same, then the key goes in
    Vider, // the whole text is cleared (Backspace on a complete time)
};

// A typed character.
Decision Caractere(const QString& avant, QChar c);

// Backspace.
Decision Retour(const QString& avant);

// Completion when leaving the box: "09" -> "09:00", "09:" -> "09:00", "22:3" -> "22:30".
QString Completer(const QString& texte);

} // namespace SaisieHeure
