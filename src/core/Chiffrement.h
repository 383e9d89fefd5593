#pragma once

#include <QString>

// Cipher of the two stored passwords. The enciphered text is Base64 (no single quote);
// each call stands alone.
namespace ChiffrementMotDePasse {

inline QString Cle()
{
    return QStringLiteral("QuEnTaRiS");
}

QString Chiffrer(const QString& texte, const QString& cle);

// The empty text, and any text that is not a valid enciphered text, give the empty text.
QString Dechiffrer(const QString& texte, const QString& cle);

} // namespace ChiffrementMotDePasse
