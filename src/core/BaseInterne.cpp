#include "BaseInterne.h"

#include "Sortie.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QStringList>
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

int comparerSansCasse(void*, int longueurA, const void* a, int longueurB, const void* b)
{
    const QString ta = QString::fromRawData(static_cast<const QChar*>(a), longueurA / 2);
    const QString tb = QString::fromRawData(static_cast<const QChar*>(b), longueurB / 2);
    return QString::compare(ta, tb, Qt::CaseInsensitive);
}

bool enregistrerCollation(QSqlDatabase& db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    auto* sqlite = *static_cast<sqlite3* const*>(handle.constData());
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

void bindAll(QSqlQuery& q, std::initializer_list<QVariant> valeurs)
{
    int i = 0;
    for (const QVariant& v : valeurs)
        q.bindValue(i++, v);
}

} // namespace

bool Ouvrir(const QString& chemin, QString* erreur)
{
    if (!QFileInfo(chemin).isFile()) {
        if (erreur)
            *erreur = QStringLiteral("fichier absent : ") + chemin;
        return false;
    }
    if (!ouvrirFichier(chemin, erreur))
        return false;
    if (!tablesPresentes(Connexion(), erreur)) {
        Fermer();
        return false;
    }
    return true;
}

bool Initialiser(const QString& chemin, QString* erreur)
{
    if (!ouvrirFichier(chemin, erreur))
        return false;
    QSqlDatabase db = Connexion();
    QStringList existantes = db.tables();
    for (const auto& table : kTables) {
        if (existantes.contains(QLatin1String(table[0])))
            continue;
        QSqlQuery q(db);
        if (!q.exec(QLatin1String(table[1]))) {
            if (erreur)
                *erreur = q.lastError().text();
            return false;
        }
    }
    return true;
}

void Fermer()
{
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
    if (!q.prepare(sql)) {
        Sortie::Ecrire(QStringLiteral("Base interne : instruction refusée (") + q.lastError().text()
                       + QStringLiteral(") : ") + sql);
        return q;
    }
    bindAll(q, valeurs);
    if (!q.exec())
        Sortie::Ecrire(QStringLiteral("Base interne : échec de l'instruction (") + q.lastError().text()
                       + QStringLiteral(") : ") + sql);
    return q;
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
    return Connexion().commit();
}

} // namespace BaseInterne
