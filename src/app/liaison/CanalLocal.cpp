#include "CanalLocal.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QLocalSocket>
#include <QTimer>
#include <sys/socket.h>

CanalLocal::CanalLocal(QLocalSocket* socket, QObject* parent) : QObject(parent), m_socket(socket)
{
    m_socket->setParent(this);
    connect(m_socket, &QLocalSocket::readyRead, this, &CanalLocal::lire);
    connect(m_socket, &QLocalSocket::disconnected, this, [this] { fermer(QString()); });
    connect(m_socket, &QLocalSocket::errorOccurred, this, [this](QLocalSocket::LocalSocketError erreur) {
        if (erreur != QLocalSocket::PeerClosedError)
            fermer(m_socket->errorString());
    });
}

CanalLocal::~CanalLocal()
{
    if (m_socket)
        m_socket->disconnect(this);
}

bool CanalLocal::Ouvert() const
{
    return !m_ferme && !m_fermeture && m_socket && m_socket->state() == QLocalSocket::ConnectedState;
}

bool CanalLocal::Envoyer(const QJsonObject& message)
{
    if (!Ouvert())
        return false;
    if (m_socket->bytesToWrite() > EnAttenteMax) {
        fermer(QStringLiteral("le correspondant ne lit plus ce qui lui est envoyé"));
        return false;
    }
    m_socket->write(QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n');
    return true;
}

void CanalLocal::Fermer()
{
    if (m_ferme || m_fermeture)
        return;
    if (!m_socket || m_socket->state() == QLocalSocket::UnconnectedState) {
        fermer(QString());
        return;
    }
    // What was sent goes out first, then only the sending side is shut: the peer reads it all
    // and closes. Until then what it sends is read and dropped, for a socket closed on unread
    // bytes resets the connection, and the peer loses what was sent to it. A peer that does not
    // close is let go after a while.
    m_fermeture = true;
    QTimer::singleShot(FermetureMs, this, [this] { fermer(QStringLiteral("le correspondant ne lit plus")); });
    connect(m_socket, &QLocalSocket::bytesWritten, this, &CanalLocal::couperEnvoi);
    m_socket->flush();
    couperEnvoi();
}

void CanalLocal::Couper()
{
    fermer(QString());
}

void CanalLocal::couperEnvoi()
{
    if (m_ferme || !m_fermeture || m_envoiCoupe || !m_socket || m_socket->bytesToWrite() > 0)
        return;
    m_envoiCoupe = true;
    if (::shutdown(int(m_socket->socketDescriptor()), SHUT_WR) != 0)
        fermer(QString());
}

void CanalLocal::lire()
{
    if (m_ferme || m_fermeture) {
        m_socket->readAll();
        return;
    }
    m_tampon += m_socket->readAll();
    qsizetype debut = 0;
    for (qsizetype fin = m_tampon.indexOf('\n'); fin >= 0; fin = m_tampon.indexOf('\n', debut)) {
        const QByteArray ligne = m_tampon.mid(debut, fin - debut);
        debut = fin + 1;
        if (ligne.isEmpty())
            continue;
        QJsonParseError analyse;
        const QJsonDocument document = QJsonDocument::fromJson(ligne, &analyse);
        if (analyse.error != QJsonParseError::NoError || !document.isObject()) {
            fermer(QStringLiteral("message illisible reçu"));
            return;
        }
        emit Recu(document.object());
        // A receiver may have closed the channel.
        if (m_ferme)
            return;
    }
    m_tampon.remove(0, debut);
    if (m_tampon.size() > LigneMax)
        fermer(QStringLiteral("message trop long reçu"));
}

void CanalLocal::fermer(const QString& raison)
{
    if (m_ferme)
        return;
    m_ferme = true;
    if (m_socket && m_socket->state() != QLocalSocket::UnconnectedState) {
        // Once the sending side is shut, everything sent has gone out already.
        if (raison.isEmpty() && !m_envoiCoupe)
            m_socket->disconnectFromServer();
        else
            m_socket->abort();
    }
    emit Ferme(raison);
}
