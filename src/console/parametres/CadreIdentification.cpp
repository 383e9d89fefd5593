#include "console/parametres/CadreIdentification.h"

#include "console/commun/Controles.h"
#include "core/Messages.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

CadreIdentification::CadreIdentification(QWidget* parent)
    : QGroupBox(QStringLiteral(" Identification sur le serveur de mise à jour "), parent)
{
    setObjectName(QStringLiteral("Frm_Identification"));
    auto* grille = new QGridLayout(this);
    grille->addWidget(Controle<QLabel>(QStringLiteral("Label3"), QStringLiteral("Nom d'utilisateur :")), 0, 0);
    m_utilisateur = Controle<QLineEdit>(QStringLiteral("Txt_Utilisateur"));
    grille->addWidget(m_utilisateur, 0, 1);
    grille->addWidget(Controle<QLabel>(QStringLiteral("Label4"), QStringLiteral("Mot de passe :")), 1, 0);
    m_pass = Controle<QLineEdit>(QStringLiteral("Txt_Pass"));
    m_pass->setEchoMode(QLineEdit::Password);
    m_pass->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    grille->addWidget(m_pass, 1, 1);
    m_verif = Controle<QPushButton>(QStringLiteral("Cmd_Verif"), QStringLiteral("Vérifier configuration"));
    m_verif->setAutoDefault(false);
    grille->addWidget(m_verif, 0, 2, 2, 1);
    m_verifOK = EnGras(Controle<QLabel>(QStringLiteral("Etq_VerifOK"), QStringLiteral("Identifiants corrects")),
                       QColor(0, 128, 0));
    m_verifPasOK = EnGras(Controle<QLabel>(QStringLiteral("Etq_VerifPasOK"), QStringLiteral("Identifiants incorrects")),
                          QColor(255, 0, 0));
    m_compteBloque = EnGras(
        Controle<QLabel>(QStringLiteral("Etq_CompteBloque"), QStringLiteral("Compte de mise à jour désactivé")),
        QColor(255, 128, 0));
    m_erreurConnexion
        = EnGras(Controle<QLabel>(QStringLiteral("Etq_ErreurConnexion"), QStringLiteral("Connexion impossible ...")),
                 QColor(255, 0, 0));
    // The outcome's line keeps its height while no label shows, so the screen never moves.
    auto* resultat = new QWidget;
    auto* ligneResultat = new QHBoxLayout(resultat);
    ligneResultat->setContentsMargins(0, 0, 0, 0);
    int hauteur = 0;
    for (QLabel* l : {m_verifOK, m_verifPasOK, m_compteBloque, m_erreurConnexion}) {
        l->hide();
        ligneResultat->addWidget(l);
        hauteur = std::max(hauteur, l->sizeHint().height());
    }
    ligneResultat->addStretch(1);
    resultat->setMinimumHeight(hauteur);
    grille->addWidget(resultat, 2, 0, 1, 3);

    connect(m_verif, &QPushButton::clicked, this, [this] { Verifier({}); });
}

void CadreIdentification::DefinirVerification(VerificationCompte verification)
{
    m_verification = std::move(verification);
}

bool CadreIdentification::CompteAccepte() const
{
    return !m_verifOK->isHidden() && m_verifPasOK->isHidden();
}

void CadreIdentification::Verifier(std::function<void()> ensuite)
{
    emit Verification(true);
    for (QLabel* l : {m_verifOK, m_verifPasOK, m_compteBloque, m_erreurConnexion})
        l->hide();

    auto terminer = [this, ensuite = std::move(ensuite)](bool selectionnerUtilisateur) {
        emit Verification(false);
        if (selectionnerUtilisateur) {
            m_utilisateur->setFocus(Qt::OtherFocusReason);
            m_utilisateur->selectAll();
        }
        if (ensuite)
            ensuite();
    };

    if (m_utilisateur->text().isEmpty() || m_pass->text().isEmpty()) {
        Messages::Afficher(this,
                           QStringLiteral("Vous devez saisir votre identifiant et votre mot de passe avant de lancer "
                                          "la vérification de ceux-ci !"),
                           Icone::Aucune, Boutons::Ok, Messages::TitreApplication());
        terminer(true);
        return;
    }

    auto reponse = [this, terminer](const QString& texte) {
        bool selectionner = false;
        if (texte == QLatin1String("OK")) {
            m_verifOK->show();
        } else if (texte == QLatin1String("REFUSE")) {
            m_compteBloque->show();
        } else if (texte.isEmpty()) {
            m_erreurConnexion->show();
        } else {
            m_verifPasOK->show();
            selectionner = true;
        }
        terminer(selectionner);
    };
    if (m_verification)
        m_verification(m_utilisateur->text(), m_pass->text(), this, reponse);
    else
        reponse(QString());
}
