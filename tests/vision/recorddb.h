#pragma once
// The record database helpers live with the other shared test helpers.
#include "common/recorddb.h"
