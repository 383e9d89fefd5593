#include "TablePostes.h"

#include "BaseInterne.h"

namespace TablePostes {

namespace {

Poste lire(const QSqlQuery& q)
{
    Poste p;
    p.IdMajPoste = q.value(QStringLiteral("IdMajPoste")).toLongLong();
    p.NomPoste = q.value(QStringLiteral("NomPoste")).toString();
    p.AdresseMACPoste = q.value(QStringLiteral("AdresseMACPoste")).toString();
    p.AdresseIPPoste = q.value(QStringLiteral("AdresseIPPoste")).toString();
    p.PosteSuppr = q.value(QStringLiteral("PosteSuppr")).toLongLong() != 0;
    return p;
}

} // namespace

std::optional<Poste> ParNom(const QString& nom)
{
    QSqlQuery q = BaseInterne::Executer(
        QStringLiteral("SELECT * FROM MajPoste WHERE NomPoste = ? COLLATE SANSCASSE ORDER BY IdMajPoste LIMIT 1"),
        {nom});
    if (!BaseInterne::Suivante(q))
        return std::nullopt;
    return lire(q);
}

qint64 Inserer(const Poste& p)
{
    QSqlQuery q = BaseInterne::Executer(
        QStringLiteral("INSERT INTO MajPoste (NomPoste,AdresseMACPoste,AdresseIPPoste,PosteSuppr) VALUES (?, ?, ?, 0)"),
        {p.NomPoste, p.AdresseMACPoste, p.AdresseIPPoste});
    return q.isActive() ? q.lastInsertId().toLongLong() : 0;
}

bool AjouterHistorique(qint64 idMajPoste, qint64 version, const QDate& date)
{
    return BaseInterne::Commande(
        QStringLiteral("INSERT INTO MajHistorique (IdMajPoste, VersionMaj, DateInstallVersion) VALUES (?, ?, ?)"),
        {idMajPoste, version, BaseInterne::TexteDate(date)});
}

QVector<Poste> Tous()
{
    QSqlQuery q = BaseInterne::Executer(QStringLiteral(
        "SELECT IdMajPoste, NomPoste, AdresseMACPoste, AdresseIPPoste, PosteSuppr FROM MajPoste ORDER BY IdMajPoste"));
    QVector<Poste> liste;
    while (BaseInterne::Suivante(q))
        liste.append(lire(q));
    return liste;
}

std::optional<Poste> ParId(qint64 idMajPoste)
{
    QSqlQuery q = BaseInterne::Executer(QStringLiteral("SELECT * FROM MajPoste WHERE IdMajPoste = ?"), {idMajPoste});
    if (!BaseInterne::Suivante(q))
        return std::nullopt;
    return lire(q);
}

std::optional<qint64> VersionMax(qint64 idMajPoste)
{
    QSqlQuery q = BaseInterne::Executer(
        QStringLiteral("SELECT MAX(VersionMaj) As Version FROM MajHistorique WHERE IdMajPoste = ?"), {idMajPoste});
    if (!BaseInterne::Suivante(q) || q.value(0).isNull())
        return std::nullopt;
    return q.value(0).toLongLong();
}

bool Supprimer(qint64 idMajPoste)
{
    return BaseInterne::Commande(QStringLiteral("DELETE FROM MajPoste WHERE IdMajPoste = ?"), {idMajPoste});
}

QVector<LigneHistorique> Historique(qint64 idMajPoste)
{
    QSqlQuery q = BaseInterne::Executer(
        QStringLiteral("SELECT IdMajPoste, VersionMaj, DateInstallVersion FROM MajHistorique WHERE IdMajPoste = ? "
                       "ORDER BY VersionMaj DESC, DateInstallVersion DESC, rowid DESC"),
        {idMajPoste});
    QVector<LigneHistorique> liste;
    while (BaseInterne::Suivante(q))
        liste.append({q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toString()});
    return liste;
}

} // namespace TablePostes
