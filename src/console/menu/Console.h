#pragma once

#include "core/Composants.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <array>
#include <functional>

class AccesServeur;
class Frm_Acces;
class Frm_Menu;
class QSystemTrayIcon;

// The notification-area icon and its menu; the console's side of the controller.
class Console : public QObject, public ServiceConsole
{
    Q_OBJECT
public:
    explicit Console(AccesServeur& serveur, QObject* parent = nullptr);
    ~Console() override;

    // What a menu entry does once the menu is closed (entries 1 to 9).
    void DefinirAction(int index, std::function<void()> action);
    // The first-run parameters screen, shown modal.
    void DefinirPremierDemarrage(std::function<void(std::function<void()>)> afficher);

    // ServiceConsole
    void AfficherPremierDemarrage(std::function<void()> ensuite) override;
    void AfficherIcone() override;
    void RetirerIcone() override;
    void OuvrirMenu() override;
    void VerifConnectes() override;

    // A click on the tray icon (or on the window that stands for it): opens the menu, or
    // closes it when it is open.
    void ClicIcone();
    static constexpr int DelaiApresPerteDeFocus = 400; // ms

    // Attached to a service: whether it answers. The icon's text says so when it does not, and
    // the entries that need the server are greyed.
    void FixerServeurJoignable(bool joignable);
    static bool BesoinDuServeur(int index);
    bool ServeurJoignable() const { return m_serveurJoignable; }
    // The text of the tray icon.
    QString TexteIcone() const;

    // Another copy of the program asked for the menu: it opens (an open one stays) and the
    // window that stands for the icon comes back. Nothing happens before the icon is shown.
    void MontrerMenu();

    Frm_Menu* Menu() const;
    void FermerMenu();
    int PostesConnectes() const;
    bool TelnetDisponible() const;
    void Executer(int index);
    void Quitter();

    // Entry 1 stays greyed while the parameters screen is open.
    bool ParametresOuverts() const { return m_parametresOuverts; }
    void FixerParametresOuverts(bool ouverts);

private:
    void lancerTelnet();
    void appliquerDisponibilite();
    void essayerIcone();

    AccesServeur& m_serveur;
    QPointer<Frm_Menu> m_menu;
    QSystemTrayIcon* m_icone = nullptr;
    QPointer<Frm_Acces> m_acces;
    QElapsedTimer m_fermeParFocus;
    std::array<std::function<void()>, 11> m_actions;
    std::function<void(std::function<void()>)> m_premierDemarrage;
    bool m_parametresOuverts = false;
    bool m_serveurJoignable = true;
    bool m_iconeAffichee = false;
    int m_essaisIcone = 0;
};
