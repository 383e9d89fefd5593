#pragma once

#include "Etat.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

class ServicePostes;
class ServiceConsole;
namespace Systeme {
class InstanceUnique;
}

// The controller: start-up, program-wide state, close requests and the stop. It is never
// shown; it owns the check and deferred-installation timers.
class Frm_Reseau : public QObject
{
    Q_OBJECT
public:
    explicit Frm_Reseau(QObject* parent = nullptr);
    ~Frm_Reseau() override;

    Etat& Etat_() { return m_etat; }
    const Etat& Etat_() const { return m_etat; }

    void Brancher(ServicePostes* postes, ServiceConsole* console);
    // Run as the system service: its own user needs no administrator rights (the people who
    // attach a console are checked instead), and only its program folder's lock counts.
    void FixerModeService();
    // Tests answer the administrator question themselves.
    void RemplacerTestAdministrateur(std::function<bool()> test);

    // The start-up sequence. Ends with Demarre(), or with Fin(code) when the program must end.
    // The site's files (configserv.ini, quentaris.ini) are read before the settings are asked
    // for: the desktop program ends when one is missing or wrong; the service emits
    // FichierDuSiteAttendu() instead and goes on at ReprendreDemarrage().
    void Demarrer(const QString& dossierProgramme, bool autostart);
    // The service tries the site's files again, and goes on when they are right.
    void ReprendreDemarrage();

    // Who asks the server to close.
    enum class Demandeur
    {
        Menu, // the person, from the tray menu
        Systeme, // SIGTERM or SIGINT, or the end of the session
    };

    // A close request: refused while workstations are connected, and while an extraction, a
    // database command or a move of the update folder runs. The menu also refuses while an
    // installation waits for its credentials or its report; the system ends the server then,
    // and what waited with it.
    // True when the close may proceed; a refusal is shown to the person.
    bool DemandeFermeture(Demandeur demandeur = Demandeur::Menu);
    // The refusal DemandeFermeture would show, without showing it; empty when the close may
    // proceed.
    QString RefusFermeture(Demandeur demandeur) const;

    // Removes the tray icon and ends the program.
    void Arreter(int code = 0);
    // Shown before the parameters screen of the very first start.
    static QString MessagePremierDemarrage();
    // Shown when another copy already runs (on the session or on the program folder).
    static QString MessageDeuxiemeCopie();
    // Shown to a session that is not an administrator's.
    static QString MessageNonAdministrateur();

    // The end that asks to be started again: the updater has been started for a new server
    // program (the service manager brings the service back).
    static constexpr int CodeRedemarrage = 75;

    int PostesConnectes() const;
    int TransfertsOuverts() const;
    void VerifConnectes();

    QTimer Tim_VerifMAJ;
    QTimer Tim_InstallDiffere;

signals:
    // No other server runs on the program folder.
    void InstanceObtenue();
    // The service waits for the site's file at `chemin`; `raison` says what is wrong with it.
    void FichierDuSiteAttendu(const QString& chemin, const QString& raison);
    void Demarre();
    void Fin(int code);

private:
    void lireFichiersDuSite();
    void siteIncomplet(const QString& chemin, const QString& message);
    void suiteDemarrage();
    // A message that ends the start, written as an error.
    void echec(const QString& message, int code = 1);
    // The database message, then the end of the program.
    void baseInutilisable(const QString& raison);

    Etat m_etat;
    ServicePostes* m_postes = nullptr;
    ServiceConsole* m_console = nullptr;
    std::function<bool()> m_testAdministrateur;
    std::unique_ptr<Systeme::InstanceUnique> m_instanceDossier;
    bool m_service = false;
    bool m_autostart = false;
    bool m_arrete = false;
    QString m_fichierAttendu; // the site's file the service waits for
};
