#include "vision/gige/gigetimings.h"

namespace {
// Set by tests before a repair runs, never while one runs.
GigeTimings gTimings;
}  // namespace

const GigeTimings& gigeTimings()
{
    return gTimings;
}

void setGigeTimings(const GigeTimings& t)
{
    gTimings = t;
}
