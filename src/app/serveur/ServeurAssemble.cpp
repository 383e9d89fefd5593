#include "ServeurAssemble.h"

ServeurAssemble::ServeurAssemble(StatutVerification& statut, QObject* parent)
    : QObject(parent), Verification(Reseau.Etat_(), Reseau.Tim_VerifMAJ, statut)
{
    // A departure may free the menu's quit entry.
    connect(&Postes, &ServeurPostes::PostesConnectesChange, this, [this, avant = 0](int nombre) mutable {
        if (nombre < avant)
            Reseau.VerifConnectes();
        avant = nombre;
    });
    connect(&Reseau.Tim_VerifMAJ, &QTimer::timeout, &Verification, &VerificationMaj::Tim_VerifMAJ_Timer);
    connect(&Reseau.Tim_InstallDiffere, &QTimer::timeout, &Differee, &InstallationDifferee::Tic);
}

void ServeurAssemble::Brancher(ServiceConsole* console, InterlocuteurInstallation* installation)
{
    Reseau.Brancher(&Postes, console);
    Installation.FixerInterlocuteur(installation);
}
