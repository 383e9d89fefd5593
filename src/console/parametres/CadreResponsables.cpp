#include "console/parametres/CadreResponsables.h"

#include "console/commun/Controles.h"
#include "console/commun/Icones.h"
#include "console/commun/ListeConfortable.h"
#include "console/commun/ListeIllisible.h"
#include "console/commun/NonParDefaut.h"
#include "console/commun/RaccourcisClavier.h"
#include "core/BaseInterne.h"
#include "core/Messages.h"
#include "core/TableResponsables.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {

QPushButton* bouton(const QString& nom, const QString& texte)
{
    auto* b = Controle<QPushButton>(nom, texte);
    b->setAutoDefault(false);
    return b;
}

} // namespace

CadreResponsables::CadreResponsables(QWidget* parent)
    : QGroupBox(QStringLiteral(" Responsables des mises à jour"), parent)
{
    setObjectName(QStringLiteral("Frm_Resp"));
    m_liste = Controle<QTreeWidget>(QStringLiteral("Lst_Responsables"));
    m_liste->setRootIsDecorated(false);
    m_liste->setHeaderLabels({QStringLiteral("Nom")});
    m_liste->header()->hide();
    m_liste->setSelectionMode(QAbstractItemView::SingleSelection);
    ListeConfortable::Preparer(m_liste);
    m_nom = Controle<QLineEdit>(QStringLiteral("Txt_Responsable"));
    m_nom->setEnabled(false);
    m_ajouter = bouton(QStringLiteral("Cmd_Ajouter"), QStringLiteral("Ajouter"));
    m_supprimer = bouton(QStringLiteral("Cmd_Supprimer"), QStringLiteral("Supprimer"));
    m_ok = bouton(QStringLiteral("Cmd_OkResp"), QStringLiteral("OK"));
    m_ok->setEnabled(false);
    m_annuler = bouton(QStringLiteral("Cmd_AnnulerResp"), QStringLiteral("Annuler"));
    m_annuler->setEnabled(false);
    auto* grille = new QGridLayout(this);
    grille->addWidget(m_liste, 0, 0, 4, 1);
    grille->addWidget(m_ajouter, 0, 1);
    grille->addWidget(m_supprimer, 1, 1);
    grille->addWidget(m_nom, 4, 0);
    auto* ligne = new QHBoxLayout;
    ligne->addWidget(m_ok);
    ligne->addWidget(m_annuler);
    grille->addLayout(ligne, 4, 1);

    connect(m_ajouter, &QPushButton::clicked, this, &CadreResponsables::ajouter);
    connect(m_supprimer, &QPushButton::clicked, this, &CadreResponsables::supprimer);
    ListeConfortable::SupprimerParTouche(m_liste, m_supprimer);
    connect(m_ok, &QPushButton::clicked, this, &CadreResponsables::valider);
    connect(m_annuler, &QPushButton::clicked, this, &CadreResponsables::DebloquerAjoutResponsable);
    connect(m_liste, &QTreeWidget::itemDoubleClicked, this, &CadreResponsables::modifier);
    OuvrirParEntree(m_liste, [this] { modifier(m_liste->currentItem()); });
    // Names are written in capitals as they are typed.
    connect(m_nom, &QLineEdit::textEdited, this, [this](const QString& texte) {
        const QString majuscules = texte.toUpper();
        if (majuscules == texte)
            return;
        const int position = m_nom->cursorPosition() + int(majuscules.size() - texte.size());
        m_nom->setText(majuscules);
        m_nom->setCursorPosition(position);
    });
}

bool CadreResponsables::ChargerResponsables()
{
    ListeConfortable::Remplissage remplissage(m_liste);
    BaseInterne::SuiviEchecs lecture;
    const QVector<Responsable> responsables = TableResponsables::Tous();
    if (lecture.Echec()) {
        AfficherListeIllisible(m_liste,
                               QStringLiteral("La liste des responsables ne peut pas être lue dans la base de données "
                                              "interne."));
        return false;
    }
    m_liste->clear();
    const QIcon icone(Icones::Pastille(QColor(0, 84, 147), QStringLiteral("R")));
    for (const Responsable& r : responsables) {
        auto* item = new QTreeWidgetItem(m_liste);
        item->setText(0, r.NomResponsable);
        item->setIcon(0, icone);
        item->setData(0, Qt::UserRole, r.IdResponsable);
    }
    return true;
}

int CadreResponsables::Nombre() const
{
    return m_liste->topLevelItemCount();
}

void CadreResponsables::ajouter()
{
    ModeAjout = true;
    BloquerAjoutResponsable();
    m_nom->setFocus(Qt::OtherFocusReason);
}

void CadreResponsables::modifier(QTreeWidgetItem* item)
{
    if (!item || !m_liste->isEnabled())
        return;
    m_liste->setCurrentItem(item);
    ModeAjout = false;
    BloquerAjoutResponsable();
    m_nom->setText(item->text(0));
    m_nom->setFocus(Qt::OtherFocusReason);
}

void CadreResponsables::valider()
{
    // Nothing is stored for an empty name, and a name that could not be stored stays typed:
    // the box remains open in both cases.
    const QString nom = m_nom->text();
    if (nom.trimmed().isEmpty()) {
        Messages::Afficher(this, QStringLiteral("Vous devez saisir le nom du responsable des mises à jour."));
        m_nom->setFocus(Qt::OtherFocusReason);
        return;
    }
    bool enregistre = true;
    if (ModeAjout) {
        enregistre = TableResponsables::Ajouter(nom);
    } else if (const QTreeWidgetItem* item = m_liste->currentItem()) {
        enregistre = TableResponsables::Renommer(item->data(0, Qt::UserRole).toLongLong(), nom);
    }
    if (!enregistre) {
        Messages::Afficher(this,
                           QStringLiteral("Le responsable des mises à jour n'a pas pu être enregistré dans la "
                                          "base de données interne."));
        m_nom->setFocus(Qt::OtherFocusReason);
        return;
    }
    m_nom->clear();
    DebloquerAjoutResponsable();
    ChargerResponsables();
}

void CadreResponsables::supprimer()
{
    const QTreeWidgetItem* item = m_liste->currentItem();
    if (!item || !item->isSelected())
        return;
    const qint64 id = item->data(0, Qt::UserRole).toLongLong();
    NonParDefaut nonParDefaut;
    const Reponse r = Messages::Afficher(this,
                                         QStringLiteral("Voulez-vous vraiment supprimer l'utilisateur ") + item->text(0)
                                             + QStringLiteral(" de la liste des responsables de la mise à jour ?"),
                                         Icone::Exclamation, Boutons::OuiNon);
    if (r != Reponse::Oui)
        return;
    if (!TableResponsables::Supprimer(id))
        Messages::Afficher(this,
                           QStringLiteral("Le responsable des mises à jour n'a pas pu être supprimé de la base "
                                          "de données interne."));
    ChargerResponsables();
}

void CadreResponsables::BloquerAjoutResponsable()
{
    for (QWidget* w : std::initializer_list<QWidget*>{m_nom, m_ok, m_annuler})
        w->setEnabled(true);
    // Return in the name box stores the name, while the screen's own "OK" waits.
    m_ok->setDefault(true);
    for (QWidget* w : std::initializer_list<QWidget*>{m_ajouter, m_supprimer, m_liste})
        w->setEnabled(false);
    emit Edition(true);
}

void CadreResponsables::DebloquerAjoutResponsable()
{
    for (QWidget* w : std::initializer_list<QWidget*>{m_nom, m_ok, m_annuler})
        w->setEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{m_ajouter, m_supprimer, m_liste})
        w->setEnabled(true);
    m_nom->clear();
    emit Edition(false);
}
