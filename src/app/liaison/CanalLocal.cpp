#include "CanalLocal.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QLocalSocket>
#include <QTimer>

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
    // What was sent goes out first; the channel is closed once the socket is, or after a while
    // when the peer does not read it.
    m_fermeture = true;
    QTimer::singleShot(5000, this, [this] { fermer(QStringLiteral("le correspondant ne lit plus")); });
    m_socket->disconnectFromServer();
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
        if (raison.isEmpty())
            m_socket->disconnectFromServer();
        else
            m_socket->abort();
    }
    emit Ferme(raison);
}
