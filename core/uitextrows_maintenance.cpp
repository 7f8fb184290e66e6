// Rows 640-649 added after the table's last: maintenance actions, system log and help pages.
#include "core/uitextrows.h"

namespace {
const UiTextRow kRows[] = {
    {640, "参数组名称无效（不能以“.”开头，\r\n不能含“/”，不能超过255字节），\r\n请重新输入！",
        "The parameter group name is invalid \r\n (not starting with \".\", no \"/\", \r\n at most 255 bytes), please re-enter!",
        "參數組名稱無效（不能以“.”開頭，\r\n不能含“/”，不能超過255位元組），\r\n請重新輸入！"},
    {641, "默认参数组只能还原，\r\n不能覆盖或删除！",
        "The default parameter group can only \r\n be restored, not overwritten or deleted!",
        "默認參數組只能還原，\r\n不能覆蓋或刪除！"},
    {642, "此参数组没有参数文件，\r\n未还原！",
        "This parameter group holds no \r\n parameter file, nothing restored!",
        "此參數組沒有參數文件，\r\n未還原！"},
    {643, "文件复制失败，\r\n未重启！",
        "Copying the file failed, \r\n no restart!",
        "文件複製失敗，\r\n未重啟！"},
    {644, "导出失败，\r\n图片未删除！",
        "Export failed, \r\n no picture was removed!",
        "導出失敗，\r\n圖片未刪除！"},
    {645, "设置时间失败，\r\n未重启！",
        "Setting the time failed, \r\n no restart!",
        "設置時間失敗，\r\n未重啟！"},
    {649, "参数组备份失败，\r\n参数组未修改！",
        "The parameter group backup failed, \r\n no group is changed!",
        "參數組備份失敗，\r\n參數組未修改！"},
};
}  // namespace

const UiTextRow* const kUiTextRows_maintenance = kRows;
const int kUiTextRowCount_maintenance = int(sizeof(kRows) / sizeof(kRows[0]));
