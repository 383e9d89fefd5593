#pragma once

#include "CacheReponsesListe.h"
#include "CanalTransfert.h"
#include "Ecoute.h"
#include "FileRapports.h"
#include "IndexConnexions.h"
#include "core/Composants.h"

#include <QAbstractSocket>
#include <QObject>
#include <QVector>
#include <map>

class ConnexionControle;
class Etat;
class QTcpSocket;

// The two TCP channels serving the site's workstations: control connections (one per open
// workstation menu) and transfer connections.
class ServeurPostes : public QObject, public ServicePostes
{
    Q_OBJECT
public:
    explicit ServeurPostes(Etat& etat, QObject* parent = nullptr);
    ~ServeurPostes() override;

    bool Ecouter(quint16 portControle, quint16 portTransfert, QString* erreur) override;
    int PostesConnectes() const override; // open control connections
    int TransfertsOuverts() const override; // open transfer connections

    struct Session
    {
        int Index;
        QAbstractSocket::SocketState Etat;
        QString Adresse;
        QString Tag;
    };
    QVector<Session> Sessions() const; // every control connection, in index order
    void RetirerSession(int index); // removes it and closes it at once; nothing if gone
    bool PosteConnecte(const QString& adresse) const; // a connected control connection from it

    // The ports actually listened on (useful when asked for port 0).
    quint16 PortControle() const { return m_ecoute.Port(); }
    quint16 PortTransfert() const;
    // Files go out through the kernel where it can; tests turn it off to check the other path.
    void FixerEnvoiNoyau(bool permis) { m_transfert.FixerEnvoiNoyau(permis); }
    // Version reports kept until the database takes them.
    int RapportsEnAttente() const { return m_rapports.EnAttente(); }

signals:
    void PostesConnectesChange(int nombre); // after each connection and disconnection
    void TransfertsOuvertsChange(int nombre);
    // A message of a connection has been handled: for diagnostics and for tests, which wait on it.
    void MessageControleTraite(int index);
    void MessageTransfertTraite(int index);

private:
    void accepter(QTcpSocket* prise);
    void fermee(int index);

    Etat& m_etat;
    Ecoute m_ecoute;
    IndexConnexions m_index;
    std::map<int, ConnexionControle*> m_connexions;
    CanalTransfert m_transfert;
    CacheReponsesListe m_cache;
    FileRapports m_rapports;
};
