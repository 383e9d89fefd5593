#include "Systemd.h"

#include <systemd/sd-daemon.h>

Systemd::Systemd(QObject* parent) : QObject(parent)
{
    // Pinged at half the watchdog's period, from the event loop itself: a loop stuck in one
    // handler stops the pings.
    uint64_t periode = 0;
    if (sd_watchdog_enabled(0, &periode) > 0 && periode > 0) {
        connect(&m_chien, &QTimer::timeout, this, [] { sd_notify(0, "WATCHDOG=1"); });
        m_chien.start(static_cast<int>(qMax<uint64_t>(periode / 2000, 1)));
    }
}

void Systemd::Pret()
{
    sd_notify(0, "READY=1");
}

void Systemd::Arret()
{
    sd_notify(0, "STOPPING=1");
}

void Systemd::Etat(const QString& texte)
{
    const QByteArray ligne = QByteArrayLiteral("STATUS=") + texte.toUtf8();
    sd_notify(0, ligne.constData());
}
