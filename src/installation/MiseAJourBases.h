#pragma once

#include "ClientUniDATA.h"
#include "InterlocuteurInstallation.h"

#include <QObject>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>

class Etat;

// The site's database list and folders, read from BASES.TXT and quentaris.ini.
struct ListeBases
{
    struct Base
    {
        QString Nom;
        QString Dossier; // empty when quentaris.ini names no folder for it
    };
    QVector<Base> Bases;
    bool ServeurTrouve = false;
    QString Serveur; // the last server line's value
};

namespace LectureBases {

// BASES.TXT: one database per line, every line counts. quentaris.ini: a line whose first
// seven characters read "SERVEUR" in any case names the server (the last one wins); every
// other line "name=folder" gives a folder to the database of exactly that name (the last
// one wins). False with a result line saying why when a file is missing, unreadable, or when
// BASES.TXT names no database.
bool Lire(const QString& fichierBases, const QString& fichierIni, ListeBases* liste, ResultatBase* probleme);

} // namespace LectureBases

// Updates every database of the site with an unpacked server update, one after the other,
// without blocking: copies the update's INSTALLMAJ folder into the database, runs LANCEMAJCD
// there and checks that the database file INSTALLMAJ then holds the version's record.
class MiseAJourBases : public QObject
{
    Q_OBJECT
public:
    MiseAJourBases(Etat& etat, ClientUniDATA& client, QObject* parent = nullptr);
    ~MiseAJourBases() override;

    void FixerInterlocuteur(InterlocuteurInstallation* interlocuteur) { m_interlocuteur = interlocuteur; }

    // The update lies in `dossierBase` + "/" + `version`. `fin` gets 0 when no database
    // failed, 1 otherwise and when the credentials were not given.
    void Lancer(const QString& dossierBase, const QString& version, std::function<void(int resultat)> fin);

    bool EnCours() const { return static_cast<bool>(m_fin); }

    // The report of the last run (empty after a cancelled credentials dialog).
    const QVector<ResultatBase>& ResultatsMajBases() const { return m_resultats; }

    // Report texts of a database whose update could not run.
    static QString MessageCopieImpossible();
    static QString MessageCommandeNonLancee();
    static QString MessageCommandeEnCours();

    // Forgets the credentials unless the person asked to keep them for the whole run.
    void OublierIdentifiants();

    QString UtilisateurUniDATA;
    QString MotDePasseUniDATA;
    bool ConserverIdentifiants = false;
    bool IdentificationAnnulee = false;
    // Set when the update carries a new server program and a database could be reached.
    bool RedemarrageNecessaire = false;

private:
    void apresIdentification(const Identifiants& reponse);
    void suivante();
    void connecter();
    void lancerCommande(const QString& dossier);
    void apresCommande(IssueCommande issue);
    void ajouter(const QString& etat, const QString& message, const QString& code);
    // A failed database: its report line, then the next database.
    void echec(const QString& etat, const QString& message, const QString& code);
    void liberer();
    void terminer();

    Etat& m_etat;
    ClientUniDATA& m_client;
    InterlocuteurInstallation* m_interlocuteur = nullptr;
    QVector<ResultatBase> m_resultats;

    ListeBases m_liste;
    QString m_dossierBase;
    QString m_version;
    int m_index = 0;
    int m_resultat = 0;
    std::unique_ptr<ConnexionUniDATA> m_connexion;
    std::function<void(int)> m_fin;
};
