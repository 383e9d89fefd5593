#pragma once

#include <QString>
#include <functional>

// What the controller needs of the folders above it, which it cannot include.

// The two TCP channels serving workstations.
class ServicePostes
{
public:
    virtual ~ServicePostes() = default;
    // Starts both listeners; false with a message naming the port that failed.
    virtual bool Ecouter(quint16 portControle, quint16 portTransfert, QString* erreur) = 0;
    virtual int PostesConnectes() const = 0;
    virtual int TransfertsOuverts() const = 0;
};

// The administration console: tray icon, menu and first-run parameters screen.
class ServiceConsole
{
public:
    virtual ~ServiceConsole() = default;
    // Shows the parameters screen modal; `ensuite` runs once it has closed.
    virtual void AfficherPremierDemarrage(std::function<void()> ensuite) = 0;
    virtual void AfficherIcone() = 0;
    virtual void RetirerIcone() = 0;
    // Same as a left click on the tray icon.
    virtual void OuvrirMenu() = 0;
    // Enables the menu's quit entry when no workstation is connected, disables it otherwise.
    virtual void VerifConnectes() = 0;
};
