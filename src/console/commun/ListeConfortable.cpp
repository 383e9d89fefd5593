#include "console/commun/ListeConfortable.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPointer>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>

namespace ListeConfortable {

namespace {

const QString kNomTouches = QStringLiteral("ListeConfortable_Touches");

// The keys of one list: Ctrl+C, and Delete where the screen has a delete button.
class Touches : public QObject
{
public:
    explicit Touches(QAbstractItemView* liste) : QObject(liste), m_liste(liste)
    {
        setObjectName(kNomTouches);
        liste->installEventFilter(this);
    }

    QPointer<QAbstractButton> supprimer;

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override
    {
        if (objet != m_liste || evenement->type() != QEvent::KeyPress)
            return QObject::eventFilter(objet, evenement);
        auto* touche = static_cast<QKeyEvent*>(evenement);
        // The view itself would copy only the current cell, the empty icon one in most lists.
        if (touche->matches(QKeySequence::Copy)) {
            const QString texte = TexteSelection(m_liste);
            if (!texte.isEmpty())
                QGuiApplication::clipboard()->setText(texte);
            return true;
        }
        if (touche->key() == Qt::Key_Delete && touche->modifiers() == Qt::NoModifier && supprimer
            && supprimer->isEnabled() && supprimer->isVisible()) {
            supprimer->click();
            return true;
        }
        return false;
    }

private:
    QAbstractItemView* m_liste;
};

Touches* touches(QAbstractItemView* liste)
{
    if (auto* existantes = liste->findChild<QObject*>(kNomTouches, Qt::FindDirectChildrenOnly))
        return static_cast<Touches*>(existantes);
    return new Touches(liste);
}

// The columns a person reads, in the order shown: visible, with a caption (the narrow icon
// columns have none), or every visible one when none has a caption.
QList<int> colonnesLues(const QAbstractItemView* liste)
{
    const QAbstractItemModel* modele = liste->model();
    const auto* arbre = qobject_cast<const QTreeView*>(liste);
    QList<int> visibles;
    QList<int> titrees;
    for (int place = 0; place < modele->columnCount(); ++place) {
        const int colonne = arbre ? arbre->header()->logicalIndex(place) : place;
        if (arbre && arbre->isColumnHidden(colonne))
            continue;
        visibles.append(colonne);
        if (!modele->headerData(colonne, Qt::Horizontal, Qt::DisplayRole).toString().isEmpty())
            titrees.append(colonne);
    }
    return titrees.isEmpty() ? visibles : titrees;
}

} // namespace

void Preparer(QAbstractItemView* liste)
{
    liste->setSelectionBehavior(QAbstractItemView::SelectRows);
    if (auto* arbre = qobject_cast<QTreeView*>(liste))
        arbre->setAllColumnsShowFocus(true);
    touches(liste);
}

void TrierParColonne(QTreeView* liste)
{
    liste->header()->setSortIndicator(-1, Qt::AscendingOrder);
    liste->setSortingEnabled(true);
}

void SupprimerParTouche(QAbstractItemView* liste, QAbstractButton* bouton)
{
    touches(liste)->supprimer = bouton;
}

void SelectionnerPremiereLigne(QAbstractItemView* liste)
{
    const QAbstractItemModel* modele = liste->model();
    QItemSelectionModel* selection = liste->selectionModel();
    if (!modele || !selection)
        return;
    for (int ligne = 0; ligne < modele->rowCount(); ++ligne) {
        const QModelIndex index = modele->index(ligne, 0);
        if (index.flags() & Qt::ItemIsSelectable) {
            selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            liste->scrollTo(index);
            return;
        }
    }
    selection->clear();
}

QString TexteSelection(const QAbstractItemView* liste)
{
    const QAbstractItemModel* modele = liste->model();
    if (!modele || !liste->selectionModel())
        return QString();
    QModelIndexList lignes = liste->selectionModel()->selectedRows();
    std::sort(lignes.begin(), lignes.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    const QList<int> colonnes = colonnesLues(liste);
    QStringList texte;
    for (const QModelIndex& ligne : lignes) {
        QStringList cellules;
        for (int colonne : colonnes) {
            QString cellule = ligne.sibling(ligne.row(), colonne).data(Qt::DisplayRole).toString();
            // Each row stays one line of text, its cells apart.
            cellule.replace(QLatin1Char('\t'), QLatin1Char(' '));
            cellule.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
            cellule.replace(QLatin1Char('\n'), QLatin1Char(' '));
            cellule.replace(QLatin1Char('\r'), QLatin1Char(' '));
            cellules.append(cellule);
        }
        texte.append(cellules.join(QLatin1Char('\t')));
    }
    return texte.join(QLatin1Char('\n'));
}

Remplissage::Remplissage(QTreeView* liste) : m_liste(liste), m_tri(liste->isSortingEnabled())
{
    if (m_tri)
        m_liste->setSortingEnabled(false);
}

Remplissage::~Remplissage()
{
    if (m_tri)
        m_liste->setSortingEnabled(true);
    SelectionnerPremiereLigne(m_liste);
}

bool Ligne::operator<(const QTreeWidgetItem& autre) const
{
    const int colonne = treeWidget() ? treeWidget()->sortColumn() : 0;
    const QVariant a = data(colonne, RoleTri);
    const QVariant b = autre.data(colonne, RoleTri);
    if (a.isValid() && b.isValid()) {
        const QPartialOrdering ordre = QVariant::compare(a, b);
        if (ordre != QPartialOrdering::Unordered)
            return ordre == QPartialOrdering::Less;
    }
    return QString::localeAwareCompare(text(colonne), autre.text(colonne)) < 0;
}

} // namespace ListeConfortable
