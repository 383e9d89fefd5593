#pragma once

#include "ArchiveZipTest.h"
#include "installation/InterlocuteurInstallation.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

class DossierTest;
class Etat;

// A site ready for server installations, inside a test program folder: the server folder
// (its parent exists), the database server's share with BASES.TXT, quentaris.ini, database
// folders, and update archives in the update folder. The database-side command of these
// archives records its arguments in "arguments.txt" of the database folder and writes the
// version's record (and what `ls -l /proc/self/fd` shows in "descripteurs.txt"), unless the database folder holds a
// file "REFUS"; while it holds a file "ATTENTE" the command keeps running; with a file "RESTE" it leaves a process
// running for a minute after its end, its pid in "reste.pid". Each run appends "debut" when it starts and "fin" when it
// ends to "journal.txt" of the database folder.
class SiteInstallation
{
public:
    SiteInstallation(DossierTest& dossier, Etat& etat);

    QString DossierServeur() const;
    QString Partage() const;
    QString Base(const QString& nom) const;

    // Creates the database folder and returns it.
    QString CreerBase(const QString& nom) const;
    void EcrireBases(const QByteArray& contenu) const;
    void EcrireIni(const QByteArray& contenu) const;
    // Lists the databases in BASES.TXT and gives each one its folder in quentaris.ini.
    void Declarer(const QStringList& bases) const;
    // configserv.ini naming this site's server folder and share, for a server started as a
    // program of its own.
    void EcrireConfigServeur() const;

    // An update archive "<version>.zip" in the update folder; `serveur` adds a new server
    // program, `installMaj` the INSTALLMAJ folder.
    QString CreerArchive(const QString& version, bool serveur = false, bool installMaj = true) const;
    // The same with other entries after the usual ones.
    QString CreerArchiveAvec(const QString& version, const QVector<EntreeZip>& autres, bool installMaj = true) const;

    // A downloaded server update queued for installation; returns its IdMajAttente.
    qint64 MettreEnAttente(const QString& version, const QString& fichier) const;
    // MajInstall and DiffereOuiNon of a queued update.
    bool Installee(qint64 idMajAttente) const;
    bool Differee(qint64 idMajAttente) const;

    static QByteArray Lire(const QString& chemin);

private:
    DossierTest& m_dossier;
};

// Answers the installation's windows from a script and records what they showed.
class InterlocuteurInstallationScripte : public InterlocuteurInstallation
{
public:
    // Answers of the credentials dialog, in order; when none is left: user "udt", password
    // "pw", not kept.
    QList<Identifiants> reponses;
    int demandes = 0;
    QStringList progression;
    int ouvertures = 0;
    bool progressionOuverte = false;
    QVector<QVector<ResultatBase>> rapports;
    // When set, the report stays open until the test calls fermerRapport.
    bool retenirRapport = false;
    std::function<void()> fermerRapport;
    // Called while the report is open, before it closes.
    std::function<void()> pendantRapport;

    void DemanderIdentifiants(std::function<void(const Identifiants&)> fin) override;
    void OuvrirProgression() override;
    void AfficherProgression(const QString& texte) override;
    void FermerProgression() override;
    void AfficherRapport(const QVector<ResultatBase>& resultats, std::function<void()> ferme) override;
};
