#pragma once

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTime>

class Frm_Reseau;
class InstallationServeur;

// The planned installation, kept in memory for the server's run.
struct InstallationPlanifiee
{
    QString HeurePlanifiee; // hh:mm:ss
    QDate DatePlanifiee;
    QString FichierPlanifie;
    QString VersionPlanifiee;
    QString IdPlanifie;

    bool Vide() const { return HeurePlanifiee.isEmpty() || !DatePlanifiee.isValid(); }
    QDateTime Moment() const;
};

namespace Planification {

// The time typed in the time box: "HH:MM", or a shorter form being typed ("12", "12:",
// "12:3"); the empty text is midnight. False when it is not a time of day.
bool LireHeure(const QString& texte, QTime* heure);

// The next start at that time: today when it is later than now (to the second), otherwise
// tomorrow.
QDateTime ProchainDepart(const QTime& heure, const QDateTime& maintenant);

// "lundi 05 janvier 2026", in French whatever the system's language.
QString DateEnLettres(const QDate& date);

// The question asked before a plan is stored.
QString TexteConfirmation(const QDateTime& depart);

} // namespace Planification

// The deferred start: on each tick of the controller's timer, starts the planned
// installation once its moment has come, if it is at most five minutes late. A plan given up
// is told in the journal, with the reason, and its update no longer shows as planned.
class InstallationDifferee : public QObject
{
    Q_OBJECT
public:
    static constexpr int RetardMaximalSecondes = 5 * 60;

    InstallationDifferee(Frm_Reseau& reseau, InstallationServeur& installation, QObject* parent = nullptr);

    const InstallationPlanifiee& Plan() const { return m_plan; }

    // Replaces the plan, marks the queued update as deferred and starts the timer.
    void Planifier(const QDateTime& depart, const QString& fichier, const QString& version, const QString& id);
    void Vider();

    // One tick of the controller's deferred-installation timer.
    void Tic();

private:
    // What keeps the start waiting at this tick.
    QString raisonAttente() const;
    void abandonner(const QDateTime& maintenant);

    Frm_Reseau& m_reseau;
    InstallationServeur& m_installation;
    InstallationPlanifiee m_plan;
    // A tick after the planned moment found another installation or a move running.
    bool m_retenue = false;
};
