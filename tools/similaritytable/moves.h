#pragma once
#include "tests/common/photoset.h"

// Prints the tables of moves within and beyond the tolerated pixel (tools/similaritytable/moves.cpp).
void printMoves(const photos::Set& set);
