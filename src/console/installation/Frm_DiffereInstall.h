#pragma once

#include "console/installation/ServicesInstallation.h"

#include <QDialog>

class ChampHeure;
class QLineEdit;
class QRadioButton;

// Starts the oldest pending server update at once, or plans it for the next occurrence of
// a time of day.
class Frm_DiffereInstall : public QDialog
{
    Q_OBJECT
public:
    Frm_DiffereInstall(ServicesInstallation services, QWidget* parent = nullptr);

    // The update to install, filled in by the pending-updates window.
    QLineEdit* Txt_NomFichier = nullptr;
    QLineEdit* Txt_NumVersion = nullptr;
    QLineEdit* Txt_IdMaj = nullptr;

    // Whether a workstation menu is open: a connection, or a count other than "0" in the
    // tray menu.
    bool PostesOuverts() const;

private:
    void valider();
    void demarrerMaintenant();
    void planifier();

    ServicesInstallation m_services;
    QRadioButton* m_immediate = nullptr;
    QRadioButton* m_differe = nullptr;
    QLineEdit* m_heure = nullptr;
    ChampHeure* m_champHeure = nullptr;
};
