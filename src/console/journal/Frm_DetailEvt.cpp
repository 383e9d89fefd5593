#include "console/journal/Frm_DetailEvt.h"

#include "console/commun/MemoireFenetre.h"

#include <QClipboard>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

Frm_DetailEvt::Frm_DetailEvt(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Frm_DetailEvt"));
    setWindowTitle(QStringLiteral("Serveur de mises à jour QUENTARIS"));

    auto* titre = new QLabel(QStringLiteral("Information relative à l'évènement"), this);
    titre->setObjectName(QStringLiteral("Label4"));
    QFont police = titre->font();
    police.setBold(true);
    titre->setFont(police);

    auto* label3 = new QLabel(QStringLiteral("Date et heure :"), this);
    label3->setObjectName(QStringLiteral("Label3"));
    m_horodatage = new QLineEdit(this);
    m_horodatage->setObjectName(QStringLiteral("Txt_Horodatage"));
    m_horodatage->setReadOnly(true);

    auto* cadre = new QGroupBox(QStringLiteral("Message de l'évenement"), this);
    cadre->setObjectName(QStringLiteral("Frame1"));
    m_message = new QPlainTextEdit(cadre);
    m_message->setObjectName(QStringLiteral("Txt_Message"));
    m_message->setReadOnly(true);
    auto* dansCadre = new QVBoxLayout(cadre);
    dansCadre->addWidget(m_message);

    auto* copier = new QPushButton(QStringLiteral("Copier le texte du message"), this);
    copier->setObjectName(QStringLiteral("Cmd_CopierTextErreur"));
    copier->setAutoDefault(false);
    auto* fermer = new QPushButton(QStringLiteral("Fermer"), this);
    fermer->setObjectName(QStringLiteral("Cmd_Fermer"));
    connect(copier, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(m_message->toPlainText()); });
    connect(fermer, &QPushButton::clicked, this, &QDialog::accept);

    auto* grille = new QGridLayout(this);
    grille->addWidget(titre, 0, 0, 1, 3);
    grille->addWidget(label3, 1, 0);
    grille->addWidget(m_horodatage, 1, 1, 1, 2);
    grille->addWidget(cadre, 2, 0, 1, 3);
    grille->addWidget(copier, 3, 1);
    grille->addWidget(fermer, 3, 2);
    resize(520, 320);
    SeSouvenirDeLaFenetre(this);
}

void Frm_DetailEvt::Fixer(const QString& horodatage, const QString& message)
{
    m_horodatage->setText(horodatage);
    m_message->setPlainText(message);
}
