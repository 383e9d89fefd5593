#pragma once

#include "Ecoute.h"
#include "IndexConnexions.h"

#include <QObject>
#include <map>

class ConnexionTransfert;
class QTcpSocket;

// The listener of the transfer channel and its open connections.
class CanalTransfert : public QObject
{
    Q_OBJECT
public:
    explicit CanalTransfert(QObject* parent = nullptr);
    ~CanalTransfert() override;

    bool Ecouter(quint16 port, QString* erreur);
    quint16 Port() const { return m_ecoute.Port(); }
    int TransfertsOuverts() const { return static_cast<int>(m_connexions.size()); }
    // Files go out through the kernel where it can; tests turn it off to check the other path.
    void FixerEnvoiNoyau(bool permis) { m_parNoyau = permis; }

signals:
    void TransfertsOuvertsChange(int nombre);
    void MessageTraite(int index);

private:
    void accepter(QTcpSocket* prise);
    void fermee(int index);

    Ecoute m_ecoute;
    IndexConnexions m_index;
    std::map<int, ConnexionTransfert*> m_connexions;
    bool m_parNoyau = true;
};
