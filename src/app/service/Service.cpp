#include "Service.h"

#include "DemandeConsole.h"
#include "app/liaison/Liaison.h"
#include "core/BaseInterne.h"
#include "core/Chiffrement.h"
#include "core/DeplacementMaj.h"
#include "core/Horloge.h"
#include "core/Messages.h"
#include "core/Sortie.h"
#include "core/TableParametres.h"
#include "platform/IdentiteFichier.h"
#include "platform/Systeme.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <limits>

namespace {

QJsonObject message(const QString& type)
{
    return {{QStringLiteral("type"), type}};
}

QJsonObject reponse(const QString& type, const QJsonValue& demande)
{
    return {{QStringLiteral("type"), type}, {QStringLiteral("demande"), demande}};
}

} // namespace

Service::Service(QObject* parent) : QObject(parent)
{
    Messages::Installer(&m_personnes);
    Frm_Reseau& reseau = m_serveur.Reseau;
    reseau.FixerModeService();
    m_serveur.Brancher(&m_personnes, &m_personnes);
    connect(&reseau, &Frm_Reseau::Fin, this, [this](int code) {
        m_fini = true;
        m_systemd.Arret();
        m_consoles.Arreter();
        emit Fin(code);
    });
    connect(&reseau, &Frm_Reseau::Demarre, this, &Service::demarre);
    // Waiting for a person is no failure to start: the service manager is told it runs, and why
    // it does not serve yet.
    connect(&m_personnes, &PersonnesDistantes::PremierDemarrageEnAttente, this, [this] {
        m_systemd.Pret();
        m_systemd.Etat(QStringLiteral("En attente de la configuration depuis une console d'administration"));
    });
    connect(&m_consoles, &EcouteConsoles::Attachee, this, &Service::envoyerEtat);
    connect(&m_consoles, &EcouteConsoles::Recu, this, &Service::recu);
    connect(&m_signaux, &SignauxArret::arretDemande, this, &Service::arretDemande);
    // The consoles are sent what changed, at most a few times a second.
    m_etat.setInterval(EtatMs);
    connect(&m_etat, &QTimer::timeout, this, [this] {
        const QJsonObject maintenant = etat();
        if (maintenant == m_dernierEtat)
            return;
        m_dernierEtat = maintenant;
        m_consoles.Diffuser(maintenant);
    });
    m_arret.setInterval(1000);
    connect(&m_arret, &QTimer::timeout, this, &Service::arretDemande);
}

Service::~Service()
{
    // A move is undone while the server it works for still exists.
    delete m_deplacement;
    Messages::Installer(nullptr);
}

void Service::Demarrer(const QString& dossierProgramme, const QString& dossierSocket)
{
    // The consoles may attach as soon as the program folder is this service's (a second service
    // never takes a socket over): a first start without settings waits for one.
    const QString lien = Liaison::CheminDansLeDossier(dossierProgramme);
    const QString chemin
        = dossierSocket.isEmpty() ? lien : Systeme::InstanceUnique::CheminCanalDuService(dossierSocket);
    connect(&m_serveur.Reseau, &Frm_Reseau::InstanceObtenue, this, [this, chemin, lien, dossierProgramme] {
        QString erreur;
        // From now on the desktop program is only ever this service's console on the folder.
        if (!Systeme::InstanceUnique::MarquerPourLeService(dossierProgramme, &erreur))
            Sortie::Ecrire(QStringLiteral("Le dossier du programme ne peut pas être marqué comme celui du service : ")
                               + erreur,
                           Sortie::Priorite::Avertissement);
        if (!m_consoles.Ecouter(chemin, lien, &erreur))
            Sortie::Ecrire(QStringLiteral("Les consoles d'administration ne pourront pas s'attacher : ") + erreur,
                           Sortie::Priorite::Erreur);
    });
    m_serveur.Reseau.Demarrer(dossierProgramme, false);
}

void Service::demarre()
{
    m_demarre = true;
    m_etat.start();
    m_systemd.Pret();
    m_systemd.Etat(QStringLiteral("En service"));
}

void Service::envoyerEtat(int console)
{
    m_consoles.Envoyer(console, etat());
}

QJsonObject Service::etat() const
{
    const Etat& e = m_serveur.Reseau.Etat_();
    QJsonArray sessions;
    for (const ServeurPostes::Session& s : m_serveur.Postes.Sessions())
        sessions.append(QJsonObject{{QStringLiteral("index"), s.Index},
                                    {QStringLiteral("etat"), int(s.Etat)},
                                    {QStringLiteral("adresse"), s.Adresse},
                                    {QStringLiteral("tag"), s.Tag}});
    QJsonArray jours;
    for (bool jour : e.Jours)
        jours.append(jour);
    QJsonObject m = message(QStringLiteral("etat"));
    m.insert(QStringLiteral("postes"), m_serveur.Postes.PostesConnectes());
    m.insert(QStringLiteral("sessions"), sessions);
    m.insert(QStringLiteral("verification"), e.VerificationEnCours());
    m.insert(QStringLiteral("installation"), e.InstallationEnCours);
    m.insert(QStringLiteral("rapport"), e.RapportEnAttente);
    m.insert(QStringLiteral("emplacement"), e.EmplacementMaj);
    m.insert(QStringLiteral("service"), e.Config.Service);
    m.insert(QStringLiteral("serveurUniDATA"), e.ServeurUniDATA);
    m.insert(QStringLiteral("utilisateur"), e.W_User);
    m.insert(QStringLiteral("heure"), e.W_HeureVerif);
    m.insert(QStringLiteral("jours"), jours);
    m.insert(QStringLiteral("premierDemarrage"), m_personnes.QuestionPosee(QStringLiteral("premierDemarrage")));
    return m;
}

void Service::recu(int console, const QJsonObject& m)
{
    // Once the stop is agreed nothing more is started, not even what came in the same read.
    if (m_fini)
        return;
    DemandeConsole demande(m);
    // What the server says while it handles the request is for the console that asked.
    PersonnesDistantes::PourLaConsole pour(m_personnes, console);
    const QString type = demande.Type();
    if (!demande.Valide()) {
        refuser(console, demande, demande.Refus());
        return;
    }
    // A stop waits for the work that runs, and for nothing started meanwhile.
    const bool travail = type == QLatin1String("verifier") || type == QLatin1String("installer")
        || type == QLatin1String("planifier") || type == QLatin1String("deplacer");
    if (travail && m_arret.isActive()) {
        refuser(console, demande, MessageArretEnAttente());
        return;
    }
    // Before the start the settings, the update folder and the site's files are not known yet.
    if ((travail || type == QLatin1String("fermerSession")) && !m_demarre) {
        refuser(console, demande, MessagePasDemarre());
        return;
    }
    if (type == QLatin1String("reponse")) {
        const QString refus = m_personnes.Repondre(console, demande);
        if (!refus.isEmpty())
            refuser(console, demande, refus);
    } else if (type == QLatin1String("verifier")) {
        m_serveur.Verification.VerifierMAJ(true);
    } else if (type == QLatin1String("installer")) {
        installer(console, demande);
    } else if (type == QLatin1String("planifier")) {
        planifier(console, demande);
    } else if (type == QLatin1String("parametres")) {
        reprendreParametres();
    } else if (type == QLatin1String("deplacer")) {
        deplacer(console, demande);
    } else if (type == QLatin1String("fermerSession")) {
        fermerSession(console, demande);
    } else if (type == QLatin1String("arreter")) {
        const QString refus = m_serveur.Reseau.RefusFermeture(Frm_Reseau::Demandeur::Menu);
        if (!refus.isEmpty()) {
            refuser(console, demande, refus);
            return;
        }
        m_consoles.Envoyer(console, reponse(QStringLiteral("arretAccepte"), demande.Identifiant()));
        m_serveur.Reseau.Arreter(0);
    } else {
        refuser(console, demande,
                QStringLiteral("La demande « ") + type
                    + QStringLiteral(" » n'est pas connue du service de mise à jour : elle est refusée."));
    }
}

QString Service::MessageArretEnAttente()
{
    return Messages::Joindre(QStringLiteral("Le service de mise à jour s'arrête dès la fin de l'installation ou du "
                                            "déplacement des mises à jour en cours."),
                             QStringLiteral("Aucune autre opération n'est commencée d'ici là."));
}

QString Service::MessagePasDemarre()
{
    return Messages::Joindre(QStringLiteral("Le service de mise à jour n'a pas encore démarré : il attend ses "
                                            "paramètres ou un fichier du site."),
                             QStringLiteral("Veuillez essayer à nouveau une fois le démarrage terminé."));
}

void Service::refuser(int console, const DemandeConsole& demande, const QString& raison)
{
    Sortie::Ecrire(
        QStringLiteral("Demande ")
            + (demande.Type().isEmpty() ? QString() : QStringLiteral("« ") + demande.Type() + QStringLiteral(" » "))
            + QStringLiteral("de la console de ") + m_consoles.Qui(console) + QStringLiteral(" refusée : ")
            + QString(raison).replace(QStringLiteral("\r\n"), QStringLiteral(" ")),
        Sortie::Priorite::Avertissement);
    QJsonObject m = reponse(QStringLiteral("refusDemande"), demande.Identifiant());
    m.insert(QStringLiteral("raison"), raison);
    m_consoles.Envoyer(console, m);
}

void Service::installer(int console, DemandeConsole& demande)
{
    const QString fichier = demande.Texte("fichier");
    const QString version = demande.Texte("version");
    const QString id = demande.Texte("id");
    if (!demande.Valide()) {
        refuser(console, demande, demande.Refus());
        return;
    }
    // Checked now, when it would start: what the console saw may be a moment old.
    QString refus;
    if (m_serveur.Reseau.Etat_().InstallationEnCours)
        refus = InstallationServeur::MessageOccupe();
    else if (m_serveur.Postes.PostesConnectes() > 0)
        refus = InstallationServeur::MessagePostesConnectes();
    else
        refus = InstallationServeur::RefusDemande(fichier, version, id);
    if (!refus.isEmpty()) {
        refuser(console, demande, refus);
        return;
    }
    const QJsonValue identifiant = demande.Identifiant();
    QPointer<EcouteConsoles> consoles(&m_consoles);
    m_serveur.Installation.InstallerMajServeur(fichier, version, id, [consoles, console, identifiant](bool installee) {
        if (!consoles)
            return;
        QJsonObject m = reponse(QStringLiteral("installationTerminee"), identifiant);
        m.insert(QStringLiteral("installee"), installee);
        consoles->Envoyer(console, m);
    });
}

void Service::planifier(int console, DemandeConsole& demande)
{
    const QString texteDepart = demande.Texte("depart");
    const QString fichier = demande.Texte("fichier");
    const QString version = demande.Texte("version");
    const QString id = demande.Texte("id");
    if (!demande.Valide()) {
        refuser(console, demande, demande.Refus());
        return;
    }
    // The plan holds the service's local time, whatever offset the text carried.
    const QDateTime depart = QDateTime::fromString(texteDepart, Qt::ISODate).toLocalTime();
    QString refus;
    if (!depart.isValid())
        refus = QStringLiteral("Le moment « ") + texteDepart
            + QStringLiteral(" » n'est pas une date et une heure valides : l'installation n'est pas planifiée.");
    // A moment already past would never start, and the row would show as planned until then.
    else if (depart.secsTo(Horloge::Maintenant()) > InstallationDifferee::RetardMaximalSecondes)
        refus = QStringLiteral("Le moment « ") + texteDepart
            + QStringLiteral(" » est déjà passé : l'installation n'est pas planifiée.");
    else
        refus = InstallationServeur::RefusDemande(fichier, version, id);
    if (!refus.isEmpty()) {
        refuser(console, demande, refus);
        return;
    }
    m_serveur.Differee.Planifier(depart, fichier, version, id);
}

void Service::fermerSession(int console, DemandeConsole& demande)
{
    const qint64 index = demande.Entier("index", 1, std::numeric_limits<int>::max());
    if (!demande.Valide()) {
        refuser(console, demande, demande.Refus());
        return;
    }
    for (const ServeurPostes::Session& s : m_serveur.Postes.Sessions()) {
        if (s.Index == index) {
            m_serveur.Postes.RetirerSession(int(index));
            return;
        }
    }
    refuser(console, demande,
            QStringLiteral("La session ") + QString::number(index)
                + QStringLiteral(" n'est plus ouverte sur le serveur de mise à jour."));
}

void Service::reprendreParametres()
{
    const std::optional<Parametres> lus = TableParametres::LireSur();
    if (!lus || !lus->Existe)
        return;
    Etat& e = m_serveur.Reseau.Etat_();
    e.W_User = lus->UtilisateurMaj;
    e.W_Pass = ChiffrementMotDePasse::Dechiffrer(lus->MotDePasseMaj, ChiffrementMotDePasse::Cle());
    e.W_HeureVerif = lus->HeureVerifMaj;
    e.Jours = lus->Jours;
    // The update folder changes only through a move, which saves and publishes it itself.
    if (e.EmplacementMaj.isEmpty())
        e.EmplacementMaj = lus->EmplacementMaj;
}

void Service::deplacer(int console, DemandeConsole& demande)
{
    const QString ancien = demande.Texte("ancien");
    const QString nouveau = demande.Texte("nouveau");
    if (!demande.Valide()) {
        refuser(console, demande, demande.Refus());
        return;
    }
    const QString emplacement = m_serveur.Reseau.Etat_().EmplacementMaj;
    QString refus;
    if (m_deplacement)
        refus = InstallationServeur::MessageOccupe();
    else if (emplacement.isEmpty())
        refus = QStringLiteral("Aucun dossier des mises à jour n'est encore enregistré sur le serveur : il n'y a rien "
                               "à déplacer.");
    else if (!IdentiteFichier::MemeDossier(ancien, emplacement))
        refus = QStringLiteral("Le dossier « ") + ancien
            + QStringLiteral(" » n'est pas le dossier des mises à jour du serveur (« ") + emplacement
            + QStringLiteral(" ») : les mises à jour ne sont pas déplacées.");
    else if (nouveau.isEmpty() || !QDir::isAbsolutePath(nouveau))
        refus = QStringLiteral("Le nouveau dossier des mises à jour « ") + nouveau
            + QStringLiteral(" » n'est pas un chemin complet : les mises à jour ne sont pas déplacées.");
    // With no file to move, nothing else would find out, and the settings would name it.
    else if (!QFileInfo(nouveau).isDir())
        refus = QStringLiteral("Le nouveau dossier des mises à jour « ") + nouveau
            + QStringLiteral(" » n'existe pas ou n'est pas un dossier : les mises à jour ne sont pas déplacées.");
    // Under another path (a link, a bind mount), the files copied there would be their own
    // sources, removed once "copied".
    else if (IdentiteFichier::MemeDossier(nouveau, emplacement))
        refus = QStringLiteral("Le nouveau dossier des mises à jour « ") + nouveau
            + QStringLiteral(" » est le dossier des mises à jour du serveur lui-même (« ") + emplacement
            + QStringLiteral(" ») : les mises à jour ne sont pas déplacées.");
    if (!refus.isEmpty()) {
        refuser(console, demande, refus);
        return;
    }
    Frm_Reseau& reseau = m_serveur.Reseau;
    m_deplacement = new DeplacementMaj(
        reseau.Etat_(), [&reseau] { return reseau.TransfertsOuverts(); }, this);
    // The course and the end go to the console that asked; the others see the folder change.
    const QJsonValue identifiant = demande.Identifiant();
    const auto suivre = [this, console, identifiant](const QString& quoi, const QJsonValue& valeur) {
        QJsonObject m = reponse(QStringLiteral("deplacement"), identifiant);
        m.insert(QStringLiteral("quoi"), quoi);
        m.insert(QStringLiteral("valeur"), valeur);
        m_consoles.Envoyer(console, m);
    };
    m_suivreDeplacement = suivre;
    m_deplacementEnAttente = false;
    connect(m_deplacement, &DeplacementMaj::Attente, this, [this, suivre](bool v) {
        m_deplacementEnAttente = v;
        suivre(QStringLiteral("attente"), v);
    });
    connect(m_deplacement, &DeplacementMaj::Debut, this, [suivre](int v) { suivre(QStringLiteral("debut"), v); });
    connect(m_deplacement, &DeplacementMaj::Progression, this,
            [suivre](int v) { suivre(QStringLiteral("progression"), v); });
    connect(m_deplacement, &DeplacementMaj::Anomalie, this,
            [suivre](const QString& v) { suivre(QStringLiteral("anomalie"), v); });
    connect(m_deplacement, &DeplacementMaj::Echec, this,
            [suivre](const QString& v) { suivre(QStringLiteral("echec"), v); });
    connect(m_deplacement, &DeplacementMaj::Termine, this, [this, suivre](bool v) {
        suivre(QStringLiteral("termine"), v);
        m_deplacement->deleteLater();
    });
    m_deplacement->Demarrer(ancien, nouveau);
}

void Service::arretDemande()
{
    // Stopping would cut an extraction, a database command or a move: the stop waits for it.
    // Workstations connected do not hold the system back, nor does a person: credentials or a
    // report still waited for end with the service, and the update stays pending.
    const Etat& e = m_serveur.Reseau.Etat_();
    if (e.InstallationEnCours && !e.AttendUnePersonne()) {
        if (!m_arret.isActive()) {
            // Neither a scheduled check, a planned installation nor a move still waiting for its
            // turn starts while the stop waits.
            m_serveur.Reseau.Tim_VerifMAJ.stop();
            m_serveur.Reseau.Tim_InstallDiffere.stop();
            abandonnerDeplacementEnAttente();
            Sortie::Ecrire(QStringLiteral("Arrêt demandé : il attend la fin de l'installation ou du déplacement des "
                                          "mises à jour en cours."));
            m_systemd.Etat(QStringLiteral("Arrêt en attente de la fin d'une installation ou d'un déplacement"));
            m_arret.start();
        }
        return;
    }
    m_arret.stop();
    m_serveur.Reseau.Arreter(0);
}

void Service::abandonnerDeplacementEnAttente()
{
    // Work that ends without a person (an extraction that fails) would let a waiting move begin
    // under the stop, which would then wait for every file to move.
    if (!m_deplacement || !m_deplacementEnAttente)
        return;
    Sortie::Ecrire(QStringLiteral("Le déplacement des mises à jour qui attendait son tour n'aura pas lieu : le service "
                                  "s'arrête."),
                   Sortie::Priorite::Avertissement);
    delete m_deplacement;
    m_deplacementEnAttente = false;
    m_suivreDeplacement(QStringLiteral("echec"), MessageArretEnAttente());
    m_suivreDeplacement(QStringLiteral("termine"), false);
}
