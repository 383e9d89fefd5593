#include "Journal.h"

#include "BaseInterne.h"
#include "Horloge.h"

void AjouterEvenement(int TypeEvt, const QString& MessageEvt)
{
    const QDateTime maintenant = Horloge::Maintenant();
    BaseInterne::Commande(
        QStringLiteral("INSERT INTO EvtMaj(TypeEvt, MessageEvt, DateEvt, HeureEvt) VALUES (?, ?, ?, ?)"),
        {TypeEvt, MessageEvt, BaseInterne::TexteDate(maintenant.date()),
         maintenant.time().toString(QStringLiteral("HH:mm:ss"))});
}

namespace TableJournal {

QVector<Evenement> Tous()
{
    QSqlQuery q = BaseInterne::Executer(
        QStringLiteral("SELECT IdEvtMaj, TypeEvt, MessageEvt, DateEvt, HeureEvt FROM EvtMaj ORDER BY IdEvtMaj DESC"));
    QVector<Evenement> liste;
    while (BaseInterne::Suivante(q))
        liste.append({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
                      q.value(4).toString()});
    return liste;
}

bool PurgerJusquAu(const QDate& date)
{
    return BaseInterne::Commande(QStringLiteral("DELETE FROM EvtMaj WHERE DateEvt <= ?"),
                                 {BaseInterne::TexteDate(date)});
}

} // namespace TableJournal
