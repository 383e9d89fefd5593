#pragma once

#include <QString>
#include <QVector>

// The update query's answer: an `erreur` document, an update list `maj`, or something else.

// One `version` entry as it stands in the answer: the text of its first child of each name.
struct EntreeVersion
{
    int Rang = 0; // 1 for the first entry of the list
    QString Numero, Chemin, ServeurNecessaire, Environnement, Documentation, Taille;
    bool AvecNumero = false, AvecChemin = false, AvecServeurNecessaire = false, AvecEnvironnement = false,
         AvecDocumentation = false, AvecTaille = false;
};

// An entry that can be downloaded.
struct VersionAnnoncee
{
    QString Numero; // whole number, as written in the answer (trimmed)
    QString Chemin; // path in the service's download area, as announced
    QString Environnement; // "1" server, "0" workstation
    bool ConditionServeur = false;
    bool Documentation = false;
    qint64 Taille = 0;
};

struct ReponseVersion
{
    enum Genre
    {
        Erreur,
        Liste,
        Illisible
    };
    Genre Type = Illisible;
    QString TexteErreur; // text of the `erreur` root
    QVector<EntreeVersion> Entrees; // `version` children of `maj`, in document order
    QString Raison; // why the answer cannot be read
};

// Reads the answer. A document type declaration is refused, so no entity is ever resolved.
ReponseVersion LireReponseVersion(const QString& texte);

// Checks an entry; false with the anomaly text for the journal when it cannot be downloaded.
bool ValiderEntree(const EntreeVersion& entree, VersionAnnoncee* version, QString* anomalie);
