#pragma once

#include "workstations/ServeurPostes.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVector>

class Etat;
struct Parametres;

// What the console knows of the server it administers, and what it asks it to do. In the
// desktop program the server runs in the same process (AccesServeurLocal); attached to the
// system service, every call goes over the service's local socket. The windows reach the
// server through nothing else.
class AccesServeur : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The program-wide state as last known: settings fields, update folder, service address,
    // database server, the check and installation flags.
    virtual const Etat& Etat_() const = 0;
    // Open workstation control connections.
    virtual int PostesConnectes() const = 0;
    virtual QVector<ServeurPostes::Session> Sessions() const = 0;
    // A control connection from that address is open.
    virtual bool PosteConnecte(const QString& adresse) const = 0;

    // Menu entry 2.
    virtual void VerifierMaintenant() = 0;
    // Closes a workstation's control connection at once.
    virtual void RetirerSession(int index) = 0;
    // Installs the queued server update now; InstallationTerminee tells the outcome (not sent
    // when the server restarts).
    virtual void InstallerMajServeur(const QString& fichier, const QString& version, const QString& id) = 0;
    // Plans it for `depart`, replacing any earlier plan, and marks the queued row deferred.
    virtual void PlanifierInstallation(const QDateTime& depart, const QString& fichier, const QString& version,
                                       const QString& id)
        = 0;
    // The parameters screen has saved the settings row: the server takes them up.
    virtual void ParametresEnregistres(const Parametres& parametres) = 0;
    // Moves the update folder's files; Deplacement… signals follow its course.
    virtual void DeplacerMaj(const QString& ancien, const QString& nouveau) = 0;
    // The menu's quit entry: stops the server unless it refuses (the refusal is shown).
    virtual void Quitter() = 0;

signals:
    void PostesConnectesChange(int nombre);
    void InstallationTerminee(bool installee);

    // The course of a move of the update folder.
    void DeplacementAttente(bool enAttente);
    void DeplacementDebut(int nombre);
    void DeplacementProgression(int faites);
    void DeplacementAnomalie(const QString& message);
    void DeplacementEchec(const QString& message);
    void DeplacementTermine(bool reussi);
};
