#include "EchangeWeb.h"

#include "LimitesWeb.h"
#include "core/Journal.h"

#include <QAuthenticator>
#include <QNetworkProxyFactory>
#include <QNetworkRequest>

namespace {

// Back-pressure: the client holds at most this much unread; the rest waits in the socket.
constexpr qint64 TailleTampon = 1024 * 1024;

QString secondes(int millisecondes)
{
    return QString::number(millisecondes / 1000.0);
}

// The proxy of each address, redirections included: hosts below the maker's domain go direct.
class FabriqueProxy : public QNetworkProxyFactory
{
public:
    explicit FabriqueProxy(const ParametresProxy& p) : m_parametres(p) { }

    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& requete) override
    {
        QNetworkProxy proxy;
        QString erreur;
        // No proxy at all makes the request fail rather than go around a proxy that cannot be used.
        if (!Proxy::ProxyPour(m_parametres, requete.url(), &proxy, &erreur))
            return {};
        return {proxy};
    }

private:
    ParametresProxy m_parametres;
};

bool erreurReseauPassagere(QNetworkReply::NetworkError erreur)
{
    switch (erreur) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::UnknownProxyError:
        return true;
    default:
        return false;
    }
}

} // namespace

EchangeWeb::EchangeWeb(const QString& url, QObject* contexte, QNetworkAccessManager* client)
    : m_url(url)
    , m_clientPropre(client ? nullptr : new QNetworkAccessManager)
    , m_client(client ? client : m_clientPropre.get())
    , m_contexte(contexte)
{
    connect(contexte, &QObject::destroyed, this, [this] { abandonner(); });
    const LimitesWeb& limites = RequeteWeb::Limites();
    m_silence.setSingleShot(true);
    m_silence.setInterval(limites.SansDonneesMs);
    connect(&m_silence, &QTimer::timeout, this, [this] {
        arreter(QStringLiteral("aucune donnée reçue depuis ") + secondes(RequeteWeb::Limites().SansDonneesMs)
                    + QStringLiteral(" secondes"),
                true);
    });
    m_debit.setInterval(limites.FenetreDebitMs);
    connect(&m_debit, &QTimer::timeout, this, &EchangeWeb::mesurerDebit);
}

EchangeWeb::~EchangeWeb()
{
    if (m_reponse) {
        disconnect(m_reponse, nullptr, this, nullptr);
        m_reponse->deleteLater();
    }
}

bool EchangeWeb::lancer(const QByteArray& plage)
{
    // Settings that cannot be read are no "proxy off": going direct could leave the site's network
    // by a way its administrator closed.
    const std::optional<ParametresProxy> proxyLu = Proxy::ChargerParametresProxy();
    if (!proxyLu) {
        m_raison = QStringLiteral("paramètres du proxy illisibles dans la base de données interne");
        return false;
    }
    m_proxy = *proxyLu;
    // Characters a URL cannot hold as they are (a space in a file path) are encoded.
    const QUrl adresse(m_url);
    if (!adresse.isValid() || adresse.scheme().isEmpty()) {
        m_raison = QStringLiteral("adresse « ") + m_url + QStringLiteral(" » invalide");
        return false;
    }
    QNetworkProxy proxy;
    if (!Proxy::ProxyPour(m_proxy, adresse, &proxy, &m_raison))
        return false;
    m_client->setProxyFactory(new FabriqueProxy(m_proxy));
    // Credentials are offered once; a proxy refusing them ends the request.
    connect(m_client, &QNetworkAccessManager::proxyAuthenticationRequired, this,
            [this](const QNetworkProxy& utilise, QAuthenticator* auth) {
                if (m_credentielsDonnes || utilise.user().isEmpty())
                    return;
                m_credentielsDonnes = true;
                auth->setUser(utilise.user());
                auth->setPassword(utilise.password());
            });
    m_plage = plage;
    m_adresseCourante = adresse;
    envoyer();
    m_silence.start();
    m_debit.start();
    return true;
}

// Redirections are followed here, one request each: the client's own following loses the
// answer after a second redirection when the server closes its connections.
void EchangeWeb::envoyer()
{
    QNetworkRequest requete(m_adresseCourante);
    requete.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    if (!m_plage.isEmpty())
        requete.setRawHeader("Range", m_plage);
    m_reponse = m_client->get(requete);
    m_reponse->setReadBufferSize(TailleTampon);
    connect(m_reponse, &QNetworkReply::metaDataChanged, this, [this] {
        progres(m_octets);
        if (!estRedirection())
            enTetes();
    });
    connect(m_reponse, &QNetworkReply::readyRead, this, [this] {
        progres(m_octets);
        if (estRedirection())
            m_reponse->readAll();
        else
            lire();
    });
    connect(m_reponse, &QNetworkReply::downloadProgress, this, [this](qint64 recus, qint64) { progres(recus); });
    connect(m_reponse, &QNetworkReply::finished, this, [this] {
        if (m_raison.isEmpty() && m_reponse->error() == QNetworkReply::NoError && estRedirection())
            rediriger();
        else
            fin();
    });
}

int EchangeWeb::statut() const
{
    return m_reponse ? m_reponse->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() : 0;
}

QString EchangeWeb::descriptionStatut() const
{
    const QString raison = m_reponse->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    return QStringLiteral("réponse HTTP ") + QString::number(statut())
        + (raison.isEmpty() ? QString() : QLatin1Char(' ') + raison);
}

QString EchangeWeb::raisonEchec() const
{
    if (!m_raison.isEmpty())
        return m_raison;
    return m_reponse ? m_reponse->errorString() : QString();
}

bool EchangeWeb::echecPassager() const
{
    if (!m_raison.isEmpty())
        return m_passager;
    const int s = statut();
    if (s >= 500 && s <= 599)
        return true;
    if (s >= 300 && s <= 499)
        return false;
    return m_reponse && erreurReseauPassagere(m_reponse->error());
}

void EchangeWeb::arreter(const QString& raison, bool passager)
{
    retenirEchec(raison, passager);
    if (m_reponse)
        m_reponse->abort();
}

void EchangeWeb::retenirEchec(const QString& raison, bool passager)
{
    if (m_raison.isEmpty()) {
        m_raison = raison;
        m_passager = passager;
    }
}

void EchangeWeb::progres(qint64 octetsRecus)
{
    m_octets = octetsRecus;
    m_silence.start();
}

// Every span of the window must have brought the minimal rate's worth of bytes.
void EchangeWeb::mesurerDebit()
{
    const LimitesWeb& limites = RequeteWeb::Limites();
    const qint64 recus = m_octets - m_octetsFenetre;
    m_octetsFenetre = m_octets;
    if (recus * 1000 < limites.DebitMinimal * limites.FenetreDebitMs)
        arreter(QStringLiteral("moins de ") + QString::number(limites.DebitMinimal)
                    + QStringLiteral(" octets par seconde reçus en moyenne sur ") + secondes(limites.FenetreDebitMs)
                    + QStringLiteral(" secondes"),
                true);
}

bool EchangeWeb::estRedirection() const
{
    switch (statut()) {
    case 301:
    case 302:
    case 303:
    case 307:
    case 308:
        return m_reponse->hasRawHeader("Location");
    default:
        return false;
    }
}

void EchangeWeb::rediriger()
{
    const QUrl depuis = m_adresseCourante;
    const QUrl vers = depuis.resolved(QUrl::fromEncoded(m_reponse->rawHeader("Location")));
    const QString adresses = QStringLiteral("de « ") + depuis.toDisplayString() + QStringLiteral(" » vers « ")
        + vers.toDisplayString() + QStringLiteral(" »");
    QString refus;
    if (m_redirections >= RequeteWeb::Limites().RedirectionsMax)
        refus = QStringLiteral("plus de ") + QString::number(RequeteWeb::Limites().RedirectionsMax)
            + QStringLiteral(" redirections depuis « ") + QUrl(m_url).toDisplayString() + QStringLiteral(" »");
    else if (depuis.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0
             && vers.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) != 0)
        refus = QStringLiteral("une adresse https n'est jamais suivie vers une adresse moins sûre");
    else if (!vers.isValid() || (vers.scheme() != QLatin1String("http") && vers.scheme() != QLatin1String("https")))
        refus = QStringLiteral("adresse de destination inutilisable");
    if (!refus.isEmpty()) {
        AjouterEvenement(Anomalie,
                         QStringLiteral("La redirection ") + adresses + QStringLiteral(" a été refusée : ") + refus
                             + QLatin1Char('.'));
        m_journalise = true;
        m_raison = QStringLiteral("redirection refusée ") + adresses + QStringLiteral(" (") + refus + QLatin1Char(')');
        fin();
        return;
    }
    ++m_redirections;
    disconnect(m_reponse, nullptr, this, nullptr);
    m_reponse->deleteLater();
    m_adresseCourante = vers;
    m_octets = 0;
    m_octetsFenetre = 0;
    progres(0);
    envoyer();
}

void EchangeWeb::fin()
{
    m_silence.stop();
    m_debit.stop();
    termine();
}

void EchangeWeb::abandonner()
{
    m_contexte = nullptr;
    m_silence.stop();
    m_debit.stop();
    if (m_reponse) {
        disconnect(m_reponse, nullptr, this, nullptr);
        m_reponse->abort();
    }
    deleteLater();
}
