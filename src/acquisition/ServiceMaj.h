#pragma once

#include "ReponseVersion.h"
#include "RequeteWeb.h"

#include <QObject>
#include <QString>
#include <QVector>
#include <functional>
#include <optional>

class Etat;

// The exchanges with the maker's update service: the account check, the update query, the
// download of each update with its acknowledgement. Outcomes go to the journal.

// The account check: calls `fin` with the service's answer text ("OK", "REFUSE", other
// text), or the empty text when the service could not be reached.
void VerifierIdentifiants(const Etat& etat, const QString& utilisateur, const QString& motDePasse, QObject* contexte,
                          std::function<void(const QString& reponse)> fin);

// The version of the last update recorded, "0" when none; nothing when the internal database
// could not be read, for asking the service from "0" would download every update again.
std::optional<QString> DerniereVersionDispo();

// Asks for the updates that follow `version` and journals the outcome. Calls `fin` with the
// listed entries, in download order; with none when there is nothing to download.
void RechercherMiseAJour(const Etat& etat, const QString& version, const QString& utilisateur,
                         const QString& motDePasse, QObject* contexte,
                         std::function<void(const QVector<EntreeVersion>& entrees)> fin);

// How one listed update ended, for the check that goes on with the next one or stops.
enum class IssueMaj
{
    Enregistree, // downloaded and recorded (its acknowledgement and documentation may have failed)
    Ignoree, // not downloadable as announced (no update folder, a name that cannot be used)
    Echouee // not downloaded or not recorded: nothing listed after it may be, or it would be overtaken
};

// Downloads one update into the update folder, records it, acknowledges it and fetches its
// documentation. The file takes the name at the end of its path, or a name of its own when a
// row of another version names that file (journalled), which is never replaced. `suivi` hears of the update file's
// bytes and of the waits before new attempts (of the file and of its documentation).
void TelechargerMiseAJour(const Etat& etat, const VersionAnnoncee& version, const QString& utilisateur,
                          QObject* contexte, const SuiviTelechargement& suivi, std::function<void(IssueMaj)> fin);

// Records a download (and queues a server update) in one transaction, with the mark of its
// acknowledgement and documentation still to come (`chemin`: the update's path at the
// service). Its IdMajDispo; 0 when nothing could be written.
qint64 EnregistrerMajDispo(const QString& numero, const QString& nomLocal, const QString& environnement,
                           bool conditionServeur, bool documentation, const QString& chemin = QString());

// Acknowledges, and fetches the documentation of, every update recorded whose acknowledgement
// or documentation a stop of the server cut off, oldest first; then calls `fin`.
void AcheverMajInterrompues(const Etat& etat, const QString& utilisateur, QObject* contexte,
                            const SuiviTelechargement& suivi, std::function<void()> fin);

// Tells the service that the download arrived, and journals its answer.
void SignalerTelechargement(const Etat& etat, const QString& utilisateur, const QString& numero,
                            const QString& environnement, QObject* contexte, std::function<void()> fin);
