#pragma once

#include "Console.h"
#include "EcransConsole.h"
#include "FenetresInstallation.h"
#include "MessagesConsole.h"
#include "StatutVerificationConsole.h"
#include "acquisition/VerificationMaj.h"
#include "core/Frm_Reseau.h"
#include "workstations/ServeurPostes.h"
#include "installation/ClientUniDATALocal.h"
#include "installation/InstallationDifferee.h"
#include "installation/InstallationServeur.h"

#include <QObject>

// The whole server wired together: the controller, the channels, the check, the
// installation and the console.
class Assemblage : public QObject
{
    Q_OBJECT
public:
    explicit Assemblage(QObject* parent = nullptr);
    ~Assemblage() override;

    void Demarrer(const QString& dossierProgramme, bool autostart);

    Frm_Reseau Reseau;
    ServeurPostes Postes{Reseau.Etat_()};
    MessagesConsole Messages_;
    Console Console_{Reseau};
    EcransConsole Ecrans_{Reseau, Postes, Console_};
    StatutVerificationConsole StatutVerification_;
    VerificationMaj Verification{Reseau.Etat_(), Reseau.Tim_VerifMAJ, StatutVerification_};
    ClientUniDATALocal ClientUniDATA_;
    InstallationServeur Installation{Reseau, ClientUniDATA_};
    InstallationDifferee Differee{Reseau, Installation};
    FenetresInstallation FenetresInstallation_{{Reseau, Installation, Differee, &Console_}};
};
