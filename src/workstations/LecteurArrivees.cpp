#include "LecteurArrivees.h"

#include "platform/PriseNoyau.h"

#include <QTcpSocket>

void LecteurArrivees::Preparer(QTcpSocket* prise)
{
    prise->setReadBufferSize(Plafond + 1);
}

std::optional<QByteArray> LecteurArrivees::Lire(QTcpSocket* prise)
{
    QByteArray arrivee = prise->readAll();
    if (m_aJeter > 0) {
        const qint64 jete = qMin<qint64>(m_aJeter, arrivee.size());
        m_aJeter -= jete;
        arrivee.remove(0, jete);
    }
    if (arrivee.size() > Plafond) {
        // The rest of that message is what already waits behind it.
        m_aJeter = PriseNoyau::OctetsEnAttente(prise->socketDescriptor());
        return std::nullopt;
    }
    if (arrivee.isEmpty())
        return std::nullopt;
    return arrivee;
}
