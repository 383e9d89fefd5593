#pragma once

#include "MiseAJourBases.h"

#include <QObject>
#include <functional>
#include <memory>

class ClientUniDATA;
class Frm_Reseau;
class InterlocuteurInstallation;

// Installs one queued server update: unpacks its archive into the server folder, updates
// every database, marks the queue row installed, shows the report and restarts the server
// through its updater when the update carries a new server program. Runs as a chain of
// events; the workstations are told that the server is installing from the first step to
// the last.
class InstallationServeur : public QObject
{
    Q_OBJECT
public:
    InstallationServeur(Frm_Reseau& reseau, ClientUniDATA& client, QObject* parent = nullptr);
    ~InstallationServeur() override;

    void FixerInterlocuteur(InterlocuteurInstallation* interlocuteur);

    // `fin`, when given, is called once the installation is over (true when the update is
    // now installed); it is not called when the server restarts.
    void InstallerMajServeur(const QString& fichier, const QString& version, const QString& idMajAttente,
                             std::function<void(bool installee)> fin = {});

    MiseAJourBases& Bases() { return m_bases; }

    // True from the start of an installation until its report is closed.
    bool EnCours() const { return m_enCours; }
    // True while the report of a failed database update waits for the unlock password.
    bool RapportVerrouille() const { return m_rapportVerrouille; }

    // The server folder, without a trailing separator.
    QString DossierServeur() const;

    // Refusal of a second installation while one, or a relocation of the update folder, runs.
    static QString MessageOccupe();
    // Refusal of an immediate installation while workstations are connected.
    static QString MessagePostesConnectes();
    // Why an installation of that file, version and queue row is refused now: each must name
    // the oldest pending update, the same row. Empty when it may go on.
    static QString RefusDemande(const QString& fichier, const QString& version, const QString& idMajAttente);

    // The password that unlocks the report of a failed database update, and the refusal of
    // any other.
    static QString MotDePasseDeverrouillage() { return QStringLiteral("@v7rumbex"); }
    static QString MessageDeverrouillageRefuse();
    // Refusal of an archive of which some entry could not be extracted, naming each one.
    static QString MessageExtractionIncomplete(const QString& archive, const QString& version,
                                               const QStringList& anomalies);

    static QString NomProgrammeMiseAJour() { return QStringLiteral("MajProgServeur"); }

signals:
    // The queue row was marked installed (the deferred plan is then emptied).
    void MajInstallee(const QString& idMajAttente);
    // The request has ended: installed or not, refused before it began included (not sent when
    // the server restarts).
    void Terminee(bool installee);

private:
    class Relais;
    void apresBases(int resultat);
    void apresRapport();
    bool redemarrer();
    void finir();

    Frm_Reseau& m_reseau;
    MiseAJourBases m_bases;
    InterlocuteurInstallation* m_interlocuteur = nullptr;
    std::unique_ptr<Relais> m_relais; // what the databases' update asks, passed on to m_interlocuteur

    QString m_fichier;
    QString m_version;
    QString m_id;
    bool m_installee = false;
    bool m_enCours = false;
    bool m_rapportVerrouille = false;
    std::function<void(bool)> m_fin;
};
