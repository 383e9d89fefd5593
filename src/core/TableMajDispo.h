#pragma once

#include <QDate>
#include <QString>
#include <QVector>
#include <optional>

// One downloaded update (MajDispo). EnvironnementMaj: 0 workstation, 1 server.
struct MajDispo
{
    qint64 IdMajDispo = 0;
    qint64 NumVersionDispo = 0;
    QString NomFichierMaj;
    int EnvironnementMaj = 0;
    bool ConditionServeurMaj = false;
    bool DocAssociee = false;
    QString DateMajDispo; // YYYY-MM-DD
    QString HeureMajDispo; // hh:mm:ss
};

namespace TableMajDispo {

// Every download, newest first.
QVector<MajDispo> ToutesDecroissant();

// The last download recorded.
std::optional<MajDispo> Derniere();

// Records a download; returns its IdMajDispo, or 0 when the statement failed.
qint64 Inserer(const MajDispo& maj);

// Workstation updates newer than `version`, in download order.
QVector<MajDispo> PostesApres(qint64 version);

// Versions of the workstation updates newer than `version`, in download order, leaving out
// those that wait for a server update of the same version not installed yet (the first queued
// row of that version decides; none queued counts as not installed).
QVector<qint64> VersionsPostesDisponibles(qint64 version);

// The first workstation update of that version.
std::optional<MajDispo> PosteDeVersion(qint64 version);

qint64 Compte();

// Every download whose file has this name in the update folder, letter case ignored (the
// folder may lie on a file system that ignores it), in download order.
QVector<MajDispo> NommantFichier(const QString& nom);

// Every download in table order (identifier, file, documentation flag, version).
QVector<MajDispo> Toutes();

} // namespace TableMajDispo
