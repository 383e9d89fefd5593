#include "console/menu/Frm_Acces.h"

#include "console/commun/Controles.h"
#include "console/commun/Icones.h"

#include <QCloseEvent>
#include <QPushButton>
#include <QVBoxLayout>

Frm_Acces::Frm_Acces(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Frm_Acces"));
    setWindowTitle(QStringLiteral("QUENTARIS Serveur"));
    setWindowIcon(Icones::Serveur());
    // Wide enough for the window manager to show the whole caption.
    setMinimumWidth(300);
    auto* bouton
        = Controle<QPushButton>(QStringLiteral("Cmd_Menu"), Icones::Serveur(), QStringLiteral("QUENTARIS Serveur"));
    auto* disposition = new QVBoxLayout(this);
    disposition->addWidget(bouton);
    connect(bouton, &QPushButton::clicked, this, &Frm_Acces::Clic);
}

void Frm_Acces::closeEvent(QCloseEvent* evenement)
{
    evenement->ignore();
    showMinimized();
}
