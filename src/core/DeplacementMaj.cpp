#include "DeplacementMaj.h"

#include "BaseInterne.h"
#include "CopieFichier.h"
#include "DeplacementEnregistre.h"
#include "Etat.h"
#include "Journal.h"
#include "Sortie.h"
#include "TableParametres.h"
#include "platform/IdentiteFichier.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace {

constexpr qint64 kBloc = 64 * 1024;

QString texteErreur(const std::error_code& erreur)
{
    return QString::fromLocal8Bit(erreur.message().c_str()) + QLatin1Char('.');
}

// Each file to move once, in the order of the rows: the archives and their documentation.
QStringList nomsDesFichiers(const QVector<MajDispo>& majs)
{
    QStringList noms;
    for (const MajDispo& maj : majs) {
        noms.append(maj.NomFichierMaj);
        if (maj.DocAssociee)
            noms.append(QString::number(maj.NumVersionDispo) + QStringLiteral(".pdf"));
    }
    noms.removeDuplicates();
    noms.removeAll(QString());
    return noms;
}

QString nonDeplace(const QString& nom, const QString& raison)
{
    return QStringLiteral("Le fichier ") + nom + QStringLiteral(" n'a pas été déplacé vers le nouveau dossier : ")
        + raison;
}

} // namespace

DeplacementMaj::DeplacementMaj(Etat& etat, std::function<int()> transfertsOuverts, QObject* parent)
    : QObject(parent), m_etat(etat), m_transfertsOuverts(std::move(transfertsOuverts))
{
    m_attente.setInterval(200);
    connect(&m_attente, &QTimer::timeout, this, &DeplacementMaj::essayerDeCommencer);
    connect(&m_etat, &Etat::VerificationTerminee, this, &DeplacementMaj::essayerDeCommencer);
}

DeplacementMaj::~DeplacementMaj()
{
    // Stopped half way: the files go back to the folder the settings still name, and
    // workstations must never stay turned away.
    if (m_phase == Phase::Deplacement) {
        if (remettre(false))
            effacerEnregistrement();
        m_etat.InstallationEnCours = false;
    }
}

void DeplacementMaj::Demarrer(const QString& ancien, const QString& nouveau)
{
    if (m_phase != Phase::Pret)
        return;
    m_phase = Phase::Attente;
    m_ancien = ancien;
    m_nouveau = nouveau;
    essayerDeCommencer();
}

void DeplacementMaj::essayerDeCommencer()
{
    if (m_phase != Phase::Attente)
        return;
    const bool attendre = (m_transfertsOuverts && m_transfertsOuverts() > 0) || m_etat.VerificationEnCours()
        || m_etat.InstallationEnCours;
    if (attendre) {
        if (!m_attente.isActive()) {
            m_attente.start();
            emit Attente(true);
        }
        return;
    }
    if (m_attente.isActive()) {
        m_attente.stop();
        emit Attente(false);
    }

    m_phase = Phase::Deplacement;
    m_etat.InstallationEnCours = true;
    // The same folder under another path (a symbolic link, a bind mount): each file would be
    // "moved" onto itself, then removed as a source.
    if (IdentiteFichier::MemeFichier(m_ancien, m_nouveau)) {
        echouer(QStringLiteral("Le nouveau dossier « ") + m_nouveau
                + QStringLiteral(" » est le dossier actuel des mises à jour « ") + m_ancien
                + QStringLiteral(" » sous un autre chemin : aucun fichier n'a été déplacé."));
        return;
    }
    // An empty list read from a failed query would move nothing and still record the new folder.
    BaseInterne::SuiviEchecs lecture;
    m_majs = TableMajDispo::Toutes();
    if (lecture.Echec()) {
        echouer(QStringLiteral("Les mises à jour à déplacer n'ont pas pu être lues dans la base de données interne : "
                               "aucun fichier n'a été déplacé."));
        return;
    }
    if (!m_majs.isEmpty()) {
        // A kill from here on is finished or undone by the next start.
        DeplacementEnregistre enregistre{m_ancien, m_nouveau, nomsDesFichiers(m_majs)};
        QString erreur;
        if (!enregistre.Ecrire(&erreur)) {
            echouer(QStringLiteral("Le déplacement ne peut pas commencer, il ne peut pas être enregistré (")
                    + DeplacementEnregistre::Chemin() + QStringLiteral(" : ") + erreur
                    + QStringLiteral(") : aucun fichier n'a été déplacé."));
            return;
        }
        m_enregistre = true;
        for (const MajDispo& maj : std::as_const(m_majs)) {
            m_taches.append({maj.NomFichierMaj, !maj.DocAssociee});
            if (maj.DocAssociee)
                m_taches.append({QString::number(maj.NumVersionDispo) + QStringLiteral(".pdf"), true});
        }
        emit Debut(int(m_majs.size()));
    }
    QTimer::singleShot(0, this, &DeplacementMaj::deplacerSuivante);
}

void DeplacementMaj::deplacerSuivante()
{
    if (m_phase != Phase::Deplacement)
        return;
    if (m_tache >= m_taches.size()) {
        publier();
        return;
    }
    placer(m_taches.at(m_tache).nom);
}

void DeplacementMaj::tacheFaite()
{
    if (m_taches.at(m_tache).finDeMaj)
        emit Progression(++m_faites);
    ++m_tache;
    QTimer::singleShot(0, this, &DeplacementMaj::deplacerSuivante);
}

void DeplacementMaj::placer(const QString& nom)
{
    // Several rows may name one file (an update downloaded again, two rows of one version):
    // it moves once, and is not reported missing afterwards.
    if (m_traites.contains(nom)) {
        tacheFaite();
        return;
    }
    m_traites.insert(nom);
    const QString source = QDir(m_ancien).filePath(nom);
    if (!QFileInfo(source).isFile()) {
        // A file already gone cannot be lost by the move: it is told, and the move goes on.
        signaler(nonDeplace(nom, QStringLiteral("il est introuvable dans l'ancien dossier.")), true);
        tacheFaite();
        return;
    }
    const QString destination = QDir(m_nouveau).filePath(nom);
    Maniere maniere = Maniere::Renomme;
    QString raison;
    switch (placerSansCopier(source, destination, &maniere, &raison)) {
    case Issue::Place:
        m_places.append({nom, maniere});
        tacheFaite();
        return;
    case Issue::Refuse:
        echouer(nonDeplace(nom, raison));
        return;
    case Issue::ACopier:
        break;
    }
    // Across file systems: a copy of any size, a step per turn of the event loop.
    auto* copie = new CopieFichier(source, destination, this);
    copie->Demarrer([this, copie, nom](bool reussie, const QString& raison) {
        copie->deleteLater();
        if (!reussie) {
            echouer(nonDeplace(nom, raison));
            return;
        }
        m_places.append({nom, Maniere::Copie});
        tacheFaite();
    });
}

bool DeplacementMaj::PlacerFichier(const QString& source, const QString& destination, Maniere* maniere, QString* raison)
{
    switch (placerSansCopier(source, destination, maniere, raison)) {
    case Issue::Place:
        return true;
    case Issue::Refuse:
        return false;
    case Issue::ACopier:
        break;
    }
    *maniere = Maniere::Copie;
    return CopieFichier(source, destination).Copier(raison);
}

DeplacementMaj::Issue DeplacementMaj::placerSansCopier(const QString& source, const QString& destination,
                                                       Maniere* maniere, QString* raison)
{
    if (!QFileInfo(source).isFile()) {
        *raison = QStringLiteral("il est introuvable dans l'ancien dossier.");
        return Issue::Refuse;
    }
    const QFileInfo cible(destination);
    if (!cible.isSymLink() && IdentiteFichier::MemeFichier(source, destination)) {
        *maniere = Maniere::DejaLa;
        return Issue::Place;
    }
    // The same bytes already there (a move cut short, then started again) are that file placed.
    if (cible.isFile() && !cible.isSymLink() && MemeContenu(source, destination)) {
        *maniere = Maniere::Copie;
        return Issue::Place;
    }
    if (cible.exists() || cible.isSymLink()) {
        *raison = QStringLiteral("un fichier du même nom existe déjà dans le nouveau dossier.");
        return Issue::Refuse;
    }
    // A rename stays on one file system; across file systems the file is copied instead,
    // never through a copy that removes the source before the copy is known to be whole.
    std::error_code erreur;
    std::filesystem::rename(QFileInfo(source).filesystemAbsoluteFilePath(), cible.filesystemAbsoluteFilePath(), erreur);
    if (!erreur) {
        *maniere = Maniere::Renomme;
        return Issue::Place;
    }
    if (erreur != std::errc::cross_device_link) {
        *raison = texteErreur(erreur);
        return Issue::Refuse;
    }
    return Issue::ACopier;
}

bool DeplacementMaj::MemeContenu(const QString& a, const QString& b)
{
    QFile premier(a);
    QFile second(b);
    if (!premier.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly) || premier.size() != second.size())
        return false;
    while (!premier.atEnd()) {
        const QByteArray bloc = premier.read(kBloc);
        if (bloc.isEmpty() || bloc != second.read(kBloc))
            return false;
    }
    return premier.error() == QFileDevice::NoError && second.error() == QFileDevice::NoError;
}

void DeplacementMaj::publier()
{
    // Saved and published before workstations and checks may use the update folder again.
    if (!TableParametres::EnregistrerEmplacement(m_nouveau)) {
        echouer(QStringLiteral("Le nouveau dossier des mises à jour n'a pas pu être enregistré dans les paramètres."));
        return;
    }
    m_etat.EmplacementMaj = m_nouveau;
    for (const Place& place : std::as_const(m_places)) {
        if (place.maniere != Maniere::Copie)
            continue;
        QFile source(QDir(m_ancien).filePath(place.nom));
        if (!source.remove())
            signaler(QStringLiteral("Le fichier ") + place.nom
                         + QStringLiteral(" a été copié dans le nouveau dossier mais n'a pas pu être supprimé de "
                                          "l'ancien : ")
                         + source.errorString() + QLatin1Char('.'),
                     true);
    }
    effacerEnregistrement();
    finir(true);
}

void DeplacementMaj::echouer(const QString& message)
{
    Sortie::Ecrire(message);
    AjouterEvenement(TypeEvenement::Anomalie, message);
    emit Echec(message);
    if (remettre(true))
        effacerEnregistrement();
    finir(false);
}

void DeplacementMaj::effacerEnregistrement()
{
    QString erreur;
    if (m_enregistre && !DeplacementEnregistre::Effacer(&erreur))
        Sortie::Ecrire(QStringLiteral("L'enregistrement du déplacement ") + DeplacementEnregistre::Chemin()
                       + QStringLiteral(" ne peut pas être supprimé : ") + erreur);
    m_enregistre = false;
}

// Undoes what was placed, the last file first. False when a file could not go back: the record
// of the move then stays, for the next start to try again.
bool DeplacementMaj::remettre(bool emettre)
{
    bool toutRemis = true;
    while (!m_places.isEmpty()) {
        const Place place = m_places.takeLast();
        const QString ancien = QDir(m_ancien).filePath(place.nom);
        const QString nouveau = QDir(m_nouveau).filePath(place.nom);
        if (place.maniere == Maniere::DejaLa)
            continue;
        if (place.maniere == Maniere::Copie) {
            QFile copie(nouveau);
            if (!copie.remove() && copie.exists())
                signaler(QStringLiteral("La copie du fichier ") + place.nom
                             + QStringLiteral(" n'a pas pu être supprimée du nouveau dossier : ") + copie.errorString()
                             + QLatin1Char('.'),
                         emettre);
            continue;
        }
        std::error_code erreur;
        if (QFileInfo::exists(ancien))
            erreur = std::make_error_code(std::errc::file_exists);
        else
            std::filesystem::rename(QFileInfo(nouveau).filesystemAbsoluteFilePath(),
                                    QFileInfo(ancien).filesystemAbsoluteFilePath(), erreur);
        if (erreur) {
            toutRemis = false;
            signaler(QStringLiteral("Le fichier ") + place.nom
                         + QStringLiteral(" n'a pas pu être remis dans l'ancien dossier, il est resté dans le "
                                          "nouveau : ")
                         + texteErreur(erreur),
                     emettre);
        }
    }
    return toutRemis;
}

void DeplacementMaj::signaler(const QString& message, bool emettre)
{
    Sortie::Ecrire(message);
    AjouterEvenement(TypeEvenement::Anomalie, message);
    if (emettre)
        emit Anomalie(message);
}

void DeplacementMaj::finir(bool reussi)
{
    m_etat.InstallationEnCours = false;
    BaseInterne::PointDeControle();
    m_phase = Phase::Fini;
    emit Termine(reussi);
}
