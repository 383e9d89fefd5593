#pragma once

#include <QWidget>

class QPushButton;
class QTreeWidget;

// Every update downloaded from the maker's service, newest first; opens the version
// document of the selected one.
class Frm_MAJDispo : public QWidget
{
    Q_OBJECT
public:
    // Role of the first column holding the image number: 1 workstation, 2 server.
    static constexpr int RoleImage = Qt::UserRole + 1;

    explicit Frm_MAJDispo(QWidget* parent = nullptr);

    void ChargerMajDispo();

private:
    // The rows, newest first unless a column was chosen; the first one selected.
    void remplir();
    void appliquerSelection();
    void visualiserInfos();

    QTreeWidget* m_liste = nullptr;
    QPushButton* m_visuInfos = nullptr;
};
