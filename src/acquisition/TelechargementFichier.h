#pragma once

#include "RequeteWeb.h"
#include "platform/FichierProvisoire.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>

struct IssueTentative;
class TentativeFichier;

// A whole download: the attempts, each resuming where the file stopped, the waits between
// them, and the file taking its name once it is whole. The partial file has no name in the
// folder and lives only as long as this object. Deletes itself once it has reported.
class TelechargementFichier : public QObject
{
public:
    TelechargementFichier(const QString& url, const QString& cible, qint64 tailleAttendue, QObject* contexte,
                          std::function<void(const ResultatTelechargement&)> fin, SuiviTelechargement suivi);
    ~TelechargementFichier() override;

    void Demarrer();

private:
    void tenter();
    void tentativeFinie(const IssueTentative& issue);
    void rendre(IssueTelechargement issue, const QString& raison);

    QString m_url;
    QNetworkAccessManager m_client; // one for every attempt
    FichierProvisoire m_fichier;
    qint64 m_tailleAttendue;
    QPointer<QObject> m_contexte;
    std::function<void(const ResultatTelechargement&)> m_fin;
    SuiviTelechargement m_suivi;
    QPointer<TentativeFichier> m_tentative;
    int m_tentatives = 0;
    int m_sansProgres = 0; // attempts that took the file no further than it ever was
    int m_relances = 0; // retries used: attempts that failed without bringing enough
    qint64 m_plusGrand = 0; // the most the file held at the end of any attempt so far
};
