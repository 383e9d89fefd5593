#include "TableMajASignaler.h"

#include "BaseInterne.h"

namespace TableMajASignaler {

namespace {

// A row whose work is all done, or whose download is gone, has nothing left to do.
bool nettoyer(qint64 idMajDispo)
{
    return BaseInterne::Commande(
        QStringLiteral("DELETE FROM MajASignaler WHERE IdMajDispo = ? AND ((AcquitteeMaj = 1 AND DocAttendueMaj = 0) "
                       "OR IdMajDispo NOT IN (SELECT IdMajDispo FROM MajDispo))"),
        {idMajDispo});
}

} // namespace

bool Ajouter(qint64 idMajDispo, const QString& chemin, bool documentation)
{
    return BaseInterne::Commande(QStringLiteral("INSERT INTO MajASignaler (IdMajDispo, CheminMaj, AcquitteeMaj, "
                                                "DocAttendueMaj) VALUES (?, ?, 0, ?)"),
                                 {idMajDispo, chemin, documentation ? 1 : 0});
}

bool Acquittee(qint64 idMajDispo)
{
    return BaseInterne::Commande(QStringLiteral("UPDATE MajASignaler SET AcquitteeMaj = 1 WHERE IdMajDispo = ?"),
                                 {idMajDispo})
        && nettoyer(idMajDispo);
}

bool DocumentationDemandee(qint64 idMajDispo)
{
    return BaseInterne::Commande(QStringLiteral("UPDATE MajASignaler SET DocAttendueMaj = 0 WHERE IdMajDispo = ?"),
                                 {idMajDispo})
        && nettoyer(idMajDispo);
}

QVector<MajASignaler> Toutes()
{
    QVector<MajASignaler> lignes;
    QSqlQuery q = BaseInterne::Executer(
        QStringLiteral("SELECT S.IdMajDispo, S.CheminMaj, S.AcquitteeMaj, S.DocAttendueMaj, D.NumVersionDispo, "
                       "D.EnvironnementMaj FROM MajASignaler AS S, MajDispo AS D "
                       "WHERE S.IdMajDispo = D.IdMajDispo ORDER BY S.IdMajDispo"));
    while (BaseInterne::Suivante(q)) {
        MajASignaler m;
        m.IdMajDispo = q.value(0).toLongLong();
        m.CheminMaj = q.value(1).toString();
        m.AcquitteeMaj = q.value(2).toLongLong() != 0;
        m.DocAttendueMaj = q.value(3).toLongLong() != 0;
        m.NumVersionDispo = q.value(4).toLongLong();
        m.EnvironnementMaj = q.value(5).toInt();
        lignes.append(m);
    }
    return lignes;
}

} // namespace TableMajASignaler
