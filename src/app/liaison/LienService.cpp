#include "LienService.h"

#include "CanalLocal.h"
#include "Liaison.h"

#include <QLocalSocket>
#include <QTimer>

LienService::LienService(QObject* parent) : QObject(parent)
{
    // A service that takes the connection and never says a word (stopped, hung) is no service.
    m_reponse.setSingleShot(true);
    connect(&m_reponse, &QTimer::timeout, this, [this] {
        if (!m_canal || m_attache || m_refuse)
            return;
        Fermer();
        emit Injoignable(QStringLiteral("le service de mise à jour ne répond pas"));
    });
}

LienService::~LienService()
{
    if (m_canal)
        m_canal->disconnect(this);
}

void LienService::Connecter(const QString& chemin)
{
    Fermer();
    m_attache = false;
    m_refuse = false;
    m_reponse.start(m_delaiReponse);
    auto* socket = new QLocalSocket;
    m_canal = new CanalLocal(socket, this);
    CanalLocal* canal = m_canal;
    connect(socket, &QLocalSocket::connected, canal, [canal] {
        canal->Envoyer({{QStringLiteral("type"), QStringLiteral("bonjour")},
                        {QStringLiteral("version"), Liaison::Version()},
                        {QStringLiteral("protocole"), Liaison::Protocole}});
    });
    connect(canal, &CanalLocal::Recu, this, &LienService::recu);
    connect(canal, &CanalLocal::Ferme, this, [this, canal, socket](const QString& raison) {
        canal->deleteLater();
        if (canal != m_canal)
            return;
        const bool etaitAttache = m_attache;
        m_attache = false;
        m_reponse.stop();
        if (etaitAttache)
            emit Perdu();
        else if (!m_refuse)
            emit Injoignable(raison.isEmpty() ? socket->errorString() : raison);
    });
    socket->connectToServer(chemin);
}

bool LienService::Envoyer(const QJsonObject& message)
{
    return m_attache && m_canal && m_canal->Envoyer(message);
}

void LienService::Fermer()
{
    if (!m_canal)
        return;
    CanalLocal* canal = m_canal;
    m_canal = nullptr;
    m_attache = false;
    m_reponse.stop();
    canal->disconnect(this);
    canal->Fermer();
    canal->deleteLater();
}

void LienService::recu(const QJsonObject& message)
{
    const QString type = message.value(QStringLiteral("type")).toString();
    if (!m_attache) {
        if (type == QLatin1String("bienvenue")) {
            m_reponse.stop();
            m_attache = true;
            emit Attache();
        } else if (type == QLatin1String("refus")) {
            m_reponse.stop();
            m_refuse = true;
            emit Refuse(message.value(QStringLiteral("raison")).toString());
        }
        return;
    }
    emit Recu(message);
}
