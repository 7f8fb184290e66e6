// Rows 610-619 added after the table's last: fail-safe warnings: silent board, blind cycle, picture writes,
// a cycle the lost camera left unjudged.
#include "core/uitextrows.h"

namespace {
const UiTextRow kRows[] = {
    {610, "警告：I/O板无应答，触发信号无法处理",
        "Warning: the I/O board does not answer, triggers cannot be handled",
        "警告：I/O板無應答，觸發訊號無法處理"},
    {611, "警告：I/O板无应答，第%1段未检测；确认后解除合模禁止",
        "Warning: stage %1 was not judged, the I/O board did not answer; confirm to release the mould",
        "警告：I/O板無應答，第%1段未檢測；確認後解除合模禁止"},
    {612, "警告：不良图片未能保存：%1",
        "Warning: NG picture not saved: %1",
        "警告：不良圖片未能儲存：%1"},
    {613, "警告：监控停顿%1毫秒，期间的信号可能丢失",
        "Warning: monitoring was held up for %1 ms, signals in that time may be lost",
        "警告：監控停頓%1毫秒，期間的訊號可能遺失"},
    {614, "数据库文件忙（被其他程序锁定），请重启！",
        "Database file is busy (locked by another program), please restart!",
        "資料庫檔案忙（被其他程式鎖定），請重啟！"},
    {615, "警告：相机断开期间有一个周期未检测；确认后解除合模禁止",
        "Warning: a machine cycle came while the camera was lost and was not judged; confirm to release the mould",
        "警告：相機斷開期間有一個週期未檢測；確認後解除合模禁止"},
};
}  // namespace

const UiTextRow* const kUiTextRows_failsafe = kRows;
const int kUiTextRowCount_failsafe = int(sizeof(kRows) / sizeof(kRows[0]));
