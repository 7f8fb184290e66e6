#include "vision/inspection/paramroi.h"

QList<param_roi> g_listParamROI;
