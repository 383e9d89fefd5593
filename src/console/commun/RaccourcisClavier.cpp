#include "console/commun/RaccourcisClavier.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QShortcut>

namespace {

class EntreeSurLigne : public QObject
{
public:
    EntreeSurLigne(QAbstractItemView* liste, std::function<void()> action)
        : QObject(liste), m_liste(liste), m_action(std::move(action))
    {
    }

    bool eventFilter(QObject* objet, QEvent* evenement) override
    {
        if (evenement->type() != QEvent::KeyPress)
            return QObject::eventFilter(objet, evenement);
        const int cle = static_cast<QKeyEvent*>(evenement)->key();
        if (cle != Qt::Key_Return && cle != Qt::Key_Enter)
            return false;
        const QModelIndex courant = m_liste->currentIndex();
        // A row that says the list cannot be read is not selectable, and is no row to act on.
        if (courant.isValid() && (courant.flags() & Qt::ItemIsSelectable) && m_liste->selectionModel()) {
            m_liste->selectionModel()->select(courant, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            m_action();
        }
        return true;
    }

private:
    QAbstractItemView* m_liste;
    std::function<void()> m_action;
};

} // namespace

void FermerParEchap(QWidget* fenetre)
{
    auto* echap = new QShortcut(QKeySequence(Qt::Key_Escape), fenetre);
    QObject::connect(echap, &QShortcut::activated, fenetre, &QWidget::close);
}

void OuvrirParEntree(QAbstractItemView* liste, std::function<void()> action)
{
    liste->installEventFilter(new EntreeSurLigne(liste, std::move(action)));
}
