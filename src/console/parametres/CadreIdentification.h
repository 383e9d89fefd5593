#pragma once

#include <QGroupBox>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

// The update-service account of the parameters screen: identifier, password, and the online
// check whose outcome shows as one of four labels.
class CadreIdentification : public QGroupBox
{
    Q_OBJECT
public:
    // Asks the service about an account; `fin` receives "OK", "REFUSE", another answer, or the
    // empty text when the service could not be reached. `contexte` bounds the call's life.
    using VerificationCompte = std::function<void(const QString& utilisateur, const QString& motDePasse,
                                                  QObject* contexte, std::function<void(const QString&)> fin)>;

    explicit CadreIdentification(QWidget* parent = nullptr);

    void DefinirVerification(VerificationCompte verification);

    QLineEdit* Utilisateur() const { return m_utilisateur; }
    QLineEdit* Pass() const { return m_pass; }
    QPushButton* BoutonVerif() const { return m_verif; }

    // Asks the service and shows the outcome; `ensuite` runs once a label is shown (or the
    // person was told to type both texts).
    void Verifier(std::function<void()> ensuite);

    // The last check accepted the account.
    bool CompteAccepte() const;

signals:
    // The check starts (true) and ends (false): the screen is locked meanwhile.
    void Verification(bool enCours);

private:
    QLineEdit* m_utilisateur = nullptr;
    QLineEdit* m_pass = nullptr;
    QPushButton* m_verif = nullptr;
    QLabel* m_verifOK = nullptr;
    QLabel* m_verifPasOK = nullptr;
    QLabel* m_compteBloque = nullptr;
    QLabel* m_erreurConnexion = nullptr;
    VerificationCompte m_verification;
};
