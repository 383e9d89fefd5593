#pragma once

#include "acquisition/VerificationMaj.h"
#include "core/Frm_Reseau.h"
#include "installation/ClientUniDATALocal.h"
#include "installation/InstallationDifferee.h"
#include "installation/InstallationServeur.h"
#include "workstations/ServeurPostes.h"

#include <QObject>

class StatutVerification;

// The server without its windows: the controller, both workstation channels, the update check,
// the installation and its deferred start, wired to their timers. The person at the screen is
// reached through what is given: the check's status here, the console and the installation's
// windows through Brancher. The desktop program and the headless service both assemble it.
class ServeurAssemble : public QObject
{
    Q_OBJECT
public:
    explicit ServeurAssemble(StatutVerification& statut, QObject* parent = nullptr);

    void Brancher(ServiceConsole* console, InterlocuteurInstallation* installation);

    Frm_Reseau Reseau;
    ServeurPostes Postes{Reseau.Etat_()};
    VerificationMaj Verification;
    ClientUniDATALocal ClientUniDATA_;
    InstallationServeur Installation{Reseau, ClientUniDATA_};
    InstallationDifferee Differee{Reseau, Installation};
};
