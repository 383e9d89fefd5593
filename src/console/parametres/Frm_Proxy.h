#pragma once

#include <QDialog>
#include <array>

class QCheckBox;
class QKeyEvent;
class QGroupBox;
class QLineEdit;
class QWidget;

// The proxy used by web requests: switch, IPv4 address in four boxes, port, credentials.
class Frm_Proxy : public QDialog
{
    Q_OBJECT
public:
    explicit Frm_Proxy(QWidget* parent = nullptr);

    void ViderZones();
    // False when the settings row could not be read; the boxes then stay empty.
    bool ChargerProxy();
    // Whether the screen shows the stored settings: one that could not read them must not save.
    bool ParametresLus() const { return m_lus; }
    void DesactiverZones();
    void ActualiserZones();

    // The four parts joined by dots, empty parts included.
    QString AdresseSaisie() const;

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    void enregistrer();
    int indexBoite(QObject* objet) const;
    bool toucheAdresse(int index, QKeyEvent* touche);
    bool touchePort(QKeyEvent* touche);
    void collerAdresse();
    // Whether an active proxy has its four address parts and a port; if not, says which is
    // missing and puts the focus there.
    bool proxyComplet();
    void verifierPartie(int index);

    QCheckBox* m_actif = nullptr;
    QGroupBox* m_cadre = nullptr;
    QWidget* m_zone = nullptr;
    std::array<QLineEdit*, 4> m_ip{};
    QLineEdit* m_port = nullptr;
    QCheckBox* m_auth = nullptr;
    QLineEdit* m_utilisateur = nullptr;
    QLineEdit* m_motDePasse = nullptr;
    bool W_Charge = false;
    bool m_lus = false;
    std::array<bool, 4> m_verificationPrevue{};
    // The box was entered because the one before it was full.
    std::array<bool, 4> m_pointAttendu{};
};
