#pragma once

#include "acquisition/LimitesWeb.h"

// The program's web limits with retries that come after a few milliseconds, so that tests
// run through every attempt without waiting.
inline LimitesWeb LimitesCourtes()
{
    LimitesWeb limites;
    limites.RelancesMs = {20, 20, 20};
    return limites;
}

// Sets limits for the time of a test, and puts the program's own back afterwards.
class LimitesTest
{
public:
    explicit LimitesTest(const LimitesWeb& limites = LimitesCourtes()) { RequeteWeb::FixerLimites(limites); }
    ~LimitesTest() { RequeteWeb::FixerLimites(LimitesWeb()); }
    LimitesTest(const LimitesTest&) = delete;
    LimitesTest& operator=(const LimitesTest&) = delete;
};
