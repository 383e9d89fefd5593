#pragma once

#include <QByteArray>
#include <QTcpSocket>

class ServeurPostes;

// A workstation played by a test: one connection and the bytes that came back on it.
class PosteTest
{
public:
    explicit PosteTest(quint16 port);

    bool Connecte();
    void Envoyer(const QByteArray& message);
    // Waits until `octets` more bytes have come back and returns them (fewer after a timeout).
    QByteArray Recevoir(qint64 octets);
    // Sends, then waits until the server has handled what arrived.
    bool EnvoyerEtAttendre(ServeurPostes& serveur, const QByteArray& message, bool transfert = false);
    // Nothing has come back that was not read.
    bool RienRecu();

    QTcpSocket prise;
};

// An update recorded as downloaded.
qint64 AjouterMaj(qint64 version, const QString& fichier, int environnement = 0, bool condition = false);
