#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QTreeWidget;

// One workstation's name, address, connection state and version history, highest version first.
class Frm_DetailMachine : public QDialog
{
    Q_OBJECT
public:
    explicit Frm_DetailMachine(QWidget* parent = nullptr);

    // The workstation (its IdMajPoste) and its connection state as the tracking list shows it.
    void FixerPoste(qint64 idMajPoste, const QString& etat);
    void Init();

private:
    QLineEdit* m_nom = nullptr;
    QLineEdit* m_adresse = nullptr;
    QLineEdit* m_etat = nullptr;
    QLineEdit* m_code = nullptr;
    QLabel* m_posteIllisible = nullptr;
    QTreeWidget* m_historique = nullptr;
};
