#pragma once

class Console;
class Frm_Reseau;
class InstallationDifferee;
class InstallationServeur;

// What the installation windows work with.
struct ServicesInstallation
{
    Frm_Reseau& Reseau;
    InstallationServeur& Installation;
    InstallationDifferee& Differee;
    Console* Console_ = nullptr; // the tray menu's count of connected workstations, when there is one
};
