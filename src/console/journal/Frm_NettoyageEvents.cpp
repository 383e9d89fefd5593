#include "console/journal/Frm_NettoyageEvents.h"

#include "console/commun/MemoireFenetre.h"
#include "core/Horloge.h"
#include "core/Journal.h"
#include "core/Messages.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

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
    m_date->installEventFilter(this);
    m_deroulant = m_date->calendarWidget()->window();
    m_deroulant->installEventFilter(this);

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
    SeSouvenirDeLaFenetre(this);
}

void Frm_NettoyageEvents::nettoyer()
{
    if (!TableJournal::PurgerJusquAu(m_date->date()))
        Messages::Afficher(this, QStringLiteral("Les évènements n'ont pas pu être supprimés du journal."));
    accept();
}

// F4 or Alt+Down on the date opens its calendar, as on a drop-down list; Escape in the
// calendar leaves the date as it was.
bool Frm_NettoyageEvents::eventFilter(QObject* objet, QEvent* evenement)
{
    // However the calendar is opened, by the mouse too.
    if (objet == m_deroulant && evenement->type() == QEvent::Show)
        m_dateAvant = m_date->date();
    if (evenement->type() != QEvent::KeyPress)
        return QDialog::eventFilter(objet, evenement);
    const auto* touche = static_cast<QKeyEvent*>(evenement);
    // The arrows in the calendar already change the date: Escape gives back the one it opened on.
    if (objet == m_deroulant && touche->key() == Qt::Key_Escape) {
        m_deroulant->close();
        m_date->setDate(m_dateAvant);
        return true;
    }
    if (objet == m_date) {
        const bool alt = touche->modifiers() & Qt::AltModifier;
        if (touche->key() == Qt::Key_F4 || (alt && touche->key() == Qt::Key_Down)) {
            OuvrirCalendrier();
            return true;
        }
    }
    return QDialog::eventFilter(objet, evenement);
}

void Frm_NettoyageEvents::OuvrirCalendrier()
{
    // Asking for the calendar readies its drop-down on the date shown, as a click on the arrow
    // does: Escape in it then gives that date back.
    QCalendarWidget* calendrier = m_date->calendarWidget();
    if (!calendrier)
        return;
    QWidget* deroulant = calendrier->window();
    deroulant->adjustSize();
    QPoint position = m_date->mapToGlobal(QPoint(0, m_date->height()));
    if (const QScreen* ecran = m_date->screen()) {
        const QRect dispo = ecran->availableGeometry();
        if (position.y() + deroulant->height() > dispo.bottom())
            position.setY(m_date->mapToGlobal(QPoint(0, 0)).y() - deroulant->height());
        position.setX(qBound(dispo.left(), position.x(), dispo.right() - deroulant->width()));
    }
    deroulant->move(position);
    deroulant->show();
    calendrier->setFocus(Qt::PopupFocusReason);
}
