#include "console/installation/Frm_DiffereInstall.h"

#include "console/AccesServeur.h"
#include "console/commun/ChampHeure.h"
#include "console/commun/Controles.h"
#include "console/commun/Icones.h"
#include "console/commun/SaisieHeure.h"
#include "console/menu/Console.h"
#include "console/menu/Frm_Menu.h"
#include "core/Etat.h"
#include "core/Horloge.h"
#include "core/Messages.h"
#include "installation/InstallationDifferee.h"
#include "installation/InstallationServeur.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

Frm_DiffereInstall::Frm_DiffereInstall(ServicesInstallation services, QWidget* parent)
    : QDialog(parent), m_services(services)
{
    setObjectName(QStringLiteral("Frm_DiffereInstall"));
    setWindowTitle(QStringLiteral("Installation de la mise à jour serveur"));
    setWindowIcon(Icones::Serveur());

    auto* titre = new QLabel(QStringLiteral("Planification de l'installation de la mise à jour serveur"));
    titre->setObjectName(QStringLiteral("Etq_Titre"));
    EnGras(titre);
    auto* texte
        = new QLabel(QStringLiteral("   Sélectionnez le moment où vous voulez installer la mise à jour du serveur :"));
    texte->setObjectName(QStringLiteral("Etq_Texte"));

    m_immediate = new QRadioButton(QStringLiteral("Immédiatement"));
    m_immediate->setObjectName(QStringLiteral("Opt_Immediate"));
    m_immediate->setChecked(true);
    m_differe = new QRadioButton(QStringLiteral("Départ différé, démarrer l'installation à :"));
    m_differe->setObjectName(QStringLiteral("Opt_DepartDiffere"));
    m_heure = new QLineEdit(QStringLiteral("00:00"));
    m_heure->setObjectName(QStringLiteral("Txt_Heure"));
    m_heure->setEnabled(false);
    m_heure->setFixedWidth(60);
    m_heure->setContextMenuPolicy(Qt::NoContextMenu);
    m_heure->setAcceptDrops(false);
    m_champHeure = new ChampHeure(m_heure, ChampHeure::SiVide::Minuit);

    Txt_NomFichier = new QLineEdit(this);
    Txt_NomFichier->setObjectName(QStringLiteral("Txt_NomFichier"));
    Txt_NumVersion = new QLineEdit(this);
    Txt_NumVersion->setObjectName(QStringLiteral("Txt_NumVersion"));
    Txt_IdMaj = new QLineEdit(this);
    Txt_IdMaj->setObjectName(QStringLiteral("Txt_IdMaj"));
    for (QLineEdit* cache : {Txt_NomFichier, Txt_NumVersion, Txt_IdMaj})
        cache->hide();

    auto* valider = new QPushButton(QStringLiteral("&Valider"));
    valider->setObjectName(QStringLiteral("Cmd_Valider"));
    valider->setDefault(true);
    auto* annuler = new QPushButton(QStringLiteral("&Annuler"));
    annuler->setObjectName(QStringLiteral("Cmd_Annuler"));
    annuler->setAutoDefault(false);

    auto* differe = new QHBoxLayout;
    differe->addWidget(m_differe);
    differe->addWidget(m_heure);
    differe->addStretch(1);
    auto* boutons = new QHBoxLayout;
    boutons->addStretch(1);
    boutons->addWidget(valider);
    boutons->addWidget(annuler);
    auto* racine = new QVBoxLayout(this);
    racine->addWidget(titre);
    racine->addWidget(texte);
    racine->addWidget(m_immediate);
    racine->addLayout(differe);
    racine->addLayout(boutons);

    connect(m_immediate, &QRadioButton::toggled, this, [this](bool coche) { m_heure->setEnabled(!coche); });
    connect(valider, &QPushButton::clicked, this, &Frm_DiffereInstall::valider);
    connect(annuler, &QPushButton::clicked, this, &Frm_DiffereInstall::reject);
}

bool Frm_DiffereInstall::PostesOuverts() const
{
    if (m_services.Serveur.PostesConnectes() > 0)
        return true;
    if (m_services.Console_ && m_services.Console_->Menu()) {
        const auto* compte = m_services.Console_->Menu()->findChild<QLabel*>(QStringLiteral("Etq_NbPostes"));
        if (compte && compte->text() != QLatin1String("0"))
            return true;
    }
    return false;
}

void Frm_DiffereInstall::valider()
{
    if (m_immediate->isChecked())
        demarrerMaintenant();
    else
        planifier();
}

void Frm_DiffereInstall::demarrerMaintenant()
{
    if (PostesOuverts()) {
        Messages::Afficher(this, InstallationServeur::MessagePostesConnectes());
        return;
    }
    if (m_services.Serveur.Etat_().InstallationEnCours) {
        Messages::Afficher(this, InstallationServeur::MessageOccupe());
        return;
    }
    hide();
    // The window closes once this installation has ended, or was refused.
    connect(&m_services.Serveur, &AccesServeur::InstallationTerminee, this, &QDialog::accept, Qt::SingleShotConnection);
    m_services.Serveur.InstallerMajServeur(Txt_NomFichier->text(), Txt_NumVersion->text(), Txt_IdMaj->text());
}

void Frm_DiffereInstall::planifier()
{
    // A begun time is read as leaving the box would complete it ("12:3" is 12:30).
    m_champHeure->Completer();
    QTime heure;
    if (!SaisieHeure::EstValide(m_heure->text()) || !Planification::LireHeure(m_heure->text(), &heure)) {
        Messages::Afficher(this,
                           QStringLiteral("L'heure « ") + m_heure->text()
                               + QStringLiteral(" » n'est pas valide : saisissez une heure de 00:00 à 23:59."));
        m_heure->setFocus(Qt::OtherFocusReason);
        m_heure->selectAll();
        return;
    }
    const QDateTime depart = Planification::ProchainDepart(heure, Horloge::Maintenant());
    if (Messages::Afficher(this, Planification::TexteConfirmation(depart), Icone::Information, Boutons::OuiNon)
        != Reponse::Oui)
        return;
    m_services.Serveur.PlanifierInstallation(depart, Txt_NomFichier->text(), Txt_NumVersion->text(), Txt_IdMaj->text());
    accept();
}
