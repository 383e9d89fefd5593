#include "console/verification/Frm_MAJDispo.h"

#include "console/commun/Controles.h"
#include "console/commun/Icones.h"
#include "console/commun/ListeConfortable.h"
#include "console/commun/ListeIllisible.h"
#include "console/commun/MemoireFenetre.h"
#include "console/commun/OuvertureBureau.h"
#include "console/commun/RaccourcisClavier.h"
#include "core/BaseInterne.h"
#include "core/Messages.h"
#include "core/TableMajDispo.h"

#include <QDate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Colonne
{
    Icone_ = 0,
    Environnement,
    Version,
    Fichier,
    DateHeure,
    Infos
};

QIcon imagePoste()
{
    return Icones::Pastille(QColor(0, 102, 204), QStringLiteral("P"));
}

QIcon imageServeur()
{
    return Icones::Pastille(QColor(0, 128, 0), QStringLiteral("S"));
}

} // namespace

Frm_MAJDispo::Frm_MAJDispo(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Frm_MAJDispo"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Serveur de mises à jour QUENTARIS"));
    setWindowIcon(Icones::Serveur());

    auto* titre = Controle<QLabel>(QStringLiteral("Label1"),
                                   QStringLiteral("Mises à jour téléchargées depuis le serveur QUENTARIS"));
    EnGras(titre);
    auto* explication = Controle<QLabel>(QStringLiteral("Label2"),
                                         QStringLiteral("La liste ci-dessous répertorie toutes les mises à "
                                                        "jour téléchargées depuis le serveur d'QUENTARIS :"));

    m_liste = new QTreeWidget;
    m_liste->setObjectName(QStringLiteral("Lst_MAJDispo"));
    m_liste->setRootIsDecorated(false);
    m_liste->setUniformRowHeights(true);
    m_liste->setSelectionMode(QAbstractItemView::SingleSelection);
    m_liste->setHeaderLabels({QString(), QStringLiteral("Environnement"), QStringLiteral("Version"),
                              QStringLiteral("Nom du fichier"), QStringLiteral("Date - heure téléchargement"),
                              QStringLiteral("Infos version")});
    m_liste->headerItem()->setTextAlignment(Version, Qt::AlignCenter);
    m_liste->headerItem()->setTextAlignment(DateHeure, Qt::AlignCenter);
    m_liste->setColumnWidth(Icone_, 24);
    // Each caption fits its column whole, centred ones included.
    for (const auto& [colonne, largeur] :
         {std::pair{Environnement, 100}, std::pair{Version, 70}, std::pair{Fichier, 180}, std::pair{DateHeure, 170}})
        m_liste->setColumnWidth(colonne, qMax(largeur, m_liste->header()->sectionSizeHint(colonne)));
    ListeConfortable::Preparer(m_liste);
    ListeConfortable::TrierParColonne(m_liste);
    connect(m_liste, &QTreeWidget::currentItemChanged, this, &Frm_MAJDispo::appliquerSelection);
    connect(m_liste, &QTreeWidget::itemClicked, this, &Frm_MAJDispo::appliquerSelection);

    auto* imgServeur = new QLabel;
    imgServeur->setObjectName(QStringLiteral("Img_Serveur"));
    imgServeur->setPixmap(imageServeur().pixmap(16, 16));
    auto* imgPoste = new QLabel;
    imgPoste->setObjectName(QStringLiteral("Img_Poste"));
    imgPoste->setPixmap(imagePoste().pixmap(16, 16));

    m_visuInfos = new QPushButton(QStringLiteral("Visualiser informations de version"));
    m_visuInfos->setObjectName(QStringLiteral("Cmd_VisuInfos"));
    m_visuInfos->setEnabled(false);
    connect(m_visuInfos, &QPushButton::clicked, this, &Frm_MAJDispo::visualiserInfos);
    auto* fermer = new QPushButton(QStringLiteral("Fermer"));
    fermer->setObjectName(QStringLiteral("Cmd_Fermer"));
    connect(fermer, &QPushButton::clicked, this, &QWidget::close);

    auto* bas = new QHBoxLayout;
    bas->addWidget(imgServeur);
    bas->addWidget(Controle<QLabel>(QStringLiteral("Label3"), QStringLiteral("Mise à jour serveur")));
    bas->addSpacing(12);
    bas->addWidget(imgPoste);
    bas->addWidget(Controle<QLabel>(QStringLiteral("Label4"), QStringLiteral("Mise à jour poste")));
    bas->addStretch(1);
    bas->addWidget(m_visuInfos);
    bas->addWidget(fermer);

    auto* racine = new QVBoxLayout(this);
    racine->addWidget(titre);
    racine->addWidget(explication);
    racine->addWidget(m_liste, 1);
    racine->addLayout(bas);
    resize(720, 380);
    SeSouvenirDeLaFenetre(this);
    FermerParEchap(this);

    ChargerMajDispo();
}

void Frm_MAJDispo::ChargerMajDispo()
{
    remplir();
    appliquerSelection();
}

void Frm_MAJDispo::remplir()
{
    ListeConfortable::Remplissage remplissage(m_liste);
    BaseInterne::SuiviEchecs lecture;
    const QVector<MajDispo> lignes = TableMajDispo::ToutesDecroissant();
    if (lecture.Echec()) {
        AfficherListeIllisible(m_liste,
                               QStringLiteral("La liste des mises à jour téléchargées ne peut pas être lue dans la "
                                              "base de données interne."));
        m_visuInfos->setEnabled(false);
        return;
    }
    m_liste->clear();
    if (lignes.isEmpty()) {
        m_liste->setEnabled(false);
        m_visuInfos->setEnabled(false);
        return;
    }
    m_liste->setEnabled(true);
    for (const MajDispo& maj : lignes) {
        auto* item = new ListeConfortable::Ligne(m_liste);
        const bool poste = maj.EnvironnementMaj == 0;
        item->setIcon(Icone_, poste ? imagePoste() : imageServeur());
        item->setData(Icone_, RoleImage, poste ? 1 : 2);
        item->setData(Icone_, ListeConfortable::RoleTri, poste ? 1 : 2);
        item->setData(Version, ListeConfortable::RoleTri, qlonglong(maj.NumVersionDispo));
        item->setData(DateHeure, ListeConfortable::RoleTri,
                      QString(maj.DateMajDispo + QLatin1Char(' ') + maj.HeureMajDispo));
        item->setText(Environnement, poste ? QStringLiteral("Poste") : QStringLiteral("Serveur"));
        item->setText(Version, QString::number(maj.NumVersionDispo));
        item->setTextAlignment(Version, Qt::AlignCenter);
        item->setText(Fichier, maj.NomFichierMaj);
        item->setText(DateHeure, DateAffichee(maj.DateMajDispo) + QStringLiteral(" à ") + maj.HeureMajDispo);
        item->setTextAlignment(DateHeure, Qt::AlignCenter);
        item->setText(Infos, maj.DocAssociee ? QStringLiteral("Oui") : QStringLiteral("Non"));
        if (!maj.DocAssociee)
            item->setForeground(Infos, QColor(255, 0, 0));
    }
}

void Frm_MAJDispo::appliquerSelection()
{
    if (m_liste->topLevelItemCount() == 0)
        return;
    const QTreeWidgetItem* item = m_liste->currentItem();
    m_visuInfos->setEnabled(item && item->text(Infos) != QLatin1String("Non"));
}

void Frm_MAJDispo::visualiserInfos()
{
    if (const QTreeWidgetItem* item = m_liste->currentItem())
        OuvrirInfosVersion(this, item->text(Version));
}
