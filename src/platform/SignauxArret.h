#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a signal on the event loop, so that the system asking the
// program to stop is handled like any close request.
class SignauxArret : public QObject
{
    Q_OBJECT
public:
    explicit SignauxArret(QObject* parent = nullptr);
    ~SignauxArret() override;

signals:
    void arretDemande();

private:
    static void surSignal(int numero);
    QSocketNotifier* m_notificateur = nullptr;
};
