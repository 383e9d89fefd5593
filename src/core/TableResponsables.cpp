#include "TableResponsables.h"

#include "BaseInterne.h"

namespace TableResponsables {

QVector<Responsable> Tous()
{
    QSqlQuery q = BaseInterne::Executer(
        QStringLiteral("SELECT IdResponsable, NomResponsable FROM MajResponsable ORDER BY IdResponsable"));
    QVector<Responsable> liste;
    while (BaseInterne::Suivante(q))
        liste.append({q.value(0).toLongLong(), q.value(1).toString()});
    return liste;
}

qint64 Compte()
{
    QSqlQuery q = BaseInterne::Executer(QStringLiteral("SELECT COUNT(IdResponsable) AS Compte FROM MajResponsable"));
    return BaseInterne::Suivante(q) ? q.value(0).toLongLong() : 0;
}

bool Ajouter(const QString& nom)
{
    return BaseInterne::Commande(QStringLiteral("INSERT INTO MajResponsable(NomResponsable) VALUES(?)"), {nom});
}

bool Renommer(qint64 idResponsable, const QString& nom)
{
    return BaseInterne::Commande(QStringLiteral("UPDATE MajResponsable SET NomResponsable = ? WHERE IdResponsable = ?"),
                                 {nom, idResponsable});
}

bool Supprimer(qint64 idResponsable)
{
    return BaseInterne::Commande(QStringLiteral("DELETE FROM MajResponsable WHERE IdResponsable = ?"), {idResponsable});
}

bool Existe(const QString& nom)
{
    QSqlQuery q = BaseInterne::Executer(
        QStringLiteral("SELECT IdResponsable FROM MajResponsable WHERE NomResponsable = ? COLLATE SANSCASSE LIMIT 1"),
        {nom});
    return BaseInterne::Suivante(q);
}

} // namespace TableResponsables
