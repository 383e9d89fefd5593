#include "console/verification/Frm_InfoBulle.h"

#include "console/commun/AnimationAttente.h"
#include "console/commun/Icones.h"
#include "console/verification/ProgressionTelechargement.h"
#include "platform/bureau/Bureau.h"
#include "platform/bureau/FenetreNotification.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>

Frm_InfoBulle::Frm_InfoBulle(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("Frm_InfoBulle"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);

    auto* image1 = new QLabel(this);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setPixmap(Icones::Serveur().pixmap(40, 40));

    m_texte = new QLabel(
        QStringLiteral("Verification des mises à jour en cours ... Ne pas éteindre le serveur s'il vous plait !"),
        this);
    m_texte->setObjectName(QStringLiteral("Etq_MiseAJourEnCours"));
    m_texte->setWordWrap(true);
    m_texte->setFixedWidth(250);

    m_animation = new AnimationAttente(this);
    m_animation->setObjectName(QStringLiteral("VelmoGIF1"));
    m_animation->Demarrer();

    m_progression = new QProgressBar(this);
    m_progression->setObjectName(QStringLiteral("Prg_Telechargement"));
    m_progression->setTextVisible(false);
    m_progression->setFixedHeight(10);
    m_progression->setVisible(false);

    auto* grille = new QGridLayout(this);
    grille->setContentsMargins(12, 10, 12, 10);
    grille->addWidget(image1, 0, 0, Qt::AlignTop);
    grille->addWidget(m_texte, 0, 1);
    grille->addWidget(m_animation, 0, 2, Qt::AlignCenter);
    grille->addWidget(m_progression, 1, 0, 1, 3);
    // Room for the bar from the start, so that the balloon keeps its size and its place beside
    // the panel when the bar appears.
    QSizePolicy garde = m_progression->sizePolicy();
    garde.setRetainSizeWhenHidden(true);
    m_progression->setSizePolicy(garde);
    setFixedSize(sizeHint());
    // A notification, as the desktop shows one: in no taskbar.
    winId();
    Bureau::MarquerCommeNotification(windowHandle());
}

void Frm_InfoBulle::EcrireTexte(const QString& texte)
{
    m_texte->setText(texte);
}

void Frm_InfoBulle::Progression(qint64 recus, qint64 taille)
{
    ProgressionTelechargement::Fixer(m_progression, recus, taille);
}

void Frm_InfoBulle::Placer()
{
    move(Bureau::PlacementPresDeLaBarre(size()));
}

void Frm_InfoBulle::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(120, 120, 120));
    p.setBrush(QColor(255, 255, 225));
    p.drawRoundedRect(rect().adjusted(0, 0, -1, -1), 8, 8);
}
