#pragma once

#include <QString>
#include <QVector>

// A download recorded (MajDispo) whose acknowledgement to the service, or documentation, is
// still to come. The row is written in the same transaction as the download's and goes once
// both are done, so that a server stopped in between (a kill, a power cut) finishes them at its
// next check instead of never.
struct MajASignaler
{
    qint64 IdMajDispo = 0;
    QString CheminMaj; // the update's path at the service, as the update list gave it
    bool AcquitteeMaj = false; // the service answered the acknowledgement
    bool DocAttendueMaj = false; // the documentation is still to be fetched
    qint64 NumVersionDispo = 0;
    int EnvironnementMaj = 0;
};

namespace TableMajASignaler {

bool Ajouter(qint64 idMajDispo, const QString& chemin, bool documentation);

// The acknowledgement was answered, whatever the answer.
bool Acquittee(qint64 idMajDispo);
// The documentation was asked for, whatever came of it.
bool DocumentationDemandee(qint64 idMajDispo);

// Every row left, oldest download first, with its download's version and kind.
QVector<MajASignaler> Toutes();

} // namespace TableMajASignaler
