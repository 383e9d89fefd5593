#include "ParametresProxy.h"

#include "core/Chiffrement.h"
#include "core/TableParametres.h"

namespace Proxy {

std::optional<ParametresProxy> ChargerParametresProxy()
{
    const std::optional<Parametres> lue = TableParametres::LireSur();
    if (!lue)
        return std::nullopt;
    const Parametres& ligne = *lue;
    ParametresProxy p;
    if (!ligne.Existe || !ligne.ProxyActifMaj)
        return p;
    p.Actif = true;
    p.Adresse = ligne.AdresseProxyMaj;
    p.Port = ligne.PortProxyMaj;
    p.NecessiteAuth = ligne.NecessiteAuthProxyMaj;
    p.Utilisateur = ligne.UtilisateurProxyMaj;
    p.MotDePasse = ChiffrementMotDePasse::Dechiffrer(ligne.MotDePasseProxyMaj, ChiffrementMotDePasse::Cle());
    return p;
}

QString Serveur(const ParametresProxy& p)
{
    return p.Adresse + QLatin1Char(':') + p.Port;
}

bool HorsProxy(const QUrl& adresse)
{
    return adresse.host().toLower().endsWith(QLatin1String(".quentaris.fr"));
}

bool ProxyPour(const ParametresProxy& p, const QUrl& adresse, QNetworkProxy* proxy, QString* erreur)
{
    if (!p.Actif || HorsProxy(adresse)) {
        *proxy = QNetworkProxy(QNetworkProxy::NoProxy);
        return true;
    }
    bool ok = false;
    const uint port = p.Port.trimmed().toUInt(&ok);
    if (p.Adresse.trimmed().isEmpty() || !ok || port == 0 || port > 65535) {
        *erreur = QStringLiteral("serveur proxy « ") + Serveur(p) + QStringLiteral(" » invalide");
        return false;
    }
    *proxy = QNetworkProxy(QNetworkProxy::HttpProxy, p.Adresse.trimmed(), static_cast<quint16>(port));
    if (p.NecessiteAuth) {
        proxy->setUser(p.Utilisateur);
        proxy->setPassword(p.MotDePasse);
    }
    return true;
}

} // namespace Proxy
