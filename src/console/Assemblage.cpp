#include "Assemblage.h"

#include "Frm_Menu.h"
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
