#include "console/commun/NonParDefaut.h"

namespace {

int g_actifs = 0;

} // namespace

NonParDefaut::NonParDefaut()
{
    ++g_actifs;
}

NonParDefaut::~NonParDefaut()
{
    --g_actifs;
}

bool NonParDefaut::Actif()
{
    return g_actifs > 0;
}
