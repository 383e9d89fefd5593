#include "EnvoiFichier.h"

#include "ProtocoleTransfert.h"
#include "platform/PriseNoyau.h"

#include <QSocketNotifier>
#include <QTcpSocket>

namespace {

// Bytes handed to the kernel before other events get their turn.
constexpr qint64 kParTour = 4 * 1024 * 1024;
// Read-and-write path: one buffer, and at most this much waiting in the socket's own buffer.
constexpr qint64 kTampon = 64 * 1024;

} // namespace

EnvoiFichier::EnvoiFichier(QTcpSocket* prise, std::unique_ptr<QFile> fichier, qint64 taille, bool parNoyau,
                           QObject* parent)
    : QObject(parent), m_prise(prise), m_fichier(std::move(fichier)), m_taille(taille), m_parNoyau(parNoyau)
{
}

EnvoiFichier::~EnvoiFichier() = default;

void EnvoiFichier::Demarrer()
{
    connect(m_prise, &QTcpSocket::bytesWritten, this, &EnvoiFichier::avancer);
    if (m_parNoyau) {
        m_ecriture = new QSocketNotifier(m_prise->socketDescriptor(), QSocketNotifier::Write, this);
        m_ecriture->setEnabled(false);
        // Left on while the kernel sends: it fires whenever the socket has room again.
        connect(m_ecriture, &QSocketNotifier::activated, this, &EnvoiFichier::avancer);
        // Full segments only while the file streams out, as web servers do with sendfile.
        PriseNoyau::Regrouper(m_prise->socketDescriptor(), true);
        m_regroupe = true;
    }
    avancer();
}

void EnvoiFichier::avancer()
{
    if (m_fini)
        return;
    if (m_position < m_taille) {
        if (m_parNoyau && !avancerParNoyau())
            return;
        if (!m_parNoyau)
            avancerParCopie();
        if (m_fini || m_position < m_taille)
            return;
    }
    // The file is out: spaces to the end of its last chunk, then the file is closed.
    m_fichier->close();
    m_prise->write(QByteArray(TailleFlux(m_taille) - m_taille, ' '));
    finir(true);
}

// False while the kernel is busy with the file (the notifier calls back), true when the file
// is out or the read-and-write path must take over.
bool EnvoiFichier::avancerParNoyau()
{
    // What the socket holds in its own buffer goes first, in order; bytesWritten calls back.
    if (m_prise->bytesToWrite() > 0) {
        m_ecriture->setEnabled(false);
        return false;
    }
    qint64 envoye = 0;
    while (m_position < m_taille) {
        if (envoye >= kParTour) {
            m_ecriture->setEnabled(true);
            return false;
        }
        const PriseNoyau::Envoi envoi = PriseNoyau::EnvoyerFichier(m_prise->socketDescriptor(), m_fichier->handle(),
                                                                   &m_position, m_taille - m_position);
        switch (envoi.resultat) {
        case PriseNoyau::Resultat::Envoye:
            envoye += envoi.octets;
            break;
        case PriseNoyau::Resultat::Plein:
            m_ecriture->setEnabled(true);
            return false;
        case PriseNoyau::Resultat::Indisponible:
            m_ecriture->setEnabled(false);
            m_parNoyau = false;
            return true;
        case PriseNoyau::Resultat::FinFichier:
        case PriseNoyau::Resultat::Erreur:
            finir(false);
            return false;
        }
    }
    m_ecriture->setEnabled(false);
    return true;
}

void EnvoiFichier::avancerParCopie()
{
    if (m_prise->bytesToWrite() >= kTampon)
        return;
    if (m_fichier->pos() != m_position && !m_fichier->seek(m_position)) {
        finir(false);
        return;
    }
    m_tampon.resize(static_cast<int>(qMin(kTampon, m_taille - m_position)));
    const qint64 lu = m_fichier->read(m_tampon.data(), m_tampon.size());
    if (lu <= 0) {
        finir(false);
        return;
    }
    m_position += lu;
    m_prise->write(m_tampon.constData(), lu);
}

void EnvoiFichier::finir(bool reussi)
{
    m_fini = true;
    if (m_ecriture)
        m_ecriture->setEnabled(false);
    if (m_regroupe && m_prise->socketDescriptor() >= 0)
        PriseNoyau::Regrouper(m_prise->socketDescriptor(), false);
    m_regroupe = false;
    disconnect(m_prise, nullptr, this, nullptr);
    m_fichier->close();
    m_tampon = QByteArray();
    emit Termine(reussi);
}
