#include "Assemblage.h"

#include "console/journal/Frm_ObsEvt.h"
#include "console/menu/Frm_Menu.h"
#include "core/Messages.h"

Assemblage::Assemblage(QObject* parent) : QObject(parent)
{
    Messages::Installer(&Messages_);
    Serveur.Brancher(&Console_, &FenetresInstallation_);
    // The menu shows how many workstations are connected.
    connect(&Acces, &AccesServeur::PostesConnectesChange, this, [this] {
        if (Frm_Menu* menu = Console_.Menu())
            menu->EcrireNombrePostes();
    });
    Console_.DefinirAction(5, [this] { FenetresInstallation_.OuvrirMajAttente(); });
    Console_.DefinirAction(2, [this] {
        Console_.FermerMenu();
        Acces.VerifierMaintenant();
    });
    Console_.DefinirAction(6, [] { Frm_ObsEvt::Afficher(); });
}

Assemblage::~Assemblage()
{
    Messages::Installer(nullptr);
}

void Assemblage::Demarrer(const QString& dossierProgramme, bool autostart)
{
    Reseau.Demarrer(dossierProgramme, autostart);
}
