#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QLocalSocket>
#include <QObject>
#include <QPointer>

// One local socket between the service and a console, carrying JSON objects, one per line.
// Both buffers are bounded: a line longer than LigneMax, or text that is not an object, closes
// the channel; so does a peer that stops reading while more than EnAttenteMax bytes wait for it.
class CanalLocal : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 LigneMax = 4 * 1024 * 1024;
    static constexpr qint64 EnAttenteMax = 16 * 1024 * 1024;
    // How long a channel that closes waits for its peer to close in turn.
    static constexpr int FermetureMs = 5000;

    // Takes the socket over (it becomes a child of this object).
    explicit CanalLocal(QLocalSocket* socket, QObject* parent = nullptr);
    ~CanalLocal() override;

    // False when the channel is closed, or has just been closed for a peer that does not read.
    bool Envoyer(const QJsonObject& message);
    // Closes once what was sent has gone out and the peer has closed (FermetureMs at most).
    void Fermer();
    // Closes once what was sent has gone out, without waiting for the peer: what it sent
    // meanwhile and was not read may make it lose what it was sent.
    void Couper();
    bool Ouvert() const;
    QLocalSocket* Socket() const { return m_socket; }

signals:
    void Recu(const QJsonObject& message);
    // The channel is closed: by the peer, or for the reason given.
    void Ferme(const QString& raison);

private:
    void lire();
    void fermer(const QString& raison);
    void couperEnvoi();

    QPointer<QLocalSocket> m_socket;
    QByteArray m_tampon;
    bool m_ferme = false;
    bool m_fermeture = false; // closing once what was sent has gone out
    bool m_envoiCoupe = false; // the sending side is shut; waiting for the peer to close
};
