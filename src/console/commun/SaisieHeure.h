#pragma once

#include <QChar>
#include <QRegularExpression>
#include <QString>

// Typing rules of a time box "hh:mm", one key at a time, from the text before the key. They let
// through only what can still become a time of day, 00:00 to 23:59.
namespace SaisieHeure {

enum class Decision
{
    Accepter, // the key goes into the box
    Refuser, // the key is dropped
    AjouterDeuxPoints, // ":" is appended; the key is then dropped
    AjouterDeuxPointsPuisAccepter, // ":" is appended, then the key goes in
};

// What becomes of a key, and why it is dropped when it is (the empty text when it is not).
struct Verdict
{
    Decision decision;
    QString raison;
};

// A typed character.
Verdict Caractere(const QString& avant, QChar c);

// Backspace on a complete time clears the whole box; otherwise it erases one character.
bool RetourVide(const QString& avant);

// Completion when leaving the box: "09" -> "09:00", "09:" -> "09:00", "22:3" -> "22:30".
QString Completer(const QString& texte);

// A whole time of day "hh:mm", 00:00 to 23:59. A box's validator built on it also accepts the
// beginnings typing goes through ("2", "22", "22:", "22:3") and refuses anything else, however
// the text arrives (keys, paste, drop).
QRegularExpression Motif();
bool EstValide(const QString& texte);

} // namespace SaisieHeure
