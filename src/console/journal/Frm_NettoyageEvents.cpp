#include "console/journal/Frm_NettoyageEvents.h"

#include "core/Horloge.h"
#include "core/Journal.h"
#include "core/Messages.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

Frm_NettoyageEvents::Frm_NettoyageEvents(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Frm_NettoyageEvents"));
    setWindowTitle(QStringLiteral("Nettoyage de la liste des évenements"));

    auto* titre = new QLabel(QStringLiteral("Sélection d'une date pour le nettoyage"), this);
    titre->setObjectName(QStringLiteral("Label1"));
    QFont police = titre->font();
    police.setBold(true);
    titre->setFont(police);
    auto* message = new QLabel(QStringLiteral("Supprimer les évènements antérieurs à :"), this);
    message->setObjectName(QStringLiteral("Etq_Message"));

    m_date = new QDateEdit(Horloge::Maintenant().date(), this);
    m_date->setObjectName(QStringLiteral("Cal_DateNettoyage"));
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));

    auto* nettoyer = new QPushButton(QStringLiteral("Nettoyer"), this);
    nettoyer->setObjectName(QStringLiteral("Cmd_Nettoyer"));
    auto* annuler = new QPushButton(QStringLiteral("Annuler"), this);
    annuler->setObjectName(QStringLiteral("Cmd_Annuler"));
    // Return alone deletes nothing: the events are gone for good once cleaned.
    annuler->setDefault(true);
    connect(nettoyer, &QPushButton::clicked, this, &Frm_NettoyageEvents::nettoyer);
    connect(annuler, &QPushButton::clicked, this, &QDialog::reject);

    auto* grille = new QGridLayout(this);
    grille->addWidget(titre, 0, 0, 1, 2);
    grille->addWidget(message, 1, 0);
    grille->addWidget(m_date, 1, 1);
    grille->addWidget(nettoyer, 2, 0, Qt::AlignRight);
    grille->addWidget(annuler, 2, 1);
}

void Frm_NettoyageEvents::nettoyer()
{
    if (!TableJournal::PurgerJusquAu(m_date->date()))
        Messages::Afficher(this, QStringLiteral("Les évènements n'ont pas pu être supprimés du journal."));
    accept();
}
