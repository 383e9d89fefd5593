#include "console/parametres/Frm_Params.h"

#include "acquisition/ServiceMaj.h"
#include "console/AccesServeur.h"
#include "console/commun/AnimationAttente.h"
#include "console/commun/ChampHeure.h"
#include "console/commun/Controles.h"
#include "console/commun/Icones.h"
#include "console/commun/MemoireFenetre.h"
#include "console/commun/SaisieHeure.h"
#include "console/parametres/CadreResponsables.h"
#include "console/parametres/ChoixDossier.h"
#include "console/parametres/Frm_Proxy.h"
#include "console/parametres/Frm_TransfertMAJ.h"
#include "core/Chiffrement.h"
#include "core/Etat.h"
#include "core/Messages.h"
#include "core/TableParametres.h"
#include "core/TableResponsables.h"
#include "platform/RaisonDossier.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkProxyFactory>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

namespace {

const char* const kJours[] = {"Lundi", "Mardi", "Mercredi", "Jeudi", "Vendredi", "Samedi", "Dimanche"};

QPushButton* bouton(const QString& nom, const QString& texte)
{
    auto* b = new QPushButton(texte);
    b->setObjectName(nom);
    b->setAutoDefault(false);
    return b;
}

// Two folder texts name the same place when they differ only by separators or a trailing slash.
bool memeDossier(const QString& a, const QString& b)
{
    return QDir::cleanPath(QDir::fromNativeSeparators(a)) == QDir::cleanPath(QDir::fromNativeSeparators(b));
}

void nonEnregistres(QObject* proprietaire)
{
    Messages::Afficher(proprietaire,
                       QStringLiteral("Les paramètres n'ont pas pu être enregistrés dans la base de données interne."));
}

} // namespace

Frm_Params::Frm_Params(AccesServeur& serveur, QWidget* parent) : QDialog(parent), m_serveur(serveur)
{
    setObjectName(QStringLiteral("Frm_Params"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Serveur de mises à jour QUENTARIS"));
    setWindowIcon(Icones::Serveur());
    construire();
    SeSouvenirDeLaFenetre(this);
    m_identification->DefinirVerification([this](const QString& utilisateur, const QString& motDePasse,
                                                 QObject* contexte, std::function<void(const QString&)> fin) {
        VerifierIdentifiants(m_serveur.Etat_(), utilisateur, motDePasse, contexte, std::move(fin));
    });
}

Frm_Params::~Frm_Params()
{
    // A relocation still running must not call back into a screen being destroyed.
    for (Frm_TransfertMAJ* transfert : findChildren<Frm_TransfertMAJ*>()) {
        transfert->disconnect(this);
        delete transfert;
    }
}

void Frm_Params::DefinirVerification(VerificationCompte verification)
{
    m_identification->DefinirVerification(std::move(verification));
}

void Frm_Params::construire()
{
    auto* titre = Controle<QLabel>(QStringLiteral("Label1"), QStringLiteral("Paramètres des mises à jour"));
    QFont gras = titre->font();
    gras.setBold(true);
    gras.setPointSize(gras.pointSize() + 2);
    titre->setFont(gras);

    // Schedule and folder.
    m_cadreParams = new QGroupBox(QStringLiteral(" Paramètres de vérification des mises à jour "));
    m_cadreParams->setObjectName(QStringLiteral("Frm_Params"));
    auto* grilleParams = new QGridLayout(m_cadreParams);
    grilleParams->addWidget(Controle<QLabel>(QStringLiteral("Label6"), QStringLiteral("Jours de vérification :")), 0,
                            0);
    auto* ligneJours = new QHBoxLayout;
    for (int i = 0; i < 7; ++i) {
        auto* jour = new QCheckBox(QString::fromLatin1(kJours[i]));
        jour->setObjectName(QStringLiteral("Cac_") + QString::fromLatin1(kJours[i]));
        m_jours[static_cast<std::size_t>(i)] = jour;
        ligneJours->addWidget(jour);
    }
    ligneJours->addStretch(1);
    grilleParams->addLayout(ligneJours, 0, 1, 1, 2);
    grilleParams->addWidget(Controle<QLabel>(QStringLiteral("Label7"), QStringLiteral("Heure de vérification :")), 1,
                            0);
    m_heure = Controle<QLineEdit>(QStringLiteral("Txt_Heure"));
    m_heure->setText(QStringLiteral("22:00"));
    m_heure->setFixedWidth(60);
    m_champHeure = new ChampHeure(m_heure, ChampHeure::SiVide::Rester);
    grilleParams->addWidget(m_heure, 1, 1, Qt::AlignLeft);
    grilleParams->addWidget(Controle<QLabel>(QStringLiteral("Label8"), QStringLiteral("Emplacement :")), 2, 0);
    auto* ligneEmplacement = new QHBoxLayout;
    m_emplacement = Controle<QLineEdit>(QStringLiteral("Txt_Emplacement"));
    m_choixEmplacement = bouton(QStringLiteral("Cmd_ChoixEmplacement"), QStringLiteral("..."));
    m_choixEmplacement->setFixedWidth(32);
    ligneEmplacement->addWidget(m_emplacement, 1);
    ligneEmplacement->addWidget(m_choixEmplacement);
    grilleParams->addLayout(ligneEmplacement, 2, 1, 1, 2);
    auto* label9
        = Controle<QLabel>(QStringLiteral("Label9"),
                           QStringLiteral("(Cet emplacement désigne le chemin où seront stockées les mises à jour en "
                                          "attente d'installation. Veillez à sélectionner un disque de capacité "
                                          "suffisante)"));
    label9->setWordWrap(true);
    grilleParams->addWidget(label9, 3, 0, 1, 3);

    m_identification = new CadreIdentification;
    m_utilisateur = m_identification->Utilisateur();
    m_pass = m_identification->Pass();
    m_responsables = new CadreResponsables;

    m_proxy = bouton(QStringLiteral("Cmd_Proxy"), QStringLiteral("Configuration proxy"));
    m_ok = bouton(QStringLiteral("Cmd_OK"), QStringLiteral("OK"));
    m_ok->setDefault(true);
    m_fermer = bouton(QStringLiteral("Cmd_Fermer"), QStringLiteral("Fermer"));
    auto* boutons = new QHBoxLayout;
    boutons->addWidget(m_proxy);
    boutons->addStretch(1);
    boutons->addWidget(m_ok);
    boutons->addWidget(m_fermer);

    auto* racine = new QVBoxLayout(this);
    racine->addWidget(titre);
    racine->addWidget(m_cadreParams);
    racine->addWidget(m_identification);
    racine->addWidget(m_responsables);
    racine->addLayout(boutons);

    // The checking panel lies over the window while the service is asked.
    m_panneau = new QFrame(this);
    m_panneau->setObjectName(QStringLiteral("pic_Control"));
    m_panneau->setFrameShape(QFrame::StyledPanel);
    m_panneau->setAutoFillBackground(true);
    auto* lignePanneau = new QHBoxLayout(m_panneau);
    m_animation = new AnimationAttente;
    m_animation->setObjectName(QStringLiteral("Gif_Anime"));
    m_animation->hide();
    lignePanneau->addStretch(1);
    lignePanneau->addWidget(m_animation);
    lignePanneau->addWidget(Controle<QLabel>(QStringLiteral("Label2"), QStringLiteral("Vérifications en cours ...")));
    lignePanneau->addStretch(1);
    m_panneau->hide();

    connect(m_identification, &CadreIdentification::Verification, this, &Frm_Params::AfficherVerification);
    connect(m_ok, &QPushButton::clicked, this, &Frm_Params::cmdOK);
    connect(m_fermer, &QPushButton::clicked, this, &Frm_Params::cmdFermer);
    connect(m_choixEmplacement, &QPushButton::clicked, this, &Frm_Params::choisirEmplacement);
    connect(m_proxy, &QPushButton::clicked, this, &Frm_Params::ouvrirProxy);
    connect(m_responsables, &CadreResponsables::Edition, this, &Frm_Params::attendreResponsable);

    resize(640, 600);
}

bool Frm_Params::ChargerParametres()
{
    const std::optional<Parametres> lue = TableParametres::LireLigne1Sur();
    // The list of persons does not depend on the settings row: show it in every case.
    const bool responsablesLus = ChargerResponsables();
    if (!lue || !responsablesLus)
        return false;
    Parametres p = *lue;
    // Until the settings are saved once (a row made by the proxy screen alone holds none), the
    // screen offers the maker's defaults, also after a restart.
    if (!p.Configures()) {
        if (p.UtilisateurMaj.isEmpty()) {
            p.UtilisateurMaj = QStringLiteral("61742");
            p.MotDePasseMaj = ChiffrementMotDePasse::Chiffrer(QStringLiteral("TR918M"), ChiffrementMotDePasse::Cle());
        }
        if (p.HeureVerifMaj.isEmpty())
            p.HeureVerifMaj = QStringLiteral("22:00");
        if (std::none_of(p.Jours.begin(), p.Jours.end(), [](bool jour) { return jour; }))
            p.Jours[0] = true;
    }
    m_utilisateur->setText(p.UtilisateurMaj);
    m_pass->setText(ChiffrementMotDePasse::Dechiffrer(p.MotDePasseMaj, ChiffrementMotDePasse::Cle()));
    for (std::size_t i = 0; i < 7; ++i)
        m_jours[i]->setChecked(p.Jours[i]);
    m_heure->setText(p.HeureVerifMaj);
    m_emplacement->setText(p.EmplacementMaj);
    return true;
}

bool Frm_Params::ChargerResponsables()
{
    return m_responsables->ChargerResponsables();
}

void Frm_Params::AfficherVerification(bool enCours)
{
    m_verificationEnCours = enCours;
    for (QWidget* w : std::initializer_list<QWidget*>{m_identification, m_heure, m_emplacement, m_choixEmplacement,
                                                      m_cadreParams, m_responsables, m_proxy, m_ok, m_fermer})
        w->setEnabled(!enCours);
    for (QCheckBox* jour : m_jours)
        jour->setEnabled(!enCours);
    if (enCours) {
        m_animation->Demarrer();
        m_animation->show();
        placerPanneau();
        m_panneau->show();
        m_panneau->raise();
        setCursor(Qt::WaitCursor);
    } else {
        m_animation->Arreter();
        m_animation->hide();
        m_panneau->hide();
        unsetCursor();
    }
}

void Frm_Params::placerPanneau()
{
    const int hauteur = std::max(m_panneau->sizeHint().height(), 48);
    m_panneau->setGeometry(0, 48, width(), hauteur);
}

void Frm_Params::resizeEvent(QResizeEvent* evenement)
{
    QDialog::resizeEvent(evenement);
    placerPanneau();
}

void Frm_Params::VerifInfos(std::function<void(bool)> fin)
{
    // What is typed here is told before the service is asked; the focus then goes back to a
    // field to correct, the time before the days.
    bool valide = true;
    QWidget* aCorriger = nullptr;
    if (std::none_of(m_jours.begin(), m_jours.end(), [](const QCheckBox* jour) { return jour->isChecked(); })) {
        Messages::Afficher(this,
                           QStringLiteral("Vous devez sélectionner au moins un jour dans la semaine pour "
                                          "vérifier les mises à jour."));
        valide = false;
        aCorriger = m_jours[0];
    }
    m_champHeure->Completer();
    if (m_heure->text().isEmpty()) {
        Messages::Afficher(this,
                           QStringLiteral("Vous devez saisir une heure à laquelle les mises à jour seront "
                                          "vérifiées."));
        valide = false;
        aCorriger = m_heure;
    } else if (!SaisieHeure::EstValide(m_heure->text())) {
        Messages::Afficher(this,
                           QStringLiteral("L'heure de vérification \"") + m_heure->text()
                               + QStringLiteral("\" est incorrecte : elle doit être de la forme hh:mm, de 00:00 "
                                                "à 23:59."));
        valide = false;
        aCorriger = m_heure;
    }
    m_identification->Verifier([this, valide, aCorriger, fin = std::move(fin)]() mutable {
        if (m_utilisateur->text().isEmpty() || m_pass->text().isEmpty() || !m_identification->CompteAccepte()) {
            Messages::Afficher(this,
                               QStringLiteral("Les informations de connexion sont incorrects ou n'ont pas été "
                                              "renseignées !"));
            valide = false;
        }
        if (valide) {
            const QString raison = RaisonDossierRefuse(m_emplacement->text());
            if (!raison.isEmpty()) {
                Messages::Afficher(this,
                                   Messages::Joindre(QStringLiteral("L'emplacement des mises à jour que vous avez "
                                                                    "saisi est incorrect !"),
                                                     raison));
                valide = false;
                aCorriger = m_emplacement;
            }
        }
        // The check locked the screen and took the focus away; wrong identifiers keep theirs.
        if (aCorriger) {
            aCorriger->setFocus(Qt::OtherFocusReason);
            if (auto* boite = qobject_cast<QLineEdit*>(aCorriger))
                boite->selectAll();
        }
        fin(valide);
    });
}

Parametres Frm_Params::saisis() const
{
    Parametres p;
    for (std::size_t i = 0; i < 7; ++i)
        p.Jours[i] = m_jours[i]->isChecked();
    p.HeureVerifMaj = m_heure->text();
    p.EmplacementMaj = m_emplacement->text();
    p.UtilisateurMaj = m_utilisateur->text();
    p.MotDePasseMaj = ChiffrementMotDePasse::Chiffrer(m_pass->text(), ChiffrementMotDePasse::Cle());
    return p;
}

bool Frm_Params::enregistrer(const Parametres& parametres)
{
    const std::optional<Parametres> lue = TableParametres::LireLigne1Sur();
    if (!lue)
        return false;
    return lue->Existe ? TableParametres::MettreAJour(parametres) : TableParametres::Inserer(parametres);
}

bool Frm_Params::EnregistrerParametres()
{
    return enregistrer(saisis());
}

bool Frm_Params::ParametresModifies() const
{
    const Parametres p = TableParametres::Lire();
    for (std::size_t i = 0; i < 7; ++i) {
        if (m_jours[i]->isChecked() != p.Jours[i])
            return true;
    }
    return m_heure->text() != p.HeureVerifMaj || m_emplacement->text() != p.EmplacementMaj
        || m_utilisateur->text() != p.UtilisateurMaj
        || m_pass->text() != ChiffrementMotDePasse::Dechiffrer(p.MotDePasseMaj, ChiffrementMotDePasse::Cle())
        || m_responsables->Nombre() != TableResponsables::Compte();
}

void Frm_Params::cmdOK()
{
    VerifInfos([this](bool valide) {
        if (!valide)
            return;
        // The folder saved so far decides the move: without it, the files could stay behind.
        const std::optional<Parametres> lue = TableParametres::LireLigne1Sur();
        if (!lue) {
            nonEnregistres(this);
            return;
        }
        const QString ancien = lue->Existe ? lue->EmplacementMaj : m_emplacement->text();
        const QString nouveau = m_emplacement->text();
        // Without a former folder there is nothing to move.
        if (ancien.isEmpty() || memeDossier(ancien, nouveau)) {
            terminerOK();
            return;
        }
        const Reponse r = Messages::Afficher(
            this,
            Messages::Joindre(QStringLiteral("L'emplacement des mises à jour a été modifié, les mises à jours "
                                             "existantes vont être déplacées vers le nouveau dossier."),
                              QStringLiteral("Voulez-vous continuer ?")),
            Icone::Question, Boutons::OuiNon);
        if (r == Reponse::Oui) {
            // A failed move leaves the old folder saved and the screen open with what was typed.
            DeplacerMisesAJour(ancien, nouveau, [this](bool reussi) {
                if (reussi)
                    terminerOK();
            });
            return;
        }
        m_emplacement->setText(ancien);
        terminerOK();
    });
}

void Frm_Params::terminerOK()
{
    // Nothing unsaved is put to use: the screen stays open with what was typed.
    const Parametres p = saisis();
    if (!enregistrer(p)) {
        nonEnregistres(this);
        return;
    }
    m_serveur.ParametresEnregistres(p);
    fermer();
}

void Frm_Params::cmdFermer()
{
    // Until the settings are saved once (a row made by the proxy screen alone holds none), the
    // screen closes only by saving valid settings. Settings that cannot be read leave the choice
    // to the person.
    const std::optional<Parametres> lue = TableParametres::LireSur();
    if (lue && !lue->Configures()) {
        cmdOK();
        return;
    }
    if (lue && !ParametresModifies()) {
        fermer();
        return;
    }
    const Reponse r = Messages::Afficher(
        this, QStringLiteral("Voulez-vous enregistrer les modifications apportées aux paramètres ?"),
        Icone::Exclamation, Boutons::OuiNonAnnuler);
    if (r == Reponse::Oui)
        cmdOK();
    else if (r == Reponse::Non)
        fermer();
}

void Frm_Params::fermer()
{
    FermetureAutorisee = true;
    close();
}

void Frm_Params::reject()
{
    // The close box and Escape: only OK and Fermer close the screen.
    if (FermetureAutorisee)
        QDialog::reject();
}

void Frm_Params::DeplacerMisesAJour(const QString& ancien, const QString& nouveau, std::function<void(bool)> ensuite)
{
    auto* transfert = new Frm_TransfertMAJ(m_serveur, this);
    transfert->FixerEmplacements(ancien, nouveau);
    auto reussi = std::make_shared<bool>(false);
    connect(transfert, &Frm_TransfertMAJ::Termine, this, [reussi](bool r) { *reussi = r; });
    connect(transfert, &QObject::destroyed, this, [reussi, ensuite = std::move(ensuite)] { ensuite(*reussi); });
    transfert->open();
}

void Frm_Params::choisirEmplacement()
{
    const QString dossier
        = ChoixDossier::Demander(nullptr, QStringLiteral("Choisir un répertoire"), m_emplacement->text());
    if (!dossier.isEmpty())
        m_emplacement->setText(dossier);
}

bool Frm_Params::ProxySystemeActif(const QString& adresse)
{
    QUrl url(adresse);
    url.setScheme(QStringLiteral("http"));
    const QList<QNetworkProxy> proxies = QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(url));
    for (const QNetworkProxy& proxy : proxies) {
        if (proxy.type() != QNetworkProxy::NoProxy && proxy.type() != QNetworkProxy::DefaultProxy)
            return true;
    }
    return false;
}

void Frm_Params::ouvrirProxy()
{
    auto* proxy = new Frm_Proxy(this);
    // Empty boxes saved over proxy settings that could not be read would switch the proxy off.
    if (!proxy->ParametresLus()) {
        delete proxy;
        Messages::Afficher(this,
                           QStringLiteral("Les paramètres du proxy ne peuvent pas être lus dans la base de données "
                                          "interne : l'écran du proxy ne peut pas être ouvert."));
        return;
    }
    if (!ProxySystemeActif(m_serveur.Etat_().AdresseService()))
        Messages::Afficher(this,
                           QStringLiteral("L'application n'a détecté aucun proxy configuré sur ce poste ! Si "
                                          "vous activez la gestion du serveur proxy et que vous n'en disposez "
                                          "pas, l'option de mise à jour risque de ne pas fonctionner !"));
    proxy->open();
}

// While a responsible person's name is typed, only that and the weekend boxes stay usable.
void Frm_Params::attendreResponsable(bool enCours)
{
    for (QWidget* w : std::initializer_list<QWidget*>{m_utilisateur, m_pass, m_identification->BoutonVerif(),
                                                      m_choixEmplacement, m_emplacement, m_heure, m_ok, m_fermer})
        w->setEnabled(!enCours);
    for (std::size_t i = 0; i < 5; ++i)
        m_jours[i]->setEnabled(!enCours);
    if (!enCours)
        m_ok->setDefault(true);
}
