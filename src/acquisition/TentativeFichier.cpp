#include "TentativeFichier.h"

#include "LimitesWeb.h"
#include "platform/FichierProvisoire.h"

#include <QNetworkRequest>

namespace {

// "bytes a-b/t" or "bytes a-b/*" (total -1).
bool lirePlageRecue(const QByteArray& texte, qint64* premier, qint64* dernier, qint64* total)
{
    const QByteArray t = texte.trimmed();
    if (!t.startsWith("bytes "))
        return false;
    const QByteArray plage = t.mid(6).trimmed();
    const int tiret = plage.indexOf('-');
    const int barre = plage.indexOf('/');
    if (tiret <= 0 || barre < tiret)
        return false;
    bool ok1 = false;
    bool ok2 = false;
    bool ok3 = true;
    *premier = plage.left(tiret).toLongLong(&ok1);
    *dernier = plage.mid(tiret + 1, barre - tiret - 1).toLongLong(&ok2);
    const QByteArray tout = plage.mid(barre + 1);
    *total = tout == "*" ? -1 : tout.toLongLong(&ok3);
    return ok1 && ok2 && ok3 && *premier >= 0 && *dernier >= *premier && (*total < 0 || *dernier < *total);
}

} // namespace

TentativeFichier::TentativeFichier(const QString& url, QNetworkAccessManager& client, FichierProvisoire& fichier,
                                   qint64 tailleAttendue, QObject* contexte,
                                   std::function<void(const IssueTentative&)> fin,
                                   std::function<void(qint64)> progression)
    : EchangeWeb(url, contexte, &client)
    , m_fichier(fichier)
    , m_tailleAttendue(tailleAttendue)
    , m_fin(std::move(fin))
    , m_progression(std::move(progression))
{
}

void TentativeFichier::Demarrer()
{
    m_debut = m_fichier.Taille();
    const QByteArray plage = m_debut > 0 ? "bytes=" + QByteArray::number(m_debut) + '-' : QByteArray();
    if (!lancer(plage))
        QTimer::singleShot(0, this, [this] { rendre(IssueTelechargement::Echec, false, m_raison); });
}

void TentativeFichier::enTetes()
{
    const int s = statut();
    if (s == 0 || m_arrete)
        return;
    if (s < 200 || s > 299) {
        // The error page is read and dropped; the client ends the exchange by itself.
        m_arrete = true;
        retenirEchec(descriptionStatut(), s >= 500 && s <= 599);
        return;
    }
    qint64 annonce = -1;
    if (!tailleAnnoncee(s, &annonce))
        return;
    if (m_tailleAttendue >= 0 && annonce >= 0 && annonce != m_tailleAttendue)
        tailleFausse(QStringLiteral("taille annoncée ") + QString::number(annonce)
                         + QStringLiteral(" octets au lieu de ") + QString::number(m_tailleAttendue),
                     annonce < m_tailleAttendue);
}

bool TentativeFichier::tailleAnnoncee(int s, qint64* taille)
{
    const QVariant longueur = m_reponse->header(QNetworkRequest::ContentLengthHeader);
    const qint64 corps = longueur.isValid() ? longueur.toLongLong() : -1;
    if (m_debut == 0 && s != 206) {
        *taille = corps;
        return true;
    }
    if (m_debut > 0 && s == 200) {
        // The service does not resume: the file starts again from its first byte.
        QString erreur;
        if (!m_fichier.Vider(&erreur)) {
            m_arrete = true;
            arreter(QStringLiteral("écriture impossible : ") + erreur);
            return false;
        }
        m_debut = 0;
        if (m_progression)
            m_progression(0);
        *taille = corps;
        return true;
    }
    const QByteArray plage = m_reponse->rawHeader("Content-Range");
    qint64 premier = 0;
    qint64 dernier = 0;
    qint64 total = 0;
    if (m_debut == 0 || s != 206 || !lirePlageRecue(plage, &premier, &dernier, &total) || premier != m_debut
        || (total >= 0 && dernier != total - 1) || (corps >= 0 && corps != dernier - premier + 1)) {
        m_arrete = true;
        arreter(descriptionStatut() + QStringLiteral(" (Content-Range « ") + QString::fromLatin1(plage)
                    + QStringLiteral(" ») à la demande des octets à partir de ") + QString::number(m_debut),
                true);
        return false;
    }
    *taille = total;
    return true;
}

void TentativeFichier::lire()
{
    if (!m_reponse->isOpen())
        return;
    const QByteArray morceau = m_reponse->readAll();
    if (m_arrete || morceau.isEmpty())
        return;
    const qint64 total = m_fichier.Taille() + morceau.size();
    if (m_tailleAttendue >= 0 && total > m_tailleAttendue) {
        tailleFausse(QStringLiteral("le fichier dépasse la taille annoncée de ") + QString::number(m_tailleAttendue)
                         + QStringLiteral(" octets"),
                     false);
        return;
    }
    const qint64 plafond = RequeteWeb::Limites().TailleMaxSansAnnonce;
    if (m_tailleAttendue < 0 && total > plafond) {
        m_arrete = true;
        arreter(QStringLiteral("le fichier dépasse la taille maximale de ") + QString::number(plafond)
                + QStringLiteral(" octets"));
        return;
    }
    QString erreur;
    if (!m_fichier.Ajouter(morceau, &erreur)) {
        // A full or unwritable update folder stays so for the next attempt.
        m_arrete = true;
        arreter(QStringLiteral("écriture impossible : ") + erreur);
        return;
    }
    m_recus += morceau.size();
    if (m_progression)
        m_progression(m_fichier.Taille());
}

void TentativeFichier::tailleFausse(const QString& raison, bool passager)
{
    m_tailleFausse = true;
    m_arrete = true;
    arreter(raison, passager);
}

void TentativeFichier::termine()
{
    if (m_tailleFausse) {
        rendre(IssueTelechargement::TailleIncorrecte, echecPassager(), raisonEchec());
        return;
    }
    const int s = statut();
    if (!m_raison.isEmpty() || s < 200 || s > 299 || m_reponse->error() != QNetworkReply::NoError) {
        rendre(IssueTelechargement::Echec, echecPassager(),
               m_raison.isEmpty() && s > 299 ? descriptionStatut() : raisonEchec());
        return;
    }
    lire();
    if (m_arrete) {
        rendre(m_tailleFausse ? IssueTelechargement::TailleIncorrecte : IssueTelechargement::Echec, echecPassager(),
               raisonEchec());
        return;
    }
    const QVariant longueur = m_reponse->header(QNetworkRequest::ContentLengthHeader);
    if (longueur.isValid() && longueur.toLongLong() != m_recus) {
        rendre(IssueTelechargement::Echec, true, QStringLiteral("réponse incomplète"));
        return;
    }
    if (m_tailleAttendue >= 0 && m_fichier.Taille() != m_tailleAttendue) {
        rendre(IssueTelechargement::TailleIncorrecte, true,
               QString::number(m_fichier.Taille()) + QStringLiteral(" octets reçus au lieu de ")
                   + QString::number(m_tailleAttendue));
        return;
    }
    rendre(IssueTelechargement::Reussi, false, QString());
}

void TentativeFichier::rendre(IssueTelechargement issue, bool passager, const QString& raison)
{
    IssueTentative r;
    r.Issue = issue;
    r.Passager = passager;
    r.Raison = raison;
    r.Journalisee = journalise();
    r.ProxyActif = m_proxy.Actif;
    deleteLater();
    if (contexteVivant())
        m_fin(r);
}
