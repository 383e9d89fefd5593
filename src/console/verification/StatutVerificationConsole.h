#pragma once

#include "acquisition/StatutVerification.h"
#include "console/verification/Frm_EtatDL.h"
#include "console/verification/Frm_InfoBulle.h"

#include <QPointer>

// The check's status shown with real windows: Frm_EtatDL and the busy pointer for a manual
// check, then the event viewer; the balloon Frm_InfoBulle for a scheduled one.
class StatutVerificationConsole : public StatutVerification
{
public:
    ~StatutVerificationConsole() override;

    void Ouvrir(bool manuelle) override;
    void Telechargement(const QString& texte, qint64 taille) override;
    void Progression(qint64 recus) override;
    void Texte(const QString& texte) override;
    void Fermer(bool manuelle) override;
    // The server that ran the check is gone: its windows and the busy pointer go, without the
    // event viewer of a check's end.
    void Abandonner();

    Frm_EtatDL* EtatDL() const { return m_etat; }
    Frm_InfoBulle* InfoBulle() const { return m_bulle; }

private:
    QPointer<Frm_EtatDL> m_etat;
    QPointer<Frm_InfoBulle> m_bulle;
    qint64 m_taille = 0;
    bool m_curseur = false;
};
