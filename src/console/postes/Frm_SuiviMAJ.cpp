#include "console/postes/Frm_SuiviMAJ.h"

#include "console/AccesServeur.h"
#include "console/commun/Controles.h"
#include "console/commun/Icones.h"
#include "console/commun/ListeConfortable.h"
#include "console/commun/ListeIllisible.h"
#include "console/commun/MemoireFenetre.h"
#include "console/commun/NonParDefaut.h"
#include "console/commun/RaccourcisClavier.h"
#include "console/postes/Frm_DetailMachine.h"
#include "core/BaseInterne.h"
#include "core/Messages.h"
#include "core/TablePostes.h"
#include "workstations/ProtocolePostes.h"

#include <QHBoxLayout>
#include <QHostAddress>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Colonne
{
    Icone_ = 0,
    Nom,
    Adresse,
    Version,
    Connexion,
    MAC
};

// An IPv4 address sorts part by part as numbers: 10.0.0.9 before 10.0.0.10.
QString cleAdresse(const QString& adresse)
{
    QHostAddress ip;
    if (!ip.setAddress(adresse) || ip.protocol() != QAbstractSocket::IPv4Protocol)
        return adresse;
    return QStringLiteral("%1").arg(ip.toIPv4Address(), 10, 10, QLatin1Char('0'));
}

} // namespace

Frm_SuiviMAJ::Frm_SuiviMAJ(const AccesServeur& serveur, QWidget* parent)
    : QWidget(parent, Qt::Window), m_serveur(serveur)
{
    setObjectName(QStringLiteral("Frm_SuiviMAJ"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Serveur de mises à jour QUENTARIS"));
    setWindowIcon(Icones::Serveur());

    auto* titre = Controle<QLabel>(QStringLiteral("Label1"), QStringLiteral("Suivi des mises à jour sur le réseau"));
    EnGras(titre);

    m_liste = new QTreeWidget;
    m_liste->setObjectName(QStringLiteral("Lst_Machines"));
    m_liste->setRootIsDecorated(false);
    m_liste->setUniformRowHeights(true);
    m_liste->setSelectionMode(QAbstractItemView::SingleSelection);
    m_liste->setHeaderLabels({QString(), QStringLiteral("Nom de la machine"), QStringLiteral("Adresse IP"),
                              QStringLiteral("Version installée"), QStringLiteral("Etat"), QStringLiteral("MAC")});
    m_liste->setColumnWidth(Icone_, 24);
    m_liste->setColumnWidth(Nom, 170);
    m_liste->setColumnWidth(Adresse, 120);
    m_liste->setColumnWidth(Version, 120);
    // The hardware address is held but not seen.
    m_liste->setColumnHidden(MAC, true);
    ListeConfortable::Preparer(m_liste);
    ListeConfortable::TrierParColonne(m_liste);
    connect(m_liste, &QTreeWidget::itemDoubleClicked, this, &Frm_SuiviMAJ::ouvrirDetail);
    OuvrirParEntree(m_liste, [this] { ouvrirDetail(m_liste->currentItem()); });

    auto* legende = new QHBoxLayout;
    const struct
    {
        const char* image;
        const char* etiquette;
        const char* texte;
        int numero;
    } kLegende[] = {{"Img_PosteAJour", "Etq_PosteAJour", "Poste à jour", 1},
                    {"Img_PosteNonAJour", "Etq_PosteNonAJour", "Poste non à jour", 2},
                    {"Img_EtatInconnu", "Etq_EtatInconnu", "Etat inconnu", 3}};
    for (const auto& l : kLegende) {
        auto* image = new QLabel;
        image->setObjectName(QLatin1String(l.image));
        image->setPixmap(Image(l.numero).pixmap(16, 16));
        legende->addWidget(image);
        legende->addWidget(Controle<QLabel>(QLatin1String(l.etiquette), QString::fromUtf8(l.texte)));
        legende->addSpacing(12);
    }
    legende->addStretch(1);

    auto* actualiser = Controle<QPushButton>(QStringLiteral("Cmd_Actualiser"), QStringLiteral("Actualiser"));
    auto* supprimer = Controle<QPushButton>(QStringLiteral("Cmd_Supprimer"), QStringLiteral("Supprimer"));
    auto* fermer = Controle<QPushButton>(QStringLiteral("Cmd_Fermer"), QStringLiteral("Fermer"));
    connect(actualiser, &QPushButton::clicked, this, &Frm_SuiviMAJ::ChargerPostes);
    connect(supprimer, &QPushButton::clicked, this, &Frm_SuiviMAJ::supprimer);
    ListeConfortable::SupprimerParTouche(m_liste, supprimer);
    connect(fermer, &QPushButton::clicked, this, &QWidget::close);
    auto* boutons = new QHBoxLayout;
    boutons->addStretch(1);
    boutons->addWidget(actualiser);
    boutons->addWidget(supprimer);
    boutons->addWidget(fermer);

    auto* racine = new QVBoxLayout(this);
    racine->addWidget(titre);
    racine->addWidget(m_liste, 1);
    racine->addLayout(legende);
    racine->addLayout(boutons);
    resize(640, 400);
    SeSouvenirDeLaFenetre(this);
    FermerParEchap(this);

    ChargerPostes();
}

QIcon Frm_SuiviMAJ::Image(int numero)
{
    switch (numero) {
    case 1:
        return Icones::Pastille(QColor(0, 128, 0), QStringLiteral("+"));
    case 2:
        return Icones::Pastille(QColor(255, 0, 0), QStringLiteral("!"));
    default:
        return Icones::Pastille(QColor(128, 128, 128), QStringLiteral("?"));
    }
}

bool Frm_SuiviMAJ::PosteConnecte(const QString& adresse) const
{
    return m_serveur.PosteConnecte(adresse);
}

void Frm_SuiviMAJ::ChargerPostes()
{
    // A state computed from a failed read would show a workstation as up to date, or without
    // history: the list then says it cannot be read instead.
    ListeConfortable::Remplissage remplissage(m_liste);
    BaseInterne::SuiviEchecs lecture;
    const QVector<Poste> postes = TablePostes::Tous();
    m_liste->clear();
    if (postes.isEmpty() && !lecture.Echec()) {
        m_liste->setEnabled(false);
        return;
    }
    for (const Poste& poste : postes) {
        const std::optional<qint64> version = TablePostes::VersionMax(poste.IdMajPoste);
        const std::optional<QStringList> suivantes
            = version ? MajPosteSuivante(QString::number(*version)) : std::optional<QStringList>(QStringList());
        if (lecture.Echec() || !suivantes)
            break;
        auto* item = new ListeConfortable::Ligne(m_liste);
        int image = 3;
        QColor couleur(0, 0, 0);
        if (version) {
            const bool aJour = *suivantes == QStringList{QStringLiteral("AJOURS")};
            image = aJour ? 1 : 2;
            couleur = aJour ? QColor(0, 128, 0) : QColor(255, 0, 0);
        }
        item->setIcon(Icone_, Image(image));
        item->setData(Icone_, RoleImage, image);
        item->setData(Icone_, ListeConfortable::RoleTri, image);
        item->setData(Adresse, ListeConfortable::RoleTri, cleAdresse(poste.AdresseIPPoste));
        // Without history, below every version.
        item->setData(Version, ListeConfortable::RoleTri, qlonglong(version ? *version : -1));
        item->setData(Icone_, Qt::UserRole, poste.IdMajPoste);
        item->setText(Nom, poste.NomPoste);
        item->setText(Adresse, poste.AdresseIPPoste);
        item->setText(Version, version ? QString::number(*version) : QStringLiteral("Pas d'historique"));
        item->setText(Connexion,
                      PosteConnecte(poste.AdresseIPPoste) ? QStringLiteral("Connecté")
                                                          : QStringLiteral("Non connecté"));
        item->setText(MAC, poste.AdresseMACPoste);
        for (int colonne = Nom; colonne <= MAC; ++colonne)
            item->setForeground(colonne, couleur);
    }
    if (lecture.Echec()) {
        AfficherListeIllisible(m_liste,
                               QStringLiteral("La liste des postes ne peut pas être lue dans la base de données "
                                              "interne."));
        return;
    }
    m_liste->setEnabled(true);
}

void Frm_SuiviMAJ::supprimer()
{
    const QTreeWidgetItem* item = m_liste->currentItem();
    if (m_liste->topLevelItemCount() == 0 || !item || !item->isSelected())
        return;
    NonParDefaut nonParDefaut;
    const Reponse r = Messages::Afficher(this,
                                         QStringLiteral("Voulez-vous vraiment supprimer la machine \"")
                                             + item->text(Nom) + QStringLiteral("\" de la liste ?"),
                                         Icone::Question, Boutons::OuiNon);
    if (r == Reponse::Oui)
        TablePostes::Supprimer(item->data(Icone_, Qt::UserRole).toLongLong());
    ChargerPostes();
}

void Frm_SuiviMAJ::ouvrirDetail(QTreeWidgetItem* item)
{
    if (!item || item->data(Icone_, Qt::UserRole).isNull())
        return;
    auto* detail = new Frm_DetailMachine(this);
    detail->FixerPoste(item->data(Icone_, Qt::UserRole).toLongLong(), item->text(Connexion));
    detail->Init();
    detail->open();
}
