#pragma once

#include <QObject>
#include <QString>
#include <functional>

// The two web requests of the server: an HTTP GET whose answer is text, and one whose answer
// is written to a file. Both run on the event loop and report to a callback bound to a
// context object (nothing is reported once the context is gone). The proxy settings are read
// afresh for each request; while the proxy is active, a failure is journalled with the proxy
// message. Redirections are followed, never from https to a less safe address (a refused
// redirection is journalled). Their limits are in LimitesWeb.h.

struct ReponseWeb
{
    bool Reussie = false;
    QString Texte; // the body, empty on failure
    int Statut = 0; // HTTP status, 0 when no answer arrived
    QString Erreur; // why the request failed
    bool Journalisee = false; // the failure already has its journal row
};

enum class IssueTelechargement
{
    Reussi,
    Echec,
    TailleIncorrecte
};

struct ResultatTelechargement
{
    IssueTelechargement Issue = IssueTelechargement::Echec;
    qint64 Recus = 0; // bytes of the file at the end
    QString Erreur; // why the last attempt failed
    int Tentatives = 0;
};

// What a download tells while it runs.
struct SuiviTelechargement
{
    std::function<void(qint64 recus)> Progression; // bytes of the file so far
    // A failed attempt: the next one starts in `attenteMs`; called with 0 when it starts.
    std::function<void(int attenteMs)> Attente;
};

// A non-2xx answer fails unless its body is one of the service's own answers. The answer
// "Erreur identification" is journalled and yields a failure.
void RequeteWebTexte(const QString& url, QObject* contexte, std::function<void(const ReponseWeb&)> fin);

// Streams the body to a file without a name in the folder of `fichier`, which takes the name
// `fichier` only when the answer is complete, of status 2xx and, when `tailleAttendue` >= 0,
// of exactly that size (a body growing past it is cut off at once); the file and its folder
// are then on disk. An attempt that fails for a passing reason (a cut, a refused connection, a
// name not resolved, a stall, a trickle, a 5xx status, a body shorter than announced) is
// followed by others, each asking only for the bytes still missing; a 4xx status, a body too
// long, a file that cannot be written end it at once. One line on standard error tells each
// failed attempt that is followed by another. Nothing is left behind on failure.
void RequeteWebBinaire(const QString& url, const QString& fichier, qint64 tailleAttendue, QObject* contexte,
                       std::function<void(const ResultatTelechargement&)> fin, SuiviTelechargement suivi = {});

// Whether a body is one of the service's own answers: "OK", "REFUSE", "Erreur identification",
// or an XML document whose root is `erreur` or `maj`.
bool EstReponseDuService(const QString& texte);
