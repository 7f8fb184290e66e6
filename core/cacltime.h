#pragma once
// Statistics of elapsed times between two marks: the caller sets startT with gettimeofday at the
// start of the span, CaclTime takes the end mark and updates the figures.
#include <sys/time.h>

extern struct timeval startT;
extern struct timeval finishT;
extern int allT;   // sum of the spans, ms
extern int numT;   // number of spans
extern int maxT;   // largest span, ms
extern int minT;   // smallest span, ms (10000 until a smaller one is seen)
extern int nextT;  // latest span, ms
extern int lastT;  // the span before it, ms

void CaclTime();
// The same with a given end mark (tests).
void CaclTime(const struct timeval& finish);
