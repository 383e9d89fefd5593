#pragma once

#include <QChar>
#include <QRegularExpression>
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

// A whole time of day "hh:mm", 00:00 to 23:59. A box's validator built on it also accepts the
// beginnings typing goes through ("2", "22", "22:", "22:3") and refuses anything else, however
// the text arrives (keys, paste, drop).
QRegularExpression Motif();
bool EstValide(const QString& texte);

} // namespace SaisieHeure
