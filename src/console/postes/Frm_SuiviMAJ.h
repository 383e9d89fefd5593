#pragma once

#include <QIcon>
#include <QWidget>

class AccesServeur;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// Every workstation the server knows, with its address, its version, whether it is connected
// and whether it still has updates to take. A double click shows its version history.
class Frm_SuiviMAJ : public QWidget
{
    Q_OBJECT
public:
    // Role of the first column holding the state image: 1 up to date, 2 not up to date, 3 unknown.
    static constexpr int RoleImage = Qt::UserRole + 1;

    explicit Frm_SuiviMAJ(const AccesServeur& serveur, QWidget* parent = nullptr);

    void ChargerPostes();
    bool PosteConnecte(const QString& adresse) const;

    static QIcon Image(int numero);

private:
    void supprimer();
    void ouvrirDetail(QTreeWidgetItem* item);

    const AccesServeur& m_serveur;
    QTreeWidget* m_liste = nullptr;
};
