// Rows 660-674 added after the table's last: damaged files (parameter groups, templates, counts,
// statistics, operation record).
#include "core/uitextrows.h"

namespace {
const UiTextRow kRows[] = {
    {660, "参数组%1不能还原：%2\r\n现用参数未改动！",
        "The parameter group %1 cannot be restored: %2\r\nThe parameters in force are unchanged!",
        "參數組%1不能還原：%2\r\n現用參數未改動！"},
    {661, "%1已损坏", "%1 is damaged", "%1已損壞"},
    {662, "缺少%1号相机第%2段的文件夹", "no folder for camera %1 stage %2", "缺少%1號相機第%2段的資料夾"},
    {663, "模板%1无法使用（%2）", "template %1 cannot be used (%2)", "模板%1無法使用（%2）"},
    {664, "参数组还原失败，\r\n现用参数已放回，未重启！",
        "Restoring the parameter group failed,\r\nthe parameters in force were put back, no restart!",
        "參數組還原失敗，\r\n現用參數已放回，未重啟！"},
    {665, "警告：模板%1无法使用（%2），未采用", "Warning: template %1 cannot be used (%2) and is not used",
        "警告：模板%1無法使用（%2），未採用"},
    {666, "文件不存在", "missing", "檔案不存在"},
    {667, "空文件", "empty", "空檔案"},
    {668, "不是文件", "not a file", "不是檔案"},
    {669, "文件不完整", "shorter than its picture", "檔案不完整"},
    {670, "无法读取或尺寸不符", "unreadable or of another size", "無法讀取或尺寸不符"},
    {671, "警告：统计文件%1已损坏，另存为%2；今日统计重新开始",
        "Warning: the statistics file %1 was damaged and is kept as %2; today's statistics start again",
        "警告：統計檔案%1已損壞，另存為%2；今日統計重新開始"},
    {672, "警告：计数文件%1已损坏，另存为%2；无法读取的计数从0开始：%3号相机",
        "Warning: the count file %1 was damaged and is kept as %2; counts that could not be read start at 0: camera %3",
        "警告：計數檔案%1已損壞，另存為%2；無法讀取的計數從0開始：%3號相機"},
    {673, "警告：记录文件%1已损坏，已换成默认文件；损坏的文件另存为%2",
        "Warning: the record file %1 was damaged and replaced by the default copy; the damaged file is kept as %2",
        "警告：記錄檔案%1已損壞，已換成預設檔案；損壞的檔案另存為%2"},
    {674, "警告：记录文件%1不存在，已换成默认文件", "Warning: the record file %1 was missing and was replaced by the default copy",
        "警告：記錄檔案%1不存在，已換成預設檔案"},
};
}  // namespace

const UiTextRow* const kUiTextRows_damage = kRows;
const int kUiTextRowCount_damage = int(sizeof(kRows) / sizeof(kRows[0]));
