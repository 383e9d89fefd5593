#pragma once

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;

// One event of the journal: its date and time and its whole message, which can be copied.
class Frm_DetailEvt : public QDialog
{
    Q_OBJECT
public:
    explicit Frm_DetailEvt(QWidget* parent = nullptr);

    void Fixer(const QString& horodatage, const QString& message);

private:
    QLineEdit* m_horodatage = nullptr;
    QPlainTextEdit* m_message = nullptr;
};
