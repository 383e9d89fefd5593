#pragma once

#include <QDate>
#include <QDialog>

class QDateEdit;

// Deletes the journal's events of the chosen day and of every earlier day.
class Frm_NettoyageEvents : public QDialog
{
    Q_OBJECT
public:
    explicit Frm_NettoyageEvents(QWidget* parent = nullptr);

    // Opens the calendar under the date, for the keyboard.
    void OuvrirCalendrier();

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    void nettoyer();

    QDateEdit* m_date = nullptr;
    QDate m_dateAvant;
    QWidget* m_deroulant = nullptr; // the calendar's drop-down window, a child of the date
};
