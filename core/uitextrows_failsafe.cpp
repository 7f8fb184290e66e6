// Rows 610-619 added after the table's last: fail-safe warnings: silent board, blind cycle, picture writes,
// a cycle the lost camera or a change of the stage count or of the stages' inputs left unjudged.
// Rows 622-627: the start-up hold (a mould the last run left unjudged, parameters replaced by the
// default copy) and damaged default copies.
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
    {616, "警告：检测段数在模具检测中改变，第%1段未检测；确认后解除合模禁止",
        "Warning: the number of stages changed while a mould was being judged, stage %1 was not judged; "
        "confirm to release the mould",
        "警告：檢測段數在模具檢測中改變，第%1段未檢測；確認後解除合模禁止"},
    {619, "警告：检测段的触发输入在模具检测中改变，第%1段未检测；确认后解除合模禁止",
        "Warning: the inputs that start the stages changed while a mould was being judged, stage %1 was not "
        "judged; confirm to release the mould",
        "警告：檢測段的觸發輸入在模具檢測中改變，第%1段未檢測；確認後解除合模禁止"},
    {622, "警告：上次运行结束时有模具尚未检测完，合模禁止保持；确认后解除合模禁止",
        "Warning: the last run ended with a mould not yet judged, the mould stays held; confirm to release the mould",
        "警告：上次執行結束時有模具尚未檢測完，合模禁止保持；確認後解除合模禁止"},
    {623, "警告：参数文件PARAM.db损坏，已换为默认参数（没有检测区域），损坏的文件保存为%1；请还原参数组，或确认后解除合模禁止",
        "Warning: the parameter file PARAM.db was damaged and replaced by the default parameters (no regions), "
        "the damaged copy is kept as %1; restore a parameter group, or confirm to release the mould",
        "警告：參數檔案PARAM.db損壞，已換為預設參數（沒有檢測區域），損壞的檔案保存為%1；請還原參數組，或確認後解除合模禁止"},
    {624, "警告：参数文件PARAM.db无法使用（没有可保存的文件），已换为默认参数（没有检测区域）；请还原参数组，或确认后解除合模禁止",
        "Warning: the parameter file PARAM.db could not be used (no file to keep) and was replaced by the default "
        "parameters (no regions); restore a parameter group, or confirm to release the mould",
        "警告：參數檔案PARAM.db無法使用（沒有可保存的檔案），已換為預設參數（沒有檢測區域）；請還原參數組，或確認後解除合模禁止"},
    {625, "启动警告已由操作员确认，解除合模禁止",
        "Start-up warning confirmed by the operator, the mould is released",
        "啟動警告已由操作員確認，解除合模禁止"},
    {626, "默认文件%1损坏，已按程序内置的默认值重建",
        "The default copy %1 was damaged and has been rebuilt from the program's built-in defaults",
        "預設檔案%1損壞，已按程式內建的預設值重建"},
    {627, "默认文件%1损坏，且无法重建；程序停止，请检查存储器！",
        "The default copy %1 is damaged and could not be rebuilt; the program stops, please check the storage!",
        "預設檔案%1損壞，且無法重建；程式停止，請檢查儲存器！"},
};
}  // namespace

const UiTextRow* const kUiTextRows_failsafe = kRows;
const int kUiTextRowCount_failsafe = int(sizeof(kRows) / sizeof(kRows[0]));
