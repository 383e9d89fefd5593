#include "Sortie.h"

#include <QDateTime>
#include <cstdio>

namespace Sortie {

void Ecrire(const QString& texte)
{
    const QString ligne = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
        + QLatin1Char(' ') + texte + QLatin1Char('\n');
    std::fputs(ligne.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

} // namespace Sortie
