#pragma once

#include <QNetworkProxy>
#include <QString>
#include <QUrl>
#include <optional>

// The proxy settings of the settings row, read afresh for every web request.
struct ParametresProxy
{
    bool Actif = false;
    QString Adresse;
    QString Port;
    bool NecessiteAuth = false;
    QString Utilisateur;
    QString MotDePasse; // plain
};

namespace Proxy {

// Reads the proxy columns of the settings row; the other fields stay empty when the proxy is
// not active. The password is deciphered. Nothing when the row could not be read: that is no
// "proxy off".
std::optional<ParametresProxy> ChargerParametresProxy();

// "address:port", as the proxy screen saved them.
QString Serveur(const ParametresProxy& p);

// Hosts below the maker's domain always go direct, whatever the settings say.
bool HorsProxy(const QUrl& adresse);

// The proxy for one request: none when the proxy is off or the host is bypassed; the named
// HTTP proxy otherwise, with credentials only when the proxy requires them. False with a
// reason when the address or the port of the proxy cannot be used.
bool ProxyPour(const ParametresProxy& p, const QUrl& adresse, QNetworkProxy* proxy, QString* erreur);

} // namespace Proxy
