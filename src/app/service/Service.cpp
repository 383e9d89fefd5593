#include "Service.h"

#include "app/liaison/Liaison.h"
#include "core/BaseInterne.h"
#include "core/Chiffrement.h"
#include "core/DeplacementMaj.h"
#include "core/Messages.h"
#include "core/Sortie.h"
#include "core/TableParametres.h"
#include "platform/Systeme.h"

#include <QDir>
#include <QJsonArray>

namespace {

QJsonObject message(const QString& type)
{
    return {{QStringLiteral("type"), type}};
}

} // namespace

Service::Service(QObject* parent) : QObject(parent)
{
    Messages::Installer(&m_personnes);
    Frm_Reseau& reseau = m_serveur.Reseau;
    reseau.FixerModeService();
    m_serveur.Brancher(&m_personnes, &m_personnes);
    connect(&reseau, &Frm_Reseau::Fin, this, [this](int code) {
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
    connect(&m_serveur.Installation, &InstallationServeur::Terminee, this, [this](bool installee) {
        QJsonObject m = message(QStringLiteral("installationTerminee"));
        m.insert(QStringLiteral("installee"), installee);
        m_consoles.Diffuser(m);
    });
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
    Messages::Installer(nullptr);
}

void Service::Demarrer(const QString& dossierProgramme, const QString& dossierSocket)
{
    // The consoles may attach as soon as the program folder is this service's (a second service
    // never takes a socket over): a first start without settings waits for one.
    const QString lien = Liaison::CheminDansLeDossier(dossierProgramme);
    const QString chemin
        = dossierSocket.isEmpty() ? lien : QDir(dossierSocket).filePath(QStringLiteral("console.sock"));
    connect(&m_serveur.Reseau, &Frm_Reseau::InstanceObtenue, this, [this, chemin, lien, dossierProgramme] {
        QString erreur;
        // From now on the desktop program is only ever this service's console on the folder.
        if (!Systeme::InstanceUnique::MarquerPourLeService(dossierProgramme, &erreur))
            Sortie::Ecrire(QStringLiteral("Le dossier du programme ne peut pas être marqué comme celui du service : ")
                           + erreur);
        if (!m_consoles.Ecouter(chemin, lien, &erreur))
            Sortie::Ecrire(QStringLiteral("Les consoles d'administration ne pourront pas s'attacher : ") + erreur);
    });
    m_serveur.Reseau.Demarrer(dossierProgramme, false);
}

void Service::demarre()
{
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
    return m;
}

void Service::recu(int console, const QJsonObject& m)
{
    const QString type = m.value(QStringLiteral("type")).toString();
    const auto texte = [&m](const char* cle) {
        return m.value(QLatin1String(cle)).toString();
    };
    if (type == QLatin1String("reponse")) {
        m_personnes.Repondre(console, m);
    } else if (type == QLatin1String("verifier")) {
        m_serveur.Verification.VerifierMAJ(true);
    } else if (type == QLatin1String("installer")) {
        m_serveur.Installation.InstallerMajServeur(texte("fichier"), texte("version"), texte("id"));
    } else if (type == QLatin1String("planifier")) {
        const QDateTime depart = QDateTime::fromString(texte("depart"), Qt::ISODate);
        if (depart.isValid())
            m_serveur.Differee.Planifier(depart, texte("fichier"), texte("version"), texte("id"));
    } else if (type == QLatin1String("parametres")) {
        reprendreParametres();
    } else if (type == QLatin1String("deplacer")) {
        deplacer(texte("ancien"), texte("nouveau"));
    } else if (type == QLatin1String("fermerSession")) {
        m_serveur.Postes.RetirerSession(m.value(QStringLiteral("index")).toInt());
    } else if (type == QLatin1String("arreter")) {
        if (!m_serveur.Reseau.DemandeFermeture(Frm_Reseau::Demandeur::Menu))
            return;
        m_consoles.Envoyer(console, message(QStringLiteral("arretAccepte")));
        m_serveur.Reseau.Arreter(0);
    }
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

void Service::deplacer(const QString& ancien, const QString& nouveau)
{
    if (m_deplacement) {
        Messages::Afficher(this, InstallationServeur::MessageOccupe());
        return;
    }
    Frm_Reseau& reseau = m_serveur.Reseau;
    m_deplacement = new DeplacementMaj(
        reseau.Etat_(), [&reseau] { return reseau.TransfertsOuverts(); }, this);
    const auto suivre = [this](const QString& quoi, const QJsonValue& valeur) {
        QJsonObject m = message(QStringLiteral("deplacement"));
        m.insert(QStringLiteral("quoi"), quoi);
        m.insert(QStringLiteral("valeur"), valeur);
        m_consoles.Diffuser(m);
    };
    connect(m_deplacement, &DeplacementMaj::Attente, this, [suivre](bool v) { suivre(QStringLiteral("attente"), v); });
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
    // Workstations connected do not hold the system back; a report waiting for its password
    // ends with the service.
    const Etat& e = m_serveur.Reseau.Etat_();
    if (e.InstallationEnCours && !e.RapportEnAttente) {
        if (!m_arret.isActive()) {
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
