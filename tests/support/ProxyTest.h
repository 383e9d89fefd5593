#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real HTTP proxy (tinyproxy) on a free loopback port, with or without Basic credentials,
// stopped with the object.
class ProxyTest
{
public:
    ProxyTest(const QString& utilisateur = QString(), const QString& motDePasse = QString());
    ~ProxyTest();

    static bool Disponible();

    // Starts the proxy and waits until it accepts connections.
    bool Demarrer(QString* erreur);
    quint16 Port() const { return m_port; }
    // Requests the proxy forwarded, as its log shows them ("GET http://... HTTP/1.1").
    QStringList Transmises() const;

private:
    QTemporaryDir m_dossier;
    QString m_utilisateur;
    QString m_motDePasse;
    QProcess m_processus;
    quint16 m_port = 0;
};
