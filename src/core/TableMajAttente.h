#pragma once

#include "TableMajDispo.h"

#include <QDate>
#include <QVector>
#include <optional>

// One queued server update (MajAttente) with the download it points at.
struct MajAttente
{
    qint64 IdMajAttente = 0;
    qint64 IdMajDispo = 0;
    QString DateAjoutMaj; // YYYY-MM-DD
    bool MajInstall = false;
    bool DiffereOuiNon = false;
    MajDispo Dispo;
};

namespace TableMajAttente {

bool Ajouter(qint64 idMajDispo, const QDate& date);

// Whether any queued server update is not installed yet.
bool ExisteNonInstallee();

// MajInstall of the first queued row whose download has that version; nothing when none.
std::optional<bool> InstalleePourVersion(qint64 version);

// Pending rows, oldest first, joined with their download.
QVector<MajAttente> EnAttente();

bool MarquerInstallee(qint64 idMajAttente);

bool FixerDiffere(qint64 idMajAttente, bool differe);

} // namespace TableMajAttente
