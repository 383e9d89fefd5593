#include "Horloge.h"

namespace Horloge {

namespace {
qint64 g_decalageMs = 0;
}

QDateTime Maintenant()
{
    return QDateTime::currentDateTime().addMSecs(g_decalageMs);
}

void Regler(const QDateTime& moment)
{
    g_decalageMs = QDateTime::currentDateTime().msecsTo(moment);
}

void Reinitialiser()
{
    g_decalageMs = 0;
}

} // namespace Horloge
