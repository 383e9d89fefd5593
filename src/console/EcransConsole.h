#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class AccesServeur;
class Console;
class Frm_LstUsers;
class Frm_MAJDispo;
class Frm_Params;
class Frm_SuiviMAJ;
class Frm_Telemaintenance;

// The administration screens opened from the tray menu: parameters (entry 1), tracking (3),
// connected users (7), downloads (8) and remote maintenance (9), and the parameters screen of
// the very first start. A screen already open is brought forward, never opened twice.
class EcransConsole : public QObject
{
    Q_OBJECT
public:
    EcransConsole(AccesServeur& serveur, Console& console, QObject* parent = nullptr);
    ~EcransConsole() override;

    void OuvrirParametres();
    void OuvrirSuivi();
    void OuvrirUtilisateurs();
    void OuvrirTelechargements();
    void OuvrirTelemaintenance();
    // Modal, before anything listens; `ensuite` runs once it has closed.
    void PremierDemarrage(std::function<void()> ensuite);

    Frm_Params* Parametres() const;

private:
    // Nothing, once the person is told, when the settings cannot be read.
    Frm_Params* creerParametres();

    AccesServeur& m_serveur;
    Console& m_console;
    QPointer<Frm_Params> m_parametres;
    QPointer<Frm_SuiviMAJ> m_suivi;
    QPointer<Frm_LstUsers> m_utilisateurs;
    QPointer<Frm_MAJDispo> m_telechargements;
    QPointer<Frm_Telemaintenance> m_telemaintenance;
};
