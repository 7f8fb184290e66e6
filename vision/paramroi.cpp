#include "vision/paramroi.h"

QList<param_roi> g_listParamROI;
