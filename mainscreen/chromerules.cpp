#include "mainscreen/chromerules.h"

#include "vision/camera/cameradiscovery.h"
#include "widgets/textrow.h"

int lampPictureNumber(int io, int index, int state)
{
    const int n = (io == 0 ? 18 : 26) + 2 * index;
    return state == 0 ? n + 1 : n;
}

int refreshIOLamps(int ioMode, const int stageTrigger[8], const std::function<int(int, int)>& state,
                   const std::function<void(int, int, int)>& setLamp)
{
    bool flag[10] = {};
    if (ioMode != 4) {
        for (int i = 0; i < 4; ++i)
            flag[i] = true;
    } else {
        // Only real trigger inputs: 255 (a pair's own inputs) and -1 (none) set nothing.
        for (int s = 0; s < 8; ++s) {
            const int n = stageTrigger[s];
            if (n >= 0 && n <= 9)
                flag[n] = true;
        }
    }
    for (int i = 0; i < 4; ++i) {
        if (flag[i])
            setLamp(0, i, state(0, i));
    }
    setLamp(1, 0, state(1, 0));
    setLamp(1, 1, state(1, 1));
    const int out2 = state(1, 2);
    setLamp(1, 2, out2);
    setLamp(1, 3, state(1, 3));
    return out2;
}

int ioOutputPictureX(int ioMode)
{
    // Start 7, 82 with input 1, 75 more for each of inputs 2 and 3, then 90 + 150.
    if (ioMode == 4)
        return 7 + 150;
    return 82 + 75 + 75 + 90 + 150;
}

QStringList stageChoiceTexts(int stageCount)
{
    QStringList out;
    for (int i = 0; i < stageCount && i < 8; ++i)
        out << textRow(477 + i);
    return out;
}

QStringList cameraChoiceTexts(int cameraCount)
{
    QStringList out;
    for (int k = 1; k <= cameraCount && k <= 8; ++k)
        out << textRow(394).arg(k);
    return out;
}

SnapshotButtons snapshotVisibility(int snapshotOption, int productDetection, int ioMode)
{
    const bool base = snapshotOption != 0 && ioMode != 4;
    return {base && productDetection != 0, base};
}

bool serialStorableMake(int make)
{
    return make == CAMERA_IDS || make == CAMERA_MIND || make == CAMERA_HIK;
}

AssignmentVerdict checkAssignment(const int* camNO, int cameraCount, int make)
{
    const int n = qBound(0, cameraCount, 8);
    if (n >= 2) {
        for (int i = 0; i < n; ++i) {
            for (int j = i + 1; j < n; ++j) {
                if (camNO[i] == camNO[j])
                    return {AssignmentVerdict::Duplicate, camNO[i]};
            }
        }
    }
    if (serialStorableMake(make))
        return {AssignmentVerdict::Store, -1};
    bool unchanged = true;
    for (int i = 0; i < n; ++i)
        unchanged = unchanged && camNO[i] == i;
    // Storing would write "0" into every slot and the restart would bring the old order back.
    return {unchanged ? AssignmentVerdict::CloseOnly : AssignmentVerdict::NotStorable, -1};
}

void InitChromeResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(chrome);
        return true;
    }();
    (void)done;
}
