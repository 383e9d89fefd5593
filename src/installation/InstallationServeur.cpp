#include "InstallationServeur.h"

#include "ExtractionArchive.h"
#include "InterlocuteurInstallation.h"
#include "core/BaseInterne.h"
#include "core/Frm_Reseau.h"
#include "core/Messages.h"
#include "core/TableMajAttente.h"
#include "platform/Systeme.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>

namespace {

bool numeroValide(const QString& version)
{
    if (version.isEmpty())
        return false;
    for (const QChar c : version) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// Where the queued update stands now: an installation asked for earlier (a dialog left open,
// a planned start) may find it installed meanwhile, or no longer the oldest. The file and the
// version must be those of that row: the databases are updated with the version, and the row
// is the one marked installed.
QString refusFile(const QString& fichier, const QString& version, const QString& idMajAttente)
{
    bool nombre = false;
    const qint64 id = idMajAttente.toLongLong(&nombre);
    // A queue that cannot be read tells nothing about the update: neither "no longer queued"
    // nor "already installed".
    BaseInterne::SuiviEchecs lecture;
    const QVector<MajAttente> attente = TableMajAttente::EnAttente();
    const bool installee = TableMajAttente::InstalleePourVersion(version.toLongLong()).value_or(false);
    if (lecture.Echec())
        return QStringLiteral("La file des mises à jour serveur en attente ne peut pas être lue dans la base de "
                              "données interne : la mise à jour serveur ")
            + version + QStringLiteral(" n'est pas installée.");
    for (qsizetype i = 0; nombre && i < attente.size(); ++i) {
        if (attente.at(i).IdMajAttente != id)
            continue;
        const MajDispo& dispo = attente.at(i).Dispo;
        if (QString::number(dispo.NumVersionDispo) != version || dispo.NomFichierMaj != fichier)
            return QStringLiteral("La demande d'installation ne correspond pas à la mise à jour serveur en attente ")
                + idMajAttente + QStringLiteral(" (version ") + QString::number(dispo.NumVersionDispo)
                + QStringLiteral(", fichier « ") + dispo.NomFichierMaj + QStringLiteral(" ») : la version ") + version
                + QStringLiteral(" et le fichier « ") + fichier + QStringLiteral(" » ne sont pas installés.");
        if (i == 0)
            return QString();
        return Messages::Joindre(QStringLiteral("La mise à jour serveur ") + version
                                     + QStringLiteral(" n'est plus la première des mises à jour serveur en attente."),
                                 QStringLiteral("Les mises à jour doivent être effectuées dans l'ordre chronologique "
                                                "d'arrivée. Merci de faire les mises à jour précédentes avant de "
                                                "lancer celle-ci."));
    }
    if (installee)
        return QStringLiteral("La mise à jour serveur ") + version
            + QStringLiteral(" est déjà installée : elle n'est pas installée une seconde fois.");
    return QStringLiteral("La mise à jour serveur ") + version
        + QStringLiteral(" n'est plus dans la liste des mises à jour serveur en attente : elle n'est pas installée.");
}

} // namespace

// Passes on what the databases' update asks of the person; while the credentials are asked,
// the state says that the installation waits for a person, not for work.
class InstallationServeur::Relais : public InterlocuteurInstallation
{
public:
    Relais(Etat& etat, InterlocuteurInstallation& cible) : m_etat(etat), m_cible(cible) { }

    void DemanderIdentifiants(std::function<void(const Identifiants&)> fin) override
    {
        m_etat.IdentifiantsEnAttente = true;
        Etat* etat = &m_etat;
        m_cible.DemanderIdentifiants([etat, fin = std::move(fin)](const Identifiants& reponse) {
            etat->IdentifiantsEnAttente = false;
            fin(reponse);
        });
    }
    void OuvrirProgression() override { m_cible.OuvrirProgression(); }
    void AfficherProgression(const QString& texte) override { m_cible.AfficherProgression(texte); }
    void FermerProgression() override { m_cible.FermerProgression(); }
    void AfficherRapport(const QVector<ResultatBase>& resultats, std::function<void()> ferme) override
    {
        m_cible.AfficherRapport(resultats, std::move(ferme));
    }

private:
    Etat& m_etat;
    InterlocuteurInstallation& m_cible;
};

InstallationServeur::InstallationServeur(Frm_Reseau& reseau, ClientUniDATA& client, QObject* parent)
    : QObject(parent), m_reseau(reseau), m_bases(reseau.Etat_(), client)
{
    setObjectName(QStringLiteral("InstallationServeur"));
}

InstallationServeur::~InstallationServeur() = default;

void InstallationServeur::FixerInterlocuteur(InterlocuteurInstallation* interlocuteur)
{
    m_interlocuteur = interlocuteur;
    m_relais = interlocuteur ? std::make_unique<Relais>(m_reseau.Etat_(), *interlocuteur) : nullptr;
    m_bases.FixerInterlocuteur(m_relais.get());
}

QString InstallationServeur::MessagePostesConnectes()
{
    return Messages::Joindre(QStringLiteral("Cette mise à jour serveur ne peut pas être installée car tous les menus "
                                            "QUENTARIS doivent être fermés sur tous les postes du réseau."),
                             QStringLiteral("Veuillez demander la fermeture de tous les menus sur les postes de "
                                            "travail et essayez à nouveau."));
}

QString InstallationServeur::MessageDeverrouillageRefuse()
{
    return QStringLiteral("Déverouillage du serveur refusé ! Seul l'équipe technique d'QUENTARIS est en mesure de "
                          "déverouiller votre serveur.");
}

QString InstallationServeur::RefusDemande(const QString& fichier, const QString& version, const QString& idMajAttente)
{
    if (!numeroValide(version))
        return QStringLiteral("Le numéro de version « ") + version
            + QStringLiteral(" » n'est pas valide : la mise à jour serveur ne peut pas être installée.");
    return refusFile(fichier, version, idMajAttente);
}

QString InstallationServeur::MessageOccupe()
{
    return Messages::Joindre(QStringLiteral("Une installation de mise à jour serveur ou un déplacement du dossier des "
                                            "mises à jour est déjà en cours sur ce serveur."),
                             QStringLiteral("Veuillez attendre la fin de celle-ci et essayez à nouveau."));
}

QString InstallationServeur::MessageExtractionIncomplete(const QString& archive, const QString& version,
                                                         const QStringList& anomalies)
{
    const QString premier = QStringLiteral("L'archive « ") + archive + QStringLiteral(" » de la mise à jour serveur ")
        + version
        + QStringLiteral(" n'a pas pu être extraite entièrement : aucune base de données n'a été mise à jour et la "
                         "mise à jour reste en attente.");
    if (anomalies.isEmpty())
        return premier;
    return Messages::Joindre(premier, anomalies.join(QStringLiteral("\r\n")));
}

QString InstallationServeur::DossierServeur() const
{
    QString dossier = m_reseau.Etat_().Config.DossierServeur;
    while (dossier.size() > 1 && dossier.endsWith(QLatin1Char('/')))
        dossier.chop(1);
    return dossier;
}

void InstallationServeur::InstallerMajServeur(const QString& fichier, const QString& version,
                                              const QString& idMajAttente, std::function<void(bool)> fin)
{
    Etat& etat = m_reseau.Etat_();
    // A refusal ends the request as an installation that did not install: whoever follows the
    // ends (a window, a console of the service) hears of it.
    auto refuser = [this, &fin](const QString& message) {
        Messages::Afficher(nullptr, message);
        emit Terminee(false);
        if (fin)
            fin(false);
    };
    if (etat.InstallationEnCours) {
        refuser(MessageOccupe());
        return;
    }
    const QString refus = RefusDemande(fichier, version, idMajAttente);
    if (!refus.isEmpty()) {
        refuser(refus);
        return;
    }
    const QString serveur = DossierServeur();
    const QString parent = QFileInfo(serveur).absolutePath();
    if (!QFileInfo(parent).isDir()) {
        refuser(Messages::Joindre(QStringLiteral("Le dossier « ") + parent
                                      + QStringLiteral(" » est introuvable : la mise à jour serveur ") + version
                                      + QStringLiteral(" ne peut pas être installée."),
                                  QStringLiteral("Veuillez créer ce dossier et essayez à nouveau.")));
        return;
    }
    const QString archive = QDir(etat.EmplacementMaj).filePath(fichier);
    if (fichier.isEmpty() || etat.EmplacementMaj.isEmpty() || !Systeme::FichierExiste(archive)) {
        refuser(Messages::Joindre(QStringLiteral("Le fichier de la mise à jour serveur ") + version
                                      + QStringLiteral(" est introuvable : « ") + archive + QStringLiteral(" »."),
                                  QStringLiteral("La mise à jour reste en attente.")));
        return;
    }

    // Started now, whoever asked: the row no longer shows as planned.
    TableMajAttente::FixerDiffere(idMajAttente.toLongLong(), false);
    etat.InstallationEnCours = true;
    m_enCours = true;
    const QString dossierVersion = serveur + QLatin1Char('/') + version;
    Systeme::CreerDossierSiAbsent(serveur);
    Systeme::CreerDossierSiAbsent(dossierVersion);

    // A step per turn of the event loop. A partly unpacked update is never applied to a
    // database: the update stays pending.
    ExtractionArchive::Extraire(archive, dossierVersion, QString(), this,
                                [this, archive, serveur, fichier, version, idMajAttente,
                                 fin = std::move(fin)](bool reussi, const QStringList& anomalies) mutable {
                                    if (!reussi) {
                                        m_reseau.Etat_().InstallationEnCours = false;
                                        m_enCours = false;
                                        Messages::Afficher(nullptr,
                                                           MessageExtractionIncomplete(archive, version, anomalies));
                                        emit Terminee(false);
                                        if (fin)
                                            fin(false);
                                        return;
                                    }
                                    m_fichier = fichier;
                                    m_version = version;
                                    m_id = idMajAttente;
                                    m_installee = false;
                                    m_fin = std::move(fin);
                                    m_bases.RedemarrageNecessaire = false;
                                    QPointer<InstallationServeur> moi(this);
                                    m_bases.Lancer(serveur + QLatin1Char('/'), version, [moi](int resultat) {
                                        if (moi)
                                            moi->apresBases(resultat);
                                    });
                                });
}

void InstallationServeur::apresBases(int resultat)
{
    if (resultat == 0) {
        if (TableMajAttente::MarquerInstallee(m_id.toLongLong())) {
            m_installee = true;
            emit MajInstallee(m_id);
        } else {
            // The databases are updated: the person must know why the update still waits.
            Messages::Afficher(nullptr,
                               Messages::Joindre(QStringLiteral("La mise à jour serveur ") + m_version
                                                     + QStringLiteral(" a été installée, mais elle n'a pas pu être "
                                                                      "marquée comme installée dans la base interne "
                                                                      "du serveur de mise à jour."),
                                                 QStringLiteral("Elle reste dans la liste des mises à jour serveur "
                                                                "en attente. Veuillez contacter l'équipe technique "
                                                                "d'QUENTARIS.")));
        }
    }
    if (!m_interlocuteur) {
        apresRapport();
        return;
    }
    // A line with code "2" locks the report until the unlock password is typed.
    for (const ResultatBase& r : m_bases.ResultatsMajBases())
        m_rapportVerrouille = m_rapportVerrouille || r.Code == QLatin1String("2");
    QPointer<InstallationServeur> moi(this);
    m_reseau.Etat_().RapportEnAttente = true;
    m_interlocuteur->AfficherRapport(m_bases.ResultatsMajBases(), [moi] {
        if (!moi)
            return;
        moi->m_reseau.Etat_().RapportEnAttente = false;
        moi->apresRapport();
    });
}

void InstallationServeur::apresRapport()
{
    m_rapportVerrouille = false;
    if (m_bases.RedemarrageNecessaire && redemarrer())
        return;
    finir();
}

bool InstallationServeur::redemarrer()
{
    const QString programme = QDir(m_reseau.Etat_().DossierProgramme).filePath(NomProgrammeMiseAJour());
    const QString consigne = QStringLiteral("Le serveur de mise à jour continue de fonctionner ; veuillez contacter "
                                            "l'équipe technique d'QUENTARIS.");
    if (!Systeme::FichierExiste(programme)) {
        Messages::Afficher(nullptr,
                           Messages::Joindre(QStringLiteral("Le programme de redémarrage « ") + programme
                                                 + QStringLiteral(" » est introuvable : le serveur ne peut pas "
                                                                  "redémarrer pour appliquer la mise à jour ")
                                                 + m_version + QLatin1Char('.'),
                                             consigne));
        return false;
    }
    Messages::Afficher(nullptr,
                       QStringLiteral("Afin d'appliquer correctement les modifications apportées par la mise à jour, "
                                      "l'application doit redémarrer."),
                       Icone::Information);
    if (!Systeme::LancerDetache(programme, {m_version})) {
        Messages::Afficher(nullptr,
                           Messages::Joindre(QStringLiteral("Le programme de redémarrage « ") + programme
                                                 + QStringLiteral(" » n'a pas pu être lancé : le serveur ne "
                                                                  "peut pas redémarrer pour appliquer la mise "
                                                                  "à jour ")
                                                 + m_version + QLatin1Char('.'),
                                             consigne));
        return false;
    }
    m_reseau.Arreter(Frm_Reseau::CodeRedemarrage);
    return true;
}

void InstallationServeur::finir()
{
    m_reseau.Etat_().InstallationEnCours = false;
    m_enCours = false;
    BaseInterne::PointDeControle();
    m_bases.OublierIdentifiants();
    const bool installee = m_installee;
    auto fin = std::move(m_fin);
    m_fin = nullptr;
    emit Terminee(installee);
    if (fin)
        fin(installee);
}
