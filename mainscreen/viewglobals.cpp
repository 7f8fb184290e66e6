#include "mainscreen/viewglobals.h"

int gSource = -1;
QString gTempTime;
int gDrawHint = 0;
