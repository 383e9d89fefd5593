#pragma once

#include <QObject>
#include <QString>
#include <functional>

// The two web requests of the server: an HTTP GET whose answer is text, and one whose answer
// is written to a file. Both run on the event loop and report to a callback bound to a
// context object (nothing is reported once the context is gone). The proxy settings are read
// afresh for each request; while the proxy is active, a failure is journalled with the proxy
// message.

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
    qint64 Recus = 0;
    QString Erreur;
};

namespace RequeteWeb {

// A request that receives nothing for this long fails (60 seconds; tests shorten it).
int DelaiSansProgres();
void FixerDelaiSansProgres(int millisecondes);

// Largest file kept when no size is announced (the documentation): a body that keeps coming
// never fills the update folder's disk (256 MiB; tests lower it).
qint64 TailleMaxSansAnnonce();
void FixerTailleMaxSansAnnonce(qint64 octets);

// Longest text answer kept; a longer one fails.
constexpr qint64 TailleMaxTexte = 16 * 1024 * 1024;

} // namespace RequeteWeb

// A non-2xx answer fails unless its body is one of the service's own answers. The answer
// "Erreur identification" is journalled and yields a failure.
void RequeteWebTexte(const QString& url, QObject* contexte, std::function<void(const ReponseWeb&)> fin);

// Streams the body to a temporary file beside `fichier`, which takes the name `fichier` only
// when the answer is complete, of status 2xx and, when `tailleAttendue` >= 0, of exactly that
// size (a body growing past it is cut off at once). Nothing is left behind on failure.
void RequeteWebBinaire(const QString& url, const QString& fichier, qint64 tailleAttendue, QObject* contexte,
                       std::function<void(const ResultatTelechargement&)> fin,
                       std::function<void(qint64 recus)> progression = {});

// Whether a body is one of the service's own answers: "OK", "REFUSE", "Erreur identification",
// or an XML document whose root is `erreur` or `maj`.
bool EstReponseDuService(const QString& texte);
