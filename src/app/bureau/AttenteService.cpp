#include "AttenteService.h"

#include "ConsoleAttachee.h"
#include "app/liaison/Liaison.h"
#include "console/commun/MessagesConsole.h"
#include "core/Messages.h"
#include "core/Sortie.h"
#include "platform/Systeme.h"

#include <QMessageBox>

AttenteService::AttenteService(ConsoleAttachee& console, const QString& dossierProgramme, QObject* parent)
    : QObject(parent), m_console(console), m_dossier(dossierProgramme)
{
    m_reessai.setSingleShot(true);
    m_reessai.setInterval(ConsoleAttachee::ReessaiMs);
    connect(&m_reessai, &QTimer::timeout, this, [this] { m_console.Connecter(m_dossier); });
    connect(&m_console, &ConsoleAttachee::Attachee, this, [this] {
        m_reessai.stop();
        delete m_avis;
    });
    connect(&m_console, &ConsoleAttachee::Refusee, this, [this] { m_reessai.stop(); });
}

AttenteService::~AttenteService()
{
    delete m_avis;
}

void AttenteService::Injoignable(const QString& raison)
{
    if (m_avisTexte.isEmpty()) {
        // A service that holds the folder but whose socket does not answer is not told to start.
        m_avisTexte = Systeme::InstanceUnique::DossierOccupe(m_dossier)
            ? QStringLiteral("Le service de mise à jour fonctionne sur ce dossier, mais sa console est injoignable (")
                + Liaison::CheminDansLeDossier(m_dossier) + QStringLiteral(" : ") + raison
                + QStringLiteral(").\r\nCette console s'y attachera dès qu'il répondra.")
            : QStringLiteral("Le service de mise à jour ne fonctionne pas sur ce dossier (") + m_dossier
                + QStringLiteral(").\r\nDémarrez-le avec la commande « ") + CommandeDemarrage()
                + QStringLiteral(" » : cette console s'y attachera dès qu'il répondra.");
        afficherAvis();
    }
    m_reessai.start();
}

void AttenteService::RappelerAvis()
{
    if (EnAttente() && !m_avisTexte.isEmpty())
        afficherAvis();
}

void AttenteService::afficherAvis()
{
    QString uneLigne = m_avisTexte;
    uneLigne.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    Sortie::Ecrire(Messages::Titre() + QStringLiteral(": ") + uneLigne);
    // Not modal: the console attaches meanwhile, and the notice goes then.
    if (!m_avis) {
        m_avis = new QMessageBox;
        m_avis->setAttribute(Qt::WA_DeleteOnClose);
        MessagesConsole::Preparer(*m_avis, Messages::Titre(), m_avisTexte, Icone::Exclamation, Boutons::Ok);
    }
    m_avis->show();
    m_avis->raise();
    m_avis->activateWindow();
}
