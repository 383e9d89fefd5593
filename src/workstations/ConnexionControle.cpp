#include "ConnexionControle.h"

#include "FileRapports.h"
#include "ProtocolePostes.h"
#include "core/Etat.h"
#include "platform/PriseNoyau.h"

#include <QTcpSocket>

namespace {

// A workstation that does not read its answers is not served further until it has read them.
constexpr qint64 kReponsesEnAttente = 64 * 1024;

QString adresseLisible(const QHostAddress& adresse)
{
    bool ipv4 = false;
    const quint32 v4 = adresse.toIPv4Address(&ipv4);
    return ipv4 ? QHostAddress(v4).toString() : adresse.toString();
}

} // namespace

ConnexionControle::ConnexionControle(int index, QTcpSocket* prise, const Etat& etat, CacheReponsesListe* cache,
                                     FileRapports* rapports, QObject* parent)
    : QObject(parent)
    , m_index(index)
    , m_prise(prise)
    , m_etat(etat)
    , m_cache(cache)
    , m_rapports(rapports)
    , m_adresse(adresseLisible(prise->peerAddress()))
{
    m_prise->setParent(this);
    LecteurArrivees::Preparer(m_prise);
    PriseNoyau::ActiverVeille(m_prise->socketDescriptor());
    connect(m_prise, &QTcpSocket::readyRead, this, &ConnexionControle::lire);
    connect(m_prise, &QTcpSocket::bytesWritten, this, [this] {
        if (m_prise->bytesAvailable() > 0)
            lire();
    });
    connect(m_prise, &QTcpSocket::disconnected, this, &ConnexionControle::fermee);
    connect(m_prise, &QTcpSocket::errorOccurred, this, &ConnexionControle::fermee);
}

QAbstractSocket::SocketState ConnexionControle::EtatPrise() const
{
    return m_prise->state();
}

void ConnexionControle::Fermer()
{
    if (m_fermee)
        return;
    m_fermee = true;
    disconnect(m_prise, nullptr, this, nullptr);
    m_prise->abort();
}

void ConnexionControle::lire()
{
    if (m_fermee || m_prise->bytesToWrite() > kReponsesEnAttente)
        return;
    if (const auto message = m_lecteur.Lire(m_prise)) {
        const ReponsePoste reponse = TraiterMessagePoste(*message, m_etat.InstallationEnCours, m_cache);
        if (reponse.Tag)
            m_tag = *reponse.Tag;
        if (!reponse.Reponse.isEmpty())
            m_prise->write(reponse.Reponse);
        if (reponse.Rapport)
            m_rapports->Enregistrer(*reponse.Rapport);
    }
    emit MessageTraite(m_index);
}

void ConnexionControle::fermee()
{
    if (m_fermee)
        return;
    m_fermee = true;
    disconnect(m_prise, nullptr, this, nullptr);
    emit Fermee(m_index);
}
