#include "TableMajAttente.h"

#include "BaseInterne.h"

namespace TableMajAttente {

bool Ajouter(qint64 idMajDispo, const QDate& date)
{
    return BaseInterne::Commande(
        QStringLiteral("INSERT INTO MajAttente (IdMajDispo, DateAjoutMaj, MajInstall, DiffereOuiNon) "
                       "VALUES (?, ?, 0, 0)"),
        {idMajDispo, BaseInterne::TexteDate(date)});
}

bool ExisteNonInstallee()
{
    QSqlQuery q = BaseInterne::Executer(
        QStringLiteral("SELECT IdMajAttente FROM MajAttente WHERE MajInstall = 0 ORDER BY IdMajAttente ASC LIMIT 1"));
    return BaseInterne::Suivante(q);
}

std::optional<bool> InstalleePourVersion(qint64 version)
{
    QSqlQuery q = BaseInterne::Executer(QStringLiteral("SELECT MA.MajInstall FROM MajAttente AS MA, MajDispo AS MD "
                                                       "WHERE MA.IdMajDispo = MD.IdMajDispo AND MD.NumVersionDispo = ? "
                                                       "ORDER BY MA.IdMajAttente LIMIT 1"),
                                        {version});
    if (!BaseInterne::Suivante(q))
        return std::nullopt;
    return q.value(0).toLongLong() != 0;
}

QVector<MajAttente> EnAttente()
{
    QSqlQuery q = BaseInterne::Executer(
        QStringLiteral("SELECT MA.IdMajAttente, MA.IdMajDispo, MA.DateAjoutMaj, MA.MajInstall, MA.DiffereOuiNon, "
                       "MD.NumVersionDispo, MD.NomFichierMaj, MD.EnvironnementMaj, MD.ConditionServeurMaj, "
                       "MD.DocAssociee, MD.DateMajDispo, MD.HeureMajDispo "
                       "FROM MajAttente AS MA, MajDispo AS MD "
                       "WHERE MA.MajInstall = 0 AND MA.IdMajDispo = MD.IdMajDispo ORDER BY MA.IdMajAttente"));
    QVector<MajAttente> liste;
    while (BaseInterne::Suivante(q)) {
        MajAttente a;
        a.IdMajAttente = q.value(0).toLongLong();
        a.IdMajDispo = q.value(1).toLongLong();
        a.DateAjoutMaj = q.value(2).toString();
        a.MajInstall = q.value(3).toLongLong() != 0;
        a.DiffereOuiNon = q.value(4).toLongLong() != 0;
        a.Dispo.IdMajDispo = a.IdMajDispo;
        a.Dispo.NumVersionDispo = q.value(5).toLongLong();
        a.Dispo.NomFichierMaj = q.value(6).toString();
        a.Dispo.EnvironnementMaj = q.value(7).toInt();
        a.Dispo.ConditionServeurMaj = q.value(8).toLongLong() != 0;
        a.Dispo.DocAssociee = q.value(9).toLongLong() != 0;
        a.Dispo.DateMajDispo = q.value(10).toString();
        a.Dispo.HeureMajDispo = q.value(11).toString();
        liste.append(a);
    }
    return liste;
}

bool MarquerInstallee(qint64 idMajAttente)
{
    return BaseInterne::Commande(QStringLiteral("UPDATE MajAttente SET MajInstall = 1 WHERE IdMajAttente = ?"),
                                 {idMajAttente});
}

bool FixerDiffere(qint64 idMajAttente, bool differe)
{
    return BaseInterne::Commande(QStringLiteral("UPDATE MajAttente SET DiffereOuiNon = ? WHERE IdMajAttente = ?"),
                                 {differe ? 1 : 0, idMajAttente});
}

} // namespace TableMajAttente
