#include "statistics/temperaturealarm.h"

int gisTempAlarm = 0;
