#include "ServeurPostes.h"

#include "ConnexionControle.h"
#include "Ecoute.h"
#include "core/Etat.h"

#include <QTcpSocket>

ServeurPostes::ServeurPostes(Etat& etat, QObject* parent)
    : QObject(parent), m_etat(etat), m_ecoute(QStringLiteral("Wck_Serveur"), QStringLiteral("de contrôle"))
{
    connect(&m_ecoute, &Ecoute::Acceptee, this, &ServeurPostes::accepter);
    connect(&m_transfert, &CanalTransfert::TransfertsOuvertsChange, this, &ServeurPostes::TransfertsOuvertsChange);
    connect(&m_transfert, &CanalTransfert::MessageTraite, this, &ServeurPostes::MessageTransfertTraite);
}

ServeurPostes::~ServeurPostes()
{
    for (auto& [index, connexion] : m_connexions) {
        disconnect(connexion, nullptr, this, nullptr);
        delete connexion;
    }
}

bool ServeurPostes::Ecouter(quint16 portControle, quint16 portTransfert, QString* erreur)
{
    if (!m_ecoute.Ouvrir(portControle, erreur))
        return false;
    if (!m_transfert.Ecouter(portTransfert, erreur)) {
        m_ecoute.Fermer();
        return false;
    }
    return true;
}

quint16 ServeurPostes::PortTransfert() const
{
    return m_transfert.Port();
}

int ServeurPostes::PostesConnectes() const
{
    return static_cast<int>(m_connexions.size());
}

int ServeurPostes::TransfertsOuverts() const
{
    return m_transfert.TransfertsOuverts();
}

QVector<ServeurPostes::Session> ServeurPostes::Sessions() const
{
    QVector<Session> sessions;
    sessions.reserve(static_cast<int>(m_connexions.size()));
    for (const auto& [index, connexion] : m_connexions)
        sessions.append({index, connexion->EtatPrise(), connexion->Adresse(), connexion->Tag()});
    return sessions;
}

void ServeurPostes::RetirerSession(int index)
{
    const auto it = m_connexions.find(index);
    if (it == m_connexions.end())
        return;
    ConnexionControle* connexion = it->second;
    m_connexions.erase(it);
    // Closed by the administrator: numbering goes on until a workstation closes the last one.
    m_index.Liberer(index, false);
    connexion->Fermer();
    connexion->deleteLater();
    emit PostesConnectesChange(PostesConnectes());
}

bool ServeurPostes::PosteConnecte(const QString& adresse) const
{
    if (adresse.isEmpty())
        return false;
    for (const auto& [index, connexion] : m_connexions) {
        if (connexion->EtatPrise() == QAbstractSocket::ConnectedState && connexion->Adresse() == adresse)
            return true;
    }
    return false;
}

void ServeurPostes::accepter(QTcpSocket* prise)
{
    const int index = m_index.Prendre();
    auto* connexion = new ConnexionControle(index, prise, m_etat, &m_cache, &m_rapports, this);
    connexion->setObjectName(QStringLiteral("Wck_Client_") + QString::number(index));
    m_connexions[index] = connexion;
    connect(connexion, &ConnexionControle::Fermee, this, &ServeurPostes::fermee);
    connect(connexion, &ConnexionControle::MessageTraite, this, &ServeurPostes::MessageControleTraite);
    emit PostesConnectesChange(PostesConnectes());
}

void ServeurPostes::fermee(int index)
{
    const auto it = m_connexions.find(index);
    if (it == m_connexions.end())
        return;
    it->second->deleteLater();
    m_connexions.erase(it);
    m_index.Liberer(index);
    emit PostesConnectesChange(PostesConnectes());
}
