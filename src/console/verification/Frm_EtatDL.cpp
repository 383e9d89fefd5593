#include "console/verification/Frm_EtatDL.h"

#include "console/commun/AnimationAttente.h"
#include "console/commun/Icones.h"
#include "console/verification/ProgressionTelechargement.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>

Frm_EtatDL::Frm_EtatDL(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
{
    setObjectName(QStringLiteral("Frm_EtatDL"));
    setWindowTitle(QStringLiteral("Serveur de mises à jour QUENTARIS"));
    setWindowIcon(Icones::Serveur());

    auto* image1 = new QLabel(this);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setPixmap(Icones::Serveur().pixmap(48, 48));
    auto* image2 = new QLabel(this);
    image2->setObjectName(QStringLiteral("Image2"));
    image2->setPixmap(Icones::Information().pixmap(16, 16));

    m_texte = new QLabel(QStringLiteral("Vérification de la présence de mises à jour en cours ..."), this);
    m_texte->setObjectName(QStringLiteral("Etq_Texte"));
    m_texte->setMinimumWidth(360);
    m_texte->setWordWrap(true);
    auto* label4 = new QLabel(QStringLiteral("Dialogue avec le serveur distant en cours ..."), this);
    label4->setObjectName(QStringLiteral("Label4"));

    m_animation = new AnimationAttente(this);
    m_animation->setObjectName(QStringLiteral("VelmoGIF1"));
    m_animation->Demarrer();

    m_progression = new QProgressBar(this);
    m_progression->setObjectName(QStringLiteral("Prg_Telechargement"));
    m_progression->setVisible(false);

    auto* grille = new QGridLayout(this);
    grille->addWidget(image1, 0, 0, 2, 1, Qt::AlignTop);
    grille->addWidget(m_texte, 0, 1);
    grille->addWidget(m_animation, 0, 2, 2, 1, Qt::AlignCenter);
    grille->addWidget(image2, 1, 0, Qt::AlignBottom);
    grille->addWidget(label4, 1, 1);
    grille->addWidget(m_progression, 2, 0, 1, 3);
    // The window takes the size its content asks for, with and without the progress bar.
    grille->setSizeConstraint(QLayout::SetFixedSize);
}

void Frm_EtatDL::EcrireTexte(const QString& texte)
{
    m_texte->setText(texte);
}

void Frm_EtatDL::Progression(qint64 recus, qint64 taille)
{
    ProgressionTelechargement::Fixer(m_progression, recus, taille);
}
