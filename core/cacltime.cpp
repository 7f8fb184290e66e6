#include "core/cacltime.h"

#include <QtGlobal>

struct timeval startT = {0, 0};
struct timeval finishT = {0, 0};
int allT = 0;
int numT = 0;
int maxT = 0;
int minT = 10000;
int nextT = 0;
int lastT = 0;

void CaclTime()
{
    struct timeval now;
    gettimeofday(&now, nullptr);
    CaclTime(now);
}

void CaclTime(const struct timeval& finish)
{
    finishT = finish;
    const long ms = (finishT.tv_sec - startT.tv_sec) * 1000L + (finishT.tv_usec - startT.tv_usec) / 1000L;
    const double span = double(ms);
    allT = int(allT + span);
    ++numT;
    if (span > maxT)
        maxT = int(span);
    if (minT > span)
        minT = int(span);
    lastT = nextT;
    nextT = int(span);
    qDebug("%f\n", span);
}
