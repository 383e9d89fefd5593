#pragma once

#include <QDate>
#include <QString>
#include <QVector>

// The event journal (EvtMaj). Types: 0 information, 1 anomaly, 2 warning.
struct Evenement
{
    qint64 IdEvtMaj = 0;
    QString TypeEvt; // as stored; a value that is not a number is shown as information
    QString MessageEvt;
    QString DateEvt; // YYYY-MM-DD
    QString HeureEvt; // hh:mm:ss
};

enum TypeEvenement : int
{
    Information = 0,
    Anomalie = 1,
    Avertissement = 2
};

// Appends one event, dated with the clock at the moment of the call.
void AjouterEvenement(int TypeEvt, const QString& MessageEvt);

namespace TableJournal {

// Every event, newest first.
QVector<Evenement> Tous();

// Deletes the events of that day and of every earlier day.
bool PurgerJusquAu(const QDate& date);

} // namespace TableJournal
