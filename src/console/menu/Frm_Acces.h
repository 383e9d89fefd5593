#pragma once

#include <QWidget>

class QPushButton;

// On a desktop without a notification area, the small window that stands for the tray icon: an
// ordinary window, never kept above the others. It cannot be closed, only minimised: without it
// the menu would be out of reach for the rest of the run.
class Frm_Acces : public QWidget
{
    Q_OBJECT
public:
    explicit Frm_Acces(QWidget* parent = nullptr);

signals:
    // A click on the window's button, as on the tray icon.
    void Clic();

protected:
    void closeEvent(QCloseEvent* evenement) override;
};
