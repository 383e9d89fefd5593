#pragma once

#include "installation/InterlocuteurInstallation.h"

#include <QDialog>
#include <QVector>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

// The report of a database update. A database whose update could not be verified locks it:
// the window then closes only with the unlock password, so the installation stays suspended.
class Frm_MajBases : public QDialog
{
    Q_OBJECT
public:
    explicit Frm_MajBases(QWidget* parent = nullptr);

    static QString MotDePasseDeverrouillage();

    void ChargerRapportInstallation(const QVector<ResultatBase>& resultats);
    // The report of a server running elsewhere: the password typed goes to it, which checks it
    // and closes the window (or refuses, through RefuserDeverrouillage).
    void ConfierDeverrouillage(std::function<void(const QString& motDePasse)> envoyer);
    void RefuserDeverrouillage(const QString& raison);

    bool Verrouille() const { return m_verrouille; }
    bool FermetureAutorisee() const { return m_fermetureAutorisee; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent* evenement) override;

private:
    void fermer();
    void deverrouiller();

    QTreeWidget* m_liste = nullptr;
    QLabel* m_etqMotDePasse = nullptr;
    QLineEdit* m_passVerrou = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_fermer = nullptr;
    std::function<void(const QString&)> m_envoyer;
    bool m_verrouille = false;
    bool m_fermetureAutorisee = false;
};
