#include "console/installation/Frm_MAJAttente.h"

#include "console/commun/Controles.h"
#include "console/commun/Icones.h"
#include "console/commun/ListeConfortable.h"
#include "console/commun/ListeIllisible.h"
#include "console/commun/MemoireFenetre.h"
#include "console/commun/OuvertureBureau.h"
#include "console/commun/RaccourcisClavier.h"
#include "console/installation/Frm_DiffereInstall.h"
#include "core/BaseInterne.h"
#include "core/Messages.h"
#include "core/TableMajAttente.h"

#include <QDate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Colonne
{
    Icone_,
    Version,
    DateAjout,
    Infos,
    NomFichier,
    Differee
};

} // namespace

Frm_MAJAttente::Frm_MAJAttente(ServicesInstallation services, QWidget* parent)
    : QWidget(parent, Qt::Window), m_services(services)
{
    setObjectName(QStringLiteral("Frm_MAJAttente"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Serveur de mises à jour QUENTARIS"));
    setWindowIcon(Icones::Serveur());

    auto* titre = new QLabel(QStringLiteral("Mises à jour serveur en attente d'installation"));
    titre->setObjectName(QStringLiteral("Etq_Titre"));
    EnGras(titre);
    auto* explication = new QLabel(QStringLiteral("La liste ci-dessous répertorie les différentes mises à jour serveur "
                                                  "en attente. Celles-ci doivent être installées dans leur ordre "
                                                  "d'apparition."));
    explication->setObjectName(QStringLiteral("Etq_Explication"));
    explication->setWordWrap(true);

    m_liste = new QTreeWidget;
    m_liste->setObjectName(QStringLiteral("Lst_MAJAttente"));
    m_liste->setRootIsDecorated(false);
    m_liste->setHeaderLabels({QString(), QStringLiteral("Numéro de la version"), QStringLiteral("Date ajout"),
                              QStringLiteral("Infos Version"), QStringLiteral("Nom du fichier"),
                              QStringLiteral("Installation différée")});
    m_liste->headerItem()->setTextAlignment(Differee, Qt::AlignCenter);
    m_liste->setColumnWidth(Icone_, 60);
    m_liste->setColumnWidth(Version, 140);
    m_liste->setColumnWidth(DateAjout, 90);
    m_liste->setColumnWidth(Infos, 90);
    m_liste->setColumnHidden(NomFichier, true);
    // Never sorted: the rows stay in their order of arrival, the order of installation.
    ListeConfortable::Preparer(m_liste);

    auto* actualiser = new QPushButton(QStringLiteral("Actualiser"));
    actualiser->setObjectName(QStringLiteral("Cmd_Actualiser"));
    m_visuInfos = new QPushButton(QStringLiteral("Visualiser informations de version"));
    m_visuInfos->setObjectName(QStringLiteral("Cmd_VisuInfos"));
    m_installer = new QPushButton(QStringLiteral("Installer la mise à jour"));
    m_installer->setObjectName(QStringLiteral("Cmd_InstallMAJ"));
    auto* fermer = new QPushButton(QStringLiteral("Fermer"));
    fermer->setObjectName(QStringLiteral("Cmd_Fermer"));

    auto* boutons = new QHBoxLayout;
    boutons->addWidget(actualiser);
    boutons->addWidget(m_visuInfos);
    boutons->addStretch(1);
    boutons->addWidget(m_installer);
    boutons->addWidget(fermer);
    auto* racine = new QVBoxLayout(this);
    racine->addWidget(titre);
    racine->addWidget(explication);
    racine->addWidget(m_liste, 1);
    racine->addLayout(boutons);
    resize(620, 340);
    SeSouvenirDeLaFenetre(this);
    FermerParEchap(this);

    connect(actualiser, &QPushButton::clicked, this, &Frm_MAJAttente::ChargerMajEnAttente);
    connect(m_visuInfos, &QPushButton::clicked, this, &Frm_MAJAttente::visualiserInfos);
    connect(m_installer, &QPushButton::clicked, this, &Frm_MAJAttente::installer);
    connect(fermer, &QPushButton::clicked, this, &Frm_MAJAttente::close);
    connect(m_liste, &QTreeWidget::currentItemChanged, this, &Frm_MAJAttente::selectionChangee);

    ChargerMajEnAttente();
}

void Frm_MAJAttente::ChargerMajEnAttente()
{
    BaseInterne::SuiviEchecs lecture;
    const QVector<MajAttente> attente = TableMajAttente::EnAttente();
    // A queue that cannot be read is not an empty one.
    if (lecture.Echec()) {
        AfficherListeIllisible(m_liste,
                               QStringLiteral("La liste des mises à jour serveur en attente ne peut pas être lue dans "
                                              "la base de données interne."));
        m_installer->setEnabled(false);
        m_visuInfos->setEnabled(false);
        return;
    }
    m_liste->clear();
    if (attente.isEmpty()) {
        m_liste->setEnabled(false);
        m_installer->setEnabled(false);
        m_visuInfos->setEnabled(false);
        return;
    }
    const QIcon icone(Icones::Pastille(QColor(0, 84, 147), QStringLiteral("S")));
    for (const MajAttente& maj : attente) {
        auto* ligne = new QTreeWidgetItem(m_liste);
        ligne->setIcon(Icone_, icone);
        ligne->setText(Icone_, QString::number(maj.IdMajAttente));
        ligne->setText(Version, QString::number(maj.Dispo.NumVersionDispo));
        ligne->setText(DateAjout, DateAffichee(maj.DateAjoutMaj));
        ligne->setText(Infos, maj.Dispo.DocAssociee ? QStringLiteral("Oui") : QStringLiteral("Non"));
        if (!maj.Dispo.DocAssociee)
            ligne->setForeground(Infos, QColor(255, 0, 0));
        ligne->setText(NomFichier, maj.Dispo.NomFichierMaj);
        ligne->setText(Differee, maj.DiffereOuiNon ? QStringLiteral("Oui") : QStringLiteral("Non"));
        ligne->setTextAlignment(Differee, Qt::AlignCenter);
    }
    m_liste->setEnabled(true);
    m_installer->setEnabled(true);
    m_liste->setCurrentItem(m_liste->topLevelItem(0));
    selectionChangee();
}

void Frm_MAJAttente::selectionChangee()
{
    const QTreeWidgetItem* ligne = m_liste->currentItem();
    if (m_liste->topLevelItemCount() == 0 || !ligne)
        return;
    m_visuInfos->setEnabled(ligne->text(Infos) != QLatin1String("Non"));
}

void Frm_MAJAttente::visualiserInfos()
{
    if (const QTreeWidgetItem* ligne = m_liste->currentItem())
        OuvrirInfosVersion(this, ligne->text(Version));
}

void Frm_MAJAttente::installer()
{
    QTreeWidgetItem* ligne = m_liste->currentItem();
    if (!ligne)
        return;
    if (m_liste->indexOfTopLevelItem(ligne) != 0) {
        Messages::Afficher(this,
                           QStringLiteral("Les mises à jour doivent être effectuées dans l'ordre chronologique "
                                          "d'arrivée. Merci de faire les mises à jour précédentes avant de "
                                          "lancer celle-ci."));
        return;
    }
    auto* dialogue = new Frm_DiffereInstall(m_services, this);
    dialogue->setAttribute(Qt::WA_DeleteOnClose);
    dialogue->setWindowModality(Qt::WindowModal);
    dialogue->Txt_NomFichier->setText(ligne->text(NomFichier));
    dialogue->Txt_NumVersion->setText(ligne->text(Version));
    dialogue->Txt_IdMaj->setText(ligne->text(Icone_));
    connect(dialogue, &QDialog::finished, this, &Frm_MAJAttente::ChargerMajEnAttente);
    dialogue->open();
}
