// Rows 620-629 added after the table's last: settings screen frame, accepting, system pages.
#include "core/uitextrows.h"

namespace {
const UiTextRow kRows[] = {
    {620, "地址、子网掩码或网关\r\n不是有效的IP地址，\r\n网络设置未修改！",
        "Address, netmask or gateway is not \r\n a valid IP address, the network \r\n settings are not changed!",
        "位址、子網路遮罩或閘道\r\n不是有效的IP位址，\r\n網路設定未修改！"},
    {621, "参数保存失败！",
        "The parameters could not be saved!",
        "參數儲存失敗！"},
};
}  // namespace

const UiTextRow* const kUiTextRows_system = kRows;
const int kUiTextRowCount_system = int(sizeof(kRows) / sizeof(kRows[0]));
