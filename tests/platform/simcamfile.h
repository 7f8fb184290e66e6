#pragma once
// Test helper: writes a camera simulator file into the program directory, points MOULDMON_SIMCAM
// at it and reloads the simulator; restores "no simulator" when it goes.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include "common/programdir.h"
#include "platform/camsdk/camsim.h"

struct SimDevice {
    SimDevice(const QString& serial_ = QString(), const QString& model_ = "SIM-100", int width_ = 640, int height_ = 480,
              bool color_ = false, double fps_ = 100, const QString& source_ = QString())
        : serial(serial_), model(model_), width(width_), height(height_), color(color_), fps(fps_), source(source_)
    {
    }
    QString serial;
    QString model = "SIM-100";
    int width = 640;
    int height = 480;
    bool color = false;
    double fps = 100;
    QString source;
    QString ip;
    QString mask;
    QString hostIp;
    QJsonArray presets;
};

class SimCamFile {
public:
    SimCamFile(const ProgramDir& dir, const QString& make, const QList<SimDevice>& devices)
    {
        QJsonArray list;
        for (const SimDevice& d : devices) {
            QJsonObject o{{"serial", d.serial}, {"model", d.model}, {"width", d.width}, {"height", d.height},
                          {"color", d.color}, {"fps", d.fps}, {"source", d.source}};
            if (!d.ip.isEmpty()) {
                o["ip"] = d.ip;
                o["mask"] = d.mask;
                o["host_ip"] = d.hostIp;
            }
            if (!d.presets.isEmpty())
                o["presets"] = d.presets;
            list.append(o);
        }
        const QByteArray json = QJsonDocument(QJsonObject{{"make", make}, {"devices", list}}).toJson();
        dir.write("simcam.json", json);
        qputenv("MOULDMON_SIMCAM", dir.file("simcam.json").toLocal8Bit());
        camsim::CamSim::instance().reload();
    }
    ~SimCamFile()
    {
        qunsetenv("MOULDMON_SIMCAM");
        camsim::CamSim::instance().reload();
    }
};

// Writes an 8-bit picture atomically (temporary name, then rename), as a test swaps a scene.
inline bool writePicture(const QString& path, const cv::Mat& image)
{
    const QString tmp = path + ".tmp.png";
    if (!cv::imwrite(tmp.toStdString(), image))
        return false;
    return ::rename(tmp.toLocal8Bit().constData(), path.toLocal8Bit().constData()) == 0;
}
