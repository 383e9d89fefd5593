#pragma once

#include <QObject>
#include <QTimer>

// The service manager that started this program, when one did (systemd with Type=notify):
// told when the service is ready and when it stops, and pinged from the event loop so that a
// loop that hangs gets the service restarted. Outside systemd every call does nothing.
class Systemd : public QObject
{
    Q_OBJECT
public:
    explicit Systemd(QObject* parent = nullptr);

    void Pret();
    void Arret();
    // A line for `systemctl status`.
    void Etat(const QString& texte);

private:
    QTimer m_chien;
};
