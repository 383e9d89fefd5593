#include "Console.h"

#include "Frm_Menu.h"
#include "Icones.h"
#include "core/Frm_Reseau.h"
#include "core/Sortie.h"
#include "platform/Bureau.h"
#include "platform/Systeme.h"

#include <QLabel>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>

Console::Console(Frm_Reseau& reseau, QObject* parent) : QObject(parent), m_reseau(reseau)
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
    if (!m_icone) {
        m_icone = new QSystemTrayIcon(Icones::Serveur(), this);
        m_icone->setObjectName(QStringLiteral("TrayIcon"));
        m_icone->setToolTip(QStringLiteral("QUENTARIS Serveur"));
        connect(m_icone, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason raison) {
            if (raison == QSystemTrayIcon::Trigger)
                OuvrirMenu();
        });
    }
    essayerIcone();
}

// The panel may start after us: retry showing the icon for a while, and meanwhile keep the
// menu reachable through a small window.
void Console::essayerIcone()
{
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_icone->show();
        delete m_acces;
        return;
    }
    if (!m_acces) {
        auto* fenetre = new QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
        fenetre->setObjectName(QStringLiteral("Frm_Acces"));
        fenetre->setWindowTitle(QStringLiteral("QUENTARIS Serveur"));
        fenetre->setWindowIcon(Icones::Serveur());
        auto* disposition = new QVBoxLayout(fenetre);
        auto* bouton = new QPushButton(Icones::Serveur(), QStringLiteral("QUENTARIS Serveur"));
        bouton->setObjectName(QStringLiteral("Cmd_Menu"));
        disposition->addWidget(bouton);
        connect(bouton, &QPushButton::clicked, this, &Console::OuvrirMenu);
        m_acces = fenetre;
        fenetre->show();
    }
    if (m_essaisIcone++ < 30)
        QTimer::singleShot(2000, this, &Console::essayerIcone);
}

void Console::RetirerIcone()
{
    if (m_icone)
        m_icone->hide();
    delete m_acces;
}

void Console::OuvrirMenu()
{
    if (m_menu && m_menu->isVisible()) {
        FermerMenu();
        return;
    }
    if (!m_menu)
        m_menu = new Frm_Menu(*this);
    m_menu->EcrireNombrePostes();
    const Bureau::BarreDesTaches barre = Bureau::PositionBarreDesTaches();
    const QSize ecran = Bureau::TailleEcran();
    m_menu->move(
        Bureau::PlacementPresDeLaBarre(m_menu->width(), m_menu->height(), ecran.width(), ecran.height(), barre));
    m_menu->setWindowModality(Qt::ApplicationModal);
    m_menu->show();
    m_menu->raise();
    m_menu->activateWindow();
}

void Console::FermerMenu()
{
    if (m_menu)
        m_menu->close();
}

void Console::VerifConnectes()
{
    if (m_menu)
        m_menu->VerifConnectes();
}

int Console::PostesConnectes() const
{
    return m_reseau.PostesConnectes();
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
    m_reseau.Arreter(0);
}

void Console::FixerParametresOuverts(bool ouverts)
{
    m_parametresOuverts = ouverts;
    if (m_menu)
        m_menu->Etq_Menu(1)->setEnabled(!ouverts);
}

void Console::lancerTelnet()
{
    const QString serveur = m_reseau.Etat_().ServeurUniDATA;
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
