#include "ProxyTest.h"

#include "DossierTest.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTcpSocket>

ProxyTest::ProxyTest(const QString& utilisateur, const QString& motDePasse)
    : m_utilisateur(utilisateur), m_motDePasse(motDePasse)
{
}

ProxyTest::~ProxyTest()
{
    if (m_processus.state() != QProcess::NotRunning) {
        m_processus.terminate();
        if (!m_processus.waitForFinished(5000)) {
            m_processus.kill();
            m_processus.waitForFinished(5000);
        }
    }
}

bool ProxyTest::Disponible()
{
    return !QStandardPaths::findExecutable(QStringLiteral("tinyproxy")).isEmpty();
}

bool ProxyTest::Demarrer(QString* erreur)
{
    m_port = PortLibre();
    QString configuration = QStringLiteral("Port %1\nListen 127.0.0.1\nTimeout 30\nMaxClients 20\n"
                                           "Allow 127.0.0.1\nLogLevel Connect\nLogFile \"%2\"\n")
                                .arg(m_port)
                                .arg(QDir(m_dossier.path()).filePath(QStringLiteral("tinyproxy.log")));
    if (!m_utilisateur.isEmpty())
        configuration += QStringLiteral("BasicAuth %1 %2\n").arg(m_utilisateur, m_motDePasse);
    const QString fichier = QDir(m_dossier.path()).filePath(QStringLiteral("tinyproxy.conf"));
    QFile f(fichier);
    if (!f.open(QIODevice::WriteOnly) || f.write(configuration.toUtf8()) < 0) {
        *erreur = f.errorString();
        return false;
    }
    f.close();
    m_processus.setProcessChannelMode(QProcess::MergedChannels);
    m_processus.start(QStringLiteral("tinyproxy"), {QStringLiteral("-d"), QStringLiteral("-c"), fichier});
    if (!m_processus.waitForStarted(5000)) {
        *erreur = m_processus.errorString();
        return false;
    }
    // Polls until the proxy listens; it needs a few milliseconds after starting.
    QDeadlineTimer limite(10000);
    while (!limite.hasExpired()) {
        if (m_processus.state() == QProcess::NotRunning) {
            *erreur = QString::fromLocal8Bit(m_processus.readAll());
            return false;
        }
        QTcpSocket essai;
        essai.connectToHost(QHostAddress::LocalHost, m_port);
        if (essai.waitForConnected(200))
            return true;
        m_processus.waitForReadyRead(50);
    }
    *erreur = QStringLiteral("tinyproxy n'écoute pas sur le port ") + QString::number(m_port);
    return false;
}

QStringList ProxyTest::Transmises() const
{
    QFile f(QDir(m_dossier.path()).filePath(QStringLiteral("tinyproxy.log")));
    QStringList requetes;
    if (!f.open(QIODevice::ReadOnly))
        return requetes;
    for (const QByteArray& ligne : f.readAll().split('\n')) {
        const int i = ligne.indexOf("]: Request (file descriptor ");
        if (i >= 0)
            requetes.append(QString::fromUtf8(ligne.mid(ligne.indexOf("): ", i) + 3)));
    }
    return requetes;
}
