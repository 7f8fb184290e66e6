#include "common/cyclerig.h"

#include <algorithm>
#include <csignal>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QStandardPaths>
#include <QThread>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "common/programdir.h"
#include "common/recorddb.h"
#include "common/synthscene.h"
#include "core/defaultdatabases.h"
#include "core/parameterstore.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "statistics/resstatisticsparam.h"
#include "vision/inspection/cammersingleton.h"

CycleRig::CycleRig(const QString& programDir) : dir_(programDir) {}

CycleRig::~CycleRig()
{
    Stop();
}

void CycleRig::Stop()
{
    if (app_.state() != QProcess::NotRunning) {
        app_.terminate();
        if (!app_.waitForFinished(3000))
            app_.kill();
        app_.waitForFinished(2000);
    }
    if (board_)
        board_->stop();
    board_.reset();
    output_.clear();
}

QString CycleRig::Picture(int c) const
{
    return QString("simcam/camera%1.png").arg(c);
}

bool CycleRig::Prepare(const CycleRigSetup& s)
{
    if (!CreateDefaultDatabases(".") || !CreateDefaultDatabases("paraGroup/default") || !MakeRecordDb("RECORDNULL.db")
        || !QFile::copy("RECORDNULL.db", "RECORD.db") || !ResStatisticsParam::WriteEmptyFiles("."))
        return false;
    if (!s.scene.empty() && (s.scene.cols != s.width || s.scene.rows != s.height || s.scene.type() != CV_8UC1))
        return false;
    if (!s.scene.empty())
        scene_ = s.scene.clone();
    else
        synth::scene(s.width, s.height, 5).convertTo(scene_, CV_8UC1, 0.5, 64);  // no saturated pixels
    // The program's geometry, so the regions' display rectangles map as it maps them.
    gImageW = s.width;
    gImageH = s.height;
    gShowW = 1725;
    gShowH = 982;
    gShowAW = float(gShowW) / s.width;
    gShowAH = float(gShowH) / s.height;
    bool ok = true;
    {
        QSqlDatabase in = QSqlDatabase::addDatabase("QSQLITE", PARAM_DB_CONNECTION);
        in.setDatabaseName("PARAM.db");
        QSqlDatabase sn = QSqlDatabase::addDatabase("QSQLITE", SERIAL_DB_CONNECTION);
        sn.setDatabaseName("SN.db");
        ok = in.open() && sn.open();
        if (ok) {
            WizardPara p;
            p.LoadDatafromFile();
            p.first_stage_on = 1;
            p.stage_delay[0] = s.delay0;
            p.stage_delay[1] = s.delay1;  // counted from the same edge
            p.enable_correct = -1;
            p.ng_max_num = 5;
            p.ok_record_max_num = 0;
            p.input_timeout_len = 0;
            p.max_mold_num = 10;
            p.log_switch = 1;
            p.front_auto_check_time = 0;
            p.io_mode_chosen = 0;
            p.output_polarity[0] = p.output_polarity[1] = p.output_polarity[2] = 0;
            // The simulated cameras deliver the picture as it is: neutral exposure, gain, contrast.
            for (int c = 0; c < 8; ++c) {
                p.exposure[c] = 30;
                p.gain[c] = 32;
                p.contrast[c] = 50;
            }
            p.auto_exposure = 0;
            p.enable_color_camera = s.colour ? 1 : 0;  // colour sensors are processed in colour
            if (s.adjust)
                s.adjust(p);
            ok = p.SaveDatatoFile();
            language_ = gLan;
            const int cols = s.width / 64, rows = std::max(1, (s.regions + cols - 1) / cols);
            for (int c = 0; ok && c < s.cameras; ++c) {
                CammerSingleton m(c);
                for (int r = 0; r < s.regions; ++r) {
                    // One large region, or a grid of small ones.
                    const QRect img = s.regions == 1
                        ? QRect(s.width * 5 / 32, s.height * 5 / 24, s.width * 5 / 16, s.height / 3)
                        : QRect(20 + (r % cols) * 60, 20 + (r / cols) * ((s.height - 40) / rows), 50,
                                (s.height - 40) / rows - 20);
                    for (int st = 0; st < s.regionStages; ++st) {
                        m.roiNum[st] = r + 1;
                        m.shapeType[st][r] = 1;
                        m.method[st][r] = 0;
                        m.param1[st][r] = 5;
                        m.param2[st][r] = 25;
                        m.param3[st][r] = 100;
                        m.rects[st][r].rect = QRect(qRound(img.x() * gShowAW), qRound(img.y() * gShowAH),
                                                    qRound(img.width() * gShowAW), qRound(img.height() * gShowAH));
                        m.rects[st][r].setImageRect();
                    }
                }
                if (s.adjustRegions)
                    s.adjustRegions(m);
                ok = m.SaveDatatoFile();
            }
        }
        in.close();
        sn.close();
    }
    QSqlDatabase::removeDatabase(PARAM_DB_CONNECTION);
    QSqlDatabase::removeDatabase(SERIAL_DB_CONNECTION);
    if (!ok)
        return false;

    // Templates: the scene with sensor-like noise, five of them per stage and camera.
    for (int c = 1; c <= s.cameras; ++c)
        for (int d = 1; d <= std::max(2, s.regionStages); ++d) {
            QDir().mkpath(QString("cammer%1%2").arg(c).arg(d));
            for (int t = 0; t < 5; ++t) {
                cv::Mat pic = synth::noisy(scene_, 2, 0, 20 + t);
                if (s.colour)
                    cv::cvtColor(pic, pic, cv::COLOR_GRAY2BGR);
                if (!cv::imwrite(QString("cammer%1%2/template%3.bmp").arg(c).arg(d).arg(t).toStdString(), pic))
                    return false;
            }
        }
    QDir().mkpath("simcam");
    QString devices;
    for (int c = 1; c <= s.cameras; ++c) {
        if (!cv::imwrite(Picture(c).toStdString(), scene_))
            return false;
        devices += QString("%1{\"serial\": \"SIM00000%2\", \"model\": \"SIM\", \"width\": %3, "
                           "\"height\": %4, \"color\": %5, \"fps\": %6, \"source\": \"%7\"}")
                       .arg(c > 1 ? "," : "")
                       .arg(c)
                       .arg(s.width)
                       .arg(s.height)
                       .arg(s.colour ? "true" : "false")
                       .arg(s.fps)
                       .arg(dir_ + "/" + Picture(c));
        if (s.unplugFiles)
            devices.insert(devices.size() - 1, QString(", \"unplug_file\": \"%1/unplug%2\"").arg(dir_).arg(c));
    }
    QFile f(dir_ + "/simcam.json");
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && f.write(QString("{\"make\": \"daheng\", \"devices\": [%1]}").arg(devices).toUtf8()) > 0;
}

bool CycleRig::Show(int c, const cv::Mat& picture)
{
    const QString tmp = QString("simcam/next%1.png").arg(c);
    if (!cv::imwrite(tmp.toStdString(), picture))
        return false;
    QFile::remove(Picture(c));
    return QFile::rename(tmp, Picture(c));
}

qint64 CycleRig::Launch(const QStringList& extraEnv, const QString& wrapper)
{
    board_ = std::make_unique<BoardSim>();
    if (!board_->start(dir_ + "/ttyBoard", false))
        return -1;
    env_ = extraEnv;
    wrapper_ = wrapper;
    return StartProgram();
}

qint64 CycleRig::KillAndRestart()
{
    if (!board_)
        return -1;
    if (app_.state() != QProcess::NotRunning) {
        ::kill(pid_t(app_.processId()), SIGKILL);
        app_.waitForFinished(5000);
    }
    Log();
    return StartProgram();
}

qint64 CycleRig::StartAgain()
{
    if (!board_ || app_.state() != QProcess::NotRunning)
        return -1;
    Log();
    return StartProgram();
}

qint64 CycleRig::StartProgram()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("MOULDMON_DRYRUN", "1");
    env.insert("MOULDMON_SERIAL", board_->link());
    env.insert("MOULDMON_SIMCAM", dir_ + "/simcam.json");
    env.remove("MOULDMON_SYSROOT");
    for (const QString& kv : env_)
        env.insert(kv.section('=', 0, 0), kv.section('=', 1));
    app_.setProcessEnvironment(env);
    app_.setWorkingDirectory(dir_);
    app_.setProcessChannelMode(QProcess::MergedChannels);
    const QString exe = program.isEmpty() ? buildDir() + "/mouldmonitor" : program;
    // A start in the same directory finds the earlier run's lines in the log: only a new one counts.
    const int shownBefore = Log().count("main screen shown");
    QElapsedTimer started;
    started.start();
    // A network namespace of its own when the machine allows it (it does as root).
    const QString unshare = QStandardPaths::findExecutable("unshare");
    if (!unshare.isEmpty() && QProcess::execute(unshare, {"--net", "true"}) == 0) {
        started.restart();
        app_.start(unshare, {"--net", "--", "sh", "-c",
                             QString("ip link set lo up 2>/dev/null; exec %1 \"$0\"").arg(wrapper_), exe});
    } else {
        app_.start("sh", {"-c", QString("exec %1 \"$0\"").arg(wrapper_), exe});
    }
    if (!app_.waitForStarted(5000))
        return -1;
    if (!WaitFor([&] { return Log().count("main screen shown") > shownBefore; }, 30000))
        return -1;
    return started.elapsed();
}

QString CycleRig::Log()
{
    // No event loop runs here: collect what the program printed so far.
    if (app_.state() == QProcess::Running)
        app_.waitForReadyRead(5);
    output_ += QString::fromLocal8Bit(app_.readAll());
    QFile f(dir_ + "/cnt_net/cnt_log_app/log.txt");
    if (!f.open(QIODevice::ReadOnly))
        return output_;
    return output_ + QString::fromUtf8(f.readAll());
}

bool CycleRig::WaitFor(const std::function<bool()>& cond, int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (cond())
            return true;
        if (app_.state() == QProcess::NotRunning)
            return cond();
        QThread::msleep(20);
    }
    return cond();
}

QList<OutputChange> CycleRig::Changes(qint64 fromMs, int mask)
{
    QList<OutputChange> out;
    int last = -1;
    for (const BoardFrameLog& f : board_->frames()) {
        if (f.command != 1)
            continue;
        const int bits = f.data & mask;
        if (bits != last && f.ms >= fromMs)
            out << OutputChange{f.ms, bits};
        last = bits;
    }
    return out;
}

qint64 CycleRig::ChangeTo(qint64 fromMs, int bits, int mask)
{
    for (const OutputChange& c : Changes(fromMs, mask))
        if (c.bits == bits)
            return c.ms;
    return -1;
}

QString CycleRig::Seen(qint64 fromMs, int mask)
{
    QString s;
    for (const OutputChange& c : Changes(fromMs, mask))
        s += mask > 7 ? QString("+%1:%2 ").arg(c.ms - fromMs).arg(c.bits, 2, 16, QChar('0'))
                      : QString("+%1:%2 ").arg(c.ms - fromMs).arg(c.bits, 3, 2, QChar('0'));
    return s;
}

QList<qint64> CycleRig::Raises(const QStringList& lines, int n)
{
    QList<qint64> out;
    for (const QString& l : lines) {
        const QStringList w = l.split(' ');
        bool ok = false;
        if (w.size() == 3 && w[1] == "in" && ((w[2].toInt(&ok, 16) >> n) & 1) && ok)
            out << w[0].toLongLong();
    }
    return out;
}

qint64 CycleRig::Pulse(int n, int ms)
{
    const int before = Raises(board_->lines(), n).size();
    board_->send(QString("pulse %1 %2").arg(n).arg(ms));
    board_->waitFor([&](const QStringList& l) { return Raises(l, n).size() > before; }, 2000);
    const QList<qint64> r = Raises(board_->lines(), n);
    return r.size() > before ? r.last() : -1;
}

long long CycleRig::RssKb() const
{
    QFile f(QString("/proc/%1/status").arg(app_.processId()));
    if (app_.state() != QProcess::Running || !f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

QList<qint64> CycleRig::Pids()
{
    return {app_.processId(), board_ ? board_->pid() : 0};
}

QList<qint64> CycleRig::Stalls()
{
    QList<qint64> out;
    const QRegularExpression re("longest pass stall (\\d+) ms");
    auto it = re.globalMatch(Log());
    while (it.hasNext())
        out << it.next().captured(1).toLongLong();
    return out;
}

QString CycleRig::InProgramLanguage(const std::function<QString()>& text) const
{
    const int lan = gLan;
    gLan = language_;
    Data_Init();
    const QString t = text();
    gLan = lan;
    Data_Init();
    return t;
}

QString CycleRig::ProgramRow(int row) const
{
    return InProgramLanguage([row] { return gaLanStr[row * LAN_COUNT + gLan]; });
}

qint64 CycleRig::BoardNow()
{
    const QList<BoardFrameLog> f = board_->frames();
    return f.isEmpty() ? 0 : f.last().ms;
}

cv::Mat CycleRig::PartInTheMould() const
{
    cv::Mat part = scene_.clone();
    synth::blob(part, cv::Point(200, 180), 14, 0);
    return part;
}
