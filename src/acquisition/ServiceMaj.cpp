#include "ServiceMaj.h"

#include "AdressesService.h"
#include "RequeteWeb.h"
#include "core/BaseInterne.h"
#include "core/Etat.h"
#include "core/Horloge.h"
#include "core/Journal.h"
#include "core/Sortie.h"
#include "core/TableMajASignaler.h"
#include "core/TableMajAttente.h"
#include "core/TableMajDispo.h"

#include <QDir>
#include <QFileInfo>
#include <memory>

void VerifierIdentifiants(const Etat& etat, const QString& utilisateur, const QString& motDePasse, QObject* contexte,
                          std::function<void(const QString& reponse)> fin)
{
    RequeteWebTexte(AdressesService::VerificationCompte(etat.AdresseService(), utilisateur, motDePasse), contexte,
                    [fin = std::move(fin)](const ReponseWeb& r) { fin(r.Reussie ? r.Texte : QString()); });
}

std::optional<QString> DerniereVersionDispo()
{
    BaseInterne::SuiviEchecs lecture;
    const auto derniere = TableMajDispo::Derniere();
    if (lecture.Echec())
        return std::nullopt;
    return derniere ? QString::number(derniere->NumVersionDispo) : QStringLiteral("0");
}

void RechercherMiseAJour(const Etat& etat, const QString& version, const QString& utilisateur,
                         const QString& motDePasse, QObject* contexte,
                         std::function<void(const QVector<EntreeVersion>& entrees)> fin)
{
    const QString adresse = AdressesService::Version(etat.AdresseService(), utilisateur, motDePasse, version);
    RequeteWebTexte(adresse, contexte, [fin = std::move(fin)](const ReponseWeb& r) {
        const QString echec = QStringLiteral("La recherche des mises à jour a échoué : ");
        if (!r.Reussie) {
            if (!r.Journalisee)
                AjouterEvenement(Anomalie,
                                 echec + QStringLiteral("le serveur QUENTARIS n'a pas pu être joint (") + r.Erreur
                                     + QStringLiteral(")."));
            fin({});
            return;
        }
        const ReponseVersion reponse = LireReponseVersion(r.Texte);
        switch (reponse.Type) {
        case ReponseVersion::Erreur:
            if (reponse.TexteErreur == QLatin1String("REFUSE"))
                AjouterEvenement(Anomalie,
                                 QStringLiteral("Accès au serveur de mise à jour refusé. Vérifier les identifiants "
                                                "saisis dans la fenêtre de paramétrage du serveur de mise à jour."));
            else
                AjouterEvenement(Anomalie,
                                 echec + QStringLiteral("le serveur QUENTARIS a répondu par l'erreur « ")
                                     + reponse.TexteErreur + QStringLiteral(" »."));
            fin({});
            return;
        case ReponseVersion::Illisible:
            AjouterEvenement(Anomalie,
                             echec + QStringLiteral("la réponse du serveur QUENTARIS est illisible (") + reponse.Raison
                                 + QStringLiteral(")."));
            fin({});
            return;
        case ReponseVersion::Liste:
            break;
        }
        if (reponse.Entrees.isEmpty()) {
            AjouterEvenement(Avertissement, QStringLiteral("Aucune mise à jour disponible sur le serveur."));
        } else {
            AjouterEvenement(
                Information,
                QStringLiteral("Une mise à jour est disponible, elle va être téléchargée automatiquement."));
        }
        fin(reponse.Entrees);
    });
}

qint64 EnregistrerMajDispo(const QString& numero, const QString& nomLocal, const QString& environnement,
                           bool conditionServeur, bool documentation, const QString& chemin)
{
    const QDateTime maintenant = Horloge::Maintenant();
    MajDispo m;
    m.NumVersionDispo = numero.toLongLong();
    m.NomFichierMaj = nomLocal;
    m.EnvironnementMaj = environnement.toInt();
    m.ConditionServeurMaj = conditionServeur;
    m.DocAssociee = documentation;
    m.DateMajDispo = BaseInterne::TexteDate(maintenant.date());
    m.HeureMajDispo = maintenant.time().toString(QStringLiteral("HH:mm:ss"));

    BaseInterne::Transaction transaction;
    const qint64 id = TableMajDispo::Inserer(m);
    if (id == 0)
        return 0;
    if (environnement == QLatin1String("1") && !TableMajAttente::Ajouter(id, maintenant.date()))
        return 0;
    if (!TableMajASignaler::Ajouter(id, chemin, documentation && !chemin.isEmpty()))
        return 0;
    return transaction.Valider() ? id : 0;
}

void SignalerTelechargement(const Etat& etat, const QString& utilisateur, const QString& numero,
                            const QString& environnement, QObject* contexte, std::function<void()> fin)
{
    const QString adresse = AdressesService::Acquittement(etat.AdresseService(), utilisateur, numero, environnement);
    const QString genre = environnement == QLatin1String("1") ? QStringLiteral("serveur ") : QStringLiteral("poste ");
    RequeteWebTexte(adresse, contexte, [=, fin = std::move(fin)](const ReponseWeb& r) {
        const QString debut = QStringLiteral("Le téléchargement de la mise à jour ") + genre + numero;
        if (r.Reussie && r.Texte == QLatin1String("OK"))
            AjouterEvenement(Information, debut + QStringLiteral(" a été pris en compte par le serveur QUENTARIS."));
        else
            AjouterEvenement(Anomalie, debut + QStringLiteral(" n'a pas été pris en compte par le serveur QUENTARIS."));
        fin();
    });
}

namespace {

// The name under which an update's file is kept: the one taken from its path, unless a row of
// another version names it, for that update's file must stay as it is (a row of the same
// version is the same update downloaded again). It then gets the version number before it,
// "1002-MAJ.zip", and a further number when a row names that too, "1002-2-MAJ.zip"; a number
// before an admissible name leaves it admissible (no drive, no root, no ".." step). `autres`
// receives the versions whose file has the name taken from the path. Nothing when
// the internal database cannot be read.
std::optional<QString> nomDeFichierPropre(const QString& numero, const QString& nomAnnonce, QVector<qint64>* autres)
{
    BaseInterne::SuiviEchecs lecture;
    const qint64 version = numero.toLongLong();
    for (const MajDispo& m : TableMajDispo::NommantFichier(nomAnnonce))
        if (m.NumVersionDispo != version && !autres->contains(m.NumVersionDispo))
            autres->append(m.NumVersionDispo);
    if (lecture.Echec())
        return std::nullopt;
    if (autres->isEmpty())
        return nomAnnonce;
    for (int n = 1;; ++n) {
        QString nom = numero;
        if (n > 1)
            nom += QLatin1Char('-') + QString::number(n);
        nom += QLatin1Char('-') + nomAnnonce;
        const bool pris = !TableMajDispo::NommantFichier(nom).isEmpty();
        if (lecture.Echec())
            return std::nullopt;
        if (!pris)
            return nom;
    }
}

// "1001", "1001 et 1003", "1001, 1003 et 1004".
QString listeVersions(const QVector<qint64>& versions)
{
    QString texte;
    for (int i = 0; i < versions.size(); ++i) {
        if (i > 0)
            texte += i == versions.size() - 1 ? QStringLiteral(" et ") : QStringLiteral(", ");
        texte += QString::number(versions.at(i));
    }
    return texte;
}

void telechargerDocumentation(const QString& adresseFichier, const QString& dossier, const QString& numero,
                              QObject* contexte, const SuiviTelechargement& suivi, std::function<void()> fin)
{
    const QString adresse = AdressesService::Documentation(adresseFichier, numero);
    const QString cible = QDir(dossier).filePath(numero + QStringLiteral(".pdf"));
    SuiviTelechargement attentes;
    attentes.Attente = suivi.Attente;
    RequeteWebBinaire(
        adresse, cible, -1, contexte,
        [=, fin = std::move(fin)](const ResultatTelechargement& r) {
            if (r.Issue != IssueTelechargement::Reussi)
                Sortie::Ecrire(QStringLiteral("Documentation de la mise à jour ") + numero
                               + QStringLiteral(" non récupérée depuis ") + adresse + QStringLiteral(" : ") + r.Erreur);
            fin();
        },
        attentes);
}

// What follows a recorded download: its acknowledgement, then its documentation, each struck
// off the marks once asked, so that a stop in between leaves the rest to the next check.
// `numero` and `environnement` as the service wrote them.
void acheverMaj(const Etat& etat, const QString& utilisateur, const MajASignaler& maj, const QString& numero,
                const QString& environnement, QObject* contexte, const SuiviTelechargement& suivi,
                std::function<void()> fin)
{
    const qint64 id = maj.IdMajDispo;
    const QString dossier = etat.EmplacementMaj;
    const QString adresse
        = AdressesService::CheminVersUrl(AdressesService::Fichier(etat.AdresseService(), maj.CheminMaj));
    auto documentation = [=, fin = std::move(fin)]() mutable {
        if (!maj.DocAttendueMaj) {
            fin();
            return;
        }
        telechargerDocumentation(adresse, dossier, numero, contexte, suivi, [id, fin = std::move(fin)] {
            TableMajASignaler::DocumentationDemandee(id);
            fin();
        });
    };
    if (maj.AcquitteeMaj) {
        documentation();
        return;
    }
    SignalerTelechargement(etat, utilisateur, numero, environnement, contexte,
                           [id, documentation = std::move(documentation)]() mutable {
                               TableMajASignaler::Acquittee(id);
                               documentation();
                           });
}

void acheverSuivante(const Etat& etat, const QString& utilisateur, std::shared_ptr<QVector<MajASignaler>> restantes,
                     QObject* contexte, const SuiviTelechargement& suivi, std::function<void()> fin)
{
    if (restantes->isEmpty()) {
        fin();
        return;
    }
    const MajASignaler maj = restantes->takeFirst();
    Sortie::Ecrire(QStringLiteral("La mise à jour ") + QString::number(maj.NumVersionDispo)
                   + QStringLiteral(", enregistrée avant un arrêt du serveur, n'avait pas été ")
                   + (maj.AcquitteeMaj ? QStringLiteral("suivie de sa documentation")
                                       : QStringLiteral("signalée au serveur QUENTARIS"))
                   + QStringLiteral(" : c'est fait maintenant."));
    const Etat* e = &etat;
    acheverMaj(etat, utilisateur, maj, QString::number(maj.NumVersionDispo), QString::number(maj.EnvironnementMaj),
               contexte, suivi, [e, utilisateur, restantes, contexte, suivi, fin = std::move(fin)]() mutable {
                   acheverSuivante(*e, utilisateur, restantes, contexte, suivi, std::move(fin));
               });
}

} // namespace

void AcheverMajInterrompues(const Etat& etat, const QString& utilisateur, QObject* contexte,
                            const SuiviTelechargement& suivi, std::function<void()> fin)
{
    acheverSuivante(etat, utilisateur, std::make_shared<QVector<MajASignaler>>(TableMajASignaler::Toutes()), contexte,
                    suivi, std::move(fin));
}

void TelechargerMiseAJour(const Etat& etat, const VersionAnnoncee& v, const QString& utilisateur, QObject* contexte,
                          const SuiviTelechargement& suivi, std::function<void(IssueMaj)> fin)
{
    const QString adresseAnnoncee = AdressesService::Fichier(etat.AdresseService(), v.Chemin);
    const QString nomAnnonce = AdressesService::NomFichierDepuisUrl(adresseAnnoncee);
    const QString adresse = AdressesService::CheminVersUrl(adresseAnnoncee);
    const QString dossier = etat.EmplacementMaj;

    if (dossier.isEmpty() || !QFileInfo(dossier).isDir()) {
        AjouterEvenement(Anomalie,
                         QStringLiteral("Le répertoire \"") + dossier
                             + QStringLiteral("\" défini dans les paramètres est manquant. Impossible de "
                                              "télécharger la mise à jour."));
        fin(IssueMaj::Ignoree);
        return;
    }
    if (!AdressesService::NomLocalAdmissible(nomAnnonce)) {
        AjouterEvenement(Anomalie,
                         QStringLiteral("La mise à jour ") + v.Numero
                             + QStringLiteral(" ne peut pas être téléchargée : le nom de fichier « ") + nomAnnonce
                             + QStringLiteral(" » tiré de son chemin « ") + v.Chemin
                             + QStringLiteral(" » n'est pas admissible."));
        fin(IssueMaj::Ignoree);
        return;
    }
    QVector<qint64> autres;
    const std::optional<QString> nomPropre = nomDeFichierPropre(v.Numero, nomAnnonce, &autres);
    if (!nomPropre) {
        AjouterEvenement(Anomalie,
                         QStringLiteral("La mise à jour ") + v.Numero
                             + QStringLiteral(" n'a pas été téléchargée : la base de données interne du serveur de "
                                              "mise à jour n'a pas pu être lue, le nom de son fichier ne peut pas "
                                              "être choisi sans risquer de remplacer celui d'une autre mise à jour."));
        fin(IssueMaj::Echouee);
        return;
    }
    const QString nomLocal = *nomPropre;

    const QString cible = QDir(dossier).filePath(nomLocal);
    const Etat* e = &etat;
    RequeteWebBinaire(
        adresse, cible, v.Taille, contexte,
        [=, fin = std::move(fin)](const ResultatTelechargement& r) mutable {
            const QString numero = v.Numero;
            if (r.Issue == IssueTelechargement::Echec) {
                Sortie::Ecrire(QStringLiteral("Mise à jour ") + numero + QStringLiteral(" non récupérée depuis ")
                               + adresse + QStringLiteral(" : ") + r.Erreur);
                AjouterEvenement(Anomalie,
                                 QStringLiteral("Le téléchargement de la mise à jour ") + numero
                                     + QStringLiteral(" n'as pas pu être effectué. "));
                fin(IssueMaj::Echouee);
                return;
            }
            if (r.Issue == IssueTelechargement::TailleIncorrecte) {
                Sortie::Ecrire(QStringLiteral("Mise à jour ") + numero + QStringLiteral(" refusée : ") + r.Erreur);
                AjouterEvenement(Anomalie,
                                 QStringLiteral("Erreur de récupération de la mise à jour ") + numero
                                     + QStringLiteral(", taille incorrect !"));
                fin(IssueMaj::Echouee);
                return;
            }
            AjouterEvenement(Information,
                             QStringLiteral("Le téléchargement de la mise à jour ") + numero
                                 + QStringLiteral(" a été effectué avec succès."));
            const qint64 id
                = EnregistrerMajDispo(numero, nomLocal, v.Environnement, v.ConditionServeur, v.Documentation, v.Chemin);
            if (id == 0) {
                AjouterEvenement(Anomalie,
                                 QStringLiteral("La mise à jour ") + numero
                                     + QStringLiteral(" a été téléchargée mais n'a pas pu être enregistrée "
                                                      "dans la base interne."));
                fin(IssueMaj::Echouee);
                return;
            }
            if (nomLocal != nomAnnonce)
                AjouterEvenement(Avertissement,
                                 QStringLiteral("Le fichier de la mise à jour ") + numero
                                     + QStringLiteral(" a été enregistré sous le nom « ") + nomLocal
                                     + QStringLiteral(" », car le nom « ") + nomAnnonce
                                     + QStringLiteral(" » tiré de son chemin « ") + v.Chemin
                                     + QStringLiteral(" » est déjà celui du fichier ")
                                     + (autres.size() > 1 ? QStringLiteral("des mises à jour ")
                                                          : QStringLiteral("de la mise à jour "))
                                     + listeVersions(autres) + QStringLiteral(", qui a été conservé."));
            MajASignaler suite;
            suite.IdMajDispo = id;
            suite.CheminMaj = v.Chemin;
            suite.DocAttendueMaj = v.Documentation;
            suite.NumVersionDispo = numero.toLongLong();
            suite.EnvironnementMaj = v.Environnement.toInt();
            acheverMaj(*e, utilisateur, suite, numero, v.Environnement, contexte, suivi,
                       [fin = std::move(fin)] { fin(IssueMaj::Enregistree); });
        },
        suivi);
}
