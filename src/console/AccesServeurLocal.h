#pragma once

#include "console/AccesServeur.h"

class DeplacementMaj;
class Frm_Reseau;
class InstallationDifferee;
class InstallationServeur;
class ServeurPostes;
class VerificationMaj;

// The server running in this process. Only the controller is needed; without the other
// parts, what they answer is empty and what they do is nothing.
class AccesServeurLocal : public AccesServeur
{
    Q_OBJECT
public:
    explicit AccesServeurLocal(Frm_Reseau& reseau, ServeurPostes* postes = nullptr,
                               InstallationServeur* installation = nullptr, InstallationDifferee* differee = nullptr,
                               VerificationMaj* verification = nullptr, QObject* parent = nullptr);

    const Etat& Etat_() const override;
    int PostesConnectes() const override;
    QVector<ServeurPostes::Session> Sessions() const override;
    bool PosteConnecte(const QString& adresse) const override;

    void VerifierMaintenant() override;
    void RetirerSession(int index) override;
    void InstallerMajServeur(const QString& fichier, const QString& version, const QString& id) override;
    void PlanifierInstallation(const QDateTime& depart, const QString& fichier, const QString& version,
                               const QString& id) override;
    void ParametresEnregistres(const Parametres& parametres) override;
    void DeplacerMaj(const QString& ancien, const QString& nouveau) override;
    void Quitter() override;

private:
    Frm_Reseau& m_reseau;
    ServeurPostes* m_postes;
    InstallationServeur* m_installation;
    InstallationDifferee* m_differee;
    VerificationMaj* m_verification;
    // Ends of installations told so far: a refusal ends without the installation's own signal.
};
