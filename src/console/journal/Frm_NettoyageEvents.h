#pragma once

#include <QDialog>

class QDateEdit;

// Deletes the journal's events of the chosen day and of every earlier day.
class Frm_NettoyageEvents : public QDialog
{
    Q_OBJECT
public:
    explicit Frm_NettoyageEvents(QWidget* parent = nullptr);

private:
    void nettoyer();

    QDateEdit* m_date = nullptr;
};
