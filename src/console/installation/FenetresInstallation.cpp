#include "console/installation/FenetresInstallation.h"

#include "console/AccesServeur.h"
#include "console/commun/AmenerDevant.h"
#include "console/installation/Frm_ConnectUniDATA.h"
#include "console/installation/Frm_MAJAttente.h"
#include "console/installation/Frm_MajBases.h"
#include "console/installation/Frm_MajEnCours.h"

#include <memory>
#include <utility>

namespace {

// Calls `fin` once: when the dialog finishes, or when it is destroyed before.
template <typename Fenetre>
void auRetour(Fenetre* fenetre, QObject* contexte, std::function<void(Fenetre*)> fin)
{
    auto appel = std::make_shared<std::function<void(Fenetre*)>>(std::move(fin));
    QObject::connect(fenetre, &QDialog::finished, contexte, [fenetre, appel] {
        if (auto f = std::exchange(*appel, nullptr))
            f(fenetre);
    });
    QObject::connect(fenetre, &QObject::destroyed, contexte, [appel] {
        if (auto f = std::exchange(*appel, nullptr))
            f(nullptr);
    });
}

} // namespace

FenetresInstallation::FenetresInstallation(ServicesInstallation services, QObject* parent)
    : QObject(parent), m_services(services)
{
    setObjectName(QStringLiteral("FenetresInstallation"));
    connect(&m_services.Serveur, &AccesServeur::InstallationTerminee, this, [this] {
        if (m_attente && m_attente->isVisible())
            m_attente->ChargerMajEnAttente();
    });
}

void FenetresInstallation::RetirerIdentifiants()
{
    delete m_identifiants;
}

void FenetresInstallation::RetirerRapport()
{
    delete m_rapport;
}

void FenetresInstallation::ConfierDeverrouillage(std::function<void(const QString&)> envoyer)
{
    m_deverrouillage = std::move(envoyer);
}

Frm_MajBases* FenetresInstallation::Rapport() const
{
    return m_rapport;
}

FenetresInstallation::~FenetresInstallation()
{
    // A question still open goes with the windows that asked it.
    delete m_identifiants;
    delete m_progression;
    delete m_attente;
}

void FenetresInstallation::OuvrirMajAttente()
{
    if (!m_attente)
        m_attente = new Frm_MAJAttente(m_services);
    else if (!m_attente->isVisible())
        m_attente->ChargerMajEnAttente();
    AmenerDevant(m_attente);
}

Frm_MAJAttente* FenetresInstallation::MajAttente() const
{
    return m_attente;
}

QWidget* FenetresInstallation::proprietaire()
{
    if (!m_attente)
        m_attente = new Frm_MAJAttente(m_services);
    return m_attente;
}

void FenetresInstallation::DemanderIdentifiants(std::function<void(const Identifiants&)> fin)
{
    auto* dialogue = new Frm_ConnectUniDATA(m_attente && m_attente->isVisible() ? m_attente.data() : nullptr);
    m_identifiants = dialogue;
    dialogue->setAttribute(Qt::WA_DeleteOnClose);
    dialogue->setWindowModality(Qt::ApplicationModal);
    auRetour<Frm_ConnectUniDATA>(dialogue, this, [fin](Frm_ConnectUniDATA* d) {
        Identifiants annule;
        annule.Annule = true;
        fin(d ? d->Reponse() : annule);
    });
    dialogue->show();
    dialogue->raise();
    dialogue->activateWindow();
}

void FenetresInstallation::OuvrirProgression()
{
    if (!m_progression)
        m_progression = new Frm_MajEnCours(proprietaire());
    m_progression->show();
    m_progression->raise();
}

void FenetresInstallation::AfficherProgression(const QString& texte)
{
    if (m_progression)
        m_progression->FixerMessage(texte);
}

void FenetresInstallation::FermerProgression()
{
    // Gone from the screen at once: what follows (the report and its lock message) must not
    // appear under a window that still says a database is being updated.
    if (m_progression) {
        m_progression->hide();
        m_progression->deleteLater();
    }
    m_progression = nullptr;
}

void FenetresInstallation::AfficherRapport(const QVector<ResultatBase>& resultats, std::function<void()> ferme)
{
    auto* rapport = new Frm_MajBases(proprietaire());
    m_rapport = rapport;
    rapport->setAttribute(Qt::WA_DeleteOnClose);
    rapport->setWindowModality(Qt::ApplicationModal);
    if (m_deverrouillage)
        rapport->ConfierDeverrouillage(m_deverrouillage);
    QPointer<FenetresInstallation> moi(this);
    auRetour<Frm_MajBases>(rapport, this, [moi, ferme](Frm_MajBases*) {
        // A pending-updates window loaded only to own the report goes with it.
        if (moi && moi->m_attente && !moi->m_attente->isVisible())
            moi->m_attente->deleteLater();
        ferme();
    });
    // Shown before it is filled: the lock message it may show is then centred on it.
    rapport->show();
    rapport->raise();
    rapport->activateWindow();
    rapport->ChargerRapportInstallation(resultats);
}
