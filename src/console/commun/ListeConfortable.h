#pragma once

#include <QTreeWidgetItem>

class QAbstractButton;
class QAbstractItemView;
class QTreeView;

// What a person expects of a list, whatever the screen: whole rows selected with a visible
// focus, the first row selected when it opens (so that Down goes to the second), Ctrl+C copying
// the selected rows as text, and, where the screen asks for them, a click on a column header
// sorting the rows and the Delete key doing what the screen's delete button does.
namespace ListeConfortable {

// Role holding the value a column sorts on when its text would sort wrongly: a date as
// "yyyy-MM-dd hh:mm:ss" text, a version as a 64-bit number.
constexpr int RoleTri = Qt::UserRole + 20;

// Whole-row selection and focus, Ctrl+C.
void Preparer(QAbstractItemView* liste);

// A click on a column header sorts on it; until then the rows keep the order they were filled in.
void TrierParColonne(QTreeView* liste);

// The Delete key on a row presses `bouton` (its question included), when the button can be pressed.
void SupprimerParTouche(QAbstractItemView* liste, QAbstractButton* bouton);

// Makes the first row that can be selected the current and selected one; none when there is none.
void SelectionnerPremiereLigne(QAbstractItemView* liste);

// The selected rows as the person reads them: the shown text of each visible column that has a
// caption, tab between columns, one line per row, in the order shown.
QString TexteSelection(const QAbstractItemView* liste);

// While one lives, a list being filled does not sort row by row; when it goes, the list sorts
// once (on the column chosen, if any) and its first row is selected.
class Remplissage
{
public:
    explicit Remplissage(QTreeView* liste);
    ~Remplissage();
    Remplissage(const Remplissage&) = delete;
    Remplissage& operator=(const Remplissage&) = delete;

private:
    QTreeView* m_liste;
    bool m_tri;
};

// A row of a QTreeWidget that sorts on RoleTri where it is set, on its shown text otherwise.
class Ligne : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& autre) const override;
};

} // namespace ListeConfortable
