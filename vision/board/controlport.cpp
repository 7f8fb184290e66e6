#include "vision/board/controlport.h"

#include <QMutexLocker>
#include <QThread>
#include <algorithm>
#include <iterator>

#include "core/comsend.h"
#include "core/globals.h"
#include "core/wizardpara.h"
#include "vision/board/iothread.h"

qint32 gDataOut = 0;
qint32 gDataIn = 0;
float gFTemp[16] = {};
bool gisSafeDoorOpen = false;
ControlPort* gpControlIO = nullptr;

namespace {

QMutex gTempLock;
float gTempPublished[16] = {};

bool TempRange(int first, int n) { return first >= 0 && n >= 0 && first + n <= 16; }

constexpr int kOutputs = 9;      // outputs 0-8 carry a polarity
constexpr int kPolarInputs = 8;  // inputs 0-7 carry a polarity
constexpr int kAlarmOut = 2;
constexpr int kBackupOut = 3;    // the bit a redirected output drives
constexpr int kDoorIn = 1;

int OutPolarity(int n)
{
    return (gpWPara && n >= 0 && n < kOutputs) ? gpWPara->output_polarity[n] : 0;
}

int InPolarity(int n)
{
    return (gpWPara && n >= 0 && n < kPolarInputs) ? gpWPara->input_polarity[n] : 0;
}

int MoldBackup() { return gpWPara ? gpWPara->enable_mold_backup : 0; }
int FoldMode() { return gpWPara ? gpWPara->enable_output_thimble_pulse : 0; }
int IoMode() { return gpWPara ? gpWPara->io_mode : 0; }

int Bit(qint32 word, int n) { return (word >> n) & 1; }

} // namespace

void PublishTemperatures(int first, const float* degrees, int n)
{
    if (!TempRange(first, n))
        return;
    QMutexLocker lock(&gTempLock);
    std::copy(degrees, degrees + n, gTempPublished + first);
}

void PublishedTemperatures(int first, float* degrees, int n)
{
    if (!TempRange(first, n))
        return;
    QMutexLocker lock(&gTempLock);
    std::copy(gTempPublished + first, gTempPublished + first + n, degrees);
}

void ClearPublishedTemperatures()
{
    QMutexLocker lock(&gTempLock);
    std::fill(std::begin(gTempPublished), std::end(gTempPublished), 0.0f);
}

namespace {

qint32 WithBit(qint32 word, int n, int on)
{
    return on ? (word | (qint32(1) << n)) : (word & ~(qint32(1) << n));
}

// The output word bit that output n drives.
int OutBit(int n)
{
    const int k = MoldBackup();
    return (k > 0 && n == k - 1) ? kBackupOut : n;
}

} // namespace

ControlPort::ControlPort() : lastLevel{}, outWord(0), inWord(0), ioThread(nullptr)
{
    ioThread = new IOThread;
    inWord = 0;
    ComInit();
    IOResetAllOut();
    IOFlashOut();
    ioThread->start(QThread::InheritPriority);
}

ControlPort::ControlPort(NoBoard) : lastLevel{}, outWord(0), inWord(0), ioThread(nullptr)
{
    IOResetAllOut();
}

ControlPort::~ControlPort() = default;

void ControlPort::IOSetOut(int n, int on)
{
    if (n < 0 || n >= kOutputs)
        return;
    int level = on || (n == 0 && holdMould) ? 1 : 0;
    if (OutPolarity(n))
        level = !level;
    outWord = WithBit(outWord, OutBit(n), level);
}

void ControlPort::HoldMould(bool on)
{
    holdMould = on;
    if (on)
        IOSetOut(0, 1);
}

void ControlPort::IOResetAllOut()
{
    for (int n = 0; n < kOutputs; ++n)
        IOSetOut(n, 0);
}

qint32 ControlPort::WordWithActive(int a, int b) const
{
    ControlPort copy(*this);
    copy.IOSetOut(a, 1);
    copy.IOSetOut(b, 1);
    return copy.outWord;
}

void ControlPort::IOFlashOut()
{
    bool changed;
    {
        QMutexLocker lock(pMutexIO);
        changed = gDataOut != outWord;
        gDataOut = outWord;
    }
    // The board thread sends a new word at once instead of at its next look at an echo.
    if (changed && ioThread)
        ioThread->OutputChanged();
}

int ControlPort::IOState(int kind, int n)
{
    if (n < 0 || n > 31)
        return 0;
    if (kind)
        return Bit(outWord, n);
    const int level = Bit(inWord, n);
    return InPolarity(n) ? !level : level;
}

// Logical state of an output: the bit it really drives, its polarity undone, so an inverted or
// redirected output is still seen as active.
int ControlPort::OutActive(int n) const
{
    if (n < 0 || n >= kOutputs)
        return 0;
    const int level = Bit(outWord, OutBit(n));
    return OutPolarity(n) ? !level : level;
}

int ControlPort::EdgeSource(int n)
{
    const int fold = FoldMode();
    const int target = fold == 1 ? 0 : fold == 2 ? 1 : 2;
    // Input 3 folded onto a trigger input brings its edges along.
    return (fold && n == target) ? 3 : n;
}

void ControlPort::DropLatchedEdges(int n)
{
    if (n < 0 || n >= 32 || !ioThread)
        return;
    QMutexLocker lock(pMutexIO);
    ioThread->TakeEdges(qint32(1) << EdgeSource(n));
}

int ControlPort::IOInTrigger(int n)
{
    const int fold = FoldMode();
    const int target = fold == 1 ? 0 : fold == 2 ? 1 : 2;
    const int source = EdgeSource(n);
    IOThread::Edges latched;
    {
        QMutexLocker lock(pMutexIO);
        inWord = gDataIn;
        if (ioThread && n >= 0 && n < 32)
            latched = ioThread->TakeEdges(qint32(1) << source);
    }
    if (fold)
        inWord = WithBit(inWord, target, Bit(inWord, 3));

    SafetyDoor();

    if (n < 0 || n >= int(sizeof(lastLevel)))
        return 0;
    const int level = Bit(inWord, n);
    // An edge toward the active level since the last call: seen in the level now, or latched by
    // the board thread from a poll reply in between (a pulse that came and went).
    const bool rose = (!lastLevel[n] && level) || latched.rose != 0;
    const bool fell = (lastLevel[n] && !level) || latched.fell != 0;
    lastLevel[n] = level;
    return (InPolarity(n) ? fell : rose) ? 1 : 0;
}

void ControlPort::SafetyDoor()
{
    const int mode = IoMode();
    if (mode == 1 || mode == 2)
        return;
    const int level = Bit(inWord, kDoorIn);
    const bool was = lastLevel[kDoorIn];
    const bool left = InPolarity(kDoorIn) ? (!was && level) : (was && !level);
    if (!left)
        return;
    if (OutActive(kAlarmOut))
        IOSetOut(kAlarmOut, 0);
    IOFlashOut();
    gisSafeDoorOpen = true;
}
