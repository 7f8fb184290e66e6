#pragma once
// The template files of one camera view and stage ("./cammer%1%2/template%3.bmp"): choosing the
// slot of an added template (a free slot, else the oldest added file by modification time, never
// the first template), removing one or all added templates, and writing a template picture.
// Removed files are reported through reportDeleted.
#include <functional>
#include <vector>

#include <QRgb>
#include <QString>
#include <QStringList>
#include <QVector>

class TemplateFiles {
public:
    // "./cammer%1%2" for view index `cameraIndex` (0-based) and stage (0-based).
    static QString StageDir(int cameraIndex, int stage);
    static QString SlotPath(int cameraIndex, int stage, int slot);

    // Slot for a new template. With a free slot (count below tempNum) the first free one is taken
    // (valid set, count raised). Otherwise the oldest "template*.bmp" of the stage directory other
    // than "template0.bmp" is replaced: its own slot when below tempNum, else that file is removed
    // and reported ("template%n") and the last slot tempNum - 1 is used. Returns -1 when the slot
    // table cannot hold a template.
    static int ChooseAddSlot(int cameraIndex, int stage, std::vector<int>& valid, int& count, int tempNum);

    // Removes the file of one slot and reports it ("template%n.bmp").
    static void RemoveSlot(int cameraIndex, int stage, int slot);
    // Removes every "template*" file of the stage directory but the first by name, reporting each
    // removed name; returns the removed names.
    static QStringList RemoveAdded(int cameraIndex, int stage);

    // Writes a template picture of width x height: colour as 32-bit RGB, grey as 8-bit indexed
    // with `greyTable`. True when written.
    static bool Write(const QString& path, const unsigned char* data, int width, int height, bool colour,
                      const QVector<QRgb>& greyTable);

    // "*.jpg" names of `dir`, newest first by modification time (ties by name).
    static QStringList RecordNames(const QString& dir);

    // CNT_SendDelTempPic(camera + 1, stage + 1, name) while reporting is on and connected.
    static std::function<void(int camera, int stage, const QString& name)> reportDeleted;

private:
    // Names matching `pattern` in `dir`, oldest first by modification time (ties by name).
    static QStringList ByTime(const QString& dir, const QString& pattern, bool newestFirst);
};
