#include "console/menu/Console.h"

#include "console/AccesServeur.h"
#include "console/commun/Icones.h"
#include "console/menu/Frm_Acces.h"
#include "console/menu/Frm_Menu.h"
#include "core/Etat.h"
#include "core/Sortie.h"
#include "platform/Systeme.h"
#include "platform/bureau/Bureau.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QSystemTrayIcon>
#include <QTimer>

Console::Console(AccesServeur& serveur, QObject* parent) : QObject(parent), m_serveur(serveur)
{
    setObjectName(QStringLiteral("Console"));
}

Console::~Console()
{
    delete m_menu;
    delete m_acces;
}

void Console::DefinirAction(int index, std::function<void()> action)
{
    m_actions.at(static_cast<std::size_t>(index)) = std::move(action);
}

void Console::DefinirPremierDemarrage(std::function<void(std::function<void()>)> afficher)
{
    m_premierDemarrage = std::move(afficher);
}

void Console::AfficherPremierDemarrage(std::function<void()> ensuite)
{
    if (m_premierDemarrage)
        m_premierDemarrage(std::move(ensuite));
    else
        ensuite();
}

void Console::AfficherIcone()
{
    m_iconeAffichee = true;
    if (!m_icone) {
        m_icone = new QSystemTrayIcon(Icones::Serveur(), this);
        m_icone->setObjectName(QStringLiteral("TrayIcon"));
        m_icone->setToolTip(TexteIcone());
        connect(m_icone, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason raison) {
            if (raison == QSystemTrayIcon::Trigger)
                ClicIcone();
        });
    }
    essayerIcone();
}

QString Console::TexteIcone() const
{
    return m_serveurJoignable ? QStringLiteral("QUENTARIS Serveur")
                              : QStringLiteral("QUENTARIS Serveur : le service de mise à jour ne fonctionne pas");
}

void Console::FixerServeurJoignable(bool joignable)
{
    m_serveurJoignable = joignable;
    if (m_icone)
        m_icone->setToolTip(TexteIcone());
    appliquerDisponibilite();
}

bool Console::BesoinDuServeur(int index)
{
    // The settings (saved for the server, a move), the check, the installations and the
    // workstations' sessions; the journal, the lists read from the database, remote maintenance,
    // telnet and the quit entry do without it.
    return index == 1 || index == 2 || index == 5 || index == 7;
}

void Console::appliquerDisponibilite()
{
    if (!m_menu)
        return;
    for (int index = 1; index < Frm_Menu::NombreEntrees; ++index) {
        if (!BesoinDuServeur(index))
            continue;
        const bool actif = m_serveurJoignable && !(index == 1 && m_parametresOuverts);
        m_menu->Sel_Menu(index)->setEnabled(m_serveurJoignable);
        m_menu->Etq_Menu(index)->setEnabled(actif);
        if (!actif)
            m_menu->DesactiveMenu(index);
        // Said after the menu's own reason, which the change of state has just written.
        if (!m_serveurJoignable) {
            const QString raison = QStringLiteral("Impossible tant que le service de mise à jour ne fonctionne pas.");
            m_menu->Sel_Menu(index)->setToolTip(raison);
            m_menu->Etq_Menu(index)->setToolTip(raison);
        }
    }
}

// The panel may start after us: retry showing the icon for a while, and meanwhile keep the
// menu reachable through a small window.
void Console::essayerIcone()
{
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_icone->show();
        // Never under an open box, which it may own: hidden now, it goes once the box is answered.
        if (m_acces && QApplication::activeModalWidget()) {
            m_acces->hide();
            QTimer::singleShot(2000, this, &Console::essayerIcone);
            return;
        }
        delete m_acces;
        return;
    }
    if (!m_acces) {
        m_acces = new Frm_Acces;
        connect(m_acces, &Frm_Acces::Clic, this, &Console::ClicIcone);
        m_acces->show();
    }
    if (m_essaisIcone++ < 30)
        QTimer::singleShot(2000, this, &Console::essayerIcone);
}

void Console::RetirerIcone()
{
    m_iconeAffichee = false;
    if (m_icone)
        m_icone->hide();
    delete m_acces;
}

void Console::ClicIcone()
{
    // On a panel that takes the focus, the click that should close the menu first closes it
    // through the focus loss, then arrives here: it must not open the menu again.
    if (m_fermeParFocus.isValid() && m_fermeParFocus.elapsed() < DelaiApresPerteDeFocus)
        return;
    OuvrirMenu();
}

void Console::OuvrirMenu()
{
    m_fermeParFocus.invalidate();
    if (m_menu && m_menu->isVisible()) {
        FermerMenu();
        return;
    }
    if (!m_menu) {
        m_menu = new Frm_Menu(*this);
        connect(m_menu, &Frm_Menu::PerteDeFocus, this, [this] { m_fermeParFocus.start(); });
        appliquerDisponibilite();
    }
    m_menu->EcrireNombrePostes();
    const QRect icone = m_icone && m_icone->isVisible() ? m_icone->geometry() : QRect();
    m_menu->move(Bureau::PlacementPresDeLaBarre(m_menu->size(), icone.isValid() ? icone.center() : QPoint()));
    m_menu->show();
    m_menu->raise();
    m_menu->activateWindow();
}

void Console::MontrerMenu()
{
    if (!m_iconeAffichee)
        return;
    if (m_acces && m_acces->isMinimized())
        m_acces->showNormal();
    if (m_menu && m_menu->isVisible()) {
        m_menu->raise();
        m_menu->activateWindow();
        return;
    }
    OuvrirMenu();
}

void Console::FermerMenu()
{
    if (!m_menu)
        return;
    // A box may belong to the menu's own code, which goes on once the box is answered: the menu
    // is only hidden then, and deleted at a later close.
    if (QApplication::activeModalWidget())
        m_menu->hide();
    else
        m_menu->close();
}

void Console::VerifConnectes()
{
    // The count shown first, which the quit entry follows.
    if (m_menu) {
        m_menu->EcrireNombrePostes();
        m_menu->VerifConnectes();
    }
}

int Console::PostesConnectes() const
{
    return m_serveur.PostesConnectes();
}

bool Console::TelnetDisponible() const
{
    return !Systeme::TrouverProgramme(QStringLiteral("telnet")).isEmpty();
}

void Console::Executer(int index)
{
    if (index == 10) {
        lancerTelnet();
        return;
    }
    const auto& action = m_actions.at(static_cast<std::size_t>(index));
    if (action)
        action();
    else if (index == 2)
        FermerMenu();
}

void Console::Quitter()
{
    m_serveur.Quitter();
}

void Console::FixerParametresOuverts(bool ouverts)
{
    m_parametresOuverts = ouverts;
    appliquerDisponibilite();
}

void Console::lancerTelnet()
{
    const QString serveur = m_serveur.Etat_().ServeurUniDATA;
    const QString terminal = Systeme::TrouverProgramme(QStringLiteral("x-terminal-emulator"));
    bool lance = false;
    if (!terminal.isEmpty())
        lance = Systeme::LancerDetache(terminal, {QStringLiteral("-e"), QStringLiteral("telnet"), serveur});
    if (!lance)
        Sortie::Ecrire(QStringLiteral("Impossible d'ouvrir la console telnet sur ") + serveur
                       + QStringLiteral(" : aucun terminal (x-terminal-emulator) n'a pu être lancé."));
}

Frm_Menu* Console::Menu() const
{
    return m_menu;
}
