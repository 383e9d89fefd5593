#include "Assemblage.h"

#include "Frm_Menu.h"
#include "Frm_ObsEvt.h"
#include "core/Messages.h"

Assemblage::Assemblage(QObject* parent)
    : QObject(parent)
{
    Messages::Installer(&Messages_);
    Reseau.Brancher(&Postes, &Console_);
    // The menu shows how many workstations are connected; a departure may free its quit entry.
    connect(&Postes, &ServeurPostes::PostesConnectesChange, this, [this, avant = 0](int nombre) mutable {
        if (Frm_Menu* menu = Console_.Menu())
            menu->EcrireNombrePostes();
        if (nombre < avant)
            Reseau.VerifConnectes();
        avant = nombre;
    });
    Installation.FixerInterlocuteur(&FenetresInstallation_);
    Console_.DefinirAction(5, [this] { FenetresInstallation_.OuvrirMajAttente(); });
    // The update check: each tick of its timer, and the menu's manual check.
    connect(&Reseau.Tim_VerifMAJ, &QTimer::timeout, &Verification, &VerificationMaj::Tim_VerifMAJ_Timer);
    Console_.DefinirAction(2, [this] {
        Console_.FermerMenu();
        Verification.VerifierMAJ(true);
    });
    Console_.DefinirAction(6, [] { Frm_ObsEvt::Afficher(); });
    connect(&Reseau.Tim_InstallDiffere, &QTimer::timeout, &Differee, &InstallationDifferee::Tic);
}

Assemblage::~Assemblage()
{
    Messages::Installer(nullptr);
}

void Assemblage::Demarrer(const QString& dossierProgramme, bool autostart)
{
    Reseau.Demarrer(dossierProgramme, autostart);
}
