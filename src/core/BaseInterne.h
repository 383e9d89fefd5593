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
// standard error; the query is then inactive.
QSqlQuery Executer(const QString& sql, std::initializer_list<QVariant> valeurs = {});

// Same, with the outcome: true when the statement ran.
bool Commande(const QString& sql, std::initializer_list<QVariant> valeurs = {});

// Dates are stored as text YYYY-MM-DD.
QString TexteDate(const QDate& date);

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

} // namespace BaseInterne
