#include "core/uitexttable.h"

#include "core/fontsetup.h"
#include "core/uitextrows.h"

QString gaLanStr[LAN_ROWS * LAN_COUNT];
int gLan = 0;

namespace {

void fillRows(const UiTextRow* rows, int count)
{
    for (int i = 0; i < count; ++i) {
        const UiTextRow& r = rows[i];
        if (r.row < 0 || r.row >= LAN_ROWS)
            continue;
        gaLanStr[r.row * LAN_COUNT + 0] = QString::fromUtf8(r.zh);
        gaLanStr[r.row * LAN_COUNT + 1] = QString::fromUtf8(r.en);
        gaLanStr[r.row * LAN_COUNT + 2] = QString::fromUtf8(r.tw);
    }
}

}  // namespace

void Data_Init()
{
    for (QString& s : gaLanStr)
        s.clear();
    fillRows(kUiTextRows0, kUiTextRowCount0);
    fillRows(kUiTextRows1, kUiTextRowCount1);
    fillRows(kUiTextRows2, kUiTextRowCount2);
    fillRows(kUiTextRows3, kUiTextRowCount3);
    // Rows after the table's last, one source per area.
    fillRows(kUiTextRows_cycle, kUiTextRowCount_cycle);
    fillRows(kUiTextRows_failsafe, kUiTextRowCount_failsafe);
    fillRows(kUiTextRows_system, kUiTextRowCount_system);
    fillRows(kUiTextRows_camera, kUiTextRowCount_camera);
    fillRows(kUiTextRows_maintenance, kUiTextRowCount_maintenance);
    fillRows(kUiTextRows_io, kUiTextRowCount_io);
    fillRows(kUiTextRows_network, kUiTextRowCount_network);
    fillRows(kUiTextRows_networkpages, kUiTextRowCount_networkpages);
    fillRows(kUiTextRows_statistics, kUiTextRowCount_statistics);
    fillRows(kUiTextRows_damage, kUiTextRowCount_damage);

    InstallFontSubstitutions();
    LoadSharedPictures();
}
