#include "ExtractionArchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>
#include <QTimer>
#include <archive.h>
#include <archive_entry.h>
#include <memory>

namespace ExtractionArchive {

namespace {

struct LibererArchive
{
    void operator()(archive* a) const { archive_read_free(a); }
};

// The entry's name as a path below the destination, or an empty text when it would land
// outside it (absolute name, drive letter, "..").
QString cheminSur(QString nom)
{
    nom.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (nom.startsWith(QLatin1Char('/')))
        return QString();
    if (nom.size() >= 2 && nom.at(1) == QLatin1Char(':') && nom.at(0).isLetter())
        return QString();
    QStringList parties;
    const QStringList brutes = nom.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& partie : brutes) {
        if (partie == QLatin1String(".."))
            return QString();
        if (partie != QLatin1String("."))
            parties.append(partie);
    }
    return parties.join(QLatin1Char('/'));
}

QString nomEntree(archive_entry* entree)
{
    if (const char* utf8 = archive_entry_pathname_utf8(entree))
        return QString::fromUtf8(utf8);
    if (const char* brut = archive_entry_pathname(entree))
        return QFile::decodeName(brut);
    return QString();
}

// True when `dossier`, once its links are resolved, still lies in `racine`.
bool dansRacine(const QString& dossier, const QString& racine)
{
    const QString reel = QFileInfo(dossier).canonicalFilePath();
    return !reel.isEmpty() && (reel == racine || reel.startsWith(racine + QLatin1Char('/')));
}

QFileDevice::Permissions permissionsDe(mode_t mode)
{
    QFileDevice::Permissions p
        = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser;
    if (mode & 0100)
        p |= QFileDevice::ExeOwner | QFileDevice::ExeUser;
    if (mode & 0040)
        p |= QFileDevice::ReadGroup;
    if (mode & 0020)
        p |= QFileDevice::WriteGroup;
    if (mode & 0010)
        p |= QFileDevice::ExeGroup;
    if (mode & 0004)
        p |= QFileDevice::ReadOther;
    if (mode & 0002)
        p |= QFileDevice::WriteOther;
    if (mode & 0001)
        p |= QFileDevice::ExeOther;
    return p;
}

// One unpacking, a bounded number of bytes per step: the archive stays open between steps,
// with the entry being written.
class Deballage
{
public:
    enum class Avancement
    {
        EnCours,
        Fini
    };

    Deballage(const QString& archiveZip, const QString& destination, const QString& motDePasse, const Limites& limites,
              QStringList* anomalies)
        : m_zip(archiveZip)
        , m_destination(destination)
        , m_motDePasse(motDePasse)
        , m_limites(limites)
        , m_anomalies(anomalies)
    {
    }

    // True once finished when every entry was extracted.
    bool Reussi() const { return m_tout; }

    Avancement Etape()
    {
        if (!m_archive && !ouvrir())
            return finir(false);
        for (qint64 ecrits = 0; ecrits < OctetsParEtape;) {
            if (!m_fichier) {
                archive_entry* entree = nullptr;
                const int r = archive_read_next_header(m_archive.get(), &entree);
                // Each entry costs its header, a file created and committed: thousands of folders
                // or empty files must not hold the event loop for one step.
                ecrits += OctetsParEntree;
                if (r == ARCHIVE_EOF)
                    return finir(m_tout);
                if (r == ARCHIVE_FATAL || r == ARCHIVE_RETRY) {
                    ajouter(QStringLiteral("L'archive « ") + m_zip + QStringLiteral(" » est illisible : ")
                            + QString::fromLocal8Bit(archive_error_string(m_archive.get())));
                    return finir(false);
                }
                if (r == ARCHIVE_FAILED) {
                    ajouter(QStringLiteral("Une entrée de l'archive est illisible : ")
                            + QString::fromLocal8Bit(archive_error_string(m_archive.get())));
                    m_tout = false;
                    continue;
                }
                if (!entree_(entree))
                    m_tout = false;
                continue;
            }
            qint64 taille = 0;
            if (!bloc(&taille))
                return finir(false);
            ecrits += taille;
        }
        return Avancement::EnCours;
    }

private:
    Avancement finir(bool reussi)
    {
        if (m_fichier)
            m_fichier->cancelWriting();
        m_fichier.reset();
        m_archive.reset();
        m_tout = reussi;
        return Avancement::Fini;
    }

    void ajouter(const QString& texte)
    {
        if (m_anomalies)
            m_anomalies->append(texte);
    }

    bool ouvrir()
    {
        m_racine = QFileInfo(m_destination).canonicalFilePath();
        if (m_racine.isEmpty() || !QFileInfo(m_racine).isDir()) {
            ajouter(QStringLiteral("Le dossier de destination « ") + m_destination
                    + QStringLiteral(" » n'existe pas."));
            return false;
        }
        m_budget = m_limites.EspaceMaximal;
        if (m_budget < 0)
            m_budget = qMax<qint64>(0, QStorageInfo(m_racine).bytesAvailable() - m_limites.ReserveDisque);
        m_archive.reset(archive_read_new());
        // The central directory is required: an archive cut short is refused, not half read.
        archive_read_support_format_zip_seekable(m_archive.get());
        if (!m_motDePasse.isEmpty())
            archive_read_add_passphrase(m_archive.get(), m_motDePasse.toUtf8().constData());
        if (archive_read_open_filename(m_archive.get(), QFile::encodeName(m_zip).constData(), 64 * 1024)
            != ARCHIVE_OK) {
            ajouter(QStringLiteral("L'archive « ") + m_zip + QStringLiteral(" » ne peut pas être lue : ")
                    + QString::fromLocal8Bit(archive_error_string(m_archive.get())));
            m_archive.reset();
            return false;
        }
        return true;
    }

    // Handles an entry's header: a folder is made, a file is opened for its data. False when
    // the entry will not be extracted.
    bool entree_(archive_entry* entree)
    {
        const QString nom = nomEntree(entree);
        const QString relatif = cheminSur(nom);
        if (relatif.isEmpty()) {
            const bool rien = !nom.isEmpty() && cheminVide(nom);
            if (!rien)
                signaler(nom, QStringLiteral("refusée : elle sortirait du dossier de destination"));
            return rien;
        }
        const QString cible = m_racine + QLatin1Char('/') + relatif;
        const mode_t type = archive_entry_filetype(entree);
        if (type == AE_IFDIR)
            return creerDossier(cible, nom);
        if (type != AE_IFREG || archive_entry_hardlink(entree)) {
            signaler(nom, QStringLiteral("refusée : seuls les fichiers et les dossiers sont extraits"));
            return false;
        }
        return ouvrirFichier(entree, nom, cible);
    }

    // "./" and the like name the destination itself: nothing to do.
    static bool cheminVide(const QString& nom)
    {
        QString n = nom;
        n.replace(QLatin1Char('\\'), QLatin1Char('/'));
        const QStringList parties = n.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        for (const QString& p : parties) {
            if (p != QLatin1String("."))
                return false;
        }
        return !n.startsWith(QLatin1Char('/'));
    }

    void signaler(const QString& nom, const QString& raison)
    {
        ajouter(QStringLiteral("Entrée « ") + nom + QStringLiteral(" » ") + raison + QLatin1Char('.'));
    }

    // Creates the folder one level at a time from the destination down. Each level that
    // already exists must, once its links are resolved, still lie in the destination before
    // anything is created below it.
    bool creerDossier(const QString& chemin, const QString& nom)
    {
        const QFileInfo info(chemin);
        if (info.exists() && !info.isDir()) {
            signaler(nom, QStringLiteral("non extraite : un fichier porte déjà ce nom"));
            return false;
        }
        QString courant = m_racine;
        const QStringList niveaux = chemin.mid(m_racine.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
        for (const QString& niveau : niveaux) {
            courant += QLatin1Char('/') + niveau;
            const QFileInfo existant(courant);
            const bool present = existant.exists() || existant.isSymLink();
            if (present ? !existant.isDir() || !dansRacine(courant, m_racine) : !QDir().mkdir(courant)) {
                signaler(nom, QStringLiteral("non extraite : le dossier ne peut pas être créé dans la destination"));
                return false;
            }
        }
        return true;
    }

    bool ouvrirFichier(archive_entry* entree, const QString& nom, const QString& cible)
    {
        const QFileInfo info(cible);
        if (!creerDossier(info.absolutePath(), nom))
            return false;
        if (info.isSymLink()) {
            QFile::remove(cible);
        } else if (info.isDir()) {
            signaler(nom, QStringLiteral("non extraite : un dossier porte déjà ce nom"));
            return false;
        }
        auto fichier = std::make_unique<QSaveFile>(cible);
        if (!fichier->open(QIODevice::WriteOnly)) {
            signaler(nom, QStringLiteral("non extraite : ") + fichier->errorString());
            return false;
        }
        m_fichier = std::move(fichier);
        m_nom = nom;
        m_cible = cible;
        m_tailleAnnoncee = archive_entry_size_is_set(entree);
        m_annoncee = archive_entry_size(entree);
        m_permissions = permissionsDe(archive_entry_perm(entree));
        return true;
    }

    // The file given up: the entry is not extracted, the archive goes on with the next one.
    void abandonner(const QString& raison)
    {
        m_fichier->cancelWriting();
        m_fichier.reset();
        signaler(m_nom, raison);
        m_tout = false;
    }

    // Writes the next block of the entry being written, or ends it. False when the archive
    // itself can no longer be read.
    bool bloc(qint64* taille)
    {
        const void* donnees = nullptr;
        size_t n = 0;
        la_int64_t position = 0;
        const int r = archive_read_data_block(m_archive.get(), &donnees, &n, &position);
        if (r == ARCHIVE_EOF) {
            if (!m_fichier->commit()) {
                const QString raison = m_fichier->errorString();
                m_fichier.reset();
                signaler(m_nom, QStringLiteral("non extraite : ") + raison);
                m_tout = false;
                return true;
            }
            m_fichier.reset();
            QFile::setPermissions(m_cible, m_permissions);
            return true;
        }
        if (r != ARCHIVE_OK) {
            abandonner(QStringLiteral("non extraite : ")
                       + QString::fromLocal8Bit(archive_error_string(m_archive.get())));
            return r != ARCHIVE_FATAL;
        }
        const qint64 fin = position + static_cast<qint64>(n);
        if (m_tailleAnnoncee && fin > m_annoncee) {
            abandonner(QStringLiteral("arrêtée : son contenu dépasse la taille annoncée de ")
                       + QString::number(m_annoncee) + QStringLiteral(" octets"));
            return true;
        }
        if (m_ecrits + static_cast<qint64>(n) > m_budget) {
            abandonner(QStringLiteral("arrêtée : l'espace disque disponible serait épuisé"));
            return true;
        }
        if (position != m_fichier->pos() && !m_fichier->seek(position)) {
            abandonner(QStringLiteral("non extraite : ") + m_fichier->errorString());
            return true;
        }
        if (m_fichier->write(static_cast<const char*>(donnees), static_cast<qint64>(n)) != static_cast<qint64>(n)) {
            abandonner(QStringLiteral("non extraite : ") + m_fichier->errorString());
            return true;
        }
        m_ecrits += static_cast<qint64>(n);
        *taille = static_cast<qint64>(n);
        return true;
    }

    QString m_zip;
    QString m_destination;
    QString m_motDePasse;
    Limites m_limites;
    QStringList* m_anomalies;
    std::unique_ptr<archive, LibererArchive> m_archive;
    QString m_racine;
    qint64 m_budget = 0;
    qint64 m_ecrits = 0;
    bool m_tout = true;
    // The entry being written.
    std::unique_ptr<QSaveFile> m_fichier;
    QString m_nom;
    QString m_cible;
    bool m_tailleAnnoncee = false;
    qint64 m_annoncee = 0;
    QFileDevice::Permissions m_permissions;
};

// Runs an unpacking from the event loop, a step per turn.
class DeballageParEtapes : public QObject
{
public:
    DeballageParEtapes(const QString& archiveZip, const QString& destination, const QString& motDePasse,
                       const Limites& limites, QObject* contexte, std::function<void(bool, const QStringList&)> fin)
        : QObject(contexte)
        , m_deballage(archiveZip, destination, motDePasse, limites, &m_anomalies)
        , m_fin(std::move(fin))
    {
        QTimer::singleShot(0, this, [this] { suivante(); });
    }

private:
    void suivante()
    {
        if (m_deballage.Etape() == Deballage::Avancement::EnCours) {
            QTimer::singleShot(0, this, [this] { suivante(); });
            return;
        }
        auto fin = std::move(m_fin);
        const QStringList anomalies = m_anomalies;
        const bool reussi = m_deballage.Reussi();
        deleteLater();
        fin(reussi, anomalies);
    }

    QStringList m_anomalies;
    Deballage m_deballage;
    std::function<void(bool, const QStringList&)> m_fin;
};

} // namespace

bool ExtraireArchive(const QString& archiveZip, const QString& destination, const QString& motDePasse,
                     QStringList* anomalies, const Limites& limites)
{
    Deballage deballage(archiveZip, destination, motDePasse, limites, anomalies);
    while (deballage.Etape() == Deballage::Avancement::EnCours) { }
    return deballage.Reussi();
}

void Extraire(const QString& archiveZip, const QString& destination, const QString& motDePasse, QObject* contexte,
              std::function<void(bool reussi, const QStringList& anomalies)> fin, const Limites& limites)
{
    new DeballageParEtapes(archiveZip, destination, motDePasse, limites, contexte, std::move(fin));
}

} // namespace ExtractionArchive
