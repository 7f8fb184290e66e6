#include "mainscreen/templatefiles.h"

#include <algorithm>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

std::function<void(int, int, const QString&)> TemplateFiles::reportDeleted;

QString TemplateFiles::StageDir(int cameraIndex, int stage)
{
    return QString("./cammer%1%2").arg(cameraIndex + 1).arg(stage + 1);
}

QString TemplateFiles::SlotPath(int cameraIndex, int stage, int slot)
{
    return StageDir(cameraIndex, stage) + QString("/template%1.bmp").arg(slot);
}

QStringList TemplateFiles::ByTime(const QString& dir, const QString& pattern, bool newestFirst)
{
    const QFileInfoList infos = QDir(dir).entryInfoList({pattern}, QDir::Files, QDir::Name);
    std::vector<std::pair<qint64, QString>> items;
    for (const QFileInfo& fi : infos)
        items.emplace_back(fi.lastModified().toMSecsSinceEpoch(), fi.fileName());
    std::stable_sort(items.begin(), items.end(), [newestFirst](const auto& a, const auto& b) {
        return newestFirst ? a.first > b.first : a.first < b.first;
    });
    QStringList names;
    for (const auto& it : items)
        names << it.second;
    return names;
}

int TemplateFiles::ChooseAddSlot(int cameraIndex, int stage, std::vector<int>& valid, int& count, int tempNum)
{
    const int slotCount = std::min(tempNum, int(valid.size()));
    if (slotCount < 1)
        return -1;
    if (count < slotCount) {
        for (int t = 0; t < slotCount; ++t) {
            if (!valid[size_t(t)]) {
                valid[size_t(t)] = 1;
                ++count;
                return t;
            }
        }
    }
    const QString dir = StageDir(cameraIndex, stage);
    const QStringList names = ByTime(dir, "template*.bmp", false);
    QString oldest;
    for (const QString& name : names) {
        if (name != "template0.bmp") {
            oldest = name;
            break;
        }
    }
    bool ok = false;
    const int n = oldest.mid(8, oldest.size() - 12).toInt(&ok);
    // No added template file to replace: the last slot is overwritten.
    if (oldest.isEmpty() || !ok || n < 1)
        return slotCount - 1;
    if (n < slotCount)
        return n;
    QFile::remove(dir + "/" + oldest);
    if (reportDeleted)
        reportDeleted(cameraIndex + 1, stage + 1, QString("template%1").arg(n));
    return slotCount - 1;
}

void TemplateFiles::RemoveSlot(int cameraIndex, int stage, int slot)
{
    QFile::remove(SlotPath(cameraIndex, stage, slot));
    if (reportDeleted)
        reportDeleted(cameraIndex + 1, stage + 1, QString("template%1.bmp").arg(slot));
}

QStringList TemplateFiles::RemoveAdded(int cameraIndex, int stage)
{
    const QString dir = StageDir(cameraIndex, stage);
    QStringList names = QDir(dir).entryList({"template*"}, QDir::Files, QDir::Name);
    QStringList removed;
    for (int i = 1; i < names.size(); ++i) {
        QFile::remove(dir + "/" + names[i]);
        if (reportDeleted)
            reportDeleted(cameraIndex + 1, stage + 1, names[i]);
        removed << names[i];
    }
    return removed;
}

bool TemplateFiles::Write(const QString& path, const unsigned char* data, int width, int height, bool colour,
                          const QVector<QRgb>& greyTable)
{
    if (!data || width < 1 || height < 1)
        return false;
    QDir().mkpath(QFileInfo(path).path());
    if (colour) {
        QImage img(data, width, height, width * 4, QImage::Format_RGB32);
        return img.save(path);
    }
    QImage img(data, width, height, width, QImage::Format_Indexed8);
    img.setColorTable(greyTable);
    return img.save(path);
}

QStringList TemplateFiles::RecordNames(const QString& dir)
{
    return ByTime(dir, "*.jpg", true);
}
