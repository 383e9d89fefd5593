#pragma once

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QTimer>

class QTcpSocket;
class ServiceSimule;

// One client connection of the simulated service: reads one request, answers it, closes.
// A file is streamed as the socket takes it, with the service's faults applied: a range
// answered or ignored, a cut after some bytes, a trickle.
class ConnexionSimulee : public QObject
{
public:
    ConnexionSimulee(QTcpSocket* socket, ServiceSimule& service);

    void Repondre(int statut, const QByteArray& type, const QByteArray& corps,
                  const QByteArray& entetesEnPlus = QByteArray());
    // `plage`: the request's "Range" header, empty when none.
    void RepondreFichier(const QString& chemin, const QByteArray& plage);

    static QByteArray Raison(int statut);
    static QByteArray PageErreur(int statut);

private:
    void lire();
    void envoyer();

    QTcpSocket* m_socket;
    ServiceSimule& m_service;
    QByteArray m_entree;
    bool m_lu = false;
    QFile m_fichier;
    qint64 m_aEnvoyer = 0; // -1: without end
    qint64 m_avantCoupure = -1; // body bytes still sent before the connection is cut; -1: no cut
    bool m_flux = false;
    bool m_enPause = false;
    QTimer m_pause;
};
