#include "console/installation/Frm_MajEnCours.h"

#include "console/commun/Icones.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

Frm_MajEnCours::Frm_MajEnCours(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("Frm_MajEnCours"));
    setWindowTitle(QStringLiteral("Mise à jour des bases de données en cours ..."));
    setWindowIcon(Icones::Serveur());

    auto* titre
        = new QLabel(QStringLiteral("Les bases de données sont en cours de mise à jour, veuillez patienter ..."));
    titre->setObjectName(QStringLiteral("Etq_Titre"));
    auto* attente = new QProgressBar;
    attente->setObjectName(QStringLiteral("gif_Attente"));
    attente->setRange(0, 0);
    attente->setTextVisible(false);
    m_message = new QLabel(QStringLiteral("Modification de la base BASEQUENTARIS"));
    m_message->setObjectName(QStringLiteral("Etq_Message"));

    auto* racine = new QVBoxLayout(this);
    racine->addWidget(titre);
    racine->addWidget(attente);
    racine->addWidget(m_message);
    setMinimumWidth(420);
}

void Frm_MajEnCours::FixerMessage(const QString& texte)
{
    m_message->setText(texte);
}

QString Frm_MajEnCours::Message() const
{
    return m_message->text();
}

void Frm_MajEnCours::closeEvent(QCloseEvent* evenement)
{
    evenement->ignore();
}
