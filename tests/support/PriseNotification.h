#pragma once

#include <QFile>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// The datagram socket a service manager gives a service it starts with Type=notify: what the
// service says there, one datagram per call.
class PriseNotification
{
public:
    PriseNotification()
    {
        m_chemin = m_dossier.filePath(QStringLiteral("notify"));
        m_prise = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_un adresse{};
        adresse.sun_family = AF_UNIX;
        const QByteArray chemin = QFile::encodeName(m_chemin);
        std::memcpy(adresse.sun_path, chemin.constData(), size_t(chemin.size()));
        m_liee = ::bind(m_prise, reinterpret_cast<sockaddr*>(&adresse), sizeof(adresse)) == 0;
    }
    ~PriseNotification() { ::close(m_prise); }
    PriseNotification(const PriseNotification&) = delete;
    PriseNotification& operator=(const PriseNotification&) = delete;

    bool Liee() const { return m_liee; }
    QString Chemin() const { return m_chemin; }
    int Descripteur() const { return m_prise; }
    // Every datagram received so far.
    QStringList Recus()
    {
        char tampon[4096];
        for (ssize_t n = ::recv(m_prise, tampon, sizeof(tampon), 0); n > 0;
             n = ::recv(m_prise, tampon, sizeof(tampon), 0))
            m_recus.append(QString::fromUtf8(tampon, int(n)));
        return m_recus;
    }

private:
    QTemporaryDir m_dossier;
    QString m_chemin;
    int m_prise = -1;
    bool m_liee = false;
    QStringList m_recus;
};

// The environment systemd gives the service: no display at all, and, when given, the
// notification socket and a watchdog of that many microseconds.
inline QProcessEnvironment EnvironnementDuService(const QString& notification, qint64 chienDeGardeUs = 300000)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* nom : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"})
        env.remove(QLatin1String(nom));
    env.insert(QStringLiteral("NOTIFY_SOCKET"), notification);
    env.insert(QStringLiteral("WATCHDOG_USEC"), QString::number(chienDeGardeUs));
    return env;
}
