// Rows 690-699 added after the table's last: network parameters, other networks and reminders;
// rows 700-709: what is wrong with a network card the settings refuse.
#include "core/uitextrows.h"

namespace {
const UiTextRow kRows[] = {
    {690, "设备号只能由1-63个字母、数字和\"-\"组成，\r\n且不能以\"-\"开头或结尾，\r\n网络设置未修改！",
        "The device number may only hold 1-63 \r\n letters, digits and \"-\" (not first or last), \r\n the network settings are not changed!",
        "設備號只能由1-63個字母、數字和\"-\"組成，\r\n且不能以\"-\"開頭或結尾，\r\n網路設定未修改！"},
    {691, "wifi名称须为1-32字节，密码须为8-63个\r\n可打印ASCII字符，均不能含双引号，\r\nwifi设置未修改！",
        "The wifi name must have 1-32 bytes and the \r\n password 8-63 printable ASCII characters, \r\n neither with a double quote; not changed!",
        "wifi名稱須為1-32位元組，密碼須為8-63個\r\n可列印ASCII字元，均不能含雙引號，\r\nwifi設定未修改！"},
    {692, "wifi设置复制失败！",
        "The wifi settings could not be copied!",
        "wifi設定複製失敗！"},
    {693, "服务器地址须为IP地址，\r\n端口须为1-65535，\r\n服务器设置未修改！",
        "Server addresses must be IP addresses and \r\n ports 1-65535, the server settings \r\n are not changed!",
        "伺服器位址須為IP位址，\r\n連接埠須為1-65535，\r\n伺服器設定未修改！"},
    {694, "服务器设置保存失败！",
        "The server settings could not be saved!",
        "伺服器設定儲存失敗！"},
    {695, "网络流量", "Network traffic", "網路流量"},
    {696, "有流量", "traffic", "有流量"},
    {697, "无流量", "no traffic", "無流量"},
    // %1 the value's label (rows 329-331), %2 the value, %3 one of rows 701-707.
    {700, "%1 %2 %3，\r\n网络设置未修改！",
        "%1 %2 %3, \r\n the network settings are not changed!",
        "%1 %2 %3，\r\n網路設定未修改！"},
    {701, "不是有效的子网掩码", "is not a valid netmask", "不是有效的子網路遮罩"},
    {702, "是网络本身的地址", "is the network's own address", "是網路本身的位址"},
    {703, "是广播地址", "is the broadcast address", "是廣播位址"},
    {704, "是回环地址", "is a loopback address", "是迴路位址"},
    {705, "是组播或保留地址", "is a multicast or reserved address", "是群播或保留位址"},
    {706, "不在子网内", "is outside the subnet", "不在子網路內"},
    {707, "与IP地址相同", "equals the IP address", "與IP位址相同"},
};
}  // namespace

const UiTextRow* const kUiTextRows_networkpages = kRows;
const int kUiTextRowCount_networkpages = int(sizeof(kRows) / sizeof(kRows[0]));
