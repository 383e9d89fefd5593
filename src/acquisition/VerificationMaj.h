#pragma once

#include "ReponseVersion.h"

#include <QDateTime>
#include <QObject>
#include <QVector>
#include <array>

class Etat;
class QTimer;
class StatutVerification;

// The update check, scheduled (each tick of the check timer) or asked for from the tray menu.
// One check at a time: it queries the service, then downloads each listed update in turn.
class VerificationMaj : public QObject
{
    Q_OBJECT
public:
    VerificationMaj(Etat& etat, QTimer& minuteur, StatutVerification& statut, QObject* parent = nullptr);

    // Whether a scheduled check is due at that moment: the minute "hh:mm" is the check time
    // and the day's flag (Monday first) is set.
    static bool EstDue(const QDateTime& maintenant, const QString& heureVerif, const std::array<bool, 7>& jours);

    // The timer's tick: starts a scheduled check when one is due, or when one came due while
    // a server installation or a folder relocation ran.
    void Tim_VerifMAJ_Timer();

    // true: a manual check at once (refused with a notice, returning false, while a check, a
    // server installation or a folder relocation runs);
    // false: the same test as a tick.
    bool VerifierMAJ(bool force);

signals:
    void Terminee();

private:
    void demarrer(bool manuelle);
    void curseurIllisible();
    void suivante();
    void reporterLaSuite(const QString& numero);
    void terminer();

    Etat& m_etat;
    QTimer& m_minuteur;
    StatutVerification& m_statut;
    bool m_manuelle = false;
    QString m_derniereMinute; // "yyyy-MM-dd hh:mm" of the last scheduled check
    bool m_enAttente = false; // a scheduled check came due and has not started yet
    QVector<EntreeVersion> m_entrees;
};
