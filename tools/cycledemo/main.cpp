// cycledemo RUNDIR CAMERAS: readies a program directory for the demonstration cycle of scripts/run.
// Once per directory (marker "cycledemo.done"): the parameters of a plain two-stage cycle (stage 0
// judged 1 s and stage 1 2 s after input 0, NG pictures kept, the cameras' pictures taken as they
// are). Once per camera (marker: its part picture): one defect region over the lower-left cavity of
// its picture simcam/camera<c>.png, templates made from that picture, and simcam/camera<c>_part.png:
// the same scene with a part left in that cavity, which the driver shows now and then. A later run
// with more cameras readies the added ones and leaves the others and the parameters as they are.
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QSqlDatabase>

#include "core/globals.h"
#include "core/parameterstore.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "vision/inspection/cammersingleton.h"

namespace {

// The cavity the region watches, in picture pixels.
const QRect kCavity(300, 580, 200, 200);

QImage Noisy(const QImage& grey, int seed)
{
    QImage out = grey.copy();
    QRandomGenerator rng{quint32(seed)};
    for (int y = 0; y < out.height(); ++y) {
        uchar* p = out.scanLine(y);
        for (int x = 0; x < out.width(); ++x)
            p[x] = uchar(qBound(0, int(p[x]) + int(rng.bounded(5)) - 2, 255));
    }
    return out;
}

bool Prepare(const QString& dir, int cameras)
{
    if (!QDir::setCurrent(dir)) {
        std::fprintf(stderr, "cycledemo: no directory %s\n", qPrintable(dir));
        return false;
    }
    const bool firstRun = !QFile::exists("cycledemo.done");
    QList<int> added;  // from 0
    for (int c = 0; c < cameras; ++c)
        if (!QFile::exists(QString("simcam/camera%1_part.png").arg(c + 1)))
            added << c;
    if (!firstRun && added.isEmpty())
        return true;
    QImage first(QString("simcam/camera1.png"));
    if (first.isNull()) {
        std::fprintf(stderr, "cycledemo: no picture simcam/camera1.png\n");
        return false;
    }
    gImageW = first.width();
    gImageH = first.height();
    gShowW = 1725;
    gShowH = 982;
    gShowAW = float(gShowW) / gImageW;
    gShowAH = float(gShowH) / gImageH;

    QSqlDatabase in = QSqlDatabase::addDatabase("QSQLITE", PARAM_DB_CONNECTION);
    in.setDatabaseName("PARAM.db");
    QSqlDatabase sn = QSqlDatabase::addDatabase("QSQLITE", SERIAL_DB_CONNECTION);
    sn.setDatabaseName("SN.db");
    if (!in.open() || !sn.open()) {
        std::fprintf(stderr, "cycledemo: PARAM.db or SN.db cannot be opened\n");
        return false;
    }
    bool ok = true;
    if (firstRun) {
        WizardPara p;
        p.LoadDatafromFile();
        p.io_mode_chosen = 0;
        p.first_stage_on = 1;
        p.semi_auto = 0;
        p.stage_delay[0] = 10;
        p.stage_delay[1] = 10;
        p.enable_correct = -1;
        p.ng_max_num = 20;
        p.input_timeout_len = 0;
        p.front_auto_check_time = 0;
        p.prohibit_optimize = 1;  // the working picture is the camera's whole picture
        p.auto_exposure = 0;
        for (int c = 0; c < 8; ++c) {
            p.exposure[c] = 30;
            p.gain[c] = 32;
            p.contrast[c] = 50;
        }
        for (int o = 0; o < 3; ++o)
            p.output_polarity[o] = 0;
        ok = p.SaveDatatoFile();
    }
    for (int i = 0; i < added.size() && ok; ++i) {
        CammerSingleton m(added[i]);
        m.LoadWithMasks(nullptr);
        m.roiNum[0] = 1;
        m.shapeType[0][0] = 1;
        m.method[0][0] = 0;
        m.param1[0][0] = 5;
        m.param2[0][0] = 25;
        m.param3[0][0] = 100;
        m.rects[0][0].rect = QRect(qRound(kCavity.x() * gShowAW), qRound(kCavity.y() * gShowAH),
                                   qRound(kCavity.width() * gShowAW), qRound(kCavity.height() * gShowAH));
        m.rects[0][0].setImageRect();
        ok = m.SaveDatatoFile();
    }
    in.close();
    sn.close();
    if (!ok) {
        std::fprintf(stderr, "cycledemo: parameters not saved\n");
        return false;
    }
    for (int index : added) {
        const int c = index + 1;
        const QImage grey = QImage(QString("simcam/camera%1.png").arg(c)).convertToFormat(QImage::Format_Grayscale8);
        if (grey.isNull())
            return false;
        for (int d = 1; d <= 2; ++d) {
            const QString folder = QString("cammer%1%2").arg(c).arg(d);
            QDir().mkpath(folder);
            for (int t = 0; t < 5; ++t)
                if (!Noisy(grey, 10 * c + t).save(QString("%1/template%2.bmp").arg(folder).arg(t)))
                    return false;
        }
        QImage part = grey.convertToFormat(QImage::Format_RGB32);
        QPainter painter(&part);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(20, 20, 20));
        painter.drawEllipse(kCavity.center(), 35, 28);
        painter.end();
        if (!part.convertToFormat(QImage::Format_Grayscale8).save(QString("simcam/camera%1_part.png").arg(c)))
            return false;
    }
    if (!firstRun) {
        QStringList numbers;
        for (int c : added)
            numbers << QString::number(c + 1);
        std::printf("run: camera %s added, readied with a region and templates\n", qPrintable(numbers.join(", ")));
    }
    QFile done("cycledemo.done");
    return done.open(QIODevice::WriteOnly);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: cycledemo RUNDIR CAMERAS\n");
        return 2;
    }
    CreateGlobalMutexes();
    Data_Init();
    return Prepare(args[0], qBound(1, args[1].toInt(), 8)) ? 0 : 1;
}
