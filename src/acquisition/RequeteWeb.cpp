#include "RequeteWeb.h"

#include "ParametresProxy.h"
#include "core/Journal.h"
#include "platform/TexteFil.h"

#include <QAuthenticator>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTimer>
#include <QXmlStreamReader>

namespace RequeteWeb {

namespace {
int g_delaiSansProgres = 60000;
qint64 g_tailleMaxSansAnnonce = 256 * 1024 * 1024;
} // namespace

int DelaiSansProgres()
{
    return g_delaiSansProgres;
}

void FixerDelaiSansProgres(int millisecondes)
{
    g_delaiSansProgres = millisecondes;
}

qint64 TailleMaxSansAnnonce()
{
    return g_tailleMaxSansAnnonce;
}

void FixerTailleMaxSansAnnonce(qint64 octets)
{
    g_tailleMaxSansAnnonce = octets;
}

} // namespace RequeteWeb

bool EstReponseDuService(const QString& texte)
{
    if (texte == QLatin1String("OK") || texte == QLatin1String("REFUSE")
        || texte == QLatin1String("Erreur identification"))
        return true;
    QXmlStreamReader xml(texte);
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            return xml.name() == QLatin1String("erreur") || xml.name() == QLatin1String("maj");
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::Invalid:
            return false;
        default:
            break;
        }
    }
    return false;
}

namespace {

QString decoderTexte(const QByteArray& octets)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString texte = utf8(octets);
    if (!utf8.hasError())
        return texte;
    return TexteFil::depuisOctets(octets);
}

constexpr qint64 TailleTampon = 1024 * 1024;

bool statutReussi(int statut)
{
    return statut >= 200 && statut <= 299;
}

QString descriptionStatut(const QNetworkReply* reponse, int statut)
{
    const QString raison = reponse->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    return QStringLiteral("réponse HTTP ") + QString::number(statut)
        + (raison.isEmpty() ? QString() : QLatin1Char(' ') + raison);
}

// One request: its own network client, its proxy, its no-progress timer. Deletes itself
// once it has reported.
class Transfert : public QObject
{
public:
    Transfert(const QString& url, QObject* contexte) : m_url(url), m_contexte(contexte)
    {
        connect(contexte, &QObject::destroyed, this, [this] { abandonner(); });
        m_minuteur.setSingleShot(true);
        m_minuteur.setInterval(RequeteWeb::DelaiSansProgres());
        connect(&m_minuteur, &QTimer::timeout, this, [this] {
            m_raison = QStringLiteral("aucune donnée reçue depuis ")
                + QString::number(RequeteWeb::DelaiSansProgres() / 1000.0) + QStringLiteral(" secondes");
            if (m_reponse)
                m_reponse->abort();
        });
    }

    ~Transfert() override
    {
        if (m_reponse)
            disconnect(m_reponse, nullptr, this, nullptr);
    }

protected:
    // Reads the proxy settings and sends the request; false with a reason when it cannot start.
    bool lancer()
    {
        m_proxy = Proxy::ChargerParametresProxy();
        // Characters a URL cannot hold as they are (a space in a file path) are encoded.
        const QUrl adresse(m_url);
        if (!adresse.isValid() || adresse.scheme().isEmpty()) {
            m_raison = QStringLiteral("adresse « ") + m_url + QStringLiteral(" » invalide");
            return false;
        }
        QNetworkProxy proxy;
        if (!Proxy::ProxyPour(m_proxy, adresse, &proxy, &m_raison))
            return false;
        m_client.setProxy(proxy);
        // Credentials are offered once; a proxy refusing them ends the request.
        connect(&m_client, &QNetworkAccessManager::proxyAuthenticationRequired, this,
                [this, proxy](const QNetworkProxy&, QAuthenticator* auth) {
                    if (m_credentielsDonnes || proxy.user().isEmpty())
                        return;
                    m_credentielsDonnes = true;
                    auth->setUser(proxy.user());
                    auth->setPassword(proxy.password());
                });
        QNetworkRequest requete(adresse);
        requete.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        m_reponse = m_client.get(requete);
        // Back-pressure: the client holds at most this much unread; the rest waits in the socket.
        m_reponse->setReadBufferSize(TailleTampon);
        connect(m_reponse, &QNetworkReply::metaDataChanged, this, [this] {
            progres();
            enTetes();
        });
        connect(m_reponse, &QNetworkReply::readyRead, this, [this] {
            progres();
            lire();
        });
        connect(m_reponse, &QNetworkReply::downloadProgress, this, [this] { progres(); });
        connect(m_reponse, &QNetworkReply::finished, this, [this] {
            m_minuteur.stop();
            termine();
        });
        m_minuteur.start();
        return true;
    }

    virtual void enTetes() { }
    virtual void lire() { }
    virtual void termine() = 0;

    int statut() const { return m_reponse->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(); }

    // The reason of a failed exchange: ours when we stopped it, the client's otherwise.
    QString raisonEchec() const
    {
        if (!m_raison.isEmpty())
            return m_raison;
        return m_reponse ? m_reponse->errorString() : QString();
    }

    void arreter(const QString& raison)
    {
        if (m_raison.isEmpty())
            m_raison = raison;
        m_reponse->abort();
    }

    bool contexteVivant() const { return !m_contexte.isNull(); }

    void progres() { m_minuteur.start(); }

    QString m_url;
    ParametresProxy m_proxy;
    QNetworkAccessManager m_client;
    QNetworkReply* m_reponse = nullptr;
    QString m_raison;

private:
    void abandonner()
    {
        m_contexte = nullptr;
        m_minuteur.stop();
        if (m_reponse) {
            disconnect(m_reponse, nullptr, this, nullptr);
            m_reponse->abort();
        }
        deleteLater();
    }

    QPointer<QObject> m_contexte;
    QTimer m_minuteur;
    bool m_credentielsDonnes = false;
};

class TransfertTexte : public Transfert
{
public:
    TransfertTexte(const QString& url, QObject* contexte, std::function<void(const ReponseWeb&)> fin)
        : Transfert(url, contexte), m_fin(std::move(fin))
    {
    }

    void demarrer()
    {
        if (!lancer())
            QTimer::singleShot(0, this, [this] { rendre(echec(m_raison)); });
    }

private:
    void lire() override
    {
        if (m_reponse->isOpen())
            m_corps += m_reponse->readAll();
        if (m_corps.size() > RequeteWeb::TailleMaxTexte)
            arreter(QStringLiteral("réponse trop longue"));
    }

    void termine() override
    {
        lire();
        const int s = statut();
        ReponseWeb r;
        if (!m_raison.isEmpty() || s == 0) {
            r = echec(raisonEchec());
        } else if (statutReussi(s)) {
            if (m_reponse->error() != QNetworkReply::NoError) {
                r = echec(raisonEchec());
            } else {
                r.Reussie = true;
                r.Texte = decoderTexte(m_corps);
            }
        } else {
            const QString texte = decoderTexte(m_corps);
            if (EstReponseDuService(texte)) {
                r.Reussie = true;
                r.Texte = texte;
            } else {
                r = echec(descriptionStatut(m_reponse, s));
            }
        }
        r.Statut = s;
        if (r.Reussie && r.Texte == QLatin1String("Erreur identification")) {
            AjouterEvenement(Anomalie,
                             QStringLiteral("Le site internet a renvoyé une erreur lors de l'identification !"));
            r.Reussie = false;
            r.Texte.clear();
            r.Erreur = QStringLiteral("le serveur a répondu « Erreur identification »");
            r.Journalisee = true;
        }
        rendre(r);
    }

    ReponseWeb echec(const QString& raison)
    {
        ReponseWeb r;
        r.Statut = m_reponse ? statut() : 0;
        r.Erreur = raison;
        if (m_proxy.Actif) {
            AjouterEvenement(Anomalie,
                             QStringLiteral("Erreur de requete Web, configuration du proxy incorrecte ! (") + raison
                                 + QLatin1Char(')'));
            r.Journalisee = true;
        }
        return r;
    }

    void rendre(const ReponseWeb& r)
    {
        deleteLater();
        if (contexteVivant())
            m_fin(r);
    }

    QByteArray m_corps;
    std::function<void(const ReponseWeb&)> m_fin;
};

class TransfertFichier : public Transfert
{
public:
    TransfertFichier(const QString& url, const QString& fichier, qint64 tailleAttendue, QObject* contexte,
                     std::function<void(const ResultatTelechargement&)> fin, std::function<void(qint64)> progression)
        : Transfert(url, contexte)
        , m_fichier(fichier)
        , m_tailleAttendue(tailleAttendue)
        , m_fin(std::move(fin))
        , m_progression(std::move(progression))
    {
    }

    void demarrer()
    {
        // The target keeps its content until the new file is complete.
        m_fichier.setDirectWriteFallback(false);
        if (!m_fichier.open(QIODevice::WriteOnly)) {
            m_raison = QStringLiteral("impossible de créer le fichier : ") + m_fichier.errorString();
            QTimer::singleShot(0, this, [this] { rendre(IssueTelechargement::Echec, m_raison); });
            return;
        }
        if (!lancer())
            QTimer::singleShot(0, this, [this] { rendre(IssueTelechargement::Echec, m_raison); });
    }

private:
    void enTetes() override
    {
        const int s = statut();
        if (s == 0)
            return;
        if (!statutReussi(s)) {
            // The error page is read and dropped; the client ends the exchange by itself.
            m_raison = descriptionStatut(m_reponse, s);
            m_arrete = true;
            return;
        }
        const QVariant longueur = m_reponse->header(QNetworkRequest::ContentLengthHeader);
        if (m_tailleAttendue >= 0 && longueur.isValid() && longueur.toLongLong() != m_tailleAttendue) {
            m_tailleFausse = true;
            arreter(QStringLiteral("taille annoncée ") + QString::number(longueur.toLongLong())
                    + QStringLiteral(" octets au lieu de ") + QString::number(m_tailleAttendue));
        }
    }

    void lire() override
    {
        if (!m_reponse->isOpen())
            return;
        const QByteArray morceau = m_reponse->readAll();
        if (m_arrete)
            return;
        if (morceau.isEmpty())
            return;
        if (m_tailleAttendue >= 0 && m_recus + morceau.size() > m_tailleAttendue) {
            m_recus += morceau.size();
            m_tailleFausse = true;
            m_arrete = true;
            arreter(QStringLiteral("le fichier dépasse la taille annoncée de ") + QString::number(m_tailleAttendue)
                    + QStringLiteral(" octets"));
            return;
        }
        if (m_tailleAttendue < 0 && m_recus + morceau.size() > RequeteWeb::TailleMaxSansAnnonce()) {
            m_arrete = true;
            arreter(QStringLiteral("le fichier dépasse la taille maximale de ")
                    + QString::number(RequeteWeb::TailleMaxSansAnnonce()) + QStringLiteral(" octets"));
            return;
        }
        if (m_fichier.write(morceau) != morceau.size()) {
            m_arrete = true;
            arreter(QStringLiteral("écriture impossible : ") + m_fichier.errorString());
            return;
        }
        m_recus += morceau.size();
        if (m_progression)
            m_progression(m_recus);
    }

    void termine() override
    {
        if (m_tailleFausse) {
            rendre(IssueTelechargement::TailleIncorrecte, m_raison);
            return;
        }
        const int s = statut();
        if (!m_raison.isEmpty()) {
            rendre(IssueTelechargement::Echec, m_raison);
            return;
        }
        if (s != 0 && !statutReussi(s)) {
            rendre(IssueTelechargement::Echec, descriptionStatut(m_reponse, s));
            return;
        }
        if (s == 0 || m_reponse->error() != QNetworkReply::NoError) {
            rendre(IssueTelechargement::Echec, raisonEchec());
            return;
        }
        lire();
        if (m_arrete) {
            rendre(m_tailleFausse ? IssueTelechargement::TailleIncorrecte : IssueTelechargement::Echec, m_raison);
            return;
        }
        const QVariant longueur = m_reponse->header(QNetworkRequest::ContentLengthHeader);
        if (longueur.isValid() && longueur.toLongLong() != m_recus) {
            rendre(IssueTelechargement::Echec, QStringLiteral("réponse incomplète"));
            return;
        }
        if (m_tailleAttendue >= 0 && m_recus != m_tailleAttendue) {
            rendre(IssueTelechargement::TailleIncorrecte,
                   QString::number(m_recus) + QStringLiteral(" octets reçus au lieu de ")
                       + QString::number(m_tailleAttendue));
            return;
        }
        if (!m_fichier.commit()) {
            rendre(IssueTelechargement::Echec,
                   QStringLiteral("impossible d'enregistrer le fichier : ") + m_fichier.errorString());
            return;
        }
        rendre(IssueTelechargement::Reussi, QString());
    }

    void rendre(IssueTelechargement issue, const QString& raison)
    {
        if (issue != IssueTelechargement::Reussi)
            m_fichier.cancelWriting();
        if (issue == IssueTelechargement::Echec && m_proxy.Actif)
            AjouterEvenement(Anomalie,
                             QStringLiteral("Erreur de récupération de la mise à jour ") + m_fichier.fileName()
                                 + QStringLiteral(", erreur de configuration du proxy : ") + raison);
        ResultatTelechargement r;
        r.Issue = issue;
        r.Recus = m_recus;
        r.Erreur = raison;
        deleteLater();
        if (contexteVivant())
            m_fin(r);
    }

    QSaveFile m_fichier;
    qint64 m_tailleAttendue;
    qint64 m_recus = 0;
    bool m_tailleFausse = false;
    bool m_arrete = false;
    std::function<void(const ResultatTelechargement&)> m_fin;
    std::function<void(qint64)> m_progression;
};

} // namespace

void RequeteWebTexte(const QString& url, QObject* contexte, std::function<void(const ReponseWeb&)> fin)
{
    (new TransfertTexte(url, contexte, std::move(fin)))->demarrer();
}

void RequeteWebBinaire(const QString& url, const QString& fichier, qint64 tailleAttendue, QObject* contexte,
                       std::function<void(const ResultatTelechargement&)> fin,
                       std::function<void(qint64 recus)> progression)
{
    (new TransfertFichier(url, fichier, tailleAttendue, contexte, std::move(fin), std::move(progression)))->demarrer();
}
