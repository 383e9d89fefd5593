#include "console/postes/Frm_LstUsers.h"

#include "console/AccesServeur.h"
#include "console/commun/AnimationAttente.h"
#include "console/commun/Controles.h"
#include "console/commun/Icones.h"
#include "console/commun/ListeConfortable.h"
#include "console/commun/MemoireFenetre.h"
#include "console/commun/NonParDefaut.h"
#include "console/commun/RaccourcisClavier.h"
#include "core/Messages.h"
#include "core/Sortie.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Colonne
{
    Icone_ = 0,
    Utilisateur,
    Poste,
    Connexion,
    IdWck
};

// The announced user name: the label up to its first "|" (empty before the announcement).
QString utilisateur(const QString& tag)
{
    return tag.section(QLatin1Char('|'), 0, 0);
}

} // namespace

Frm_LstUsers::Frm_LstUsers(AccesServeur& serveur, QWidget* parent) : QWidget(parent, Qt::Window), m_serveur(serveur)
{
    setObjectName(QStringLiteral("Frm_LstUsers"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Serveur de mises à jour QUENTARIS"));
    setWindowIcon(Icones::Serveur());

    auto* titre = new QLabel(QStringLiteral("Liste des utilisateurs connectés"));
    titre->setObjectName(QStringLiteral("Label1"));
    EnGras(titre);

    m_liste = new QTreeWidget;
    m_liste->setObjectName(QStringLiteral("Lst_Users"));
    m_liste->setRootIsDecorated(false);
    m_liste->setUniformRowHeights(true);
    m_liste->setSelectionMode(QAbstractItemView::SingleSelection);
    m_liste->setHeaderLabels({QString(), QStringLiteral("Nom d'utilisateur"), QStringLiteral("Poste de travail"),
                              QStringLiteral("Date et heure de connexion"), QStringLiteral("IdWck")});
    m_liste->setColumnWidth(Icone_, 24);
    m_liste->setColumnWidth(Utilisateur, 170);
    m_liste->setColumnWidth(Poste, 130);
    // The connection number is held but not seen.
    m_liste->setColumnHidden(IdWck, true);
    ListeConfortable::Preparer(m_liste);

    m_charge = new QLabel(QStringLiteral("Chargement de la liste des utilisateurs en cours ..."));
    m_charge->setObjectName(QStringLiteral("Etq_Charge"));
    m_charge->hide();
    m_animation = new AnimationAttente;
    m_animation->setObjectName(QStringLiteral("Gif_Charge"));
    m_animation->hide();

    m_casser = Controle<QPushButton>(QStringLiteral("Cmd_CasserSession"), QStringLiteral("&Fermer la session"));
    m_casser->setEnabled(false);
    m_actualiser = Controle<QPushButton>(QStringLiteral("Cmd_Actualiser"), QStringLiteral("Actualiser"));
    m_fermer = Controle<QPushButton>(QStringLiteral("Cmd_Fermer"), QStringLiteral("Fermer"));
    connect(m_casser, &QPushButton::clicked, this, &Frm_LstUsers::casserSession);
    connect(m_actualiser, &QPushButton::clicked, this, [this] {
        AfficherChargement(true);
        ChargerUtilisateurs();
        AfficherChargement(false);
    });
    connect(m_fermer, &QPushButton::clicked, this, &QWidget::close);

    auto* bas = new QHBoxLayout;
    bas->addWidget(m_animation);
    bas->addWidget(m_charge);
    bas->addStretch(1);
    bas->addWidget(m_casser);
    bas->addWidget(m_actualiser);
    bas->addWidget(m_fermer);
    auto* racine = new QVBoxLayout(this);
    racine->addWidget(titre);
    racine->addWidget(m_liste, 1);
    racine->addLayout(bas);
    resize(600, 360);
    SeSouvenirDeLaFenetre(this);
    FermerParEchap(this);

    ChargerUtilisateurs();
}

void Frm_LstUsers::AfficherChargement(bool enCours)
{
    // What goes is hidden before what comes is shown: each show lays the window out at once,
    // and with both rows shown together it would grow to hold them and stay that wide.
    const QList<QWidget*> boutons{m_actualiser, m_fermer, m_casser};
    const QList<QWidget*> chargement{m_animation, m_charge};
    for (QWidget* w : enCours ? boutons : chargement)
        w->hide();
    for (QWidget* w : enCours ? chargement : boutons)
        w->show();
    if (enCours)
        m_animation->Demarrer();
    else
        m_animation->Arreter();
}

void Frm_LstUsers::ChargerUtilisateurs()
{
    ListeConfortable::Remplissage remplissage(m_liste);
    m_liste->clear();
    const QIcon icone(Icones::Pastille(QColor(0, 84, 147), QStringLiteral("U")));
    for (const ServeurPostes::Session& session : m_serveur.Sessions()) {
        if (session.Etat == QAbstractSocket::ConnectedState) {
            auto* item = new QTreeWidgetItem(m_liste);
            item->setIcon(Icone_, icone);
            const int barre = session.Tag.indexOf(QLatin1Char('|'));
            // Who the row stands for, checked again before its session is closed.
            item->setData(Utilisateur, Qt::UserRole, utilisateur(session.Tag));
            if (session.Tag.isEmpty()) {
                item->setText(Utilisateur, QStringLiteral("En cours de connexion ..."));
            } else {
                item->setText(Utilisateur, barre < 0 ? session.Tag : session.Tag.left(barre));
                item->setText(Connexion, barre < 0 ? QString() : session.Tag.mid(barre + 1));
            }
            item->setText(Poste, session.Adresse);
            item->setText(IdWck, QString::number(session.Index));
        }
        // A connection that failed without a close event leaves the server here.
        if (session.Etat == QAbstractSocket::UnconnectedState)
            m_serveur.RetirerSession(session.Index);
    }
    const bool vide = m_liste->topLevelItemCount() == 0;
    m_liste->setEnabled(!vide);
    m_casser->setEnabled(!vide);
}

void Frm_LstUsers::casserSession()
{
    const QTreeWidgetItem* item = m_liste->currentItem();
    if (!item || !item->isSelected())
        return;
    m_liste->setEnabled(false);
    NonParDefaut nonParDefaut;
    const Reponse r = Messages::Afficher(
        this,
        QStringLiteral("Cette action va entrainer la fermeture de la session de l'utilisateur ")
            + item->text(Utilisateur)
            + QStringLiteral(" avec le serveur de mise à jour. Voulez-vous vraiment fermer cette session ?"),
        Icone::Exclamation, Boutons::OuiNon);
    if (r == Reponse::Oui) {
        // Connection numbers are reused: the number may now belong to another workstation.
        const int index = item->text(IdWck).toInt();
        if (!memeSession(index, item->text(Poste), item->data(Utilisateur, Qt::UserRole).toString())) {
            Sortie::Ecrire(QStringLiteral("La session n°") + QString::number(index)
                           + QStringLiteral(" a changé depuis l'affichage de la liste : aucune session fermée."));
            ChargerUtilisateurs();
            Messages::Afficher(this,
                               QStringLiteral("Cette session n'est plus connectée au serveur de mise à jour. "
                                              "La liste des utilisateurs a été actualisée."));
            return;
        }
        m_serveur.RetirerSession(index);
    }
    m_liste->setEnabled(true);
}

bool Frm_LstUsers::memeSession(int index, const QString& adresse, const QString& nom) const
{
    for (const ServeurPostes::Session& session : m_serveur.Sessions()) {
        if (session.Index == index)
            return session.Etat == QAbstractSocket::ConnectedState && session.Adresse == adresse
                && utilisateur(session.Tag) == nom;
    }
    return false;
}
