#pragma once

#include <QString>

// Another program on the same database file (a backup tool, an administrator in sqlite3),
// through its own SQLite connection.
class AutreProgramme
{
public:
    explicit AutreProgramme(const QString& fichier);
    ~AutreProgramme();
    AutreProgramme(const AutreProgramme&) = delete;
    AutreProgramme& operator=(const AutreProgramme&) = delete;

    // Runs one statement; a failure is written as a test warning.
    bool Executer(const QString& sql);
    // The first value of a query's first row as text; "<échec>" when there is none.
    QString Valeur(const QString& sql);

private:
    QString m_nom;
};
