#include "console/EcransConsole.h"

#include "console/AccesServeur.h"
#include "console/commun/AmenerDevant.h"
#include "console/menu/Console.h"
#include "console/menu/Frm_Telemaintenance.h"
#include "console/parametres/Frm_Params.h"
#include "console/postes/Frm_LstUsers.h"
#include "console/postes/Frm_SuiviMAJ.h"
#include "console/verification/Frm_MAJDispo.h"
#include "core/Messages.h"

#include <QTimer>

namespace {

// Shows a screen, or brings forward the one already open.
template <typename Fenetre, typename Creer>
void montrer(QPointer<Fenetre>& fenetre, Creer creer)
{
    if (!fenetre)
        fenetre = creer();
    if (fenetre)
        AmenerDevant(fenetre);
}

} // namespace

EcransConsole::EcransConsole(AccesServeur& serveur, Console& console, QObject* parent)
    : QObject(parent), m_serveur(serveur), m_console(console)
{
    m_console.DefinirAction(1, [this] { OuvrirParametres(); });
    m_console.DefinirAction(3, [this] { OuvrirSuivi(); });
    m_console.DefinirAction(7, [this] { OuvrirUtilisateurs(); });
    m_console.DefinirAction(8, [this] { OuvrirTelechargements(); });
    m_console.DefinirAction(9, [this] { OuvrirTelemaintenance(); });
    m_console.DefinirPremierDemarrage([this](std::function<void()> ensuite) { PremierDemarrage(std::move(ensuite)); });
}

EcransConsole::~EcransConsole()
{
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_parametres, m_suivi, m_utilisateurs, m_telechargements, m_telemaintenance}) {
        if (w)
            w->disconnect(this);
        delete w;
    }
}

Frm_Params* EcransConsole::Parametres() const
{
    return m_parametres;
}

Frm_Params* EcransConsole::creerParametres()
{
    auto* ecran = new Frm_Params(m_serveur);
    if (!ecran->ChargerParametres()) {
        delete ecran;
        Messages::Afficher(this,
                           QStringLiteral("Les paramètres ne peuvent pas être lus dans la base de données interne : "
                                          "l'écran des paramètres ne peut pas être ouvert."));
        return nullptr;
    }
    m_console.FixerParametresOuverts(true);
    connect(ecran, &QObject::destroyed, this, [this] { m_console.FixerParametresOuverts(false); });
    return ecran;
}

void EcransConsole::OuvrirParametres()
{
    montrer(m_parametres, [this] { return creerParametres(); });
}

void EcransConsole::OuvrirSuivi()
{
    montrer(m_suivi, [this] { return new Frm_SuiviMAJ(m_serveur); });
}

void EcransConsole::OuvrirUtilisateurs()
{
    montrer(m_utilisateurs, [this] { return new Frm_LstUsers(m_serveur); });
}

void EcransConsole::OuvrirTelechargements()
{
    montrer(m_telechargements, [] { return new Frm_MAJDispo; });
}

void EcransConsole::OuvrirTelemaintenance()
{
    montrer(m_telemaintenance, [this] { return new Frm_Telemaintenance(m_serveur); });
}

void EcransConsole::PremierDemarrage(std::function<void()> ensuite)
{
    Frm_Params* ecran = m_parametres ? m_parametres.data() : creerParametres();
    if (!ecran) {
        QTimer::singleShot(0, this, ensuite);
        return;
    }
    m_parametres = ecran;
    // Start-up goes on once the screen is gone, not from inside its destruction.
    connect(ecran, &QObject::destroyed, this,
            [this, ensuite = std::move(ensuite)] { QTimer::singleShot(0, this, ensuite); });
    ecran->setWindowModality(Qt::ApplicationModal);
    montrer(m_parametres, [ecran] { return ecran; });
}
