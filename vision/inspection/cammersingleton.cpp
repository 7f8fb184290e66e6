#include "vision/inspection/cammersingleton.h"

#include <algorithm>
#include <cstring>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "network/cnt_net.h"
#include "platform/vision/kovvgeometry.h"
#include "widgets/showbox.h"

std::function<CammerSingleton::MaskTable*(void*)> CammerSingleton::viewMasks;
std::function<void(int, int)> CammerSingleton::reportStage;

namespace {

const char* const kConnection = "dbIn";

// Whitespace-separated integers read as a text stream reads them: a missing or non-numeric
// position and every later one read as 0.
class ValueReader {
public:
    explicit ValueReader(const QString& text) : s_(text.toLatin1()) {}
    int next()
    {
        if (failed_)
            return 0;
        while (pos_ < s_.size() && isSpace(s_[pos_]))
            ++pos_;
        int p = pos_;
        bool neg = false;
        if (p < s_.size() && (s_[p] == '-' || s_[p] == '+'))
            neg = s_[p++] == '-';
        const int digits = p;
        qint64 v = 0;
        while (p < s_.size() && s_[p] >= '0' && s_[p] <= '9') {
            v = v * 10 + (s_[p++] - '0');
            if (v > 2147483648LL)
                return fail();
        }
        if (p == digits || (!neg && v > 2147483647LL))
            return fail();
        pos_ = p;
        return int(neg ? -v : v);
    }

private:
    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
    int fail()
    {
        failed_ = true;
        return 0;
    }
    QByteArray s_;
    int pos_ = 0;
    bool failed_ = false;
};

QString roiName(int s, int r)
{
    return QStringLiteral("ROI%1-%2").arg(s).arg(r);
}

QString detectName(int s)
{
    return QStringLiteral("detect%1").arg(s);
}

int usedCount(int n)
{
    return std::clamp(n, 0, MAX_ROI);
}

// The packed ring radii (inner x 65536 + outer) are read back as a signed 32-bit number: an inner
// radius above 32767 or an outer one above 65535 would be saved as a value that reloads as 0.
constexpr int kMaxInnerRadius = 32767;
constexpr int kMaxOuterRadius = 65535;

qint64 PackRadii(const Circle& c)
{
    const int outer = std::clamp(c.radius, 0, kMaxOuterRadius);
    const int inner = std::clamp(c.innerRadius, 0, std::min(outer, kMaxInnerRadius));
    return qint64(inner) * 65536 + outer;
}

}  // namespace

CammerSingleton::CammerSingleton(int cam) : camera(cam)
{
    std::memset(roiNum, 0, sizeof roiNum);
    std::memset(param1, 0, sizeof param1);
    std::memset(param2, 0, sizeof param2);
    std::memset(param3, 0, sizeof param3);
    std::memset(method, 0, sizeof method);
    std::memset(shapeType, 0, sizeof shapeType);
    std::memset(outputNo, 0, sizeof outputNo);
    std::memset(cavity, 0, sizeof cavity);
}

QString CammerSingleton::TableName() const
{
    return QStringLiteral("cammer%1").arg(camera);
}

QString CammerSingleton::RoiValue(int s, int r) const
{
    QString v = QStringLiteral("%1 %2 %3 %4 %5 %6 ")
                    .arg(param1[s][r])
                    .arg(param2[s][r])
                    .arg(param3[s][r])
                    .arg(method[s][r])
                    .arg(shapeType[s][r])
                    .arg(outputNo[r]);
    switch (shapeType[s][r]) {
    case 1: {
        const QRect& q = rects[s][r].rect;
        v += QStringLiteral("%1 %2 %3 %4 %5").arg(0).arg(q.left()).arg(q.top()).arg(q.right()).arg(q.bottom());
        break;
    }
    case 4: {
        const Circle& c = circles[s][r];
        const qint64 packed = PackRadii(c);
        v += QStringLiteral("%1 %2 %3 %4").arg(0).arg(c.center.x()).arg(c.center.y()).arg(packed);
        break;
    }
    case 2: {
        const RePolygon& p = polygons[s][r];
        const int n = std::max(0, std::min(p.pointNum, int(p.points.size())));
        v += QStringLiteral("%1 ").arg(n);
        v.reserve(v.size() + n * 10);
        for (int i = 0; i < n; ++i)
            v += QStringLiteral("%1 %2 ").arg(p.points[i].x()).arg(p.points[i].y());
        break;
    }
    default:
        break;
    }
    return v;
}

bool CammerSingleton::SaveDatatoFile()
{
    if (camera < 0 || camera >= MAX_CAMERA) {
        qCritical("region model: no table for camera %d", camera);
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(kConnection, false);
    if (!db.isValid() || !db.isOpen()) {
        qCritical("region model: PARAM.db is not open, camera %d not saved", camera);
        return false;
    }
    if (!db.transaction()) {
        qCritical("region model: no transaction for camera %d: %s", camera, qPrintable(db.lastError().text()));
        return false;
    }
    const QString table = TableName();
    QSqlQuery update(db), insert(db), remove(db);
    bool ok = update.prepare(QStringLiteral("update %1 set value=? where name=?").arg(table))
              && insert.prepare(QStringLiteral("insert into %1 values(?, ?)").arg(table))
              && remove.prepare(QStringLiteral("delete from %1 where name=?").arg(table));
    // writes one row, inserting it when the update found none
    auto put = [&](const QString& name, const QString& value) {
        update.bindValue(0, value);
        update.bindValue(1, name);
        if (!update.exec())
            return false;
        if (update.numRowsAffected() > 0)
            return true;
        insert.bindValue(0, name);
        insert.bindValue(1, value);
        return insert.exec();
    };
    for (int s = 0; ok && s < MAX_DETECT; ++s) {
        const int n = usedCount(roiNum[s]);
        QString detect = QString::number(roiNum[s]);
        for (int c = 0; c < 8; ++c)
            detect += QLatin1Char(' ') + QString::number(cavity[s][c]);
        ok = put(detectName(s), detect);
        for (int r = 0; ok && r < n; ++r)
            ok = put(roiName(s, r), RoiValue(s, r));
        for (int r = n; ok && r < MAX_ROI; ++r) {
            remove.bindValue(0, roiName(s, r));
            ok = remove.exec();
        }
    }
    if (ok)
        ok = db.commit();
    if (!ok) {
        const QString why = !update.lastError().text().trimmed().isEmpty() ? update.lastError().text()
                            : !insert.lastError().text().trimmed().isEmpty() ? insert.lastError().text()
                            : !remove.lastError().text().trimmed().isEmpty() ? remove.lastError().text()
                                                                                  : db.lastError().text();
        qCritical("region model: saving %s failed, nothing written: %s", qPrintable(table), qPrintable(why));
        db.rollback();
        return false;
    }
    // with network reporting on and the report client linked, every stage's regions are reported
    if (gpWPara && gpWPara->cnt_net_enabled && gpNet && gpNet->isopen && gpNet->connected) {
        for (int s = 0; s < MAX_DETECT; ++s) {
            if (reportStage)
                reportStage(camera, s);
            else
                gpNet->CNT_SendROIParam(camera, s);
        }
    }
    return true;
}

void CammerSingleton::SetDefaultRegion(int s, int r)
{
    param1[s][r] = 5;
    param2[s][r] = 25;
    param3[s][r] = 100;
    method[s][r] = 0;
    shapeType[s][r] = 1;
    outputNo[r] = 0;
    rects[s][r].rect = QRect(QPoint(50, 50), QPoint(100, 100));
    rects[s][r].setImageRect();
}

void CammerSingleton::StoreMask(MaskTable* masks, int s, int r)
{
    cv::Mat mask;
    switch (shapeType[s][r]) {
    case 1: mask = rects[s][r].UpdateMask(); break;
    case 2: mask = polygons[s][r].UpdateMask(); break;
    case 4: mask = circles[s][r].UpdateMask(); break;
    default: return;
    }
    if (masks)
        (*masks)[s][r] = mask;
}

bool CammerSingleton::LoadDatafromFile(void* view)
{
    return LoadWithMasks(viewMasks && view ? viewMasks(view) : nullptr);
}

bool CammerSingleton::LoadWithMasks(MaskTable* masks)
{
    if (camera < 0 || camera >= MAX_CAMERA) {
        qCritical("region model: no table for camera %d", camera);
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(kConnection, false);
    if (!db.isValid() || !db.isOpen()) {
        qCritical("region model: PARAM.db is not open, camera %d not loaded", camera);
        return false;
    }
    const QString table = TableName();
    QSqlQuery select(db);
    if (!select.prepare(QStringLiteral("select value from %1 where name=?").arg(table))) {
        qCritical("region model: cannot read %s: %s", qPrintable(table), qPrintable(select.lastError().text()));
        return false;
    }
    auto read = [&](const QString& name, QString* value) {
        select.bindValue(0, name);
        if (!select.exec() || !select.next())
            return false;
        *value = select.value(0).toString();
        select.finish();
        return true;
    };
    for (int s = 0; s < MAX_DETECT; ++s) {
        QString value;
        if (!read(detectName(s), &value)) {
            roiNum[s] = 0;
            QSqlQuery insert(db);
            insert.prepare(QStringLiteral("insert into %1 values(?, '0')").arg(table));
            insert.bindValue(0, detectName(s));
            if (!insert.exec())
                qWarning("region model: cannot add %s to %s", qPrintable(detectName(s)), qPrintable(table));
        } else {
            ValueReader in(value);
            roiNum[s] = in.next();
            for (int c = 0; c < 8; ++c)
                cavity[s][c] = in.next();
        }
        if (unsigned(roiNum[s]) > unsigned(MAX_ROI)) {
            showWarnBox(gaLanStr[0 * LAN_COUNT + gLan]);
            roiNum[s] = 0;
            continue;
        }
        for (int r = 0; r < roiNum[s]; ++r) {
            if (!read(roiName(s, r), &value)) {
                SetDefaultRegion(s, r);
                StoreMask(masks, s, r);
                continue;
            }
            ValueReader in(value);
            param1[s][r] = in.next();
            param2[s][r] = in.next();
            param3[s][r] = in.next();
            method[s][r] = in.next();
            shapeType[s][r] = in.next();
            outputNo[r] = in.next();
            if (unsigned(outputNo[r]) > 3u)
                outputNo[r] = 0;
            const int n = in.next();
            switch (shapeType[s][r]) {
            case 2: {
                if (n < 1 || n > RePolygon::kCapacity) {
                    SetDefaultRegion(s, r);
                    break;
                }
                RePolygon& p = polygons[s][r];
                p.SetPointNum(n);
                for (int i = 0; i < n; ++i) {
                    int x = in.next(), y = in.next();
                    CheckInRange(&x, 1, QSize(gShowW, gShowH));
                    CheckInRange(&y, 0, QSize(gShowW, gShowH));
                    p.points[i] = QPoint(x, y);
                }
                p.setImageRect();
                break;
            }
            case 4: {
                Circle& c = circles[s][r];
                int cx = in.next(), cy = in.next();
                CheckInRange(&cx, 1, QSize(gShowW, gShowH));
                CheckInRange(&cy, 0, QSize(gShowW, gShowH));
                const quint32 packed = quint32(in.next());
                c.center = QPoint(cx, cy);
                c.innerRadius = std::min(int(packed >> 16), kMaxInnerRadius);
                c.radius = int(packed & 0xFFFF);
                c.UpdateRect();
                c.setImageRect();
                break;
            }
            case 1: {
                int l = in.next(), t = in.next();
                CheckInRange(&l, 1, QSize(gShowW, gShowH));
                CheckInRange(&t, 0, QSize(gShowW, gShowH));
                int rr = in.next(), b = in.next();
                CheckInRange(&rr, 1, QSize(gShowW, gShowH));
                CheckInRange(&b, 0, QSize(gShowW, gShowH));
                rects[s][r].rect = QRect(QPoint(l, t), QPoint(rr, b));
                rects[s][r].setImageRect();
                break;
            }
            default:
                break;  // no geometry; the mask slot keeps what it had
            }
            StoreMask(masks, s, r);
        }
    }
    return true;
}

bool CammerSingleton::operator==(const CammerSingleton& o) const
{
    if (camera != o.camera || std::memcmp(roiNum, o.roiNum, sizeof roiNum) != 0
        || std::memcmp(cavity, o.cavity, sizeof cavity) != 0)
        return false;
    int maxUsed = 0;
    for (int s = 0; s < MAX_DETECT; ++s) {
        const int n = usedCount(roiNum[s]);
        maxUsed = std::max(maxUsed, n);
        for (int r = 0; r < n; ++r) {
            if (param1[s][r] != o.param1[s][r] || param2[s][r] != o.param2[s][r]
                || param3[s][r] != o.param3[s][r] || method[s][r] != o.method[s][r]
                || shapeType[s][r] != o.shapeType[s][r])
                return false;
            switch (shapeType[s][r]) {
            case 1:
                if (rects[s][r] != o.rects[s][r])
                    return false;
                break;
            case 2:
                if (polygons[s][r] != o.polygons[s][r])
                    return false;
                break;
            case 4:
                if (circles[s][r] != o.circles[s][r])
                    return false;
                break;
            default:
                break;
            }
        }
    }
    return std::equal(outputNo, outputNo + maxUsed, o.outputNo);
}
