// Rows 646-659 added after the table's last: typed input the settings pages refuse or cut; rows
// 650-659 are kept for the I/O pages, I/O grid and I/O names.
#include "core/uitextrows.h"

namespace {
const UiTextRow kRows[] = {
    {646, "密码最多32个字符，\r\n只能是字母、数字和符号，\r\n密码未修改！",
        "The password may have at most 32 \r\n letters, digits or signs, \r\n the password is not changed!",
        "密碼最多32個字元，\r\n只能是字母、數字和符號，\r\n密碼未修改！"},
    {647, "“%1”须为0-2147483647的整数，\r\n设置未保存！",
        "\"%1\" must be a whole number 0-2147483647, \r\n the settings are not saved!",
        "「%1」須為0-2147483647的整數，\r\n設定未儲存！"},
    {648, "“%1”过长或含无法保存的字符，\r\n保存为：\r\n%2",
        "\"%1\" is too long or has characters \r\n that cannot be stored, it is stored as: \r\n %2",
        "「%1」過長或含無法儲存的字元，\r\n儲存為：\r\n%2"},
};
}  // namespace

const UiTextRow* const kUiTextRows_io = kRows;
const int kUiTextRowCount_io = int(sizeof(kRows) / sizeof(kRows[0]));
