#include "InstallationDifferee.h"

#include "InstallationServeur.h"
#include "core/Frm_Reseau.h"
#include "core/Horloge.h"
#include "core/Journal.h"
#include "core/Messages.h"
#include "core/Sortie.h"
#include "core/TableMajAttente.h"

#include <array>

QDateTime InstallationPlanifiee::Moment() const
{
    return QDateTime(DatePlanifiee, QTime::fromString(HeurePlanifiee, QStringLiteral("HH:mm:ss")));
}

namespace Planification {

namespace {

bool nombre(const QString& texte, int maximum, int* valeur)
{
    if (texte.size() > 2)
        return false;
    int v = 0;
    for (const QChar c : texte) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        v = v * 10 + (c.unicode() - '0');
    }
    *valeur = v;
    return v <= maximum;
}

} // namespace

bool LireHeure(const QString& texte, QTime* heure)
{
    if (texte.isEmpty()) {
        *heure = QTime(0, 0);
        return true;
    }
    const qsizetype deuxPoints = texte.indexOf(QLatin1Char(':'));
    const QString heures = deuxPoints < 0 ? texte : texte.left(deuxPoints);
    const QString minutes = deuxPoints < 0 ? QString() : texte.mid(deuxPoints + 1);
    int h = 0;
    int m = 0;
    if (heures.isEmpty() || !nombre(heures, 23, &h) || !nombre(minutes, 59, &m))
        return false;
    *heure = QTime(h, m);
    return true;
}

QDateTime ProchainDepart(const QTime& heure, const QDateTime& maintenant)
{
    const QString t = heure.toString(QStringLiteral("HH:mm:ss"));
    const QString n = maintenant.time().toString(QStringLiteral("HH:mm:ss"));
    const QDate jour = t > n ? maintenant.date() : maintenant.date().addDays(1);
    return QDateTime(jour, QTime(heure.hour(), heure.minute(), heure.second()));
}

QString DateEnLettres(const QDate& date)
{
    static const std::array<const char*, 7> jours
        = {"lundi", "mardi", "mercredi", "jeudi", "vendredi", "samedi", "dimanche"};
    static const std::array<const char*, 12> mois
        = {"janvier", "février", "mars",      "avril",   "mai",      "juin",
           "juillet", "août",    "septembre", "octobre", "novembre", "décembre"};
    if (!date.isValid())
        return QString();
    return QString::fromUtf8(jours.at(static_cast<std::size_t>(date.dayOfWeek() - 1))) + QLatin1Char(' ')
        + QStringLiteral("%1").arg(date.day(), 2, 10, QLatin1Char('0')) + QLatin1Char(' ')
        + QString::fromUtf8(mois.at(static_cast<std::size_t>(date.month() - 1))) + QLatin1Char(' ')
        + QString::number(date.year());
}

QString TexteConfirmation(const QDateTime& depart)
{
    return Messages::Joindre(QStringLiteral("L'installation sera effectuée le ") + DateEnLettres(depart.date())
                                 + QStringLiteral(" à ") + depart.time().toString(QStringLiteral("HH:mm:ss"))
                                 + QLatin1Char('.'),
                             QStringLiteral("Voulez-vous continuer ?"));
}

} // namespace Planification

InstallationDifferee::InstallationDifferee(Frm_Reseau& reseau, InstallationServeur& installation, QObject* parent)
    : QObject(parent), m_reseau(reseau), m_installation(installation)
{
    setObjectName(QStringLiteral("InstallationDifferee"));
    connect(&m_installation, &InstallationServeur::MajInstallee, this, &InstallationDifferee::Vider);
}

void InstallationDifferee::Planifier(const QDateTime& depart, const QString& fichier, const QString& version,
                                     const QString& id)
{
    m_plan.HeurePlanifiee = depart.time().toString(QStringLiteral("HH:mm:ss"));
    m_plan.DatePlanifiee = depart.date();
    m_plan.FichierPlanifie = fichier;
    m_plan.VersionPlanifiee = version;
    m_plan.IdPlanifie = id;
    m_retenue = false;
    TableMajAttente::FixerDiffere(id.toLongLong(), true);
    m_reseau.Tim_InstallDiffere.start();
}

void InstallationDifferee::Vider()
{
    m_plan = InstallationPlanifiee();
    m_retenue = false;
}

QString InstallationDifferee::raisonAttente() const
{
    if (m_installation.RapportVerrouille())
        return QStringLiteral("le rapport d'une installation attendait toujours le mot de passe de déverrouillage");
    if (m_installation.EnCours())
        return QStringLiteral("une installation de mise à jour serveur était toujours en cours");
    return QStringLiteral("un déplacement du dossier des mises à jour était toujours en cours");
}

void InstallationDifferee::abandonner(const QDateTime& maintenant)
{
    m_reseau.Tim_InstallDiffere.stop();
    const QString prevue = QStringLiteral(" prévue le ") + m_plan.DatePlanifiee.toString(QStringLiteral("dd/MM/yyyy"))
        + QStringLiteral(" à ") + m_plan.HeurePlanifiee;
    Sortie::Ecrire(QStringLiteral("L'installation différée de la mise à jour serveur ") + m_plan.VersionPlanifiee
                   + prevue + QStringLiteral(" n'a pas été lancée : il est ")
                   + maintenant.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"))
                   + QStringLiteral(", plus de cinq minutes après l'heure prévue. La mise à jour reste en attente."));
    // Still held back at its last tick: say by what. Otherwise no tick came in time.
    const QString raison = m_retenue && m_reseau.Etat_().InstallationEnCours
        ? QString(QStringLiteral("cinq minutes après l'heure prévue, ") + raisonAttente())
        : QStringLiteral("le serveur n'a pu s'en occuper que le ") + maintenant.toString(QStringLiteral("dd/MM/yyyy"))
            + QStringLiteral(" à ") + maintenant.toString(QStringLiteral("HH:mm:ss"))
            + QStringLiteral(", plus de cinq minutes après l'heure prévue (machine en veille ou horloge modifiée)");
    AjouterEvenement(TypeEvenement::Anomalie,
                     QStringLiteral("L'installation différée de la mise à jour serveur ") + m_plan.VersionPlanifiee
                         + prevue + QStringLiteral(" n'a pas été lancée : ") + raison
                         + QStringLiteral(". La mise à jour reste en attente et n'est plus planifiée."));
    TableMajAttente::FixerDiffere(m_plan.IdPlanifie.toLongLong(), false);
    Vider();
}

void InstallationDifferee::Tic()
{
    if (m_plan.Vide()) {
        m_reseau.Tim_InstallDiffere.stop();
        return;
    }
    QDateTime maintenant = Horloge::Maintenant();
    maintenant.setTime(QTime(maintenant.time().hour(), maintenant.time().minute(), maintenant.time().second()));
    const qint64 retard = m_plan.Moment().secsTo(maintenant);
    if (retard < 0)
        return;
    if (retard > RetardMaximalSecondes) {
        // Held back too long, a suspended machine or a clock jump: never start hours late, in
        // working time.
        abandonner(maintenant);
        return;
    }
    // Another installation or a move runs: start once it is over, while still within the five
    // minutes.
    if (m_reseau.Etat_().InstallationEnCours) {
        m_retenue = true;
        return;
    }
    m_reseau.Tim_InstallDiffere.stop();
    m_installation.InstallerMajServeur(m_plan.FichierPlanifie, m_plan.VersionPlanifiee, m_plan.IdPlanifie);
}
