#include "Frm_Reseau.h"

#include "BaseInterne.h"
#include "Chiffrement.h"
#include "Composants.h"
#include "FichiersTexte.h"
#include "Messages.h"
#include "RepriseDeplacement.h"
#include "Sortie.h"
#include "TableParametres.h"
#include "platform/Systeme.h"

#include <QDir>

Frm_Reseau::Frm_Reseau(QObject* parent) : QObject(parent), m_testAdministrateur(&Systeme::EstAdministrateur)
{
    setObjectName(QStringLiteral("Frm_Reseau"));
    Tim_VerifMAJ.setObjectName(QStringLiteral("Tim_VerifMAJ"));
    Tim_VerifMAJ.setInterval(60000);
    Tim_InstallDiffere.setObjectName(QStringLiteral("Tim_InstallDiffere"));
    Tim_InstallDiffere.setInterval(1000);
    // What a check recorded is in donnees.db itself at once, for a site that copies the file.
    connect(&m_etat, &Etat::VerificationTerminee, this, [] { BaseInterne::PointDeControle(); });
}

Frm_Reseau::~Frm_Reseau() = default;

void Frm_Reseau::Brancher(ServicePostes* postes, ServiceConsole* console)
{
    m_postes = postes;
    m_console = console;
}

QString Frm_Reseau::MessagePremierDemarrage()
{
    return QStringLiteral("Vous ouvrez pour la première fois l'application de mise à jour automatique d'QUENTARIS, "
                          "vous devez configurer celle-ci afin que les mises à jour soient effectuées correctement.");
}

QString Frm_Reseau::MessageNonAdministrateur()
{
    return Messages::Joindre(QStringLiteral("Le serveur de mise à jour ne peut pas être démarré sur une session "
                                            "utilisateur qui n'est pas administrateur."),
                             QStringLiteral("Veuillez vous connecter sur la session administrateur et relancez le "
                                            "serveur de mise à jour."));
}

QString Frm_Reseau::MessageDeuxiemeCopie()
{
    return Messages::Joindre(
        QStringLiteral("Le serveur de mise à jour est déjà en cours d'éxecution sur cette machine."),
        QStringLiteral("Cette application ne peut pas être ouverte deux fois sur la même machine."));
}

void Frm_Reseau::FixerModeService()
{
    m_service = true;
}

void Frm_Reseau::RemplacerTestAdministrateur(std::function<bool()> test)
{
    m_testAdministrateur = std::move(test);
}

void Frm_Reseau::echec(const QString& message, int code)
{
    Messages::Afficher(this, message, Icone::Exclamation, Boutons::Ok, Messages::Titre(), Sortie::Priorite::Erreur);
    emit Fin(code);
}

void Frm_Reseau::Demarrer(const QString& dossierProgramme, bool autostart)
{
    m_autostart = autostart;
    m_etat.DossierProgramme = dossierProgramme;
    m_etat.VerificationManuelle = false;
    m_etat.InstallationEnCours = false;

    // One server on the program folder, whichever way it runs (the desktop program holds the
    // lock of its session before it comes here).
    m_instanceDossier = std::make_unique<Systeme::InstanceUnique>(dossierProgramme);
    if (!m_instanceDossier->prendre()) {
        if (autostart) {
            Sortie::Ecrire(QStringLiteral(
                "Le serveur de mise à jour est déjà en cours d'exécution : démarrage automatique ignoré."));
            emit Fin(0);
            return;
        }
        echec(MessageDeuxiemeCopie());
        return;
    }
    emit InstanceObtenue();

    if (!m_service && !m_testAdministrateur()) {
        if (autostart) {
            Sortie::Ecrire(QStringLiteral("Session sans droits d'administrateur : démarrage automatique ignoré."));
            emit Fin(0);
            return;
        }
        echec(MessageNonAdministrateur());
        return;
    }

    QString raison;
    if (!BaseInterne::Ouvrir(QDir(dossierProgramme).filePath(BaseInterne::NomFichier()), &raison)) {
        baseInutilisable(raison);
        return;
    }
    // A database that can be read but not written would lose every report and download.
    if (!BaseInterne::VerifierEcriture(&raison)) {
        baseInutilisable(QStringLiteral("écriture impossible : ") + raison);
        return;
    }

    lireFichiersDuSite();
}

void Frm_Reseau::ReprendreDemarrage()
{
    if (m_arrete || m_fichierAttendu.isEmpty())
        return;
    lireFichiersDuSite();
}

void Frm_Reseau::siteIncomplet(const QString& chemin, const QString& message)
{
    if (!m_service) {
        echec(message);
        return;
    }
    // Nobody is there to be told at boot: the service waits for the site to write the file.
    m_fichierAttendu = chemin;
    emit FichierDuSiteAttendu(chemin, message);
}

void Frm_Reseau::lireFichiersDuSite()
{
    // Both files before the settings: a first-start screen filled in for nothing, then an end,
    // would be asked again at every start.
    const QString config = QDir(m_etat.DossierProgramme).filePath(FichierConfiguration::Nom());
    Configuration lue;
    QString erreur;
    if (!FichierConfiguration::Lire(config, &lue, &erreur)) {
        siteIncomplet(config, erreur);
        return;
    }
    const QString ini = QDir(lue.DossierSysteme).filePath(QStringLiteral("quentaris.ini"));
    QStringList lignes;
    QString raison;
    if (!FichiersTexte::LireLignes(ini, &lignes, &raison)) {
        siteIncomplet(ini,
                      QStringLiteral("Le fichier \"") + ini + QStringLiteral("\" est introuvable ou illisible (")
                          + raison + QStringLiteral(")."));
        return;
    }
    if (!m_fichierAttendu.isEmpty()) {
        Sortie::Ecrire(QStringLiteral("Le fichier \"") + m_fichierAttendu
                       + QStringLiteral("\" est lisible : le démarrage continue."));
        m_fichierAttendu.clear();
    }
    m_etat.Config = lue;
    m_etat.DossierWindows = m_etat.Config.DossierSysteme;
    m_etat.ServeurUniDATA = FichiersTexte::ValeurApresEgal(lignes.value(0));

    // A settings row that cannot be read is no first start. A row made by the proxy screen alone
    // is not a configuration: the screen is asked for again.
    const std::optional<Parametres> lus = TableParametres::LireSur();
    if (!lus) {
        baseInutilisable(QStringLiteral("les paramètres ne peuvent pas être lus"));
        return;
    }
    if (!lus->Configures()) {
        Messages::Afficher(this, MessagePremierDemarrage());
        if (m_console) {
            m_console->AfficherPremierDemarrage([this] { suiteDemarrage(); });
            return;
        }
    }
    suiteDemarrage();
}

void Frm_Reseau::baseInutilisable(const QString& raison)
{
    Sortie::Ecrire(QStringLiteral("Base interne : ") + raison, Sortie::Priorite::Erreur);
    Messages::Afficher(
        this,
        Messages::Joindre(QStringLiteral("L'application serveur de mise à jour a rencontré un problème lors de la "
                                         "tentative de connexion à sa base de données interne."),
                          QStringLiteral("Le programme va être arrêté. Si le problème persiste, veuillez contacter "
                                         "l'équipe technique d'QUENTARIS")),
        Icone::Information, Boutons::Ok, Messages::Titre(), Sortie::Priorite::Erreur);
    emit Fin(1);
}

void Frm_Reseau::suiteDemarrage()
{
    if (m_arrete)
        return;
    // Unreadable settings are no empty schedule and no empty account.
    const std::optional<Parametres> lus = TableParametres::LireSur();
    if (!lus) {
        baseInutilisable(QStringLiteral("les paramètres ne peuvent pas être lus"));
        return;
    }
    const Parametres& p = *lus;
    if (p.Existe) {
        m_etat.W_User = p.UtilisateurMaj;
        m_etat.W_Pass = p.MotDePasseMaj;
        m_etat.W_HeureVerif = p.HeureVerifMaj;
        m_etat.EmplacementMaj = p.EmplacementMaj;
        m_etat.Jours = p.Jours;
    }

    // Before any workstation is served: the update folder holds every file, and nothing half
    // written is left in it.
    RepriseDeplacement::Reprendre(m_etat.EmplacementMaj);
    if (!m_etat.EmplacementMaj.isEmpty())
        BalayerFichiersPartiels(m_etat.EmplacementMaj);

    m_etat.W_Pass = ChiffrementMotDePasse::Dechiffrer(m_etat.W_Pass, ChiffrementMotDePasse::Cle());

    Tim_VerifMAJ.start();

    if (m_postes) {
        QString erreur;
        if (!m_postes->Ecouter(m_etat.Config.PortControle, m_etat.Config.PortTransfert, &erreur)) {
            echec(erreur);
            return;
        }
    }

    Sortie::Ecrire(QStringLiteral("Serveur de mise à jour démarré (port de contrôle ")
                   + QString::number(m_etat.Config.PortControle) + QStringLiteral(", port de transfert ")
                   + QString::number(m_etat.Config.PortTransfert) + QStringLiteral(")."));
    if (m_console) {
        m_console->AfficherIcone();
        m_console->OuvrirMenu();
    }
    emit Demarre();
}

QString Frm_Reseau::RefusFermeture(Demandeur demandeur) const
{
    // Stopping half way would leave a server update half installed, or the update files split
    // between two folders.
    const bool occupe = m_etat.InstallationEnCours && (demandeur == Demandeur::Menu || !m_etat.AttendUnePersonne());
    if (occupe)
        return QStringLiteral("Le serveur ne peut pas être arrêté pendant une installation ou un déplacement des "
                              "mises à jour.");
    if (PostesConnectes() >= 1)
        return QStringLiteral("Vous ne pouvez pas quitter le serveur car des postes sont connectés sur celui-ci !");
    return QString();
}

bool Frm_Reseau::DemandeFermeture(Demandeur demandeur)
{
    const QString refus = RefusFermeture(demandeur);
    if (refus.isEmpty())
        return true;
    Messages::Afficher(this, refus);
    return false;
}

void Frm_Reseau::Arreter(int code)
{
    m_arrete = true;
    if (m_console)
        m_console->RetirerIcone();
    Sortie::Ecrire(QStringLiteral("Serveur de mise à jour arrêté."));
    emit Fin(code);
}

int Frm_Reseau::PostesConnectes() const
{
    return m_postes ? m_postes->PostesConnectes() : 0;
}

int Frm_Reseau::TransfertsOuverts() const
{
    return m_postes ? m_postes->TransfertsOuverts() : 0;
}

void Frm_Reseau::VerifConnectes()
{
    if (m_console)
        m_console->VerifConnectes();
}
