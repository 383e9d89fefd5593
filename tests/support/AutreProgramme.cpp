#include "AutreProgramme.h"

#include <QDebug>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

AutreProgramme::AutreProgramme(const QString& fichier)
{
    static int numero = 0;
    m_nom = QStringLiteral("autre programme %1").arg(++numero);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_nom);
    db.setDatabaseName(fichier);
    db.open();
}

AutreProgramme::~AutreProgramme()
{
    QSqlDatabase::database(m_nom, false).close();
    QSqlDatabase::removeDatabase(m_nom);
}

bool AutreProgramme::Executer(const QString& sql)
{
    QSqlQuery q(QSqlDatabase::database(m_nom, false));
    const bool ok = q.exec(sql);
    if (!ok)
        qWarning() << sql << q.lastError().text();
    return ok;
}

QString AutreProgramme::Valeur(const QString& sql)
{
    QSqlQuery q(QSqlDatabase::database(m_nom, false));
    if (!q.exec(sql) || !q.next()) {
        qWarning() << sql << q.lastError().text();
        return QStringLiteral("<échec>");
    }
    return q.value(0).toString();
}
