// Rows 600-609 added after the table's last: the monitoring cycle and its faults.
#include "core/uitextrows.h"

namespace {
const UiTextRow kRows[] = {
    {-1, "", "", ""},  // placeholder: an array may not be empty; rows outside the table are skipped
};
}  // namespace

const UiTextRow* const kUiTextRows_cycle = kRows;
const int kUiTextRowCount_cycle = int(sizeof(kRows) / sizeof(kRows[0]));
