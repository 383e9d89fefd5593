#include "SauvegardeBase.h"

#include "BaseInterne.h"
#include "Configuration.h"
#include "DeplacementEnregistre.h"
#include "platform/Disque.h"
#include "platform/IdentiteFichier.h"
#include "platform/Systeme.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QThread>
#include <sqlite3.h>

namespace SauvegardeBase {

namespace {

constexpr int kAttenteVerrouMs = 5000;

// One connection of the engine, closed with the object.
class Connexion
{
public:
    Connexion(const QString& chemin, int drapeaux)
    {
        m_code = sqlite3_open_v2(QFile::encodeName(chemin).constData(), &m_base, drapeaux, nullptr);
        if (m_base)
            sqlite3_busy_timeout(m_base, kAttenteVerrouMs);
    }
    ~Connexion() { Fermer(); }
    Connexion(const Connexion&) = delete;
    Connexion& operator=(const Connexion&) = delete;

    bool Ouverte() const { return m_code == SQLITE_OK; }
    sqlite3* Base() const { return m_base; }
    QString Erreur() const { return m_base ? QString::fromUtf8(sqlite3_errmsg(m_base)) : QStringLiteral("mémoire"); }
    bool Fermer()
    {
        const bool ok = !m_base || sqlite3_close(m_base) == SQLITE_OK;
        m_base = nullptr;
        return ok;
    }

    // The first column of the first row of a statement; empty when it fails.
    QString Valeur(const char* sql, QString* erreur) const
    {
        sqlite3_stmt* instruction = nullptr;
        QString valeur;
        if (sqlite3_prepare_v2(m_base, sql, -1, &instruction, nullptr) == SQLITE_OK
            && sqlite3_step(instruction) == SQLITE_ROW)
            valeur = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(instruction, 0)));
        else
            *erreur = Erreur();
        sqlite3_finalize(instruction);
        return valeur;
    }

private:
    sqlite3* m_base = nullptr;
    int m_code = SQLITE_ERROR;
};

bool echec(QString* erreur, const QString& texte)
{
    *erreur = texte;
    return false;
}

// The whole database in one step, that is one consistent moment even while another program
// writes; a lock held by a writer is waited for a while.
bool copier(const Connexion& source, const Connexion& copie, QString* erreur)
{
    sqlite3_backup* sauvegarde = sqlite3_backup_init(copie.Base(), "main", source.Base(), "main");
    if (!sauvegarde)
        return echec(erreur, copie.Erreur());
    int code = SQLITE_OK;
    for (int essai = 0; essai < kAttenteVerrouMs / 50; ++essai) {
        code = sqlite3_backup_step(sauvegarde, -1);
        if (code != SQLITE_BUSY && code != SQLITE_LOCKED)
            break;
        QThread::msleep(50);
    }
    sqlite3_backup_finish(sauvegarde);
    if (code != SQLITE_DONE)
        return echec(erreur, QString::fromUtf8(sqlite3_errstr(code)));
    return true;
}

// Copies into the file at `chemin` and leaves it standing alone and checked.
bool copierVers(const Connexion& source, const QString& chemin, QString* erreur)
{
    Connexion copie(chemin, SQLITE_OPEN_READWRITE);
    if (!copie.Ouverte())
        return echec(erreur, chemin + QStringLiteral(" : ") + copie.Erreur());
    if (!copier(source, copie, erreur))
        return false;
    // The copy stands alone: its pages hold everything, no log file goes with it.
    QString raison;
    if (copie.Valeur("PRAGMA journal_mode = DELETE", &raison).compare(QLatin1String("delete"), Qt::CaseInsensitive)
        != 0)
        return echec(erreur, QStringLiteral("mode du journal de la copie : ") + raison);
    const QString controle = copie.Valeur("PRAGMA integrity_check", &raison);
    if (controle != QLatin1String("ok"))
        return echec(erreur,
                     QStringLiteral("la copie ne passe pas le contrôle d'intégrité : ")
                         + (controle.isEmpty() ? raison : controle));
    if (!copie.Fermer())
        return echec(erreur, copie.Erreur());
    return Disque::SynchroniserFichier(chemin, &raison) || echec(erreur, chemin + QStringLiteral(" : ") + raison);
}

// The files the server keeps in its program folder: replacing one would break the running
// server (its log, its locks, its sockets, the service's mark) or lose what it holds.
QStringList fichiersDuServeur(const QString& dossier)
{
    const QString base = QDir(dossier).filePath(BaseInterne::NomFichier());
    return {base,
            base + QStringLiteral("-wal"),
            base + QStringLiteral("-shm"),
            base + QStringLiteral("-journal"),
            Systeme::InstanceUnique::CheminDansLeDossier(dossier),
            Systeme::InstanceUnique::CheminVerrouDeSession(dossier),
            Systeme::InstanceUnique::CheminCanalDeSession(dossier),
            Systeme::InstanceUnique::CheminMarqueDuService(dossier),
            Systeme::InstanceUnique::CheminCanalDuService(dossier),
            QDir(dossier).filePath(FichierConfiguration::Nom()),
            DeplacementEnregistre::CheminDans(dossier)};
}

// Where the copy may be written: a free name, or a regular file that is none of the server's
// own files, compared by what they are (device and inode) once links are followed, not by
// name. Empty with the reason when refused; otherwise the path to write, links resolved.
QString cibleAdmise(const QString& destination, const QString& dossierProgramme, QString* erreur)
{
    const QFileInfo demandee(QFileInfo(destination).absoluteFilePath());
    QString cible = demandee.absoluteFilePath();
    QString dite = destination;
    if (demandee.isSymLink()) {
        cible = demandee.canonicalFilePath();
        if (cible.isEmpty()) {
            echec(erreur, destination + QStringLiteral(" est un lien symbolique qui ne mène à aucun fichier"));
            return QString();
        }
        dite = destination + QStringLiteral(" (lien vers ") + cible + QLatin1Char(')');
    }
    const QStringList propres = fichiersDuServeur(dossierProgramme);
    const IdentiteFichier::Description trouvee = IdentiteFichier::Decrire(cible);
    if (trouvee.Genre == IdentiteFichier::Nature::Absent) {
        // A free name is one of the server's own only in the program folder itself, however
        // that folder is reached.
        const QString dossier = QFileInfo(cible).absolutePath();
        const QString reel = QFileInfo(dossier).canonicalFilePath();
        if (!reel.isEmpty())
            cible = QDir(reel).filePath(QFileInfo(cible).fileName());
        if (IdentiteFichier::MemeFichier(dossier, dossierProgramme)) {
            for (const QString& propre : propres) {
                if (QFileInfo(propre).fileName() == QFileInfo(cible).fileName()) {
                    echec(erreur,
                          dite + QStringLiteral(" porte le nom du fichier ") + QFileInfo(propre).fileName()
                              + QStringLiteral(" du serveur dans son dossier"));
                    return QString();
                }
            }
        }
        return cible;
    }
    if (trouvee.Genre != IdentiteFichier::Nature::Fichier) {
        echec(erreur,
              dite + QStringLiteral(" est ") + IdentiteFichier::TexteNature(trouvee.Genre)
                  + QStringLiteral(", pas un fichier ordinaire : rien n'y est écrit"));
        return QString();
    }
    for (const QString& propre : propres) {
        if (IdentiteFichier::Decrire(propre).MemeQue(trouvee)) {
            echec(erreur,
                  dite + QStringLiteral(" est le fichier ") + QFileInfo(propre).fileName()
                      + QStringLiteral(" du serveur (") + propre + QStringLiteral(") : il n'est pas remplacé"));
            return QString();
        }
    }
    return cible;
}

} // namespace

bool Sauvegarder(const QString& base, const QString& destination, QString* erreur)
{
    if (!QFileInfo(base).isFile())
        return echec(erreur, QStringLiteral("base introuvable : ") + base);
    const QString admise = cibleAdmise(destination, QFileInfo(base).absolutePath(), erreur);
    if (admise.isEmpty())
        return false;
    const QFileInfo cible(admise);

    Connexion source(base, SQLITE_OPEN_READONLY);
    if (!source.Ouverte())
        return echec(erreur, base + QStringLiteral(" : ") + source.Erreur());

    // The copy's temporary name, removed with this object unless the copy takes its name.
    QTemporaryFile provisoire(cible.absoluteFilePath() + QStringLiteral(".partiel-XXXXXX"));
    if (!provisoire.open())
        return echec(erreur, cible.absolutePath() + QStringLiteral(" : ") + provisoire.errorString());
    provisoire.close();
    const QString chemin = provisoire.fileName();
    QString raison;
    if (copierVers(source, chemin, erreur) && Disque::Renommer(chemin, cible.absoluteFilePath(), &raison)) {
        provisoire.setAutoRemove(false);
        return true;
    }
    if (!raison.isEmpty())
        *erreur = destination + QStringLiteral(" : ") + raison;
    // The engine's own files beside a copy that failed half way.
    for (const char* suffixe : {"-journal", "-wal", "-shm"})
        QFile::remove(chemin + QLatin1String(suffixe));
    return false;
}

} // namespace SauvegardeBase
