#include "console/postes/Frm_DetailMachine.h"

#include "console/commun/Controles.h"
#include "console/commun/Icones.h"
#include "console/commun/ListeConfortable.h"
#include "console/commun/ListeIllisible.h"
#include "console/commun/MemoireFenetre.h"
#include "core/BaseInterne.h"
#include "core/TablePostes.h"

#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QLineEdit* boite(const QString& nom)
{
    auto* b = new QLineEdit;
    b->setObjectName(nom);
    b->setReadOnly(true);
    return b;
}

} // namespace

Frm_DetailMachine::Frm_DetailMachine(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Frm_DetailMachine"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Suivi des mises à jour"));
    setWindowIcon(Icones::Serveur());

    auto* titre = Controle<QLabel>(QStringLiteral("Label4"), QStringLiteral("Information relative à la machine"));
    EnGras(titre);
    m_nom = boite(QStringLiteral("Txt_NomPoste"));
    m_adresse = boite(QStringLiteral("Txt_AdresseIP"));
    m_etat = boite(QStringLiteral("Txt_Etat"));
    m_code = boite(QStringLiteral("Txt_Code"));
    m_code->hide();
    auto* grille = new QGridLayout;
    grille->addWidget(Controle<QLabel>(QStringLiteral("Label1"), QStringLiteral("Nom du poste :")), 0, 0);
    grille->addWidget(m_nom, 0, 1);
    grille->addWidget(Controle<QLabel>(QStringLiteral("Label2"), QStringLiteral("Adresse I.P. :")), 1, 0);
    grille->addWidget(m_adresse, 1, 1);
    grille->addWidget(Controle<QLabel>(QStringLiteral("Label3"), QStringLiteral("Etat actuel :")), 2, 0);
    grille->addWidget(m_etat, 2, 1);
    m_posteIllisible = Controle<QLabel>(QStringLiteral("Etq_PosteIllisible"),
                                        QStringLiteral("Le nom et l'adresse de ce poste ne peuvent pas être lus dans "
                                                       "la base de données interne."));
    m_posteIllisible->setWordWrap(true);
    m_posteIllisible->setEnabled(false); // greyed, like the rows of a list that cannot be read
    m_posteIllisible->hide();
    grille->addWidget(m_posteIllisible, 3, 0, 1, 2);

    auto* cadre = new QGroupBox(QStringLiteral(" Historique des mises à jours"));
    cadre->setObjectName(QStringLiteral("Frame1"));
    m_historique = new QTreeWidget;
    m_historique->setObjectName(QStringLiteral("Lst_Historique"));
    m_historique->setRootIsDecorated(false);
    m_historique->setHeaderLabels(
        {QString(), QStringLiteral("Numéro de version"), QStringLiteral("Date d'installation")});
    m_historique->setColumnWidth(0, 24);
    m_historique->setColumnWidth(1, 140);
    ListeConfortable::Preparer(m_historique);
    auto* dansCadre = new QVBoxLayout(cadre);
    dansCadre->addWidget(m_historique);

    auto* fermer = new QPushButton(QStringLiteral("Fermer"));
    fermer->setObjectName(QStringLiteral("Cmd_Fermer"));
    connect(fermer, &QPushButton::clicked, this, &QWidget::close);

    auto* racine = new QVBoxLayout(this);
    racine->addWidget(titre);
    racine->addLayout(grille);
    racine->addWidget(m_code);
    racine->addWidget(cadre, 1);
    racine->addWidget(fermer, 0, Qt::AlignRight);
    resize(420, 420);
    SeSouvenirDeLaFenetre(this);
}

void Frm_DetailMachine::FixerPoste(qint64 idMajPoste, const QString& etat)
{
    m_code->setText(QString::number(idMajPoste));
    m_etat->setText(etat);
}

void Frm_DetailMachine::Init()
{
    const qint64 id = m_code->text().toLongLong();
    BaseInterne::SuiviEchecs lecturePoste;
    const std::optional<Poste> poste = TablePostes::ParId(id);
    // Empty boxes would pass for a workstation with no name or address.
    m_posteIllisible->setVisible(lecturePoste.Echec());
    if (poste) {
        m_nom->setText(poste->NomPoste);
        m_adresse->setText(poste->AdresseIPPoste);
    }
    ListeConfortable::Remplissage remplissage(m_historique);
    BaseInterne::SuiviEchecs lectureHistorique;
    const QVector<LigneHistorique> historique = TablePostes::Historique(id);
    if (lectureHistorique.Echec()) {
        AfficherListeIllisible(m_historique,
                               QStringLiteral("L'historique de ce poste ne peut pas être lu dans la base de données "
                                              "interne."));
        return;
    }
    m_historique->clear();
    const QIcon icone(Icones::Pastille(QColor(0, 84, 147)));
    for (const LigneHistorique& ligne : historique) {
        auto* item = new QTreeWidgetItem(m_historique);
        item->setText(0, QStringLiteral(" "));
        item->setIcon(0, icone);
        item->setText(1, QString::number(ligne.VersionMaj));
        item->setText(2, DateAffichee(ligne.DateInstallVersion));
    }
}
