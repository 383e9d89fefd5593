#include "console/menu/Frm_Telemaintenance.h"

#include "console/AccesServeur.h"
#include "console/commun/Controles.h"
#include "console/commun/Icones.h"
#include "console/commun/OuvertureBureau.h"
#include "core/Etat.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

Frm_Telemaintenance::Frm_Telemaintenance(const AccesServeur& serveur, QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Frm_Telemaintenance"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Connexion Télémaintenance"));
    setWindowIcon(Icones::Serveur());

    auto* image1 = new QLabel;
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setPixmap(Icones::Serveur().pixmap(48, 48));
    auto* titre = new QLabel(QStringLiteral("Connexion à la télémaintenance d'QUENTARIS"));
    titre->setObjectName(QStringLiteral("Etq_Titre"));
    EnGras(titre);
    auto* image2 = new QLabel;
    image2->setObjectName(QStringLiteral("Image2"));
    image2->setPixmap(Icones::EntreeMenu(9).pixmap(32, 32));
    auto* texte = new QLabel(QStringLiteral("Ouverture de la page de maintenance en cours ..."));
    texte->setObjectName(QStringLiteral("Etq_Text"));

    auto* entete = new QHBoxLayout;
    entete->addWidget(image1);
    entete->addWidget(titre, 1);
    entete->addWidget(image2);
    auto* racine = new QVBoxLayout(this);
    racine->addLayout(entete);
    racine->addWidget(texte);

    OuvrirAdresseWeb(AdressePage(serveur.Etat_().AdresseService()));
}

QUrl Frm_Telemaintenance::AdressePage(const QString& adresseService)
{
    const QUrl service(adresseService);
    QUrl page;
    page.setScheme(QStringLiteral("http"));
    page.setHost(service.host());
    if (service.port() != -1)
        page.setPort(service.port());
    page.setPath(QStringLiteral("/support"));
    return page;
}

void Frm_Telemaintenance::showEvent(QShowEvent* evenement)
{
    QWidget::showEvent(evenement);
    // Not every desktop activates a new window: being shown is enough to go.
    fermerPlusTard();
}

void Frm_Telemaintenance::changeEvent(QEvent* evenement)
{
    QWidget::changeEvent(evenement);
    if (evenement->type() == QEvent::ActivationChange && isActiveWindow())
        fermerPlusTard();
}

void Frm_Telemaintenance::fermerPlusTard()
{
    if (m_fermetureDemandee)
        return;
    m_fermetureDemandee = true;
    QTimer::singleShot(0, this, &QWidget::close);
}
