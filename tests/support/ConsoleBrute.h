#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QLocalSocket>
#include <QString>

// A peer of the service's console socket that speaks the JSON lines itself, whatever they
// hold: a console that sends what a real one never would.
class ConsoleBrute
{
public:
    explicit ConsoleBrute(const QString& chemin);

    void Ecrire(const QByteArray& octets);
    // A JSON object on one line.
    void Envoyer(const QJsonObject& message);
    // Says who it is: this build and protocol unless told otherwise.
    void Presenter(const QString& version = QString(), int protocole = -1);
    // A request with its identifier.
    void Demander(qint64 demande, const QString& type, QJsonObject champs = {});
    bool Ferme() { return socket.state() == QLocalSocket::UnconnectedState; }

    // Every object received so far, in order.
    QList<QJsonObject> Recus();
    // The received objects of that type; with an identifier, only those that answer it.
    QList<QJsonObject> DeType(const QString& type, qint64 demande = 0);

    QLocalSocket socket;

private:
    QByteArray m_tampon;
    QList<QJsonObject> m_recus;
};
