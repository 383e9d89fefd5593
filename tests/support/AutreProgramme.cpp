#include "AutreProgramme.h"

#include <QDebug>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const QString kNom = QStringLiteral("autre programme");

} // namespace

AutreProgramme::AutreProgramme(const QString& fichier)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kNom);
    db.setDatabaseName(fichier);
    db.open();
}

AutreProgramme::~AutreProgramme()
{
    QSqlDatabase::database(kNom, false).close();
    QSqlDatabase::removeDatabase(kNom);
}

bool AutreProgramme::Executer(const QString& sql)
{
    QSqlQuery q(QSqlDatabase::database(kNom, false));
    const bool ok = q.exec(sql);
    if (!ok)
        qWarning() << sql << q.lastError().text();
    return ok;
}
