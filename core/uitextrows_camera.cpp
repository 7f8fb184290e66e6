// Rows 630-639 added after the table's last: camera, device, advanced and hardware pages; the
// record day file (630-634).
#include "core/uitextrows.h"

namespace {
const UiTextRow kRows[] = {
    // 630-634: the record day and the cycle state.
    {630, "记录日期文件time.txt丢失，记录按%1日处理", "The record day file time.txt was missing: the record is taken as of %1",
     "記錄日期檔案time.txt遺失，記錄按%1日處理"},
    {631, "记录日期文件time.txt已损坏，记录按%1日处理，损坏的文件保存为%2",
     "The record day file time.txt was damaged: the record is taken as of %1, the damaged file was kept as %2",
     "記錄日期檔案time.txt已損壞，記錄按%1日處理，損壞的檔案保存為%2"},
    {635, "网络文件未能完整写入，\r\n网络设置未修改！",
        "The network files could not be written \r\n whole, the network settings are not changed!",
        "網路檔案未能完整寫入，\r\n網路設定未修改！"},
};
}  // namespace

const UiTextRow* const kUiTextRows_camera = kRows;
const int kUiTextRowCount_camera = int(sizeof(kRows) / sizeof(kRows[0]));
