#pragma once

#include "console/installation/ServicesInstallation.h"
#include "installation/InterlocuteurInstallation.h"

#include <QObject>
#include <QPointer>
#include <functional>

class Frm_ConnectUniDATA;
class Frm_MAJAttente;
class Frm_MajBases;
class Frm_MajEnCours;
class QWidget;

// The installation's windows: the pending-updates window opened from the tray menu, and
// the credentials, progress and report windows the installation asks for. The report
// belongs to the pending-updates window, loaded unseen when it was not open.
class FenetresInstallation : public QObject, public InterlocuteurInstallation
{
    Q_OBJECT
public:
    explicit FenetresInstallation(ServicesInstallation services, QObject* parent = nullptr);
    ~FenetresInstallation() override;

    // Opens the pending-updates window, or brings it forward when it is open.
    void OuvrirMajAttente();
    Frm_MAJAttente* MajAttente() const;

    void DemanderIdentifiants(std::function<void(const Identifiants&)> fin) override;
    void OuvrirProgression() override;
    void AfficherProgression(const QString& texte) override;
    void FermerProgression() override;
    void AfficherRapport(const QVector<ResultatBase>& resultats, std::function<void()> ferme) override;

    // The question was answered elsewhere (at another console of the service), or the server
    // that asked is gone: its window goes, whatever it showed.
    void RetirerIdentifiants();
    void RetirerRapport();
    // The reports of a server running elsewhere: the unlock password typed goes to it.
    void ConfierDeverrouillage(std::function<void(const QString& motDePasse)> envoyer);
    Frm_MajBases* Rapport() const;

private:
    QWidget* proprietaire();

    ServicesInstallation m_services;
    QPointer<Frm_MAJAttente> m_attente;
    QPointer<Frm_MajEnCours> m_progression;
    QPointer<Frm_ConnectUniDATA> m_identifiants;
    QPointer<Frm_MajBases> m_rapport;
    std::function<void(const QString&)> m_deverrouillage;
};
