#pragma once

#include <QWidget>

class ModeleEvenements;
class QPushButton;
class QTreeView;

// The event viewer: the journal newest first, the detail of one event, the cleanup up to a day.
class Frm_ObsEvt : public QWidget
{
    Q_OBJECT
public:
    explicit Frm_ObsEvt(QWidget* parent = nullptr);

    // Opens the viewer, or brings the open one forward (reloading it only when asked).
    static Frm_ObsEvt* Afficher(bool recharger = false);
    // The open viewer, if any.
    static Frm_ObsEvt* Instance();

    // Fills the list from the journal; an empty journal disables it, one that cannot be read
    // disables it with a row that says so, and disables the cleanup.
    void ChargerEvt();

    QTreeView* Lst_Evt() const { return m_liste; }
    ModeleEvenements* Modele() const { return m_modele; }

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    void detail(const QModelIndex& index);
    void nettoyer();
    // Whether the message column shows only the start of that row's message.
    bool messageCoupe(int ligne) const;

    QTreeView* m_liste = nullptr;
    ModeleEvenements* m_modele = nullptr;
    QPushButton* m_nettoyer = nullptr;
};
