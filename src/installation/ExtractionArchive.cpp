#include "ExtractionArchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>
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

class Extraction
{
public:
    Extraction(archive* a, const QString& racine, qint64 budget, QStringList* anomalies)
        : m_archive(a), m_racine(racine), m_budget(budget), m_anomalies(anomalies)
    {
    }

    // False when the archive itself can no longer be read.
    bool Entree(archive_entry* entree, bool* reussie)
    {
        const QString nom = nomEntree(entree);
        const QString relatif = cheminSur(nom);
        if (relatif.isEmpty()) {
            *reussie = nom.isEmpty() ? false : cheminVide(nom);
            if (!*reussie)
                signaler(nom, QStringLiteral("refusée : elle sortirait du dossier de destination"));
            return true;
        }
        const QString cible = m_racine + QLatin1Char('/') + relatif;
        const mode_t type = archive_entry_filetype(entree);
        if (type == AE_IFDIR) {
            *reussie = creerDossier(cible, nom);
            return true;
        }
        if (type != AE_IFREG || archive_entry_hardlink(entree)) {
            *reussie = false;
            signaler(nom, QStringLiteral("refusée : seuls les fichiers et les dossiers sont extraits"));
            return true;
        }
        return ecrireFichier(entree, nom, cible, reussie);
    }

private:
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
        if (m_anomalies)
            m_anomalies->append(QStringLiteral("Entrée « ") + nom + QStringLiteral(" » ") + raison + QLatin1Char('.'));
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

    bool ecrireFichier(archive_entry* entree, const QString& nom, const QString& cible, bool* reussie)
    {
        *reussie = false;
        const QFileInfo info(cible);
        if (!creerDossier(info.absolutePath(), nom))
            return true;
        if (info.isSymLink()) {
            QFile::remove(cible);
        } else if (info.isDir()) {
            signaler(nom, QStringLiteral("non extraite : un dossier porte déjà ce nom"));
            return true;
        }

        QSaveFile fichier(cible);
        if (!fichier.open(QIODevice::WriteOnly)) {
            signaler(nom, QStringLiteral("non extraite : ") + fichier.errorString());
            return true;
        }
        const bool tailleAnnoncee = archive_entry_size_is_set(entree);
        const qint64 annoncee = archive_entry_size(entree);
        for (;;) {
            const void* bloc = nullptr;
            size_t taille = 0;
            la_int64_t position = 0;
            const int r = archive_read_data_block(m_archive, &bloc, &taille, &position);
            if (r == ARCHIVE_EOF)
                break;
            if (r != ARCHIVE_OK) {
                fichier.cancelWriting();
                signaler(nom,
                         QStringLiteral("non extraite : ") + QString::fromLocal8Bit(archive_error_string(m_archive)));
                return r != ARCHIVE_FATAL;
            }
            const qint64 fin = position + static_cast<qint64>(taille);
            if (tailleAnnoncee && fin > annoncee) {
                fichier.cancelWriting();
                signaler(nom,
                         QStringLiteral("arrêtée : son contenu dépasse la taille annoncée de ")
                             + QString::number(annoncee) + QStringLiteral(" octets"));
                return true;
            }
            if (m_ecrits + static_cast<qint64>(taille) > m_budget) {
                fichier.cancelWriting();
                signaler(nom, QStringLiteral("arrêtée : l'espace disque disponible serait épuisé"));
                return true;
            }
            if (position != fichier.pos() && !fichier.seek(position)) {
                fichier.cancelWriting();
                signaler(nom, QStringLiteral("non extraite : ") + fichier.errorString());
                return true;
            }
            if (fichier.write(static_cast<const char*>(bloc), static_cast<qint64>(taille))
                != static_cast<qint64>(taille)) {
                fichier.cancelWriting();
                signaler(nom, QStringLiteral("non extraite : ") + fichier.errorString());
                return true;
            }
            m_ecrits += static_cast<qint64>(taille);
        }
        if (!fichier.commit()) {
            signaler(nom, QStringLiteral("non extraite : ") + fichier.errorString());
            return true;
        }
        QFile::setPermissions(cible, permissionsDe(archive_entry_perm(entree)));
        *reussie = true;
        return true;
    }

    archive* m_archive;
    QString m_racine;
    qint64 m_budget;
    qint64 m_ecrits = 0;
    QStringList* m_anomalies;
};

} // namespace

bool ExtraireArchive(const QString& archiveZip, const QString& destination, const QString& motDePasse,
                     QStringList* anomalies, const Limites& limites)
{
    auto signaler = [anomalies](const QString& texte) {
        if (anomalies)
            anomalies->append(texte);
    };
    const QString racine = QFileInfo(destination).canonicalFilePath();
    if (racine.isEmpty() || !QFileInfo(racine).isDir()) {
        signaler(QStringLiteral("Le dossier de destination « ") + destination + QStringLiteral(" » n'existe pas."));
        return false;
    }
    qint64 budget = limites.EspaceMaximal;
    if (budget < 0)
        budget = qMax<qint64>(0, QStorageInfo(racine).bytesAvailable() - limites.ReserveDisque);

    std::unique_ptr<archive, LibererArchive> a(archive_read_new());
    // The central directory is required: an archive cut short is refused, not half read.
    archive_read_support_format_zip_seekable(a.get());
    if (!motDePasse.isEmpty())
        archive_read_add_passphrase(a.get(), motDePasse.toUtf8().constData());
    if (archive_read_open_filename(a.get(), QFile::encodeName(archiveZip).constData(), 64 * 1024) != ARCHIVE_OK) {
        signaler(QStringLiteral("L'archive « ") + archiveZip + QStringLiteral(" » ne peut pas être lue : ")
                 + QString::fromLocal8Bit(archive_error_string(a.get())));
        return false;
    }

    Extraction extraction(a.get(), racine, budget, anomalies);
    bool tout = true;
    for (;;) {
        archive_entry* entree = nullptr;
        const int r = archive_read_next_header(a.get(), &entree);
        if (r == ARCHIVE_EOF)
            break;
        if (r == ARCHIVE_FATAL || r == ARCHIVE_RETRY) {
            signaler(QStringLiteral("L'archive « ") + archiveZip + QStringLiteral(" » est illisible : ")
                     + QString::fromLocal8Bit(archive_error_string(a.get())));
            return false;
        }
        if (r == ARCHIVE_FAILED) {
            signaler(QStringLiteral("Une entrée de l'archive est illisible : ")
                     + QString::fromLocal8Bit(archive_error_string(a.get())));
            tout = false;
            continue;
        }
        bool reussie = false;
        const bool lisible = extraction.Entree(entree, &reussie);
        tout = tout && reussie;
        if (!lisible)
            return false;
    }
    return tout;
}

} // namespace ExtractionArchive
