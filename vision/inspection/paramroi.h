#pragma once
// One judged region's result row for the plant report; the inspection of one verdict collects
// them in g_listParamROI, the verdict sends and clears the list.
#include <QList>

struct param_roi {
    int camera = 0;  // 0-based
    int stage = 0;   // 0-based
    int region = 0;
    int method = 0;
    int value = 0;
    int lower = 0;
    int upper = 0;
    int ok = 0;      // 1 OK, 0 NG
};

extern QList<param_roi> g_listParamROI;
