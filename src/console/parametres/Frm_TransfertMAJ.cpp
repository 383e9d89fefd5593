#include "console/parametres/Frm_TransfertMAJ.h"

#include "console/AccesServeur.h"
#include "console/commun/AnimationAttente.h"
#include "console/commun/Controles.h"
#include "console/commun/Icones.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QLabel* label(const QString& nom, const QString& texte)
{
    auto* l = Controle<QLabel>(nom, texte);
    l->setWordWrap(true);
    return l;
}

} // namespace

Frm_TransfertMAJ::Frm_TransfertMAJ(AccesServeur& serveur, QWidget* parent) : QDialog(parent), m_serveur(serveur)
{
    setObjectName(QStringLiteral("Frm_TransfertMAJ"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Serveur de mises à jour QUENTARIS"));
    setWindowIcon(Icones::Serveur());

    auto* titre
        = EnGras(label(QStringLiteral("Label4"), QStringLiteral("Transfert des mises à jour vers un nouveau dossier")));
    auto* texte = label(QStringLiteral("Etq_Texte"),
                        QStringLiteral("Veuillez patienter pendant le transfert des mises "
                                       "à jour vers le nouveau dossier ..."));
    m_attente = EnGras(label(QStringLiteral("Etq_TransfertEnCours"),
                             QStringLiteral("Des mises à jours sont en cours, l'application va attendre la fin de "
                                            "celles-ci pour continuer ...")),
                       QColor(255, 0, 0));
    m_attente->hide();
    m_termine = EnGras(label(QStringLiteral("Etq_Termine"), QStringLiteral("Transfert terminé")), QColor(0, 128, 0));
    m_termine->hide();
    m_annule = EnGras(label(QStringLiteral("Etq_Annule"),
                            QStringLiteral("Transfert annulé : les mises à jour restent dans l'ancien dossier, qui "
                                           "reste l'emplacement des mises à jour.")),
                      QColor(255, 0, 0));
    m_annule->hide();

    m_barre = new QProgressBar;
    m_barre->setObjectName(QStringLiteral("Prg_Transfert"));
    m_barre->setTextVisible(false);
    m_barre->setRange(0, 1);
    m_barre->setValue(0);
    m_barre->setStyleSheet(QStringLiteral("QProgressBar { background-color: white; border: 1px solid gray; }"
                                          "QProgressBar::chunk { background-color: rgb(254, 206, 140); }"));

    m_animation = new AnimationAttente;
    m_animation->setObjectName(QStringLiteral("VelmoGIF1"));

    m_ancien = new QLineEdit;
    m_ancien->setObjectName(QStringLiteral("Txt_AncienEmplacement"));
    m_ancien->hide();
    m_nouveau = new QLineEdit;
    m_nouveau->setObjectName(QStringLiteral("Txt_NouvelEmplacement"));
    m_nouveau->hide();

    m_anomalies = new QPlainTextEdit;
    m_anomalies->setObjectName(QStringLiteral("Lst_Anomalies"));
    m_anomalies->setReadOnly(true);
    m_anomalies->hide();
    m_fermer = new QPushButton(QStringLiteral("Fermer"));
    m_fermer->setObjectName(QStringLiteral("Cmd_Fermer"));
    m_fermer->hide();
    connect(m_fermer, &QPushButton::clicked, this, [this] {
        if (m_fini)
            close();
    });

    auto* haut = new QHBoxLayout;
    haut->addWidget(m_animation, 0, Qt::AlignTop);
    auto* textes = new QVBoxLayout;
    textes->addWidget(titre);
    textes->addWidget(texte);
    textes->addWidget(m_attente);
    haut->addLayout(textes, 1);
    auto* racine = new QVBoxLayout(this);
    racine->addLayout(haut);
    racine->addWidget(m_barre);
    racine->addWidget(m_termine);
    racine->addWidget(m_annule);
    racine->addWidget(m_anomalies);
    racine->addWidget(m_fermer, 0, Qt::AlignRight);
    racine->addWidget(m_ancien);
    racine->addWidget(m_nouveau);
    resize(460, 150);

    Tim_Fin.setObjectName(QStringLiteral("Tim_Fin"));
    Tim_Fin.setInterval(1000);
    connect(&Tim_Fin, &QTimer::timeout, this, &Frm_TransfertMAJ::finTick);

    connect(&m_serveur, &AccesServeur::DeplacementAttente, m_attente, &QWidget::setVisible);
    connect(&m_serveur, &AccesServeur::DeplacementDebut, this, [this](int nombre) {
        m_barre->setRange(0, nombre);
        m_barre->setValue(0);
    });
    connect(&m_serveur, &AccesServeur::DeplacementProgression, m_barre, &QProgressBar::setValue);
    connect(&m_serveur, &AccesServeur::DeplacementAnomalie, this, &Frm_TransfertMAJ::lister);
    connect(&m_serveur, &AccesServeur::DeplacementEchec, this, &Frm_TransfertMAJ::lister);
    connect(&m_serveur, &AccesServeur::DeplacementTermine, this, &Frm_TransfertMAJ::termine);
}

void Frm_TransfertMAJ::FixerEmplacements(const QString& ancien, const QString& nouveau)
{
    m_ancien->setText(ancien);
    m_nouveau->setText(nouveau);
}

void Frm_TransfertMAJ::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    if (m_lance)
        return;
    m_lance = true;
    Transfert(m_ancien->text(), m_nouveau->text());
}

void Frm_TransfertMAJ::Transfert(const QString& ancien, const QString& nouveau)
{
    setCursor(Qt::WaitCursor);
    m_animation->Demarrer();
    m_serveur.DeplacerMaj(ancien, nouveau);
}

void Frm_TransfertMAJ::lister(const QString& ligne)
{
    m_anomalies->show();
    m_anomalies->appendPlainText(ligne);
}

void Frm_TransfertMAJ::termine(bool reussi)
{
    m_fini = true;
    m_animation->Arreter();
    (reussi ? m_termine : m_annule)->show();
    emit Termine(reussi);
    resize(width(), std::max(height(), 202));
    if (const QScreen* ecran = screen())
        move(x(), ecran->geometry().height() / 2 - frameGeometry().height() / 2);
    if (!m_anomalies->isHidden()) {
        // The person reads what happened and closes the window.
        unsetCursor();
        m_fermer->show();
        return;
    }
    m_ticks = 0;
    Tim_Fin.start();
}

void Frm_TransfertMAJ::finTick()
{
    if (m_ticks >= 2) {
        Tim_Fin.stop();
        unsetCursor();
        close();
        return;
    }
    ++m_ticks;
}

void Frm_TransfertMAJ::reject()
{
    // No way to cancel a move; the window closes once it has ended.
    if (m_fini)
        QDialog::reject();
}
