#include "vision/records/failimagepainter.h"

#include <QFont>
#include <QPainter>

#include "core/uitexttable.h"
#include "platform/vision/kovvpixel.h"
#include "vision/inspection/cammersingleton.h"

namespace {

QString Row(int r) { return gaLanStr[r * LAN_COUNT + gLan]; }

QFont PixelFont(int px)
{
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(px);
    return f;
}

} // namespace

QImage FailImagePainter::FromFrame(const uchar* frame, int w, int h, bool color)
{
    QImage img(w, h, QImage::Format_RGB32);
    if (!frame || img.isNull())
        return img;
    if (color) {
        for (int y = 0; y < h; ++y)
            memcpy(img.scanLine(y), frame + qint64(y) * w * 4, size_t(w) * 4);
    } else if (img.bytesPerLine() == w * 4) {
        Gray2RGBA(frame, img.bits(), w, h);
    } else {
        for (int y = 0; y < h; ++y)
            Gray2RGBA(frame + qint64(y) * w, img.scanLine(y), w, 1);
    }
    return img;
}

QString FailImagePainter::LimitText(int method, int p2, int p3, const Options& opt)
{
    if (method == 0 && opt.enableDisplayDetail == 0)
        return QString("%1").arg(opt.minimumArea);
    if (method == 6)
        return QString("%1").arg(p2);
    if (method == 1)
        return QString("%1--%2").arg(p2).arg(p3);
    return QString("%1").arg(p3);
}

QString FailImagePainter::LabelText(int n, int regionCount, const QString& limit, int value)
{
    const QString v = QString("%1").arg(value);
    if (regionCount < 11)
        return QString("%1: %2 / %3 ").arg(n).arg(limit, v);
    return QString("%1: %2").arg(n).arg(v);
}

int FailImagePainter::Render(QImage& canvas, int kind, const CammerSingleton& model, int stage,
                             const Results& res, const Options& opt)
{
    if (canvas.isNull() || stage < 0 || stage >= MAX_DETECT)
        return 0;
    QPainter painter(&canvas);
    const QPen red(Qt::red), green(Qt::green);
    painter.setFont(PixelFont(26));
    painter.setPen(kind == 0 ? red : green);
    painter.drawText(QPoint(5, 80), kind == 0 ? QStringLiteral("NG") : QStringLiteral("OK"));
    painter.drawText(QPoint(5, 110), opt.safetyTrigger ? Row(265) : QString());

    painter.setFont(PixelFont(16));
    QPoint anchor(5, 80);
    int firstNg = 0;
    const int count = qBound(0, model.roiNum[stage], MAX_ROI);
    for (int i = 0; i < count; ++i) {
        const int n = i + 1;
        const bool ok = res.ok[i];
        if (!ok) {
            if (!firstNg)
                firstNg = n;
            painter.setPen(red);
            const int rects = qMin(res.ngRects[i].size(), 99);
            for (int k = 0; k < rects; ++k)
                painter.drawRect(res.ngRects[i][k]);
        } else {
            painter.setPen(green);
        }
        switch (model.shapeType[stage][i]) {
        case 2: {
            const RePolygon& poly = model.polygons[stage][i];
            if (!poly.imagePoints.isEmpty()) {
                painter.drawPolygon(poly.imagePoints.constData(), poly.imagePoints.size());
                anchor = poly.imagePoints.first();
            }
            break;
        }
        case 4: {
            const Circle& c = model.circles[stage][i];
            painter.save();
            if (opt.showAW > 0 && opt.showAH > 0)
                painter.scale(1.0 / opt.showAW, 1.0 / opt.showAH);
            c.Draw(painter);
            painter.restore();
            anchor = c.imageRect.topLeft();
            break;
        }
        case 1: {
            const QRect& r = model.rects[stage][i].imageRect;
            painter.drawRect(r);
            anchor = r.topLeft();
            break;
        }
        default:
            break;
        }
        painter.setPen(ok ? green : red);
        const QString limit =
            LimitText(model.method[stage][i], model.param2[stage][i], model.param3[stage][i], opt);
        painter.drawText(QRect(anchor.x(), anchor.y() - 26, 400, 25), Qt::AlignLeft | Qt::AlignVCenter,
                         LabelText(n, count, limit, res.value[i]));
    }
    return firstNg;
}

QString FailImagePainter::StampText(int state, int* next)
{
    int to = state;
    QString text;
    switch (state) {
    case 4: text = QString("%1%2").arg(Row(120), Row(47)); break;
    case 5: text = QString("%1%2").arg(Row(120), Row(48)); break;
    case 6: text = QString("%1%2").arg(Row(120), Row(338)); break;
    case 7:
        text = QString("%1%2").arg(Row(120), Row(61));
        to = 8;
        break;
    case 8:
        text = Row(143);
        to = 10;
        break;
    default: break;
    }
    if (next)
        *next = to;
    return text;
}

int FailImagePainter::Stamp(QImage& canvas, int state)
{
    int next = state;
    const QString text = StampText(state, &next);
    if (!canvas.isNull() && !text.isEmpty()) {
        QPainter painter(&canvas);
        painter.setFont(PixelFont(26));
        painter.setPen(Qt::red);
        painter.drawText(QPoint(55, 80), text);
    }
    return next;
}
