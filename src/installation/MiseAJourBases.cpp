#include "MiseAJourBases.h"

#include "ClientUniDATA.h"
#include "CopieDossier.h"
#include "core/Etat.h"
#include "core/FichiersTexte.h"
#include "core/Sortie.h"
#include "platform/Systeme.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>

namespace LectureBases {

namespace {

ResultatBase probleme(const QString& nom, const QString& message)
{
    return {nom, QStringLiteral("Non installée"), message, QStringLiteral("3")};
}

} // namespace

bool Lire(const QString& fichierBases, const QString& fichierIni, ListeBases* liste, ResultatBase* erreur)
{
    QStringList bases;
    QString raison;
    if (!FichiersTexte::LireLignes(fichierBases, &bases, &raison)) {
        *erreur = probleme(QStringLiteral("BASES.TXT"),
                           QStringLiteral("Liste des bases introuvable ou illisible : ") + fichierBases
                               + QStringLiteral(" (") + raison + QLatin1Char(')'));
        return false;
    }
    if (bases.isEmpty()) {
        *erreur = probleme(QStringLiteral("BASES.TXT"),
                           QStringLiteral("Aucune base de données n'est listée dans ") + fichierBases);
        return false;
    }
    QStringList ini;
    if (!FichiersTexte::LireLignes(fichierIni, &ini, &raison)) {
        *erreur = probleme(QStringLiteral("Quentaris.ini"),
                           QStringLiteral("Fichier introuvable ou illisible : ") + fichierIni + QStringLiteral(" (")
                               + raison + QLatin1Char(')'));
        return false;
    }

    struct Paire
    {
        QString nom;
        QString dossier;
    };
    QVector<Paire> paires;
    liste->ServeurTrouve = false;
    for (const QString& ligne : ini) {
        if (ligne.left(7).toUpper() == QLatin1String("SERVEUR")) {
            liste->ServeurTrouve = true;
            liste->Serveur = FichiersTexte::ValeurApresEgal(ligne);
            continue;
        }
        const qsizetype egal = ligne.indexOf(QLatin1Char('='));
        if (egal >= 0)
            paires.append({ligne.left(egal), ligne.mid(egal + 1)});
    }

    liste->Bases.clear();
    for (const QString& nom : bases) {
        ListeBases::Base base{nom, QString()};
        for (const Paire& p : paires) {
            if (p.nom == nom)
                base.Dossier = p.dossier;
        }
        liste->Bases.append(base);
    }
    return true;
}

} // namespace LectureBases

MiseAJourBases::MiseAJourBases(Etat& etat, ClientUniDATA& client, QObject* parent)
    : QObject(parent), m_etat(etat), m_client(client)
{
    setObjectName(QStringLiteral("MiseAJourBases"));
}

MiseAJourBases::~MiseAJourBases() = default;

QString MiseAJourBases::MessageCopieImpossible()
{
    return QStringLiteral("Copie de INSTALLMAJ impossible, veuillez contacter QUENTARIS");
}

QString MiseAJourBases::MessageCommandeNonLancee()
{
    return QStringLiteral("INSTALLMAJ/LANCEMAJCD ne peut pas être lancé");
}

QString MiseAJourBases::MessageCommandeEnCours()
{
    return QStringLiteral("La mise à jour précédente de la base est toujours en cours");
}

void MiseAJourBases::OublierIdentifiants()
{
    if (ConserverIdentifiants)
        return;
    UtilisateurUniDATA.clear();
    MotDePasseUniDATA.clear();
}

void MiseAJourBases::Lancer(const QString& dossierBase, const QString& version, std::function<void(int)> fin)
{
    if (EnCours()) {
        Sortie::Ecrire(QStringLiteral("Mise à jour des bases déjà en cours : la version ") + version
                       + QStringLiteral(" attendra."));
        fin(1);
        return;
    }
    m_fin = std::move(fin);
    m_dossierBase = dossierBase;
    m_version = version;

    ListeBases liste;
    ResultatBase probleme;
    if (!LectureBases::Lire(QDir(m_etat.Config.PartageUniDATA).filePath(QStringLiteral("BASES.TXT")),
                            QDir(m_etat.DossierWindows).filePath(QStringLiteral("quentaris.ini")), &liste, &probleme)) {
        m_resultats = {probleme};
        m_resultat = 1;
        Sortie::Ecrire(probleme.Message);
        terminer();
        return;
    }
    if (liste.ServeurTrouve)
        m_etat.ServeurUniDATA = liste.Serveur;
    m_liste = liste;

    if (UtilisateurUniDATA.isEmpty() || !ConserverIdentifiants) {
        if (!m_interlocuteur) {
            Identifiants annule;
            annule.Annule = true;
            apresIdentification(annule);
            return;
        }
        QPointer<MiseAJourBases> moi(this);
        m_interlocuteur->DemanderIdentifiants([moi](const Identifiants& reponse) {
            if (moi)
                moi->apresIdentification(reponse);
        });
        return;
    }
    IdentificationAnnulee = false;
    Identifiants conserves;
    conserves.Utilisateur = UtilisateurUniDATA;
    conserves.MotDePasse = MotDePasseUniDATA;
    apresIdentification(conserves);
}

void MiseAJourBases::apresIdentification(const Identifiants& reponse)
{
    if (reponse.Annule) {
        IdentificationAnnulee = true;
        m_resultats.clear();
        m_resultat = 1;
        terminer();
        return;
    }
    UtilisateurUniDATA = reponse.Utilisateur;
    MotDePasseUniDATA = reponse.MotDePasse;
    IdentificationAnnulee = false;
    if (reponse.Conserver)
        ConserverIdentifiants = true;

    if (m_interlocuteur)
        m_interlocuteur->OuvrirProgression();
    m_resultats.clear();
    m_resultat = 0;
    m_index = 0;
    suivante();
}

void MiseAJourBases::ajouter(const QString& etat, const QString& message, const QString& code)
{
    m_resultats.append({m_liste.Bases.at(m_index).Nom, etat, message, code});
}

void MiseAJourBases::suivante()
{
    while (m_index < m_liste.Bases.size()) {
        const ListeBases::Base& base = m_liste.Bases.at(m_index);
        if (base.Dossier.isEmpty()) {
            ajouter(QStringLiteral("Non installée"), QStringLiteral("Chemin de la base introuvable dans Quentaris.ini"),
                    QStringLiteral("3"));
            ++m_index;
            continue;
        }
        m_connexion = m_client.NouvelleConnexion();
        if (m_interlocuteur)
            m_interlocuteur->AfficherProgression(QStringLiteral("Mise à jour de la base ") + base.Nom
                                                 + QStringLiteral(" en cours sur ") + m_etat.ServeurUniDATA
                                                 + QStringLiteral("..."));
        // Back to the event loop once per database, so the window repaints and sockets run.
        QTimer::singleShot(0, this, &MiseAJourBases::connecter);
        return;
    }
    terminer();
}

void MiseAJourBases::connecter()
{
    const QString dossier = m_liste.Bases.at(m_index).Dossier;
    ParametresUniDATA parametres;
    parametres.Parametre = 2;
    parametres.Hote = m_etat.ServeurUniDATA;
    parametres.Utilisateur = UtilisateurUniDATA;
    parametres.MotDePasse = MotDePasseUniDATA;
    parametres.CheminCompte = dossier;
    if (m_connexion->Connecter(parametres) != 0) {
        echec(QStringLiteral("Non installée"), QStringLiteral("Impossible de se connecter a ") + dossier,
              QStringLiteral("3"));
        return;
    }

    const QString dossierVersion = m_dossierBase + QLatin1Char('/') + m_version;
    if (Systeme::FichierExiste(dossierVersion + QStringLiteral("/QuentarisServeur.exe"))
        || Systeme::FichierExiste(dossierVersion + QStringLiteral("/QuentarisServeur")))
        RedemarrageNecessaire = true;

    // Neither a second command nor a new copy of INSTALLMAJ under one that still runs.
    if (m_connexion->CommandeEnCours()) {
        Sortie::Ecrire(QStringLiteral("La commande LANCEMAJCD lancée plus tôt dans la base ") + dossier
                       + QStringLiteral(" est toujours en cours : aucune autre n'y est lancée."));
        echec(QStringLiteral("Erreur"), MessageCommandeEnCours(), QStringLiteral("2"));
        return;
    }

    const QString installMaj = dossierVersion + QStringLiteral("/INSTALLMAJ");
    if (!QFileInfo(installMaj).isDir()) {
        echec(QStringLiteral("Non Installée"), QStringLiteral("INSTALLMAJ non trouvé"), QStringLiteral("3"));
        return;
    }
    // A step per turn of the event loop: a large INSTALLMAJ never holds up the server.
    CopieDossier::Copier(installMaj, QDir(dossier).filePath(QStringLiteral("INSTALLMAJ")), this,
                         [this, dossier](bool reussie, const QString& erreur) {
                             if (!reussie) {
                                 Sortie::Ecrire(QStringLiteral("Copie de INSTALLMAJ dans la base ") + dossier
                                                + QStringLiteral(" impossible (") + erreur
                                                + QStringLiteral(") : la commande LANCEMAJCD n'y est pas lancée."));
                                 echec(QStringLiteral("Erreur"), MessageCopieImpossible(), QStringLiteral("2"));
                                 return;
                             }
                             lancerCommande(dossier);
                         });
}

void MiseAJourBases::lancerCommande(const QString& dossier)
{
    const QString commande = QStringLiteral("LANCEMAJCD ") + m_dossierBase + QLatin1Char('/') + m_version
        + QLatin1Char(' ') + dossier.left(1) + QStringLiteral(" VIDE ") + dossier;
    m_connexion->Executer(commande, this, [this](IssueCommande issue) { apresCommande(issue); });
}

void MiseAJourBases::apresCommande(IssueCommande issue)
{
    switch (issue) {
    case IssueCommande::Depassee:
        // The command runs on: no further database is started.
        ajouter(QStringLiteral("Erreur"), QStringLiteral("Veuillez contacter QUENTARIS"), QStringLiteral("2"));
        m_resultat = 1;
        liberer();
        for (++m_index; m_index < m_liste.Bases.size(); ++m_index) {
            if (m_liste.Bases.at(m_index).Dossier.isEmpty())
                ajouter(QStringLiteral("Non installée"),
                        QStringLiteral("Chemin de la base introuvable dans Quentaris.ini"), QStringLiteral("3"));
            else
                ajouter(QStringLiteral("Non installée"),
                        QStringLiteral("Mise à jour non lancée : la base précédente n'a pas terminé la sienne"),
                        QStringLiteral("3"));
        }
        terminer();
        return;
    case IssueCommande::NonLancee:
        echec(QStringLiteral("Erreur"), MessageCommandeNonLancee(), QStringLiteral("2"));
        return;
    case IssueCommande::DejaEnCours:
        echec(QStringLiteral("Erreur"), MessageCommandeEnCours(), QStringLiteral("2"));
        return;
    case IssueCommande::Terminee:
        break;
    }
    if (m_connexion->LireEnregistrement(QStringLiteral("INSTALLMAJ"), m_version) != 0) {
        echec(QStringLiteral("Erreur"), QStringLiteral("Veuillez contacter QUENTARIS"), QStringLiteral("2"));
        return;
    }
    ajouter(QStringLiteral("Installée"), QString(), QStringLiteral("1"));
    liberer();
    ++m_index;
    suivante();
}

void MiseAJourBases::echec(const QString& etat, const QString& message, const QString& code)
{
    ajouter(etat, message, code);
    m_resultat = 1;
    liberer();
    ++m_index;
    suivante();
}

void MiseAJourBases::liberer()
{
    if (m_connexion)
        m_connexion->Deconnecter();
    m_connexion.reset();
}

void MiseAJourBases::terminer()
{
    m_liste = ListeBases();
    if (m_interlocuteur)
        m_interlocuteur->FermerProgression();
    auto fin = std::move(m_fin);
    m_fin = nullptr;
    if (fin)
        fin(m_resultat);
}
