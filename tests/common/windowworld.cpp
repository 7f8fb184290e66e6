#include "common/windowworld.h"

#include <QDir>
#include <QList>
#include <QPointer>
#include <QMutexLocker>
#include <QSqlDatabase>
#include <QStackedWidget>
#include <QTimer>

#include "core/comsend.h"
#include "core/globals.h"
#include "core/ledonoff.h"
#include "core/runmodederivation.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "mainscreen/viewglobals.h"
#include "mainscreen/viewhost.h"
#include "vision/board/controlport.h"
#include "vision/board/iothread.h"
#include "vision/camera/camerahost.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/camera/camerathread.h"
#include "vision/camera/cammerwidget.h"
#include "vision/controller/mainwindow.h"
#include "vision/inspection/cammerrecongnize.h"
#include "vision/records/savefialimagethread.h"
#include "widgets/modalhook.h"
#include "widgets/toolkitglobals.h"
#include "widgets/toolkithost.h"

namespace {

QList<WindowWorld*>& Worlds()
{
    static QList<WindowWorld*> worlds;
    return worlds;
}

void StopThread(QThread* t)
{
    if (t && t->isRunning()) {
        t->requestInterruption();
        t->wait();
    }
}

const char* const kConnections[3][2] = {{"dbIn", "PARAM.db"}, {"dbRecord", "RECORD.db"}, {"dbT", "SN.db"}};

// Opens `connection` on `file` unless it already is.
QSqlDatabase PointAt(const char* connection, const QString& file)
{
    QSqlDatabase db = QSqlDatabase::contains(connection) ? QSqlDatabase::database(connection, false)
                                                         : QSqlDatabase::addDatabase("QSQLITE", connection);
    if (!db.isOpen() || db.databaseName() != file) {
        db.close();
        db.setDatabaseName(file);
        db.open();
    }
    return db;
}

}  // namespace

struct WindowWorld::Saved {
    QString dir;
    WizardPara para, paraBak;
    WizardPara *pPara, *pParaBak;
    MainWindow* gWin;
    ControlPort* controlIO;
    SaveFialImageThread* writer;
    ChooseBox* chooseBox;
    NumberInput* numPad;
    NumCharInput* numCharPad;
    PasswordBox* passwordBox;
    WarnBox* warnBox;
    ViewHost* viewHost;
    CameraHost* cameraHost;
    ToolkitHost* toolkitHost;
    ModalHook modal;
    RunModeHooks runModeHooks;
    std::function<int()> currentStage, lastInput;
    std::function<void(const QString&)> insertRecord;
    int cameraID, numCamera, findCamera, imageW, imageH, imageLen, colorLen, showW, showH, dNum, tempNum;
    int picNumNG, picNumOK, isCOM, lan;
    float showAW, showAH;
    bool isColor, isGrayHue, isCut;
    int runState, curDetect, multiDetect, side, selectedView;
    int builtViews;
    uchar* firstSlot;
    bool shown = false;  // on the screen when it was quieted
    QList<QPointer<QTimer>> timers;  // running after the construction
    bool cameraThreads[MAX_CAMERA];  // likewise
};

WindowWorld::WindowWorld(MainWindow* w, const QString& dirPath) : win(w), saved(new Saved)
{
    Saved& s = *saved;
    s.dir = dirPath;
    s.para = *gpWPara;
    s.paraBak = *gpWParaBak;
    s.pPara = gpWPara;
    s.pParaBak = gpWParaBak;
    s.gWin = gpWin;
    s.controlIO = gpControlIO;
    s.writer = gpSaveFialImageThread;
    s.chooseBox = gpChooseBox;
    s.numPad = gpNumPad;
    s.numCharPad = gpNumCharPad;
    s.passwordBox = gpPasswordBox;
    s.warnBox = gpWarnBox;
    s.viewHost = viewHost();
    s.cameraHost = cameraHost();
    s.toolkitHost = ToolkitHost::instance();
    s.modal = setModalHook({});
    setModalHook(s.modal);
    s.runModeHooks = gRunModeHooks;
    s.currentStage = CammerRecong::currentStage;
    s.lastInput = CammerRecong::lastInput;
    s.insertRecord = CammerRecong::insertRecord;
    s.cameraID = gCameraID;
    s.numCamera = numCamera;
    s.findCamera = gFindCamera;
    s.imageW = gImageW;
    s.imageH = gImageH;
    s.imageLen = gImageLen;
    s.colorLen = gColorLen;
    s.showW = gShowW;
    s.showH = gShowH;
    s.dNum = gDNum;
    s.tempNum = gTempNum;
    s.picNumNG = gPicNumNG;
    s.picNumOK = gPicNumOK;
    s.isCOM = gisCOM;
    s.lan = gLan;
    s.showAW = gShowAW;
    s.showAH = gShowAH;
    s.isColor = gisColor;
    s.isGrayHue = gisGrayHue;
    s.isCut = gisCut;
    s.runState = win->runState;
    s.curDetect = win->curDetect;
    s.multiDetect = win->multiDetect;
    s.side = win->side;
    s.selectedView = win->selectedView;
    s.builtViews = 0;
    for (int v = 0; v < MAX_CAMERA; ++v)
        if (win->ViewBuilt(v))
            s.builtViews = v + 1;
    s.firstSlot = gpFailImage[0][0][0];
    for (QTimer* t : win->findChildren<QTimer*>())
        if (t->isActive())
            s.timers << t;
    for (int v = 0; v < MAX_CAMERA; ++v)
        s.cameraThreads[v] = win->cammerWidget[v] && win->cammerWidget[v]->cameraThread &&
                             win->cammerWidget[v]->cameraThread->isRunning();
    // By absolute name, so that a connection another window opened by the same relative name is
    // told apart.
    for (const auto& c : kConnections)
        PointAt(c[0], QDir(dirPath).filePath(c[1]));
    Worlds() << this;
}

WindowWorld::~WindowWorld()
{
    Worlds().removeAll(this);
    delete saved;
}

void WindowWorld::Restore()
{
    // One window lives at a time: the others' timers would run their cycle on this one's globals.
    for (WindowWorld* w : Worlds())
        if (w != this)
            w->Quiet();
    const Saved& s = *saved;
    QDir::setCurrent(s.dir);
    *s.pPara = s.para;
    *s.pParaBak = s.paraBak;
    gpWPara = s.pPara;
    gpWParaBak = s.pParaBak;
    gpWin = s.gWin;
    gpControlIO = s.controlIO;
    gpSaveFialImageThread = s.writer;
    gpChooseBox = s.chooseBox;
    gpNumPad = s.numPad;
    gpNumCharPad = s.numCharPad;
    gpPasswordBox = s.passwordBox;
    gpWarnBox = s.warnBox;
    setViewHost(s.viewHost);
    setCameraHost(s.cameraHost);
    ToolkitHost::setInstance(s.toolkitHost);
    SetScreenOffFlag(&win->screenOff);
    setModalHook(s.modal);
    gRunModeHooks = s.runModeHooks;
    CammerRecong::currentStage = s.currentStage;
    CammerRecong::lastInput = s.lastInput;
    CammerRecong::insertRecord = s.insertRecord;
    gCameraID = s.cameraID;
    numCamera = s.numCamera;
    gFindCamera = s.findCamera;
    gImageW = s.imageW;
    gImageH = s.imageH;
    gImageLen = s.imageLen;
    gColorLen = s.colorLen;
    gShowW = s.showW;
    gShowH = s.showH;
    gDNum = s.dNum;
    gTempNum = s.tempNum;
    gPicNumNG = s.picNumNG;
    gPicNumOK = s.picNumOK;
    gisCOM = s.isCOM;
    gLan = s.lan;
    gShowAW = s.showAW;
    gShowAH = s.showAH;
    gisColor = s.isColor;
    gisGrayHue = s.isGrayHue;
    gisCut = s.isCut;
    gisLost = false;
    gisSafeDoorOpen = false;
    gSource = -1;

    win->paramDb = PointAt("dbIn", QDir(s.dir).filePath("PARAM.db"));
    win->paramQuery = QSqlQuery(win->paramDb);
    win->recordDb = PointAt("dbRecord", QDir(s.dir).filePath("RECORD.db"));
    win->serialDb = PointAt("dbT", QDir(s.dir).filePath("SN.db"));
    win->serialQuery = QSqlQuery(win->serialDb);

    // Slots another test freed or sized for its own pictures are made again at the window's size.
    if (gpFailImage[0][0][0] != s.firstSlot || !s.firstSlot) {
        StopThread(s.writer);
        FreePictureSlots();
        SaveFialImageThread::AllocateSlots(s.builtViews);
        saved->firstSlot = gpFailImage[0][0][0];
    }
    SaveFialImageThread::DropWaiting();
    if (s.writer && !s.writer->isRunning())
        s.writer->start(QThread::InheritPriority);
    for (const QPointer<QTimer>& t : s.timers)
        if (t && !t->isActive())
            t->start();
    for (int v = 0; v < MAX_CAMERA; ++v) {
        CameraThread* t = win->cammerWidget[v] ? win->cammerWidget[v]->cameraThread : nullptr;
        if (s.cameraThreads[v] && t && !t->isRunning()) {
            t->runFlag = true;
            t->start(QThread::InheritPriority);
        }
    }

    // The main screen with the option bar, the cycle idle: no delay, confirmation, request, hold
    // or pending restart.
    win->mainStack->setCurrentIndex(0);
    win->optionStack->setCurrentIndex(0);
    for (QTimer* t : win->inputTimer)
        t->stop();
    win->stageClock.StopAll();
    win->runState = s.runState;
    win->alarmState = 0;
    win->curDetect = s.curDetect;
    win->multiDetect = s.multiDetect;
    win->side = s.side;
    win->selectedView = s.selectedView;
    win->userLevel = 0;
    win->manualDetect = gDNum;
    win->cycleStages = gDNum;
    win->simInput = -1;
    win->repeatInput = -1;
    win->restartDetect = -1;
    win->safetyTrigger = 0;
    win->reCheckFlag = 0;
    win->operatorCheck = false;
    win->warnShown = false;
    for (bool& f : win->inputSampled)
        f = false;
    for (bool& f : win->cycleLost)
        f = false;
    // A verdict a test left would be judged again by the next check of the views (End Set).
    for (CammerWidget* v : win->cammerWidget)
        if (v)
            v->isOK = true;
    for (auto& cam : win->failPicState)
        for (int& f : cam)
            f = 0;
    {
        QMutexLocker lock(pMutexIO);
        gDataIn = 0;
    }
    // The edges seen so far are taken, so that the next test starts from a quiet input word.
    for (int k = 0; k < 16; ++k)
        gpControlIO->IOInTrigger(k);
    win->lostCycleStart = false;
    if (s.shown)
        win->show();
    saved->shown = false;
}

void WindowWorld::Quiet()
{
    // Hidden: a paint would read its frames with the sizes of the window built after it.
    if (win->isVisible()) {
        saved->shown = true;
        win->hide();
    }
    // Its rows are written by the record's own thread into RECORD.db of the working directory.
    win->record.Flush(5000);
    for (QTimer* t : win->findChildren<QTimer*>())
        t->stop();
    // The acquisition threads follow the camera make in force, which other tests set.
    for (CammerWidget* v : win->cammerWidget) {
        if (v && v->cameraThread && v->cameraThread->isRunning()) {
            v->cameraThread->runFlag = false;
            v->cameraThread->wait();
        }
    }
    StopThread(saved->controlIO ? saved->controlIO->thread() : nullptr);
    StopThread(saved->writer);
}

void QuietWindows()
{
    for (WindowWorld* w : Worlds())
        w->Quiet();
}

void MakeRoomForAWindow()
{
    QuietWindows();
    FreePictureSlots();
}

void PointConnection(const char* connection, const QString& file)
{
    if (!QSqlDatabase::contains(connection))
        return;
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    db.close();
    db.setDatabaseName(file);
}

void FreePictureSlots()
{
    QMutexLocker lock(pMutexSaveFail);
    for (auto& cam : gpFailImage)
        for (auto& st : cam)
            for (uchar*& slot : st) {
                delete[] slot;
                slot = nullptr;
            }
}
