#include "console/verification/ProgressionTelechargement.h"

#include <QProgressBar>

namespace ProgressionTelechargement {

void Fixer(QProgressBar* barre, qint64 recus, qint64 taille)
{
    barre->setRange(0, 1000);
    barre->setValue(taille > 0 ? static_cast<int>(qBound(qint64(0), recus * 1000 / taille, qint64(1000))) : 0);
    barre->setVisible(true);
}

} // namespace ProgressionTelechargement
