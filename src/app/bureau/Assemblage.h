#pragma once

#include "app/serveur/ServeurAssemble.h"
#include "console/AccesServeurLocal.h"
#include "console/EcransConsole.h"
#include "console/commun/MessagesConsole.h"
#include "console/installation/FenetresInstallation.h"
#include "console/menu/Console.h"
#include "console/verification/StatutVerificationConsole.h"

#include <QObject>

// The desktop program: the whole server and its console in one process.
class Assemblage : public QObject
{
    Q_OBJECT
public:
    explicit Assemblage(QObject* parent = nullptr);
    ~Assemblage() override;

    void Demarrer(const QString& dossierProgramme, bool autostart);

    MessagesConsole Messages_;
    StatutVerificationConsole StatutVerification_;
    ServeurAssemble Serveur{StatutVerification_};
    Frm_Reseau& Reseau = Serveur.Reseau;
    ServeurPostes& Postes = Serveur.Postes;
    VerificationMaj& Verification = Serveur.Verification;
    InstallationServeur& Installation = Serveur.Installation;
    InstallationDifferee& Differee = Serveur.Differee;
    // What every window reaches the server through.
    AccesServeurLocal Acces{Reseau, &Postes, &Installation, &Differee, &Verification};
    Console Console_{Acces};
    EcransConsole Ecrans_{Acces, Console_};
    FenetresInstallation FenetresInstallation_{{Acces, &Console_}};
};
