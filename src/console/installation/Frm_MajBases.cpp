#include "console/installation/Frm_MajBases.h"

#include "console/commun/Controles.h"
#include "console/commun/Icones.h"
#include "console/commun/ListeConfortable.h"
#include "console/commun/MemoireFenetre.h"
#include "core/Messages.h"
#include "installation/InstallationServeur.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Img_InstallMaj: 1 installed, 2 error, 3 not installed.
QIcon iconeCode(const QString& code)
{
    if (code == QLatin1String("1"))
        return Icones::Pastille(QColor(0, 150, 70), QStringLiteral("✓"));
    if (code == QLatin1String("2"))
        return Icones::Pastille(QColor(204, 0, 0), QStringLiteral("!"));
    return Icones::Pastille(QColor(230, 150, 0), QStringLiteral("–"));
}

} // namespace

Frm_MajBases::Frm_MajBases(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Frm_MajBases"));
    setWindowTitle(QStringLiteral("Serveur de mises à jour QUENTARIS"));
    setWindowIcon(Icones::Serveur());

    auto* titre = new QLabel(QStringLiteral("Rapport d'installation de la mise à jour de la base de données"));
    titre->setObjectName(QStringLiteral("Etq_Titre"));
    EnGras(titre);
    auto* texte = new QLabel(QStringLiteral("Résultat de l'installation de la mise à jour de la base de données :"));
    texte->setObjectName(QStringLiteral("Etq_Resultat"));

    m_liste = new QTreeWidget;
    m_liste->setObjectName(QStringLiteral("Lst_InstallMaj"));
    m_liste->setRootIsDecorated(false);
    m_liste->setHeaderLabels(
        {QString(), QStringLiteral("Base de données"), QStringLiteral("Etat"), QStringLiteral("Message")});
    m_liste->setColumnWidth(0, 28);
    m_liste->setColumnWidth(1, 150);
    m_liste->setColumnWidth(2, 100);
    m_liste->header()->setStretchLastSection(true);
    ListeConfortable::Preparer(m_liste);

    m_etqMotDePasse = new QLabel(QStringLiteral("Mot de passe de déverouillage du système de mise à jour :"));
    m_etqMotDePasse->setObjectName(QStringLiteral("Etq_MotDePasse"));
    m_passVerrou = new QLineEdit;
    m_passVerrou->setObjectName(QStringLiteral("Txt_PassVerrou"));
    m_passVerrou->setEchoMode(QLineEdit::Password);
    m_passVerrou->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    m_ok = new QPushButton(QStringLiteral("&OK"));
    m_ok->setObjectName(QStringLiteral("Cmd_OK"));
    m_fermer = new QPushButton(QStringLiteral("Fermer"));
    m_fermer->setObjectName(QStringLiteral("Cmd_Fermer"));
    for (QWidget* w :
         {static_cast<QWidget*>(m_etqMotDePasse), static_cast<QWidget*>(m_passVerrou), static_cast<QWidget*>(m_ok)})
        w->setVisible(false);

    auto* verrou = new QHBoxLayout;
    verrou->addWidget(m_etqMotDePasse);
    verrou->addWidget(m_passVerrou, 1);
    verrou->addWidget(m_ok);
    auto* bas = new QHBoxLayout;
    bas->addStretch(1);
    bas->addWidget(m_fermer);
    auto* racine = new QVBoxLayout(this);
    racine->addWidget(titre);
    racine->addWidget(texte);
    racine->addWidget(m_liste, 1);
    racine->addLayout(verrou);
    racine->addLayout(bas);
    resize(620, 320);
    SeSouvenirDeLaFenetre(this);

    connect(m_fermer, &QPushButton::clicked, this, &Frm_MajBases::fermer);
    connect(m_ok, &QPushButton::clicked, this, &Frm_MajBases::deverrouiller);
}

void Frm_MajBases::ChargerRapportInstallation(const QVector<ResultatBase>& resultats)
{
    m_fermetureAutorisee = false;
    m_verrouille = false;
    m_liste->clear();
    for (const ResultatBase& r : resultats) {
        auto* ligne = new QTreeWidgetItem(m_liste, {QString(), r.Nom, r.Etat, r.Message});
        ligne->setIcon(0, iconeCode(r.Code));
        ligne->setData(0, Qt::UserRole, r.Code);
        if (r.Code == QLatin1String("2"))
            m_verrouille = true;
    }
    ListeConfortable::SelectionnerPremiereLigne(m_liste);
    if (!m_verrouille)
        return;
    Messages::Afficher(this,
                       QStringLiteral("Suite à un problème lors de l'installation de la mise à jour, votre "
                                      "serveur a été verouillé pour conserver l'intégrité de vos données.\r\n"
                                      "Pour le déverouiller, merci de contacter la maintenance d'QUENTARIS"));
    m_fermer->setEnabled(false);
    m_etqMotDePasse->setVisible(true);
    m_passVerrou->setVisible(true);
    m_ok->setVisible(true);
    m_ok->setDefault(true);
    m_passVerrou->setFocus();
}

void Frm_MajBases::fermer()
{
    m_fermetureAutorisee = true;
    accept();
}

QString Frm_MajBases::MotDePasseDeverrouillage()
{
    return InstallationServeur::MotDePasseDeverrouillage();
}

void Frm_MajBases::ConfierDeverrouillage(std::function<void(const QString&)> envoyer)
{
    m_envoyer = std::move(envoyer);
}

void Frm_MajBases::RefuserDeverrouillage(const QString& raison)
{
    m_passVerrou->clear();
    Messages::Afficher(this, raison);
    m_passVerrou->setFocus();
}

void Frm_MajBases::deverrouiller()
{
    if (m_envoyer) {
        // The server decides; the window stays locked until it says.
        const QString motDePasse = m_passVerrou->text();
        m_passVerrou->clear();
        m_envoyer(motDePasse);
        return;
    }
    if (m_passVerrou->text() != MotDePasseDeverrouillage()) {
        RefuserDeverrouillage(InstallationServeur::MessageDeverrouillageRefuse());
        return;
    }
    m_fermetureAutorisee = true;
    accept();
}

// Escape: refused like any close other than the window's own buttons.
void Frm_MajBases::reject()
{
    if (m_fermetureAutorisee)
        QDialog::reject();
}

void Frm_MajBases::closeEvent(QCloseEvent* evenement)
{
    if (!m_fermetureAutorisee) {
        evenement->ignore();
        return;
    }
    QDialog::closeEvent(evenement);
}
