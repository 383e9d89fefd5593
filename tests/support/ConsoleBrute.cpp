#include "ConsoleBrute.h"

#include "app/liaison/Liaison.h"

#include <QJsonDocument>

ConsoleBrute::ConsoleBrute(const QString& chemin)
{
    socket.connectToServer(chemin);
    socket.waitForConnected(2000);
}

void ConsoleBrute::Ecrire(const QByteArray& octets)
{
    socket.write(octets);
    socket.flush();
}

void ConsoleBrute::Envoyer(const QJsonObject& message)
{
    Ecrire(QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n');
}

void ConsoleBrute::Presenter(const QString& version, int protocole)
{
    Envoyer({{QStringLiteral("type"), QStringLiteral("bonjour")},
             {QStringLiteral("version"), version.isNull() ? Liaison::Version() : version},
             {QStringLiteral("protocole"), protocole < 0 ? Liaison::Protocole : protocole}});
}

void ConsoleBrute::Demander(qint64 demande, const QString& type, QJsonObject champs)
{
    champs.insert(QStringLiteral("type"), type);
    champs.insert(QStringLiteral("demande"), demande);
    Envoyer(champs);
}

QList<QJsonObject> ConsoleBrute::Recus()
{
    m_tampon += socket.readAll();
    for (qsizetype fin = m_tampon.indexOf('\n'); fin >= 0; fin = m_tampon.indexOf('\n')) {
        m_recus.append(QJsonDocument::fromJson(m_tampon.left(fin)).object());
        m_tampon.remove(0, fin + 1);
    }
    return m_recus;
}

QList<QJsonObject> ConsoleBrute::DeType(const QString& type, qint64 demande)
{
    QList<QJsonObject> choisis;
    for (const QJsonObject& m : Recus()) {
        if (m.value(QStringLiteral("type")).toString() == type
            && (demande == 0 || qint64(m.value(QStringLiteral("demande")).toDouble()) == demande))
            choisis.append(m);
    }
    return choisis;
}
