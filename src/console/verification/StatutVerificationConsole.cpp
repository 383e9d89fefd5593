#include "console/verification/StatutVerificationConsole.h"

#include "console/journal/Frm_ObsEvt.h"
#include "console/verification/Frm_EtatDL.h"
#include "console/verification/Frm_InfoBulle.h"

#include <QApplication>

StatutVerificationConsole::~StatutVerificationConsole()
{
    delete m_etat;
    delete m_bulle;
    if (m_curseur)
        QApplication::restoreOverrideCursor();
}

void StatutVerificationConsole::Ouvrir(bool manuelle)
{
    if (manuelle) {
        delete m_etat;
        m_etat = new Frm_EtatDL;
        m_etat->show();
        if (!m_curseur) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            m_curseur = true;
        }
    } else {
        delete m_bulle;
        m_bulle = new Frm_InfoBulle;
        m_bulle->Placer();
        m_bulle->show();
        m_bulle->raise();
    }
}

void StatutVerificationConsole::Telechargement(const QString& texte, qint64 taille)
{
    m_taille = taille;
    if (m_etat) {
        m_etat->EcrireTexte(texte);
        m_etat->Progression(0, taille);
    }
    if (m_bulle) {
        m_bulle->EcrireTexte(texte);
        m_bulle->Progression(0, taille);
    }
}

void StatutVerificationConsole::Progression(qint64 recus)
{
    if (m_etat)
        m_etat->Progression(recus, m_taille);
    if (m_bulle)
        m_bulle->Progression(recus, m_taille);
}

void StatutVerificationConsole::Texte(const QString& texte)
{
    if (m_etat)
        m_etat->EcrireTexte(texte);
    if (m_bulle)
        m_bulle->EcrireTexte(texte);
}

void StatutVerificationConsole::Fermer(bool manuelle)
{
    if (manuelle) {
        delete m_etat;
        if (m_curseur) {
            QApplication::restoreOverrideCursor();
            m_curseur = false;
        }
        // The person reads the outcome at once, so an open viewer is reloaded too.
        Frm_ObsEvt::Afficher(true);
    } else {
        delete m_bulle;
    }
}

void StatutVerificationConsole::Abandonner()
{
    delete m_etat;
    delete m_bulle;
    if (m_curseur) {
        QApplication::restoreOverrideCursor();
        m_curseur = false;
    }
}
