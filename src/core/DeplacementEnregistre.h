#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The on-disk record of a move of the update folder in progress, beside donnees.db: written and
// put on disk before the first file moves, removed once the move has ended one way or the
// other. A server killed half way finds it at its next start (see RepriseDeplacement).
struct DeplacementEnregistre
{
    QString Ancien;
    QString Nouveau;
    QStringList Fichiers; // names of the files to move, update archives and documentation

    // The record's path: the folder of the open internal database.
    static QString Chemin();
    // The record's path in that program folder.
    static QString CheminDans(const QString& dossierProgramme);

    // Written whole or not at all, and on disk when true.
    bool Ecrire(QString* erreur) const;
    // The record left by an unfinished move; nothing when there is none. `erreur` is set when
    // a record is there but cannot be read.
    static std::optional<DeplacementEnregistre> Lire(QString* erreur);
    static bool Effacer(QString* erreur);
};
