#pragma once

#include "EchangeWeb.h"
#include "RequeteWeb.h"

#include <functional>

class FichierProvisoire;

// How one attempt of a download ended.
struct IssueTentative
{
    IssueTelechargement Issue = IssueTelechargement::Echec;
    bool Passager = false; // another attempt may succeed
    QString Raison;
    bool Journalisee = false; // the failure already has its journal row
    bool ProxyActif = false;
};

// One attempt of a download: asks for what the file still lacks ("Range: bytes=N-" when it
// already holds N bytes) and appends the answer to it. A 206 answer that continues the file
// is appended, a 200 answer starts the file again, anything else fails the attempt. The
// size is checked against the announced one as the answer comes.
class TentativeFichier : public EchangeWeb
{
public:
    TentativeFichier(const QString& url, QNetworkAccessManager& client, FichierProvisoire& fichier,
                     qint64 tailleAttendue, QObject* contexte, std::function<void(const IssueTentative&)> fin,
                     std::function<void(qint64)> progression);

    void Demarrer();

private:
    void enTetes() override;
    void lire() override;
    void termine() override;

    // The size of the whole file that the answer announces; false when it cannot be used.
    bool tailleAnnoncee(int statut, qint64* taille);
    void tailleFausse(const QString& raison, bool passager);
    void rendre(IssueTelechargement issue, bool passager, const QString& raison);

    FichierProvisoire& m_fichier;
    qint64 m_tailleAttendue;
    qint64 m_debut = 0; // bytes of the file before this attempt
    qint64 m_recus = 0; // bytes of the body appended by this attempt
    bool m_tailleFausse = false;
    bool m_arrete = false;
    std::function<void(const IssueTentative&)> m_fin;
    std::function<void(qint64)> m_progression;
};
