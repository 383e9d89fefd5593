#pragma once

#include "Configuration.h"

#include <QObject>
#include <QString>
#include <array>

// Program-wide state held for the whole run and read across the server.
class Etat : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    QString DossierProgramme;
    Configuration Config;

    // From the settings row, refreshed by the parameters screen when it saves.
    QString W_User;
    QString W_Pass; // plain
    QString W_HeureVerif;
    std::array<bool, 7> Jours{}; // Lundi .. Dimanche
    QString EmplacementMaj;

    QString DossierWindows; // folder of quentaris.ini
    QString ServeurUniDATA;

    bool VerificationManuelle = false;
    bool InstallationEnCours = false;
    // Within an installation, only its report is left, waiting for the person to close it (or
    // to unlock it): nothing runs that a stop would cut.
    bool RapportEnAttente = false;
    // Within an installation, the database credentials are asked and nothing runs yet.
    bool IdentifiantsEnAttente = false;
    // The installation waits for a person, not for work: a stop asked by the system need not
    // wait (the update stays pending, as when the report's lock ends with the process).
    bool AttendUnePersonne() const { return RapportEnAttente || IdentifiantsEnAttente; }

    bool VerificationEnCours() const { return m_verificationEnCours; }
    void FixerVerificationEnCours(bool enCours)
    {
        if (m_verificationEnCours == enCours)
            return;
        m_verificationEnCours = enCours;
        if (!enCours)
            emit VerificationTerminee();
    }

    // Service addresses: the base address without a trailing slash.
    QString AdresseService() const
    {
        QString w = Config.Service;
        while (w.endsWith(QLatin1Char('/')))
            w.chop(1);
        return w;
    }

signals:
    void VerificationTerminee();

private:
    bool m_verificationEnCours = false;
};
