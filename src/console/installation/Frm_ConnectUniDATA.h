#pragma once

#include "installation/InterlocuteurInstallation.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

// The database server's credentials, asked before the databases are updated.
class Frm_ConnectUniDATA : public QDialog
{
    Q_OBJECT
public:
    explicit Frm_ConnectUniDATA(QWidget* parent = nullptr);

    static QString UtilisateurParDefaut() { return QStringLiteral("administrateur"); }

    // What was typed; Annule unless "&OK" closed the window.
    const Identifiants& Reponse() const { return m_reponse; }

    void reject() override;

protected:
    void showEvent(QShowEvent* evenement) override;

private:
    void valider();

    QLineEdit* m_utilisateur = nullptr;
    QLineEdit* m_motDePasse = nullptr;
    QCheckBox* m_conserver = nullptr;
    Identifiants m_reponse;
};
