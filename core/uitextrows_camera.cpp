// Rows 630-639 added after the table's last: camera, device, advanced and hardware pages.
#include "core/uitextrows.h"

namespace {
const UiTextRow kRows[] = {
    {-1, "", "", ""},  // placeholder: an array may not be empty; rows outside the table are skipped
    {635, "网络文件未能完整写入，\r\n网络设置未修改！",
        "The network files could not be written \r\n whole, the network settings are not changed!",
        "網路檔案未能完整寫入，\r\n網路設定未修改！"},
};
}  // namespace

const UiTextRow* const kUiTextRows_camera = kRows;
const int kUiTextRowCount_camera = int(sizeof(kRows) / sizeof(kRows[0]));
