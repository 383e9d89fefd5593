#pragma once

#include "console/parametres/CadreIdentification.h"

#include <QDialog>
#include <array>
#include <functional>

class AccesServeur;
class AnimationAttente;
class CadreResponsables;
class ChampHeure;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLineEdit;
class QPushButton;
struct Parametres;

// The settings of the update check: weekdays and time, update folder, the service account
// (checked online before anything is saved), the persons responsible for updates, and the
// way to the proxy screen. Only OK and Fermer close it.
class Frm_Params : public QDialog
{
    Q_OBJECT
public:
    using VerificationCompte = CadreIdentification::VerificationCompte;

    explicit Frm_Params(AccesServeur& serveur, QWidget* parent = nullptr);
    ~Frm_Params() override;

    // Tests answer the account check themselves.
    void DefinirVerification(VerificationCompte verification);

    // False when the settings or the persons could not be read: the screen must not be used,
    // as saving it would write what it shows over what it could not read.
    bool ChargerParametres();
    bool ChargerResponsables();
    // Validates the screen (after an account check); `fin` receives whether it is valid.
    void VerifInfos(std::function<void(bool)> fin);
    // False when the settings could not be written (the reason is on standard error).
    bool EnregistrerParametres();
    bool ParametresModifies() const;
    void AfficherVerification(bool enCours);

    bool VerificationEnCours() const { return m_verificationEnCours; }

    // Whether the system itself uses a proxy for plain web addresses.
    static bool ProxySystemeActif(const QString& adresse);

protected:
    void reject() override;
    void resizeEvent(QResizeEvent* evenement) override;

private:
    void construire();
    // The settings row as the screen shows it, the password enciphered.
    Parametres saisis() const;
    static bool enregistrer(const Parametres& parametres);
    void cmdOK();
    void cmdFermer();
    void terminerOK();
    void fermer();
    void DeplacerMisesAJour(const QString& ancien, const QString& nouveau, std::function<void(bool)> ensuite);
    void choisirEmplacement();
    void ouvrirProxy();
    void attendreResponsable(bool enCours);
    void placerPanneau();

    AccesServeur& m_serveur;

    QGroupBox* m_cadreParams = nullptr;
    std::array<QCheckBox*, 7> m_jours{};
    QLineEdit* m_heure = nullptr;
    ChampHeure* m_champHeure = nullptr;
    QLineEdit* m_emplacement = nullptr;
    QPushButton* m_choixEmplacement = nullptr;
    CadreIdentification* m_identification = nullptr;
    QLineEdit* m_utilisateur = nullptr;
    QLineEdit* m_pass = nullptr;
    CadreResponsables* m_responsables = nullptr;
    QPushButton* m_proxy = nullptr;
    QFrame* m_panneau = nullptr;
    AnimationAttente* m_animation = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_fermer = nullptr;

    bool FermetureAutorisee = false;
    bool m_verificationEnCours = false;
};
