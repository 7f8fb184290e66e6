#include "mainscreen/regionpagelogic.h"

#include <algorithm>

#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "vision/inspection/cammersingleton.h"

namespace RegionPage {

namespace {

QString row(int r)
{
    return gaLanStr[r * LAN_COUNT + gLan];
}

QString shapeName(int kind)
{
    return row(kind == 1 ? 74 : kind == 4 ? 75 : 76);
}

bool geometryDiffers(const CammerSingleton& o, const CammerSingleton& n, int d, int r)
{
    switch (n.shapeType[d][r]) {
    case 1: return !(o.rects[d][r] == n.rects[d][r]);
    case 4: return !(o.circles[d][r] == n.circles[d][r]);
    default: return !(o.polygons[d][r] == n.polygons[d][r]);
    }
}

// One "from %1 to %2" fragment, empty when the value did not change.
QString fragment(int textRow, int oldValue, int newValue)
{
    return oldValue == newValue ? QString() : row(textRow).arg(oldValue).arg(newValue);
}

QString changedRegion(const CammerSingleton& o, const CammerSingleton& n, int d, int r, bool* positioning)
{
    const bool geometry = geometryDiffers(o, n, d, r);
    const int om = o.method[d][r];
    const int nm = n.method[d][r];
    const QString func = om == nm ? row(84) : row(82) + MethodName(om) + row(83);
    QString q;
    bool anyFragment = false;
    auto add = [&anyFragment](const QString& f) {
        anyFragment = anyFragment || !f.isEmpty();
        return f;
    };
    const int o1 = o.param1[d][r], o2 = o.param2[d][r], o3 = o.param3[d][r];
    const int n1 = n.param1[d][r], n2 = n.param2[d][r], n3 = n.param3[d][r];
    switch (nm) {
    case 1:
        q = row(89)
                .arg(add(fragment(85, SpotMinGrey(o1), SpotMinGrey(n1))))
                .arg(add(fragment(86, SpotMaxGrey(o1), SpotMaxGrey(n1))))
                .arg(add(fragment(87, o2, n2)))
                .arg(add(fragment(88, o3, n3)));
        break;
    case 3:
        *positioning = true;
        q = row(93)
                .arg(add(fragment(90, o2, n2)))
                .arg(add(fragment(91, o3, n3)))
                .arg(add(fragment(92, o1, n1)));
        break;
    case 2:
        q = row(17);
        break;
    default:
        q = row(97)
                .arg(add(fragment(94, o2, n2)))
                .arg(add(fragment(95, o3, n3)))
                .arg(add(fragment(96, o1, n1)));
        break;
    }
    if (om == 3)
        *positioning = true;
    if (!geometry && (nm == 2 || !anyFragment))
        return QString();
    return row(99)
        .arg(shapeName(n.shapeType[d][r]))
        .arg(r + 1)
        .arg(func)
        .arg(q)
        .arg(geometry ? row(98) : QString());
}

QString addedRegion(const CammerSingleton& n, int d, int r, bool* positioning)
{
    const int p1 = n.param1[d][r], p2 = n.param2[d][r], p3 = n.param3[d][r];
    QString desc;
    switch (n.method[d][r]) {
    case 2: desc = row(17); break;
    case 1: desc = row(77).arg(SpotMinGrey(p1)).arg(SpotMaxGrey(p1)).arg(p2).arg(p3); break;
    case 3:
        desc = row(79).arg(p1).arg(p2).arg(p3);
        *positioning = true;
        break;
    default: desc = row(78).arg(p2).arg(p1).arg(p3); break;
    }
    return row(80).arg(shapeName(n.shapeType[d][r])).arg(r + 1).arg(desc);
}

}  // namespace

QString StageName(int ioMode, int stage)
{
    if (stage < 0)
        return QString();
    if (ioMode == 1 || ioMode == 2)
        return stage < 4 ? row(372 + stage) : QString();
    if (ioMode == 0 || ioMode == 3 || ioMode == 5)
        return stage < 2 ? row(263 + stage) : QString();
    if (ioMode == 4)
        return stage < 8 ? row(477 + stage) : QString();
    return QString();
}

int EditedStage(const WizardPara& p, int alarmState, int curStage, int stageCount)
{
    int e = curStage;
    if (alarmState == 2)
        return e;
    const bool en0 = p.stage_enabled[0] != 0;
    const bool same = p.enabe_two_test != 0;
    const int sub = p.io_sub_mode;
    switch (p.io_mode) {
    case 1:
    case 2:
        if (curStage >= 2 && (same || sub == 0)) {
            e = curStage - 2;
            if (same && sub == 0 && e >= 2)
                e -= 2;
        }
        if (sub == 1 && e < 2)
            e = en0 ? 2 : 3;
        else if (e % 2 == 0 && !en0)
            e += 1;
        if (e < 0 || e >= stageCount)
            e = 0;
        return e;
    case 0:
    case 3:
    case 5:
        if (!en0)
            return 1;
        return same ? 0 : curStage;
    case 4:
        return curStage == 0 && !en0 ? 1 : curStage;
    default:
        return curStage;
    }
}

QStringList ChangeRecords(const CammerSingleton& inForce, const CammerSingleton& edit, int camera,
                          int ioMode, int stageCount, bool* positioning)
{
    QStringList out;
    bool pos = false;
    for (int d = 0; d < std::min(stageCount, int(MAX_DETECT)); ++d) {
        const QString prefix = row(73).arg(camera + 1).arg(StageName(ioMode, d));
        const int oldN = std::clamp(inForce.roiNum[d], 0, int(MAX_ROI));
        const int newN = std::clamp(edit.roiNum[d], 0, int(MAX_ROI));
        for (int r = 0; r < std::max(oldN, newN); ++r) {
            QString text;
            if (r < oldN && r < newN) {
                text = changedRegion(inForce, edit, d, r, &pos);
            } else if (r < oldN) {
                text = row(81).arg(shapeName(inForce.shapeType[d][r])).arg(r + 1).arg(MethodName(inForce.method[d][r]));
                if (inForce.method[d][r] == 3)
                    pos = true;
            } else {
                text = addedRegion(edit, d, r, &pos);
            }
            if (!text.isEmpty())
                out << prefix + text;
        }
    }
    if (positioning)
        *positioning = pos;
    return out;
}

QString MethodName(int method)
{
    switch (method) {
    case 1: return row(15);
    case 2: return row(17);
    case 3: return row(21);
    default: return row(25);
    }
}

int SpotMinGrey(int packed)
{
    return packed & 0xFF;
}

int SpotMaxGrey(int packed)
{
    return (packed >> 8) & 0xFF;
}

int WrapStep(int index, int count, int dir)
{
    if (count < 1)
        return 0;
    if (dir < 0)
        return index <= 0 || index > count - 1 ? count - 1 : index - 1;
    return index >= count - 1 || index < 0 ? 0 : index + 1;
}

int NextValidSlot(const std::vector<int>& valid, int index, int dir)
{
    const int n = int(valid.size());
    int i = index;
    for (int k = 0; k < n; ++k) {
        i = WrapStep(i, n, dir);
        if (valid[size_t(i)])
            return i;
    }
    return index;
}

}  // namespace RegionPage
