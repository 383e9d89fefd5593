#include "VerificationMaj.h"

#include "ServiceMaj.h"
#include "StatutVerification.h"
#include "core/Etat.h"
#include "core/Horloge.h"
#include "core/Journal.h"
#include "core/Messages.h"
#include "core/Sortie.h"

#include <QTimer>

VerificationMaj::VerificationMaj(Etat& etat, QTimer& minuteur, StatutVerification& statut, QObject* parent)
    : QObject(parent), m_etat(etat), m_minuteur(minuteur), m_statut(statut)
{
    setObjectName(QStringLiteral("VerificationMaj"));
}

bool VerificationMaj::EstDue(const QDateTime& maintenant, const QString& heureVerif, const std::array<bool, 7>& jours)
{
    if (maintenant.time().toString(QStringLiteral("HH:mm")) != heureVerif)
        return false;
    const int jour = maintenant.date().dayOfWeek(); // 1 = Monday
    return jour >= 1 && jour <= 7 && jours[static_cast<std::size_t>(jour - 1)];
}

void VerificationMaj::Tim_VerifMAJ_Timer()
{
    if (m_etat.VerificationEnCours())
        return;
    const QDateTime maintenant = Horloge::Maintenant();
    // The timer restarts a whole minute after each check; remembering the minute also holds
    // when ticks come from elsewhere or the clock steps back.
    const QString minute = maintenant.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    if (EstDue(maintenant, m_etat.W_HeureVerif, m_etat.Jours) && minute != m_derniereMinute) {
        m_derniereMinute = minute;
        m_enAttente = true;
    }
    // Files must not land in the update folder while it is being moved, nor while a server
    // update is installed: the check waits for the first tick after.
    if (!m_enAttente || m_etat.InstallationEnCours)
        return;
    m_enAttente = false;
    demarrer(false);
}

bool VerificationMaj::VerifierMAJ(bool force)
{
    if (!force) {
        Tim_VerifMAJ_Timer();
        return true;
    }
    if (m_etat.VerificationEnCours()) {
        Messages::Afficher(this,
                           QStringLiteral("Une recherche de mises à jour est déjà en cours. Veuillez attendre la fin "
                                          "de celle-ci avant d'en demander une nouvelle."));
        return false;
    }
    if (m_etat.InstallationEnCours) {
        Messages::Afficher(this,
                           QStringLiteral("Une installation de mise à jour ou un déplacement du dossier des mises à "
                                          "jour est en cours. Veuillez attendre la fin de celle-ci avant de "
                                          "rechercher des mises à jour."));
        return false;
    }
    demarrer(true);
    return true;
}

void VerificationMaj::demarrer(bool manuelle)
{
    m_manuelle = manuelle;
    m_etat.VerificationManuelle = manuelle;
    m_etat.FixerVerificationEnCours(true);
    m_minuteur.stop();
    m_statut.Ouvrir(manuelle);
    m_entrees.clear();
    // The status window is painted before the service is asked.
    QTimer::singleShot(0, this, [this] {
        const std::optional<QString> version = DerniereVersionDispo();
        if (!version) {
            curseurIllisible();
            return;
        }
        // What a stop cut off after an update was recorded comes first.
        AcheverMajInterrompues(m_etat, m_etat.W_User, this, SuiviTelechargement(), [this, version = *version] {
            RechercherMiseAJour(m_etat, version, m_etat.W_User, m_etat.W_Pass, this,
                                [this](const QVector<EntreeVersion>& entrees) {
                                    m_entrees = entrees;
                                    suivante();
                                });
        });
    });
}

// Without the last update recorded the service cannot be asked for what follows it: the check
// ends as a failed query does. Said on standard error too, as the journal lives in the same
// database.
void VerificationMaj::curseurIllisible()
{
    const QString message
        = QStringLiteral("La recherche des mises à jour a échoué : la base de données interne du serveur de mise à "
                         "jour n'a pas pu être lue, la dernière mise à jour téléchargée est inconnue.");
    Sortie::Ecrire(message);
    AjouterEvenement(Anomalie, message);
    terminer();
}

void VerificationMaj::suivante()
{
    while (!m_entrees.isEmpty()) {
        const EntreeVersion entree = m_entrees.takeFirst();
        VersionAnnoncee version;
        QString anomalie;
        if (!ValiderEntree(entree, &version, &anomalie)) {
            AjouterEvenement(Anomalie, anomalie);
            continue;
        }
        const QString texte
            = QStringLiteral("Téléchargement de la mise à jour ") + version.Numero + QStringLiteral(" en cours ...");
        m_statut.Telechargement(texte, version.Taille);
        SuiviTelechargement suivi;
        suivi.Progression = [this](qint64 recus) {
            m_statut.Progression(recus);
        };
        suivi.Attente = [this, texte, numero = version.Numero](int attenteMs) {
            if (attenteMs <= 0)
                m_statut.Texte(texte);
            else
                m_statut.Texte(QStringLiteral("Téléchargement de la mise à jour ") + numero
                               + QStringLiteral(" interrompu. Nouvelle tentative dans ")
                               + QString::number((attenteMs + 999) / 1000) + QStringLiteral(" s…"));
        };
        TelechargerMiseAJour(m_etat, version, m_etat.W_User, this, suivi,
                             [this, numero = version.Numero](IssueMaj issue) {
                                 if (issue == IssueMaj::Echouee)
                                     reporterLaSuite(numero);
                                 QTimer::singleShot(0, this, &VerificationMaj::suivante);
                             });
        return;
    }
    terminer();
}

// The updates listed after one that failed wait for the next check: recording one of them
// would move the service's cursor past the failed one, which would then never be asked for again.
void VerificationMaj::reporterLaSuite(const QString& numero)
{
    if (m_entrees.isEmpty())
        return;
    QStringList suivantes;
    for (const EntreeVersion& e : std::as_const(m_entrees))
        suivantes.append(e.Numero.trimmed());
    m_entrees.clear();
    Sortie::Ecrire(QStringLiteral("La mise à jour ") + numero
                   + QStringLiteral(" n'a pas été téléchargée : les mises à jour suivantes attendent la prochaine "
                                    "vérification (")
                   + suivantes.join(QStringLiteral(", ")) + QStringLiteral(")."));
}

void VerificationMaj::terminer()
{
    m_minuteur.start();
    m_statut.Fermer(m_manuelle);
    m_etat.VerificationManuelle = false;
    m_etat.FixerVerificationEnCours(false);
    emit Terminee();
}
