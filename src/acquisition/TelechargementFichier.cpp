#include "TelechargementFichier.h"

#include "LimitesWeb.h"
#include "TentativeFichier.h"
#include "core/Journal.h"
#include "core/Sortie.h"

#include <QTimer>

TelechargementFichier::TelechargementFichier(const QString& url, const QString& cible, qint64 tailleAttendue,
                                             QObject* contexte, std::function<void(const ResultatTelechargement&)> fin,
                                             SuiviTelechargement suivi)
    : m_url(url)
    , m_fichier(cible)
    , m_tailleAttendue(tailleAttendue)
    , m_contexte(contexte)
    , m_fin(std::move(fin))
    , m_suivi(std::move(suivi))
{
    // Without its context the download stops: the attempt under way gives up with this
    // object, and the partial file goes with it.
    connect(contexte, &QObject::destroyed, this, [this] {
        m_contexte = nullptr;
        m_fichier.Abandonner();
        deleteLater();
    });
}

// The attempt goes before the client that holds its answer.
TelechargementFichier::~TelechargementFichier()
{
    delete m_tentative;
}

void TelechargementFichier::Demarrer()
{
    QString erreur;
    if (!m_fichier.Ouvrir(&erreur)) {
        const QString raison = QStringLiteral("impossible de créer le fichier : ") + erreur;
        QTimer::singleShot(0, this, [this, raison] { rendre(IssueTelechargement::Echec, raison); });
        return;
    }
    tenter();
}

void TelechargementFichier::tenter()
{
    if (m_contexte.isNull())
        return;
    ++m_tentatives;
    m_tentative = new TentativeFichier(
        m_url, m_client, m_fichier, m_tailleAttendue, this, [this](const IssueTentative& i) { tentativeFinie(i); },
        m_suivi.Progression);
    m_tentative->Demarrer();
}

void TelechargementFichier::tentativeFinie(const IssueTentative& issue)
{
    if (m_contexte.isNull())
        return;
    if (issue.Issue == IssueTelechargement::Reussi) {
        QString erreur;
        if (!m_fichier.Nommer(&erreur))
            rendre(IssueTelechargement::Echec, QStringLiteral("impossible d'enregistrer le fichier : ") + erreur);
        else
            rendre(IssueTelechargement::Reussi, QString());
        return;
    }
    const LimitesWeb& limites = RequeteWeb::Limites();
    // Bytes received again after a service that ignores ranges started the file over are no
    // progress, whatever the previous attempt held: only growth beyond the most the file ever
    // held counts, so cuts at alternating points cannot renew the retries for ever.
    const bool progres = m_fichier.Taille() - m_plusGrand >= limites.ProgresSuffisant;
    if (m_fichier.Taille() <= m_plusGrand)
        ++m_sansProgres;
    m_plusGrand = qMax(m_plusGrand, m_fichier.Taille());
    const bool epuisees = m_sansProgres >= limites.TentativesSansProgresMax;
    if (!issue.Passager || epuisees || (!progres && m_relances >= limites.RelancesMs.size())) {
        if (issue.Issue == IssueTelechargement::Echec && issue.ProxyActif && !issue.Journalisee)
            AjouterEvenement(Anomalie,
                             QStringLiteral("Erreur de récupération de la mise à jour ") + m_fichier.Cible()
                                 + QStringLiteral(", erreur de configuration du proxy : ") + issue.Raison);
        QString raison = issue.Raison;
        if (issue.Passager && epuisees)
            raison += QStringLiteral(" ; abandon après ") + QString::number(m_sansProgres)
                + QStringLiteral(" tentatives sans progrès");
        rendre(issue.Issue, raison);
        return;
    }
    if (progres)
        m_relances = 0;
    const int attente = progres ? 0 : limites.RelancesMs.at(m_relances++);
    const QString debut = QStringLiteral("Téléchargement de ") + m_url + QStringLiteral(" : tentative ")
        + QString::number(m_tentatives) + QStringLiteral(" échouée (") + issue.Raison + QStringLiteral("), ");
    if (attente == 0) {
        Sortie::Ecrire(debut + QStringLiteral("reprise immédiate à l'octet ") + QString::number(m_fichier.Taille()));
        QTimer::singleShot(0, this, [this] { tenter(); });
        return;
    }
    Sortie::Ecrire(debut + QStringLiteral("nouvelle tentative dans ") + QString::number((attente + 999) / 1000)
                   + QStringLiteral(" s"));
    if (m_suivi.Attente)
        m_suivi.Attente(attente);
    QTimer::singleShot(attente, this, [this] {
        if (m_suivi.Attente)
            m_suivi.Attente(0);
        tenter();
    });
}

void TelechargementFichier::rendre(IssueTelechargement issue, const QString& raison)
{
    ResultatTelechargement r;
    r.Issue = issue;
    r.Recus = m_fichier.Taille();
    r.Erreur = raison;
    r.Tentatives = m_tentatives;
    if (issue != IssueTelechargement::Reussi)
        m_fichier.Abandonner();
    deleteLater();
    if (!m_contexte.isNull())
        m_fin(r);
}
