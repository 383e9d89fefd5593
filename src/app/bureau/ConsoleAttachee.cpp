#include "ConsoleAttachee.h"

#include "app/liaison/Liaison.h"
#include "console/commun/NonParDefaut.h"
#include "console/installation/Frm_MajBases.h"
#include "console/journal/Frm_ObsEvt.h"
#include "console/parametres/Frm_Params.h"
#include "core/BaseInterne.h"
#include "core/Frm_Reseau.h"
#include "core/Messages.h"
#include "core/Sortie.h"

#include <QDir>
#include <QJsonArray>
#include <QMessageBox>

ConsoleAttachee::ConsoleAttachee(QObject* parent) : QObject(parent)
{
    Messages::Installer(&Messages_);
    Console_.DefinirAction(2, [this] {
        Console_.FermerMenu();
        Acces.VerifierMaintenant();
    });
    Console_.DefinirAction(5, [this] { FenetresInstallation_.OuvrirMajAttente(); });
    Console_.DefinirAction(6, [] { Frm_ObsEvt::Afficher(); });
    Acces.DefinirQuitter([this] { quitter(); });
    connect(&Acces, &AccesServeur::PostesConnectesChange, this, [this] { Console_.VerifConnectes(); });
    // The service checks the unlock password typed in a locked report; its refusal is told by the
    // report itself, which stays locked.
    FenetresInstallation_.ConfierDeverrouillage([this](const QString& motDePasse) { Acces.Deverrouiller(motDePasse); });
    connect(&Acces, &AccesServeurDistant::DeverrouillageRefuse, this, [this](const QString& raison) {
        QTimer::singleShot(0, this, [this, raison] {
            if (Frm_MajBases* rapport = FenetresInstallation_.Rapport())
                rapport->RefuserDeverrouillage(raison);
            else
                Messages::Afficher(nullptr, raison);
        });
    });

    connect(&Lien, &LienService::Attache, this, &ConsoleAttachee::attachee);
    connect(&Lien, &LienService::Refuse, this, [this](const QString& raison) {
        m_reessai.stop();
        emit Refusee(raison);
    });
    connect(&Lien, &LienService::Injoignable, this, [this](const QString& raison) {
        if (!m_dejaAttachee)
            emit Injoignable(raison);
    });
    connect(&Lien, &LienService::Perdu, this, &ConsoleAttachee::perdu);
    connect(&Lien, &LienService::Recu, this, &ConsoleAttachee::recu);
    m_reessai.setInterval(ReessaiMs);
    connect(&m_reessai, &QTimer::timeout, this, [this] { Lien.Connecter(m_chemin); });
}

ConsoleAttachee::~ConsoleAttachee()
{
    delete m_avis;
    Messages::Installer(nullptr);
    // What this console wrote goes from the log into donnees.db itself before it leaves.
    BaseInterne::PointDeControle();
}

QString ConsoleAttachee::MessageServicePerdu()
{
    return QStringLiteral("Le service de mise à jour s'est arrêté : les fenêtres qui attendaient sa réponse sont "
                          "fermées et ce qui a besoin de lui est grisé. Cette console attend son retour.");
}

QString ConsoleAttachee::MessageServiceRevenu()
{
    return QStringLiteral("Le service de mise à jour fonctionne de nouveau : cette console est de nouveau attachée.");
}

QString ConsoleAttachee::QuestionArret()
{
    return Messages::Joindre(QStringLiteral("Le serveur de mise à jour fonctionne en service sur cette machine : le "
                                            "quitter l'arrête pour tout le site, et plus aucun poste n'est servi."),
                             QStringLiteral("Voulez-vous arrêter le serveur de mise à jour ?"));
}

void ConsoleAttachee::Connecter(const QString& dossierProgramme)
{
    m_dossier = dossierProgramme;
    m_chemin = Liaison::CheminDansLeDossier(dossierProgramme);
    Lien.Connecter(m_chemin);
}

void ConsoleAttachee::attachee()
{
    m_reessai.stop();
    Console_.FixerServeurJoignable(true);
    if (m_dejaAttachee) {
        if (m_perdu) {
            m_perdu = false;
            annoncer(MessageServiceRevenu());
        }
        return;
    }
    m_dejaAttachee = true;
    // The screens read and write the service's database themselves, as its administrators.
    QString raison;
    if (!BaseInterne::Ouvrir(QDir(m_dossier).filePath(BaseInterne::NomFichier()), &raison)) {
        Lien.Fermer();
        emit Refusee(QStringLiteral("La base de données interne du service de mise à jour ne peut pas être ouverte "
                                    "par cette console : ")
                     + raison);
        return;
    }
    // The icon and the menu wait for the service's state: a first start shows its message and
    // screen before them.
    emit Attachee();
}

void ConsoleAttachee::montrer()
{
    if (m_montree || m_premierDemarrage)
        return;
    m_montree = true;
    Console_.AfficherIcone();
    Console_.OuvrirMenu();
}

void ConsoleAttachee::annoncer(const QString& texte)
{
    Sortie::Ecrire(texte);
    delete m_avis;
    auto* avis = new QMessageBox(QMessageBox::Information, Messages::Titre(), texte, QMessageBox::Ok);
    avis->setObjectName(QStringLiteral("Avis_Service"));
    avis->setAttribute(Qt::WA_DeleteOnClose);
    avis->setWindowModality(Qt::NonModal);
    avis->show();
    m_avis = avis;
}

void ConsoleAttachee::perdu()
{
    if (m_arretAccepte) {
        Console_.RetirerIcone();
        emit Fin(0);
        return;
    }
    m_perdu = true;
    Console_.FixerServeurJoignable(false);
    // Nothing waits for an answer that cannot come: the move and the installation asked from
    // here end unfinished, the check's status and the installation's windows go, and a locked
    // report ends with the server it locked.
    Acces.ServicePerdu();
    StatutVerification_.Abandonner();
    m_progression = false;
    FenetresInstallation_.FermerProgression();
    FenetresInstallation_.RetirerIdentifiants();
    FenetresInstallation_.RetirerRapport();
    annoncer(MessageServicePerdu());
    // The quit entry stays reachable.
    montrer();
    m_reessai.start();
}

void ConsoleAttachee::quitter()
{
    // The server is gone already: nothing to stop, the console ends at once.
    if (!Lien.EstAttache()) {
        Console_.RetirerIcone();
        emit Fin(0);
        return;
    }
    // Asked from the event loop, once the menu that chose it has closed.
    QTimer::singleShot(0, this, [this] {
        if (!Lien.EstAttache()) {
            Console_.RetirerIcone();
            emit Fin(0);
            return;
        }
        NonParDefaut nonParDefaut;
        if (Messages::Afficher(nullptr, QuestionArret(), Icone::Question, Boutons::OuiNon) == Reponse::Oui)
            Acces.DemanderArret();
    });
}

void ConsoleAttachee::repondre(const QString& question, QJsonObject reponse)
{
    // An answer to a service that has gone answers nothing: its questions went with it.
    if (Lien.EstAttache())
        Acces.Repondre(question, std::move(reponse));
}

void ConsoleAttachee::recu(const QJsonObject& m)
{
    const QString type = m.value(QStringLiteral("type")).toString();
    if (type == QLatin1String("etat") && !m_montree) {
        if (m.value(QStringLiteral("premierDemarrage")).toBool())
            m_premierDemarrage = true;
        else
            montrer();
    }
    if (Acces.Recevoir(m))
        return;
    const auto texte = [&m](const char* cle) {
        return m.value(QLatin1String(cle)).toString();
    };
    if (type == QLatin1String("arretAccepte")) {
        // The service stops because this console's quit entry asked it to: the console ends too.
        m_arretAccepte = true;
        return;
    }
    if (type == QLatin1String("statut")) {
        const QString quoi = texte("quoi");
        const bool manuelle = m.value(QStringLiteral("manuelle")).toBool();
        if (quoi == QLatin1String("ouvrir"))
            StatutVerification_.Ouvrir(manuelle);
        else if (quoi == QLatin1String("telechargement"))
            StatutVerification_.Telechargement(texte("texte"), qint64(m.value(QStringLiteral("taille")).toDouble()));
        else if (quoi == QLatin1String("progression"))
            StatutVerification_.Progression(qint64(m.value(QStringLiteral("recus")).toDouble()));
        else if (quoi == QLatin1String("texte"))
            StatutVerification_.Texte(texte("texte"));
        else if (quoi == QLatin1String("fermer"))
            StatutVerification_.Fermer(manuelle);
        return;
    }
    // A box of the service is shown from the event loop, never from inside the socket's handler.
    if (type == QLatin1String("message")) {
        const QString titre = texte("titre");
        const QString corps = texte("texte");
        const Icone icone = Icone(m.value(QStringLiteral("icone")).toInt());
        QTimer::singleShot(0, this,
                           [titre, corps, icone] { Messages::Afficher(nullptr, corps, icone, Boutons::Ok, titre); });
    } else if (type == QLatin1String("identifiants")) {
        FenetresInstallation_.DemanderIdentifiants([this](const Identifiants& i) {
            repondre(QStringLiteral("identifiants"),
                     {{QStringLiteral("utilisateur"), i.Utilisateur},
                      {QStringLiteral("motDePasse"), i.MotDePasse},
                      {QStringLiteral("conserver"), i.Conserver},
                      {QStringLiteral("annule"), i.Annule}});
        });
    } else if (type == QLatin1String("progressionInstallation")) {
        if (!m_progression)
            FenetresInstallation_.OuvrirProgression();
        m_progression = true;
        FenetresInstallation_.AfficherProgression(texte("texte"));
    } else if (type == QLatin1String("finProgressionInstallation")) {
        m_progression = false;
        FenetresInstallation_.FermerProgression();
    } else if (type == QLatin1String("rapport")) {
        QVector<ResultatBase> resultats;
        for (const QJsonValue& v : m.value(QStringLiteral("resultats")).toArray()) {
            const QJsonObject r = v.toObject();
            resultats.append({r.value(QStringLiteral("nom")).toString(), r.value(QStringLiteral("etat")).toString(),
                              r.value(QStringLiteral("message")).toString(),
                              r.value(QStringLiteral("code")).toString()});
        }
        FenetresInstallation_.AfficherRapport(resultats, [this] { repondre(QStringLiteral("rapport")); });
    } else if (type == QLatin1String("repondu")) {
        // Another console answered: the same question open here goes.
        const QString question = texte("question");
        if (question == QLatin1String("identifiants")) {
            FenetresInstallation_.RetirerIdentifiants();
        } else if (question == QLatin1String("rapport")) {
            FenetresInstallation_.RetirerRapport();
        } else if (question == QLatin1String("premierDemarrage")) {
            if (Frm_Params* ecran = Ecrans_.Parametres()) {
                delete ecran;
            } else {
                m_premierDemarrage = false;
                montrer();
            }
        }
    } else if (type == QLatin1String("premierDemarrage")) {
        // The message and the screen come first; the icon and the menu once it is filled.
        m_premierDemarrage = true;
        QTimer::singleShot(0, this, [this] {
            Messages::Afficher(this, Frm_Reseau::MessagePremierDemarrage());
            Ecrans_.PremierDemarrage([this] {
                repondre(QStringLiteral("premierDemarrage"));
                m_premierDemarrage = false;
                montrer();
            });
        });
    }
}
