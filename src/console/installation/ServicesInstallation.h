#pragma once

class AccesServeur;
class Console;

// What the installation windows work with.
struct ServicesInstallation
{
    AccesServeur& Serveur;
    Console* Console_ = nullptr; // the tray menu's count of connected workstations, when there is one
};
