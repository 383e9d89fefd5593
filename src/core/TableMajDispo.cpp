#include "TableMajDispo.h"

#include "BaseInterne.h"

namespace TableMajDispo {

namespace {

MajDispo lire(const QSqlQuery& q)
{
    MajDispo m;
    m.IdMajDispo = q.value(QStringLiteral("IdMajDispo")).toLongLong();
    m.NumVersionDispo = q.value(QStringLiteral("NumVersionDispo")).toLongLong();
    m.NomFichierMaj = q.value(QStringLiteral("NomFichierMaj")).toString();
    m.EnvironnementMaj = q.value(QStringLiteral("EnvironnementMaj")).toInt();
    m.ConditionServeurMaj = q.value(QStringLiteral("ConditionServeurMaj")).toLongLong() != 0;
    m.DocAssociee = q.value(QStringLiteral("DocAssociee")).toLongLong() != 0;
    m.DateMajDispo = q.value(QStringLiteral("DateMajDispo")).toString();
    m.HeureMajDispo = q.value(QStringLiteral("HeureMajDispo")).toString();
    return m;
}

QVector<MajDispo> toutLire(QSqlQuery q)
{
    QVector<MajDispo> liste;
    while (BaseInterne::Suivante(q))
        liste.append(lire(q));
    return liste;
}

} // namespace

QVector<MajDispo> ToutesDecroissant()
{
    return toutLire(BaseInterne::Executer(QStringLiteral("SELECT * FROM MajDispo ORDER BY IdMajDispo DESC")));
}

std::optional<MajDispo> Derniere()
{
    QSqlQuery q = BaseInterne::Executer(QStringLiteral("SELECT * FROM MajDispo ORDER BY IdMajDispo DESC LIMIT 1"));
    if (!BaseInterne::Suivante(q))
        return std::nullopt;
    return lire(q);
}

qint64 Inserer(const MajDispo& m)
{
    QSqlQuery q = BaseInterne::Executer(
        QStringLiteral("INSERT INTO MajDispo(NumVersionDispo, NomFichierMaj, EnvironnementMaj, ConditionServeurMaj, "
                       "DocAssociee, DateMajDispo, HeureMajDispo) VALUES (?, ?, ?, ?, ?, ?, ?)"),
        {m.NumVersionDispo, m.NomFichierMaj, m.EnvironnementMaj, m.ConditionServeurMaj ? 1 : 0, m.DocAssociee ? 1 : 0,
         m.DateMajDispo, m.HeureMajDispo});
    return q.isActive() ? q.lastInsertId().toLongLong() : 0;
}

QVector<MajDispo> PostesApres(qint64 version)
{
    return toutLire(BaseInterne::Executer(
        QStringLiteral("SELECT * FROM MajDispo WHERE EnvironnementMaj = 0 AND NumVersionDispo > ? "
                       "ORDER BY IdMajDispo ASC"),
        {version}));
}

QVector<qint64> VersionsPostesDisponibles(qint64 version)
{
    QSqlQuery q = BaseInterne::Executer(
        QStringLiteral("SELECT MD.NumVersionDispo FROM MajDispo AS MD "
                       "WHERE MD.EnvironnementMaj = 0 AND MD.NumVersionDispo > ? "
                       "AND (IFNULL(MD.ConditionServeurMaj, 0) = 0 OR IFNULL((SELECT MA.MajInstall "
                       "FROM MajAttente AS MA, MajDispo AS S WHERE MA.IdMajDispo = S.IdMajDispo "
                       "AND S.NumVersionDispo = MD.NumVersionDispo ORDER BY MA.IdMajAttente LIMIT 1), 0) <> 0) "
                       "ORDER BY MD.IdMajDispo ASC"),
        {version});
    QVector<qint64> versions;
    while (BaseInterne::Suivante(q))
        versions.append(q.value(0).toLongLong());
    return versions;
}

std::optional<MajDispo> PosteDeVersion(qint64 version)
{
    QSqlQuery q = BaseInterne::Executer(
        QStringLiteral("SELECT * FROM MajDispo WHERE EnvironnementMaj = 0 AND NumVersionDispo = ? "
                       "ORDER BY IdMajDispo LIMIT 1"),
        {version});
    if (!BaseInterne::Suivante(q))
        return std::nullopt;
    return lire(q);
}

qint64 Compte()
{
    QSqlQuery q = BaseInterne::Executer(QStringLiteral("SELECT COUNT(IdMajDispo) AS Compte FROM MajDispo"));
    return BaseInterne::Suivante(q) ? q.value(0).toLongLong() : 0;
}

QVector<MajDispo> NommantFichier(const QString& nom)
{
    return toutLire(BaseInterne::Executer(
        QStringLiteral("SELECT * FROM MajDispo WHERE NomFichierMaj = ? COLLATE SANSCASSE ORDER BY IdMajDispo"), {nom}));
}

QVector<MajDispo> Toutes()
{
    return toutLire(BaseInterne::Executer(QStringLiteral("SELECT * FROM MajDispo ORDER BY IdMajDispo")));
}

} // namespace TableMajDispo
