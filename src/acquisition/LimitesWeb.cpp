#include "LimitesWeb.h"

LimitesWeb::LimitesWeb() = default;

namespace RequeteWeb {

namespace {
LimitesWeb g_limites;
} // namespace

const LimitesWeb& Limites()
{
    return g_limites;
}

void FixerLimites(const LimitesWeb& limites)
{
    g_limites = limites;
}

} // namespace RequeteWeb
