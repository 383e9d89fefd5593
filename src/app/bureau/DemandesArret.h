#pragma once

#include "platform/SignauxArret.h"

#include <QObject>

class Frm_Reseau;
class QSessionManager;

// The system asking the server to stop: SIGTERM or SIGINT, and the end of the person's
// session. Both go through the controller's one check, so neither cuts an installation or a
// move of the update folder, nor drops connected workstations.
class DemandesArret : public QObject
{
    Q_OBJECT
public:
    explicit DemandesArret(Frm_Reseau& reseau, QObject* parent = nullptr);

private:
    void finDeSession(QSessionManager& session);

    Frm_Reseau& m_reseau;
    SignauxArret m_signaux;
};
