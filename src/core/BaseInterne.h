#pragma once

#include <QDate>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <initializer_list>

// The internal database: one SQLite file, `donnees.db` in the program folder, opened once
// for the whole run. Every statement binds its values; equality of texts ignores letter case
// (collation SANSCASSE, Unicode case folding: É = é, é ≠ e).
namespace BaseInterne {

inline QString NomFichier()
{
    return QStringLiteral("donnees.db");
}

// Opens an existing database file. False (with the reason) when the file is missing, cannot
// be opened as a database, or lacks one of the seven tables.
bool Ouvrir(const QString& chemin, QString* erreur = nullptr);

// Creates the file when absent and adds every missing table; touches nothing else.
bool Initialiser(const QString& chemin, QString* erreur = nullptr);

// Closes the connection (tests, and --init-db).
void Fermer();

QSqlDatabase Connexion();

// Runs a statement with its bound values, in order. A failing statement is written to
// standard error; the query is then inactive. A write (INSERT, UPDATE, DELETE) is refused
// when the file has been deleted or moved since it was opened: what it would write could
// never be read again.
QSqlQuery Executer(const QString& sql, std::initializer_list<QVariant> valeurs = {});

// Same, with the outcome: true when the statement ran.
bool Commande(const QString& sql, std::initializer_list<QVariant> valeurs = {});

// Dates are stored as text YYYY-MM-DD.
QString TexteDate(const QDate& date);

// The next row of a query: false at the end, and when reading failed (then written to
// standard error and counted as a failed statement, see SuiviEchecs).
bool Suivante(QSqlQuery& q);

// Writes that belong together: committed by Valider(), rolled back otherwise.
class Transaction
{
public:
    Transaction();
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    bool Valider();

private:
    bool m_ouverte = false;
};

// Watches the statements run while it lives: Echec() tells whether one of them failed (refused,
// not run, or cut short while its rows were read), so that no answer is computed from a read
// that failed.
class SuiviEchecs
{
public:
    SuiviEchecs();
    bool Echec() const;

private:
    quint64 m_debut;
};

// How long a statement waits for a lock held by another program, in milliseconds.
constexpr int AttenteNormaleMs = 5000;
constexpr int AttenteCourteMs = 100;

// Statements run while it lives wait only briefly for another program's lock, and not at all
// while the lock just met has not let a statement through: a workstation's request never holds
// up the other workstations, the transfers and the console.
class AttenteCourte
{
public:
    AttenteCourte();
    ~AttenteCourte();
    AttenteCourte(const AttenteCourte&) = delete;
    AttenteCourte& operator=(const AttenteCourte&) = delete;

private:
    int m_precedente;
};

// Statements run while it lives do not wait for a lock at all and their failures are not
// written to standard error: writes tried again on a timer, whose owner tells once what happens.
class Reessai
{
public:
    Reessai();
    ~Reessai();
    Reessai(const Reessai&) = delete;
    Reessai& operator=(const Reessai&) = delete;

private:
    int m_precedente;
    bool m_silencePrecedent;
};

// Copies what the log file (donnees.db-wal) holds into the database file itself, without
// waiting for any other program: donnees.db alone then holds everything written so far, for a
// site that backs up the file as it lies. True when everything could be copied. Runs by itself
// every PointDeControleApresMs while the database is open, whichever program wrote, and is
// called after each check, installation and move of the update folder.
bool PointDeControle();
constexpr int PointDeControleApresMs = 2 * 60 * 1000;
// Tests shorten the wait.
void FixerDelaiPointDeControle(int ms);

// Whether the open file can be written, tried by writing the database's own version number
// back as it is. A lock held by another program is no refusal. False with the reason.
bool VerifierEcriture(QString* raison = nullptr);

} // namespace BaseInterne
