#include "DeplacementMaj.h"

#include "Etat.h"
#include "Journal.h"
#include "Sortie.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

DeplacementMaj::DeplacementMaj(Etat& etat, std::function<int()> transfertsOuverts, QObject* parent)
    : QObject(parent), m_etat(etat), m_transfertsOuverts(std::move(transfertsOuverts))
{
    m_attente.setInterval(200);
    connect(&m_attente, &QTimer::timeout, this, &DeplacementMaj::essayerDeCommencer);
    connect(&m_etat, &Etat::VerificationTerminee, this, &DeplacementMaj::essayerDeCommencer);
}

DeplacementMaj::~DeplacementMaj()
{
    // Workstations must never stay turned away.
    if (m_phase == Phase::Deplacement)
        m_etat.InstallationEnCours = false;
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
    const QString ancien = QFileInfo(m_ancien).canonicalFilePath();
    const bool memeDossier = !ancien.isEmpty() && ancien == QFileInfo(m_nouveau).canonicalFilePath();
    m_majs = memeDossier ? QVector<MajDispo>() : TableMajDispo::Toutes();
    if (!m_majs.isEmpty())
        emit Debut(int(m_majs.size()));
    QTimer::singleShot(0, this, &DeplacementMaj::deplacerSuivante);
}

void DeplacementMaj::deplacerSuivante()
{
    if (m_suivante >= m_majs.size()) {
        finir();
        return;
    }
    const MajDispo& maj = m_majs.at(m_suivante);
    deplacer(maj.NomFichierMaj);
    if (maj.DocAssociee)
        deplacer(QString::number(maj.NumVersionDispo) + QStringLiteral(".pdf"));
    ++m_suivante;
    emit Progression(m_suivante);
    QTimer::singleShot(0, this, &DeplacementMaj::deplacerSuivante);
}

void DeplacementMaj::deplacer(const QString& nom)
{
    // Several rows may name one file (an update downloaded again, two rows of one version):
    // it moves once, and is not reported missing afterwards.
    if (m_traites.contains(nom))
        return;
    m_traites.insert(nom);
    QString raison;
    if (DeplacerFichier(QDir(m_ancien).filePath(nom), QDir(m_nouveau).filePath(nom), &raison))
        return;
    const QString message = QStringLiteral("Le fichier ") + nom
        + QStringLiteral(" n'a pas été déplacé vers le nouveau dossier : ") + raison;
    Sortie::Ecrire(message);
    AjouterEvenement(TypeEvenement::Anomalie, message);
    emit Anomalie(message);
}

bool DeplacementMaj::DeplacerFichier(const QString& source, const QString& destination, QString* raison)
{
    if (!QFileInfo(source).isFile()) {
        *raison = QStringLiteral("il est introuvable dans l'ancien dossier.");
        return false;
    }
    if (QFileInfo::exists(destination)) {
        *raison = QStringLiteral("un fichier du même nom existe déjà dans le nouveau dossier.");
        return false;
    }
    // Renaming copies then removes when the folders lie on different file systems.
    QFile fichier(source);
    if (!fichier.rename(destination)) {
        *raison = fichier.errorString() + QLatin1Char('.');
        return false;
    }
    return true;
}

void DeplacementMaj::finir()
{
    m_etat.InstallationEnCours = false;
    m_phase = Phase::Fini;
    emit Termine();
}
