#pragma once

#include "console/installation/ServicesInstallation.h"

#include <QWidget>

class QPushButton;
class QTreeWidget;

// The queued server updates, oldest first; they are installed in that order.
class Frm_MAJAttente : public QWidget
{
    Q_OBJECT
public:
    explicit Frm_MAJAttente(ServicesInstallation services, QWidget* parent = nullptr);

    // (Re)loads the list from the queue.
    void ChargerMajEnAttente();

private:
    void selectionChangee();
    void visualiserInfos();
    void installer();

    ServicesInstallation m_services;
    QTreeWidget* m_liste = nullptr;
    QPushButton* m_visuInfos = nullptr;
    QPushButton* m_installer = nullptr;
};
