#include "Ecoute.h"

#include "core/Sortie.h"
#include "platform/AcceptationNoyau.h"

#include <QSocketNotifier>
#include <QTcpSocket>

namespace {

// A spell of failures ends once accepting has gone this long without one.
constexpr qint64 kFinDeSerieMs = 10000;

// Connections taken at one wake-up; the others wait for the next turn of the event loop.
constexpr int kParReveil = 256;

} // namespace

Ecoute::Ecoute(const QString& nom, const QString& canal, QObject* parent) : QObject(parent), m_canal(canal)
{
    m_serveur.setObjectName(nom);
    m_serveur.setListenBacklogSize(1024);
    m_serveur.setMaxPendingConnections(1024);
    m_pause.setSingleShot(true);
    m_pause.setInterval(PauseApresEchecMs);
    connect(&m_pause, &QTimer::timeout, this, &Ecoute::reprendre);
    if (!AcceptationNoyau::Disponible()) {
        connect(&m_serveur, &QTcpServer::newConnection, this, &Ecoute::accepterParQt);
        connect(&m_serveur, &QTcpServer::acceptError, this, [this] { echec(m_serveur.errorString()); });
    }
}

Ecoute::~Ecoute()
{
    Fermer();
}

bool Ecoute::Ouvrir(quint16 port, QString* erreur)
{
    Fermer();
    if (!m_serveur.listen(QHostAddress::Any, port)) {
        if (erreur)
            *erreur = QStringLiteral("Le port ") + m_canal + QLatin1Char(' ') + QString::number(port)
                + QStringLiteral(" ne peut pas être ouvert : ") + m_serveur.errorString();
        return false;
    }
    if (AcceptationNoyau::Disponible()) {
        // Qt's own accepting stays off for good: this listener takes the connections itself.
        m_serveur.pauseAccepting();
        m_attente = new QSocketNotifier(m_serveur.socketDescriptor(), QSocketNotifier::Read, this);
        connect(m_attente, &QSocketNotifier::activated, this, &Ecoute::accepter);
    }
    return true;
}

void Ecoute::Fermer()
{
    m_pause.stop();
    delete m_attente;
    m_attente = nullptr;
    m_serveur.close();
}

void Ecoute::accepter()
{
    for (int i = 0; i < kParReveil; ++i) {
        const AcceptationNoyau::Acceptation a = AcceptationNoyau::Accepter(m_serveur.socketDescriptor());
        if (a.resultat == AcceptationNoyau::Resultat::Aucune)
            return;
        if (a.resultat != AcceptationNoyau::Resultat::Acceptee) {
            echec(a.raison);
            return;
        }
        auto* prise = new QTcpSocket(this);
        if (!prise->setSocketDescriptor(a.descripteur)) {
            delete prise;
            AcceptationNoyau::Refermer(a.descripteur);
            echec(QStringLiteral("descripteur refusé"));
            return;
        }
        emit Acceptee(prise);
    }
}

void Ecoute::accepterParQt()
{
    while (QTcpSocket* prise = m_serveur.nextPendingConnection()) {
        prise->setParent(this);
        emit Acceptee(prise);
    }
}

void Ecoute::echec(const QString& raison)
{
    if (m_attente)
        m_attente->setEnabled(false);
    else
        m_serveur.pauseAccepting();
    if (!m_dernierEchec.isValid() || m_dernierEchec.elapsed() > kFinDeSerieMs)
        Sortie::Ecrire(QStringLiteral("Le canal ") + m_canal + QStringLiteral(" (port ") + QString::number(Port())
                       + QStringLiteral(") ne peut pas accepter de connexion (") + raison
                       + QStringLiteral(") : nouvel essai toutes les ") + QString::number(PauseApresEchecMs)
                       + QStringLiteral(" ms."));
    m_dernierEchec.start();
    m_pause.start();
}

void Ecoute::reprendre()
{
    if (m_attente)
        m_attente->setEnabled(true);
    else if (m_serveur.isListening())
        m_serveur.resumeAccepting();
}
