#pragma once

#include <QDialog>
#include <array>
#include <functional>

class Etat;
class Frm_Reseau;
class AnimationAttente;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The settings of the update check: weekdays and time, update folder, the service account
// (checked online before anything is saved), the persons responsible for updates, and the
// way to the proxy screen. Only OK and Fermer close it.
class Frm_Params : public QDialog
{
    Q_OBJECT
public:
    // Asks the service about an account; `fin` receives "OK", "REFUSE", another answer, or the
    // empty text when the service could not be reached. `contexte` bounds the call's life.
    using VerificationCompte = std::function<void(const QString& utilisateur, const QString& motDePasse,
                                                  QObject* contexte, std::function<void(const QString&)> fin)>;

    explicit Frm_Params(Frm_Reseau& reseau, QWidget* parent = nullptr);
    ~Frm_Params() override;

    // Tests answer the account check themselves.
    void DefinirVerification(VerificationCompte verification);

    void ChargerParametres();
    void ChargerResponsables();
    // Validates the screen (after an account check); `fin` receives whether it is valid.
    void VerifInfos(std::function<void(bool)> fin);
    void EnregistrerParametres();
    bool ParametresModifies() const;
    void AfficherVerification(bool enCours);
    void BloquerAjoutResponsable();
    void DebloquerAjoutResponsable();

    bool VerificationEnCours() const { return m_verificationEnCours; }

    // Whether the system itself uses a proxy for plain web addresses.
    static bool ProxySystemeActif(const QString& adresse);

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;
    void reject() override;
    void resizeEvent(QResizeEvent* evenement) override;

private:
    void construire();
    void verifierCompte(std::function<void()> ensuite);
    void cmdOK();
    void cmdFermer();
    void terminerOK();
    void fermer();
    void DeplacerMisesAJour(const QString& ancien, const QString& nouveau, std::function<void()> ensuite);
    void choisirEmplacement();
    void ouvrirProxy();
    void ajouterResponsable();
    void modifierResponsable(QTreeWidgetItem* item);
    void validerResponsable();
    void supprimerResponsable();
    bool toucheHeure(QKeyEvent* touche);
    void placerPanneau();

    Frm_Reseau& m_reseau;
    Etat& m_etat;
    VerificationCompte m_verification;

    QGroupBox* m_cadreParams = nullptr;
    std::array<QCheckBox*, 7> m_jours{};
    QLineEdit* m_heure = nullptr;
    QLineEdit* m_emplacement = nullptr;
    QPushButton* m_choixEmplacement = nullptr;
    QGroupBox* m_cadreIdentification = nullptr;
    QLineEdit* m_utilisateur = nullptr;
    QLineEdit* m_pass = nullptr;
    QPushButton* m_verif = nullptr;
    QLabel* m_verifOK = nullptr;
    QLabel* m_verifPasOK = nullptr;
    QLabel* m_compteBloque = nullptr;
    QLabel* m_erreurConnexion = nullptr;
    QGroupBox* m_cadreResp = nullptr;
    QTreeWidget* m_responsables = nullptr;
    QLineEdit* m_responsable = nullptr;
    QPushButton* m_ajouter = nullptr;
    QPushButton* m_supprimer = nullptr;
    QPushButton* m_okResp = nullptr;
    QPushButton* m_annulerResp = nullptr;
    QPushButton* m_proxy = nullptr;
    QFrame* m_panneau = nullptr;
    AnimationAttente* m_animation = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_fermer = nullptr;

    bool ModeAjout = false;
    bool FermetureAutorisee = false;
    bool m_verificationEnCours = false;
};
