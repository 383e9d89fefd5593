#include "SessionBureau.h"

#include "core/Sortie.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace {

// What a later copy sends; anything else is ignored.
const QByteArray kMenu = QByteArrayLiteral("menu\n");

} // namespace

SessionBureau::SessionBureau(QObject* parent) : QObject(parent) { }

SessionBureau::~SessionBureau()
{
    if (m_ecoute)
        m_ecoute->close();
}

QString SessionBureau::CheminCanal(const QString& dossierProgramme)
{
    return Systeme::InstanceUnique::CheminCanalDeSession(dossierProgramme);
}

bool SessionBureau::Prendre(const QString& dossierProgramme)
{
    m_chemin = CheminCanal(dossierProgramme);
    m_verrou.emplace(Systeme::InstanceUnique::DeSession(dossierProgramme));
    if (!m_verrou->prendre()) {
        m_verrou.reset();
        return false;
    }
    // The lock is ours: a socket left there belongs to a copy that is gone.
    QLocalServer::removeServer(m_chemin);
    m_ecoute = new QLocalServer(this);
    m_ecoute->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_ecoute, &QLocalServer::newConnection, this, &SessionBureau::nouvelleConnexion);
    if (!m_ecoute->listen(m_chemin))
        Sortie::Ecrire(QStringLiteral("Une seconde copie du programme ne pourra pas afficher le menu de celle-ci (")
                       + m_chemin + QStringLiteral(" : ") + m_ecoute->errorString() + QStringLiteral(")."));
    return true;
}

void SessionBureau::nouvelleConnexion()
{
    while (QLocalSocket* socket = m_ecoute->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            // A few bytes at most: whatever else comes is not a copy of this program.
            if (socket->bytesAvailable() < kMenu.size())
                return;
            const QByteArray lu = socket->read(kMenu.size());
            socket->abort();
            socket->deleteLater();
            if (lu == kMenu)
                emit MenuDemande();
        });
        // Nothing said in time: the connection goes.
        QTimer::singleShot(DelaiMs, socket, [socket] { socket->abort(); });
    }
}

void SessionBureau::DemanderMenu()
{
    auto* socket = new QLocalSocket(this);
    m_demande = socket;
    const auto finir = [this, socket] {
        if (m_demande != socket)
            return;
        m_demande = nullptr;
        socket->deleteLater();
        emit Transmise();
    };
    connect(socket, &QLocalSocket::connected, socket, [socket] {
        socket->write(kMenu);
        socket->disconnectFromServer();
    });
    connect(socket, &QLocalSocket::disconnected, this, finir);
    connect(socket, &QLocalSocket::errorOccurred, this, finir);
    QTimer::singleShot(DelaiMs, socket, finir);
    socket->connectToServer(m_chemin);
}
