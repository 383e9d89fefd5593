#include "DemandesArret.h"

#include "core/Frm_Reseau.h"
#include "core/Messages.h"
#include "core/Sortie.h"

#include <QGuiApplication>
#include <QSessionManager>

DemandesArret::DemandesArret(Frm_Reseau& reseau, QObject* parent) : QObject(parent), m_reseau(reseau)
{
    connect(&m_signaux, &SignauxArret::arretDemande, this, [this] {
        if (m_reseau.DemandeFermeture(Frm_Reseau::Demandeur::Systeme))
            m_reseau.Arreter(0);
    });
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, &DemandesArret::finDeSession);
}

void DemandesArret::finDeSession(QSessionManager& session)
{
    const QString refus = m_reseau.RefusFermeture(Frm_Reseau::Demandeur::Systeme);
    if (refus.isEmpty())
        return;
    // The refusal is shown once the session manager grants the screen; without that grant it
    // still asks the session to go on, and the refusal is written to standard error.
    if (session.allowsInteraction()) {
        Messages::Afficher(&m_reseau, refus);
        session.cancel();
        session.release();
        return;
    }
    Sortie::Ecrire(QStringLiteral("Fin de session refusée : ") + refus);
    session.cancel();
}
