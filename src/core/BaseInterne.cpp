#include "BaseInterne.h"

#include "AlerteEcriture.h"
#include "Sortie.h"
#include "platform/Systeme.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QStringList>
#include <QTimer>
#include <iterator>
#include <sqlite3.h>

namespace BaseInterne {

namespace {

const QString kConnexion = QStringLiteral("ConnexionInterne");

const char* const kTables[][2] = {
    {"ParamMajInt",
     "CREATE TABLE ParamMajInt (IdParamMajInt INTEGER PRIMARY KEY AUTOINCREMENT, Lundi INTEGER, Mardi INTEGER, "
     "Mercredi INTEGER, Jeudi INTEGER, Vendredi INTEGER, Samedi INTEGER, Dimanche INTEGER, HeureVerifMaj TEXT, "
     "EmplacementMaj TEXT, UtilisateurMaj TEXT, MotDePasseMaj TEXT, ProxyActifMaj INTEGER, AdresseProxyMaj TEXT, "
     "PortProxyMaj TEXT, UtilisateurProxyMaj TEXT, MotDePasseProxyMaj TEXT, NecessiteAuthProxyMaj INTEGER)"},
    {"MajDispo",
     "CREATE TABLE MajDispo (IdMajDispo INTEGER PRIMARY KEY AUTOINCREMENT, NumVersionDispo INTEGER, "
     "NomFichierMaj TEXT, EnvironnementMaj INTEGER, ConditionServeurMaj INTEGER, DocAssociee INTEGER, "
     "DateMajDispo TEXT, HeureMajDispo TEXT)"},
    {"MajAttente",
     "CREATE TABLE MajAttente (IdMajAttente INTEGER PRIMARY KEY AUTOINCREMENT, IdMajDispo INTEGER, "
     "DateAjoutMaj TEXT, MajInstall INTEGER, DiffereOuiNon INTEGER)"},
    {"MajPoste",
     "CREATE TABLE MajPoste (IdMajPoste INTEGER PRIMARY KEY AUTOINCREMENT, NomPoste TEXT, AdresseMACPoste TEXT, "
     "AdresseIPPoste TEXT, PosteSuppr INTEGER)"},
    {"MajHistorique", "CREATE TABLE MajHistorique (IdMajPoste INTEGER, VersionMaj INTEGER, DateInstallVersion TEXT)"},
    {"EvtMaj",
     "CREATE TABLE EvtMaj (IdEvtMaj INTEGER PRIMARY KEY AUTOINCREMENT, TypeEvt INTEGER, MessageEvt TEXT, "
     "DateEvt TEXT, HeureEvt TEXT)"},
    {"MajResponsable",
     "CREATE TABLE MajResponsable (IdResponsable INTEGER PRIMARY KEY AUTOINCREMENT, NomResponsable TEXT)"},
};

// Tables of this program's own beyond the seven: added to a database that lacks them when it
// is opened, so that a file made by an earlier version keeps working.
const char* const kTablesAjoutees[][2] = {
    {"MajASignaler",
     "CREATE TABLE MajASignaler (IdMajDispo INTEGER PRIMARY KEY, CheminMaj TEXT, AcquitteeMaj INTEGER, "
     "DocAttendueMaj INTEGER)"},
};

// Failures and locks, defined at the end of this file.
sqlite3* poignee(const QSqlDatabase& db);
void passerEnWal(QSqlDatabase& db);
bool estEcriture(const QString& sql);
bool fichierDeplace();
void noterEchec(const QString& raison, int code, const QString& sql, bool ecriture);
void noterReussite(bool ecriture);
void armerPointDeControle();
void desarmerPointDeControle();

int comparerSansCasse(void*, int longueurA, const void* a, int longueurB, const void* b)
{
    const QString ta = QString::fromRawData(static_cast<const QChar*>(a), longueurA / 2);
    const QString tb = QString::fromRawData(static_cast<const QChar*>(b), longueurB / 2);
    return QString::compare(ta, tb, Qt::CaseInsensitive);
}

bool enregistrerCollation(QSqlDatabase& db)
{
    sqlite3* sqlite = poignee(db);
    return sqlite
        && sqlite3_create_collation(sqlite, "SANSCASSE", SQLITE_UTF16, nullptr, &comparerSansCasse) == SQLITE_OK;
}

bool ouvrirFichier(const QString& chemin, QString* erreur)
{
    Fermer();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnexion);
    db.setDatabaseName(chemin);
    if (!db.open()) {
        if (erreur)
            *erreur = db.lastError().text();
        return false;
    }
    // A file that is not a database only shows itself at the first read.
    QSqlQuery essai(db);
    if (!essai.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        if (erreur)
            *erreur = essai.lastError().text();
        db.close();
        return false;
    }
    essai.finish();
    QSqlQuery(db).exec(QStringLiteral("PRAGMA busy_timeout = 5000"));
    if (!enregistrerCollation(db)) {
        if (erreur)
            *erreur = QStringLiteral("collation SANSCASSE indisponible");
        db.close();
        return false;
    }
    return true;
}

// A file that opens as SQLite but lacks one of the seven tables is not this program's database
// (an empty file, another program's database): running on it would lose every write.
bool tablesPresentes(const QSqlDatabase& db, QString* erreur)
{
    const QStringList existantes = db.tables();
    QStringList manquantes;
    for (const auto& table : kTables) {
        if (!existantes.contains(QLatin1String(table[0])))
            manquantes.append(QLatin1String(table[0]));
    }
    if (manquantes.isEmpty())
        return true;
    if (erreur)
        *erreur = QStringLiteral("tables absentes : ") + manquantes.join(QStringLiteral(", "))
            + QStringLiteral(" (quentaris-serveur --init-db les crée)");
    return false;
}

// False with the engine's reason when a missing table could not be created.
bool ajouterTables(QSqlDatabase& db, const char* const (*tables)[2], std::size_t nombre, QString* erreur)
{
    const QStringList existantes = db.tables();
    for (std::size_t i = 0; i < nombre; ++i) {
        if (existantes.contains(QLatin1String(tables[i][0])))
            continue;
        QSqlQuery q(db);
        if (!q.exec(QLatin1String(tables[i][1]))) {
            if (erreur)
                *erreur = q.lastError().text();
            return false;
        }
    }
    return true;
}

void bindAll(QSqlQuery& q, std::initializer_list<QVariant> valeurs)
{
    int i = 0;
    for (const QVariant& v : valeurs)
        q.bindValue(i++, v);
}

// The files of the database, and its folder, that this program may not use, and why: a
// reason from the engine alone ("unable to open database file") names neither.
QString accesRefuses(const QString& chemin)
{
    QStringList refus;
    const auto verifier = [&refus](const QString& fichier) {
        const QString raison = Systeme::AccesRefuse(fichier, true);
        if (!raison.isEmpty())
            refus.append(fichier + QStringLiteral(" : ") + raison);
    };
    verifier(chemin);
    for (const char* suffixe : {"-wal", "-shm"}) {
        if (QFileInfo::exists(chemin + QLatin1String(suffixe)))
            verifier(chemin + QLatin1String(suffixe));
    }
    verifier(QFileInfo(chemin).absolutePath());
    return refus.join(QStringLiteral(" ; "));
}

// The reason given, followed by what the system refuses, when it refuses something.
QString avecAcces(const QString& raison, const QString& chemin)
{
    const QString refus = accesRefuses(chemin);
    return refus.isEmpty() ? raison : raison + QStringLiteral(" (") + refus + QLatin1Char(')');
}

} // namespace

bool Ouvrir(const QString& chemin, QString* erreur)
{
    if (!QFileInfo(chemin).isFile()) {
        if (erreur)
            *erreur = QStringLiteral("fichier absent : ") + chemin;
        return false;
    }
    if (!ouvrirFichier(chemin, erreur)) {
        if (erreur)
            *erreur = avecAcces(*erreur, chemin);
        return false;
    }
    if (!tablesPresentes(Connexion(), erreur)) {
        Fermer();
        return false;
    }
    QSqlDatabase db = Connexion();
    passerEnWal(db);
    armerPointDeControle();
    // A file that cannot take them now (read-only, locked) still serves; what needs them says so.
    QString raison;
    if (!ajouterTables(db, kTablesAjoutees, std::size(kTablesAjoutees), &raison))
        Sortie::Ecrire(QStringLiteral("Base interne : une table ne peut pas être ajoutée (") + raison
                       + QStringLiteral(") ; quentaris-serveur --init-db l'ajoute."));
    return true;
}

bool Initialiser(const QString& chemin, QString* erreur)
{
    if (!ouvrirFichier(chemin, erreur))
        return false;
    QSqlDatabase db = Connexion();
    passerEnWal(db);
    return ajouterTables(db, kTables, std::size(kTables), erreur)
        && ajouterTables(db, kTablesAjoutees, std::size(kTablesAjoutees), erreur);
}

void Fermer()
{
    desarmerPointDeControle();
    if (QSqlDatabase::contains(kConnexion)) {
        {
            QSqlDatabase db = QSqlDatabase::database(kConnexion, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(kConnexion);
    }
}

QSqlDatabase Connexion()
{
    return QSqlDatabase::database(kConnexion, false);
}

QSqlQuery Executer(const QString& sql, std::initializer_list<QVariant> valeurs)
{
    QSqlQuery q(Connexion());
    q.setForwardOnly(true);
    const bool ecriture = estEcriture(sql);
    if (ecriture && fichierDeplace()) {
        noterEchec(QStringLiteral("le fichier a été supprimé ou déplacé depuis son ouverture"), 0, sql, true);
        return q;
    }
    if (!q.prepare(sql)) {
        noterEchec(q.lastError().text(), q.lastError().nativeErrorCode().toInt(), sql, ecriture);
        return q;
    }
    bindAll(q, valeurs);
    if (!q.exec()) {
        noterEchec(q.lastError().text(), q.lastError().nativeErrorCode().toInt(), sql, ecriture);
        return q;
    }
    noterReussite(ecriture);
    return q;
}

bool Suivante(QSqlQuery& q)
{
    if (q.next())
        return true;
    // An inactive query has failed already, and was counted then.
    if (q.isActive() && q.lastError().isValid())
        noterEchec(q.lastError().text(), q.lastError().nativeErrorCode().toInt(), q.lastQuery(), false);
    return false;
}

bool Commande(const QString& sql, std::initializer_list<QVariant> valeurs)
{
    return Executer(sql, valeurs).isActive();
}

QString TexteDate(const QDate& date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

Transaction::Transaction() : m_ouverte(Connexion().transaction()) { }

Transaction::~Transaction()
{
    if (m_ouverte)
        Connexion().rollback();
}

bool Transaction::Valider()
{
    if (!m_ouverte)
        return false;
    m_ouverte = false;
    // Through a statement rather than the driver's commit, which loses the engine's error code.
    QSqlQuery q(Connexion());
    if (!q.exec(QStringLiteral("COMMIT"))) {
        noterEchec(q.lastError().text(), q.lastError().nativeErrorCode().toInt(), QStringLiteral("COMMIT"), true);
        Connexion().rollback();
        return false;
    }
    noterReussite(true);
    return true;
}

// ---- Failures and locks ----

namespace {

QTimer* g_pointDeControle = nullptr; // copies the log into the file while the database is open
int g_delaiPointDeControle = PointDeControleApresMs;
quint64 g_echecs = 0; // failed statements since the start
bool g_verrouRencontre = false; // the last failure met a lock, and no statement has run since
int g_attente = AttenteNormaleMs;
bool g_silence = false;

sqlite3* poignee(const QSqlDatabase& db)
{
    if (!db.isValid() || !db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

bool estVerrou(int code)
{
    const int principal = code & 0xff;
    return principal == SQLITE_BUSY || principal == SQLITE_LOCKED;
}

// Readers then never wait for another program's writer. The mode stays in the file; a file that
// cannot take it (read-only, locked at this moment) keeps its journal and works as before.
void passerEnWal(QSqlDatabase& db)
{
    QSqlQuery q(db);
    if (q.exec(QStringLiteral("PRAGMA journal_mode = WAL")) && q.next()
        && q.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0)
        return;
    Sortie::Ecrire(QStringLiteral("Base interne : le journal WAL ne peut pas être activé (")
                   + (q.lastError().isValid() ? q.lastError().text() : q.value(0).toString())
                   + QStringLiteral(") ; les lectures peuvent attendre les écritures d'autres programmes."));
}

bool estEcriture(const QString& sql)
{
    const QString debut = sql.trimmed().left(7).toUpper();
    return debut.startsWith(QLatin1String("INSERT")) || debut.startsWith(QLatin1String("UPDATE"))
        || debut.startsWith(QLatin1String("DELETE")) || debut.startsWith(QLatin1String("REPLACE"));
}

// The file was deleted or renamed while open: writes would go to a file nobody can open again.
bool fichierDeplace()
{
    sqlite3* base = poignee(Connexion());
    int deplace = 0;
    return base && sqlite3_file_control(base, "main", SQLITE_FCNTL_HAS_MOVED, &deplace) == SQLITE_OK && deplace != 0;
}

void fixerAttente(int ms)
{
    g_attente = ms;
    if (sqlite3* base = poignee(Connexion()))
        sqlite3_busy_timeout(base, ms);
}

void noterEchec(const QString& raison, int code, const QString& sql, bool ecriture)
{
    ++g_echecs;
    const bool verrou = estVerrou(code);
    if (verrou)
        g_verrouRencontre = true;
    if (!g_silence)
        Sortie::Ecrire(QStringLiteral("Base interne : échec de l'instruction (") + raison + QStringLiteral(") : ")
                       + sql);
    // A lock passes; the writes that met it are kept or told by their owners.
    if (ecriture && !verrou)
        AlerteEcriture::Echouee(Connexion().databaseName());
}

// Every few minutes while the database is open, whoever wrote: another program's writes (a
// console of the service, a tool) reach the log too, and only a copy puts them in the file.
// A copy with nothing new to take touches nothing. Never restarted by the writes, so that under
// steady writes the log is still copied every few minutes.
void armerPointDeControle()
{
    if (!g_pointDeControle) {
        if (!QCoreApplication::instance())
            return;
        g_pointDeControle = new QTimer(QCoreApplication::instance());
        QObject::connect(g_pointDeControle, &QTimer::timeout, [] { PointDeControle(); });
    }
    if (!g_pointDeControle->isActive())
        g_pointDeControle->start(g_delaiPointDeControle);
}

void desarmerPointDeControle()
{
    if (g_pointDeControle)
        g_pointDeControle->stop();
}

void noterReussite(bool ecriture)
{
    g_verrouRencontre = false;
    if (ecriture) {
        AlerteEcriture::Reussie();
        armerPointDeControle();
    }
}

} // namespace

SuiviEchecs::SuiviEchecs() : m_debut(g_echecs) { }

bool SuiviEchecs::Echec() const
{
    return g_echecs != m_debut;
}

AttenteCourte::AttenteCourte() : m_precedente(g_attente)
{
    fixerAttente(g_verrouRencontre ? 0 : qMin(g_attente, AttenteCourteMs));
}

AttenteCourte::~AttenteCourte()
{
    fixerAttente(m_precedente);
}

Reessai::Reessai() : m_precedente(g_attente), m_silencePrecedent(g_silence)
{
    fixerAttente(0);
    g_silence = true;
}

Reessai::~Reessai()
{
    fixerAttente(m_precedente);
    g_silence = m_silencePrecedent;
}

bool PointDeControle()
{
    sqlite3* base = poignee(Connexion());
    if (!base)
        return true;
    int journal = 0;
    int copies = 0;
    const int code = sqlite3_wal_checkpoint_v2(base, nullptr, SQLITE_CHECKPOINT_PASSIVE, &journal, &copies);
    if (code == SQLITE_OK && copies >= journal)
        return true;
    // A reader of another program still needs the older pages: tried again at the next turn.
    if (code != SQLITE_OK && code != SQLITE_BUSY)
        Sortie::Ecrire(QStringLiteral("Base interne : le journal WAL ne peut pas être reporté dans le fichier (")
                       + QString::fromUtf8(sqlite3_errstr(code)) + QStringLiteral(")."));
    return false;
}

void FixerDelaiPointDeControle(int ms)
{
    g_delaiPointDeControle = ms;
    if (g_pointDeControle && g_pointDeControle->isActive())
        g_pointDeControle->start(ms);
}

bool VerifierEcriture(QString* raison)
{
    AttenteCourte attente;
    QSqlQuery q(Connexion());
    if (q.exec(QStringLiteral("PRAGMA user_version")) && q.next()) {
        const qint64 version = q.value(0).toLongLong();
        q.finish();
        if (q.exec(QStringLiteral("PRAGMA user_version = ") + QString::number(version)))
            return true;
    }
    const QSqlError erreur = q.lastError();
    if (estVerrou(erreur.nativeErrorCode().toInt())) {
        Sortie::Ecrire(QStringLiteral("Base interne : verrouillée par un autre programme au démarrage (")
                       + erreur.text() + QStringLiteral(")."));
        return true;
    }
    if (raison)
        *raison = avecAcces(erreur.text(), Connexion().databaseName());
    return false;
}

} // namespace BaseInterne
