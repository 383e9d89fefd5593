#include "console/installation/Frm_ConnectUniDATA.h"

#include "console/commun/Controles.h"
#include "console/commun/Icones.h"
#include "core/Messages.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

Frm_ConnectUniDATA::Frm_ConnectUniDATA(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Frm_ConnectUniDATA"));
    setWindowTitle(QStringLiteral("Serveur de mises à jour QUENTARIS"));
    setWindowIcon(Icones::Serveur());
    m_reponse.Annule = true;

    auto* titre = new QLabel(QStringLiteral("Authentification requise pour cette opération"));
    titre->setObjectName(QStringLiteral("Etq_Titre"));
    EnGras(titre);

    auto* etqUtilisateur = new QLabel(QStringLiteral("Nom d'utilisateur :"));
    etqUtilisateur->setObjectName(QStringLiteral("Etq_Utilisateur"));
    m_utilisateur = new QLineEdit(UtilisateurParDefaut());
    m_utilisateur->setObjectName(QStringLiteral("Txt_Utilisateur"));
    etqUtilisateur->setBuddy(m_utilisateur);

    auto* etqMotDePasse = new QLabel(QStringLiteral("Mot de passe :"));
    etqMotDePasse->setObjectName(QStringLiteral("Etq_MotDePasse"));
    m_motDePasse = new QLineEdit;
    m_motDePasse->setObjectName(QStringLiteral("Txt_MotDePasse"));
    m_motDePasse->setEchoMode(QLineEdit::Password);
    m_motDePasse->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    etqMotDePasse->setBuddy(m_motDePasse);

    m_conserver = new QCheckBox(QStringLiteral("Conserver les données d'identification pendant toute"));
    m_conserver->setObjectName(QStringLiteral("Cac_ConserverIdentifiants"));
    auto* suite = new QLabel(QStringLiteral("la durée de la session"));
    suite->setObjectName(QStringLiteral("Etq_Conserver"));

    auto* ok = new QPushButton(QStringLiteral("&OK"));
    ok->setObjectName(QStringLiteral("Cmd_OK"));
    // Enter in the boxes (the password box included) acts as "&OK".
    ok->setDefault(true);
    auto* annuler = new QPushButton(QStringLiteral("&Annuler"));
    annuler->setObjectName(QStringLiteral("Cmd_Annuler"));
    annuler->setAutoDefault(false);

    auto* grille = new QGridLayout;
    grille->addWidget(etqUtilisateur, 0, 0);
    grille->addWidget(m_utilisateur, 0, 1);
    grille->addWidget(etqMotDePasse, 1, 0);
    grille->addWidget(m_motDePasse, 1, 1);
    auto* boutons = new QHBoxLayout;
    boutons->addStretch(1);
    boutons->addWidget(ok);
    boutons->addWidget(annuler);
    auto* racine = new QVBoxLayout(this);
    racine->addWidget(titre);
    racine->addLayout(grille);
    racine->addWidget(m_conserver);
    auto* retrait = new QHBoxLayout;
    retrait->addSpacing(22);
    retrait->addWidget(suite, 1);
    racine->addLayout(retrait);
    racine->addLayout(boutons);

    connect(ok, &QPushButton::clicked, this, &Frm_ConnectUniDATA::valider);
    connect(annuler, &QPushButton::clicked, this, &Frm_ConnectUniDATA::reject);
}

void Frm_ConnectUniDATA::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    m_motDePasse->clear();
    m_utilisateur->selectAll();
    m_utilisateur->setFocus();
}

void Frm_ConnectUniDATA::valider()
{
    if (m_utilisateur->text().isEmpty()) {
        Messages::Afficher(this, QStringLiteral("Vous devez saisir un nom d'utilisateur"));
        return;
    }
    m_reponse.Utilisateur = m_utilisateur->text();
    m_reponse.MotDePasse = m_motDePasse->text();
    m_reponse.Conserver = m_conserver->isChecked();
    m_reponse.Annule = false;
    accept();
}

// "&Annuler", Escape and the title bar all cancel.
void Frm_ConnectUniDATA::reject()
{
    m_reponse = Identifiants();
    m_reponse.Annule = true;
    QDialog::reject();
}
