// Rows 600-609 added after the table's last: the monitoring cycle and its faults.
#include "core/uitextrows.h"

namespace {
const UiTextRow kRows[] = {
    // After row 151 "Camera %1 ": a camera that stopped delivering, or was lost, judged NG.
    {600, "无图像", "delivered no picture", "無圖像"},
};
}  // namespace

const UiTextRow* const kUiTextRows_cycle = kRows;
const int kUiTextRowCount_cycle = int(sizeof(kRows) / sizeof(kRows[0]));
