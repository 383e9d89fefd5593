#include "CanalTransfert.h"

#include "ConnexionTransfert.h"
#include "Ecoute.h"

#include <QTcpSocket>

CanalTransfert::CanalTransfert(QObject* parent)
    : QObject(parent), m_ecoute(QStringLiteral("Wck_DemandeTransfert"), QStringLiteral("de transfert"))
{
    connect(&m_ecoute, &Ecoute::Acceptee, this, &CanalTransfert::accepter);
}

CanalTransfert::~CanalTransfert()
{
    for (auto& [index, connexion] : m_connexions) {
        disconnect(connexion, nullptr, this, nullptr);
        delete connexion;
    }
}

bool CanalTransfert::Ecouter(quint16 port, QString* erreur)
{
    return m_ecoute.Ouvrir(port, erreur);
}

void CanalTransfert::accepter(QTcpSocket* prise)
{
    const int index = m_index.Prendre();
    auto* connexion = new ConnexionTransfert(index, prise, m_parNoyau, this);
    connexion->setObjectName(QStringLiteral("Wck_Transfert_") + QString::number(index));
    m_connexions[index] = connexion;
    connect(connexion, &ConnexionTransfert::Fermee, this, &CanalTransfert::fermee);
    connect(connexion, &ConnexionTransfert::MessageTraite, this, &CanalTransfert::MessageTraite);
    emit TransfertsOuvertsChange(TransfertsOuverts());
}

void CanalTransfert::fermee(int index)
{
    const auto it = m_connexions.find(index);
    if (it == m_connexions.end())
        return;
    it->second->deleteLater();
    m_connexions.erase(it);
    m_index.Liberer(index);
    emit TransfertsOuvertsChange(TransfertsOuverts());
}
