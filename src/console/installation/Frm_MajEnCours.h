#pragma once

#include <QDialog>

class QLabel;

// Shown while the databases are updated; the text names the database being updated.
class Frm_MajEnCours : public QDialog
{
    Q_OBJECT
public:
    explicit Frm_MajEnCours(QWidget* parent = nullptr);

    void FixerMessage(const QString& texte);
    QString Message() const;

    // It has no button and cannot be closed by the person.
    void reject() override { }

protected:
    void closeEvent(QCloseEvent* evenement) override;

private:
    QLabel* m_message = nullptr;
};
