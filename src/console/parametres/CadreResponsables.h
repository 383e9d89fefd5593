#pragma once

#include <QGroupBox>

class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The persons responsible for updates, as the parameters screen edits them: the list, and
// the box where a name is added or renamed. Each change is written at once.
class CadreResponsables : public QGroupBox
{
    Q_OBJECT
public:
    explicit CadreResponsables(QWidget* parent = nullptr);

    // False when the list could not be read: it then shows so instead of names.
    bool ChargerResponsables();
    int Nombre() const;

    void BloquerAjoutResponsable();
    void DebloquerAjoutResponsable();

signals:
    // A name is being typed (true) or the typing has ended (false): the rest of the screen
    // waits meanwhile.
    void Edition(bool enCours);

private:
    void ajouter();
    void modifier(QTreeWidgetItem* item);
    void valider();
    void supprimer();

    QTreeWidget* m_liste = nullptr;
    QLineEdit* m_nom = nullptr;
    QPushButton* m_ajouter = nullptr;
    QPushButton* m_supprimer = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_annuler = nullptr;
    bool ModeAjout = false;
};
