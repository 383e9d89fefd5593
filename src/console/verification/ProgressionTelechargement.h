#pragma once

#include <QtGlobal>

class QProgressBar;

// Both status windows show the current download as a bar of 1000 steps, which holds any
// file size.
namespace ProgressionTelechargement {

void Fixer(QProgressBar* barre, qint64 recus, qint64 taille);

} // namespace ProgressionTelechargement
