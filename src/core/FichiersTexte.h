#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Plain text files read line by line: lines end at LF, CRLF or CR; only the line end is
// removed. Files in UTF-8 are read as such, anything else as Windows-1252.
namespace FichiersTexte {

QStringList Lignes(const QByteArray& contenu);

// False (with the reason) when the file is missing or unreadable.
bool LireLignes(const QString& chemin, QStringList* lignes, QString* erreur);

// The text after the first "=", or the whole text when it holds none.
QString ValeurApresEgal(const QString& ligne);

} // namespace FichiersTexte
