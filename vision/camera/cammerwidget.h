#pragma once
// The view of one camera (eight exist, index 0..7). This header holds the camera side: the camera
// handle of the make in force, opening, starting, stopping and the image parameters, the V4L2
// capture objects and filter graph, the acquisition thread and the picture buffers it fills. The
// view side (painting, region editing, panels) is added to the same class by the main screen
// (mainscreen/cammerwidget_*.cpp).
#include <array>
#include <atomic>
#include <vector>

#include <QByteArray>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QWidget>

#include "vision/inspection/circle.h"
#include "vision/inspection/rect.h"

#include "platform/camsdk/dahengsdk.h"
#include "platform/camsdk/hikvisionsdk.h"
#include "platform/camsdk/idssdk.h"
#include "platform/camsdk/mindvisionsdk.h"
#include "vision/camera/cammerviewdata.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVCodec;
struct AVFrame;
struct AVPacket;
struct AVDictionary;
struct AVFilterGraph;
struct AVFilterContext;
class CameraThread;
class WizardPara;
class CammerRecong;
class CammerSingleton;
class CheckBox;
class ColorButton;
class ComboBox;
class QLabel;
class QPushButton;
class QTimer;
class Slider;
class QPainter;

// Software contrast factor of make 4 per view, guarded by pMutex[view].
extern int gContrast[8];

// Stops every opened camera, applies the capture speed and starts them again.
void CameraSetSpeed();

// The members the detection engine reads and writes (frames, templates, masks, results) come
// from CammerViewData, cameraIndex among them.
class CammerWidget : public QWidget, public CammerViewData {
    Q_OBJECT
public:
    CammerWidget(int index, QWidget* parent = nullptr);
    ~CammerWidget() override;

    // The view of index v while it exists, else null.
    static CammerWidget* cameraView(int v);

    // Camera control. Every operation but CameraOpen does nothing (CameraStart returns false)
    // while the view's camera is not open.
    void CameraOpen();
    void CameraClose();
    bool CameraStart();
    void CameraStop();
    void CameraChangeTrig(bool restart);
    void SetExposeTime();
    void SetAdjustPlus();
    void SetSharp();
    void SetContrast();
    void SetGamma();
    void SetWB();
    void AutoChangeExposeTime();
    void RestoreDefaultSettings();
    // Builds a new V4L2 filter graph from `description`; it replaces the graph in force only when
    // it builds. The caller holds pMutex[cameraIndex]. Returns the FFmpeg status.
    int init_filters(const char* description);
    // Frames of make 7 arrive here on the library's thread; `user` is the view.
    static void ImageCallBack(unsigned char* data, MV_FRAME_OUT_INFO* info, void* user);

    bool cameraOpened() const;

    // V4L2 filter description parts, built from the parameter record.
    QByteArray filterContrast;
    QByteArray filterGamma;
    QByteArray filterSharp;
    QByteArray filterExtra;

    // Picture buffers of the camera side (allocated by the constructor, never reallocated).
    unsigned char* frameGrab = nullptr;    // newest frame, gColorLen bytes, under pMutex[cameraIndex]
    unsigned char* frameConvert = nullptr; // the make's processed frame, gImageLen x 4 bytes
    unsigned char* frameRaw = nullptr;     // raw frame, gImageLen bytes
    int averageGray = 0;                   // mean grey of the last frame, written by the cycle

    // Make 4.
    GX_DEV_HANDLE dahengHandle = nullptr;
    GxFrameData dahengFrame{};
    // Make 5.
    HIDS idsHandle = 0;
    char* idsMemory = nullptr;
    int idsMemoryId = 0;
    uint64_t idsFrame = 0;  // the camera's count of the last frame delivered (acquisition thread)
    int idsColorMode = 0;
    int idsBitsPerPixel = 8;
    // Make 6.
    CameraHandle mindHandle = 0;
    MvCapability mindCapability{};
    MvFrameHead mindFrameHead{};
    uint8_t* mindRawBuffer = nullptr;
    // Make 7.
    void* hikHandle = nullptr;
    MV_CC_DEVICE_INFO* hikDeviceInfo = nullptr;  // points at hikDevice, the record opened from
    MV_CC_DEVICE_INFO hikDevice{};               // kept: a later enumeration rewrites the list
    MV_CC_PIXEL_CONVERT_PARAM hikConvert{};
    // V4L2.
    AVFormatContext* v4lFormat = nullptr;
    int v4lStream = -1;
    AVCodecContext* v4lCodecCtx = nullptr;
    const AVCodec* v4lCodec = nullptr;
    AVFrame* v4lFrame = nullptr;
    AVPacket* v4lPacket = nullptr;
    AVDictionary* v4lOptions = nullptr;
    AVFilterGraph* v4lGraph = nullptr;
    AVFilterContext* v4lSrc = nullptr;
    AVFilterContext* v4lSink = nullptr;
    // Set to end a blocking V4L2 read at once (stop, close); the read's own time-out is separate.
    std::atomic<bool> v4lAbort{false};
    std::atomic<long long> v4lReadStartMs{0};

    CameraThread* cameraThread = nullptr;

    // ---- View side ----

    // Views whose side is built while a StartUpBatch lives load their templates and train their
    // engines when the batch ends, one task per view at once (start-up with many cameras); each
    // view's result is the one it would get alone. Without a batch a view does it while built.
    class StartUpBatch {
    public:
        StartUpBatch();
        ~StartUpBatch();
        StartUpBatch(const StartUpBatch&) = delete;
        StartUpBatch& operator=(const StartUpBatch&) = delete;
    private:
        friend class CammerWidget;
        std::vector<CammerWidget*> views_;
        StartUpBatch* outer_;
    };
    // The templates of every stage and the engine of the region model in force.
    void LoadAndTrain();

    // Ignore maps: allocates (once) and loads the map of each of the eight stages, so a stage count
    // raised later finds its map; the edit copy follows the loaded maps.
    void LoadIgnorePoint();
    // Writes the stage's map in force to "./cammer%1%2/ignorepoint.bmp" and reports it.
    void SaveIgnorePoint(int stage);
    // Region deletions change the edit copy of the ignore maps; the region page commits it when it
    // saves (the maps that differ are copied and written) or takes the maps in force back on No.
    void BackIgnorePoint(int stage = -1);
    void CommitIgnorePoint();
    // Removes region `roi` of the edited stage from the edit copy, clearing its image rectangle in
    // the edit copy of the stage's ignore map; DeleteAllROI removes every region and clears the
    // whole edit map of the stage.
    void DeleteROI(int roi);
    void DeleteAllROI();
    // Bit 0: both template buttons; bit 1: the region tool bar.
    void ShowHideTool(int mask);

    // Frame polling of the monitoring pass. TakeFrame: when the ready flag is set, copies the grab
    // buffer into the work buffer under the camera's mutex, clears the flag and sets averageGray;
    // true for a new frame. ShowFrame: with a live source (gSource -1 or 1) the work buffer becomes
    // the shown picture and the view is repainted. PollFrame does both.
    bool TakeFrame();
    void ShowFrame();
    // A whole new picture was written into frameShown: the next paint prepares it without
    // fingerprinting the old one first.
    void ShownReplaced() { ++shownSerial; }
    bool PollFrame();
    // frameShown into frameRGBA (the picture imageShown wraps).
    void ConvertShown();
    // The status, counts, frame rate and touch readout of views 0-3 handed to the title bar when
    // they changed; the monitoring pass calls it for the views shown (a paint hands them always).
    void PassTitleTexts();
    // frameRGBA made again from frameShown with the marks in force, as a paint that stretches it
    // leaves it: the shared video channel reads and stamps it, and paints no longer renew it.
    void RefreshDisplayCopy();

    // NG and OK pictures (vision/camera/cammerwidget_failimage.cpp): renders the inspected frame with
    // the stage's region results into the picture slot of `kind` (0 NG, 1 OK); stamps the way the
    // alarm was cleared (by the controller's picture state) onto a slot; makes the working frame
    // template 0 of the stage, in memory only when it was written to disk.
    void SaveFailImage(int stage, int kind);
    void UpdateFailImage(int stage, int kind);
    void SaveReTrainImage(int stage);
    void DeleteAllFailImage() {}

    // Region editing (touch).
    void DeselectROI();
    bool GetSelectedRect();
    bool PtInRegion(QPoint p);
    bool PtInRect(QPoint p);
    bool PtInRectMove(QPoint p);
    void MUpdateXYV(int x, int y);

    // Region parameter panel.
    void ShowHideROIPara();
    void SetCheckBoxState(int stage);
    void ShowHideCheckBox(bool show);
    void BackMask();
    void RestorMask();

    // The region model in force, the engine bound to it (modelEdit is the edit copy).
    CammerSingleton* modelInForce = nullptr;
    CammerRecong* recogniser = nullptr;

    QPushButton* btnTempLast = nullptr;
    QPushButton* btnTempNext = nullptr;
    QWidget* roiTool = nullptr;
    QPixmap camNumIcon;

    unsigned char* frameShown = nullptr;   // gColorLen: the picture the view shows
    unsigned char* frameRGBA = nullptr;    // gImageLen x 4: 32-bit copy that imageShown wraps
    QImage imageShown;
    // frameShown scaled once to the view's size (8-bit grey, 32-bit in colour) and painted unscaled
    // while no overlay is written into the picture; made again after ShowFrame (shownSerial), when
    // the fingerprint of frameShown (written directly by other screens) or a size changes.
    QImage displayShown;
    quint64 shownSerial = 0;
    quint64 displaySerial = 0;
    quint64 displayPrint = 0;
    bool displayPrintKnown = false;
    QSize displayFrom;
    bool rgbaMarked = false;  // frameRGBA holds marks: the next plain paint converts it again
    unsigned char* ignoreMapEdit[MAX_DETECT] = {};  // edit copy of ignoreMap
    unsigned char* ngFrames[MAX_DETECT][3] = {};    // last three NG frames per stage
    int ngCount[MAX_DETECT] = {};
    int ngIndex = 0;
    bool retrainPending[MAX_DETECT] = {};
    bool stageCycleFlags[MAX_DETECT] = {};
    QTimer* blinkTimer = nullptr;
    int blinkPhase = 0;

    int handleCode = -1;
    int editState = 0;
    bool shapeActive = false;
    ClustomRect workRect;
    Circle workCircle;
    QPoint lastPoint, curPoint, hitPoint;
    QPoint polyPoints[8096];
    int polyCount = 0;
    bool polyActive = false;
    bool pressed = false;
    bool grayShown = false;

    Slider* sliderMinWH = nullptr;
    Slider* sliderSensitivity = nullptr;
    Slider* sliderArea = nullptr;
    QLabel* labelFunc = nullptr;
    ColorButton* btnFunc = nullptr;
    ColorButton* btnGraySwitch = nullptr;
    ComboBox* comboOutput = nullptr;
    int editObject = 0;
    ColorButton* btnObject = nullptr;
    ColorButton* btnAdd10 = nullptr;
    ColorButton* btnAdd1 = nullptr;
    ColorButton* btnSub1 = nullptr;
    ColorButton* btnSub10 = nullptr;
    ColorButton* btnNextROI = nullptr;
    int moveScope = 0;
    ColorButton* btnMoveUp = nullptr;
    ColorButton* btnMoveDown = nullptr;
    ColorButton* btnMoveLeft = nullptr;
    ColorButton* btnMoveRight = nullptr;
    ColorButton* btnMoveAll = nullptr;
    CheckBox* checkCavity[8] = {};
    int selectedROI = -1;
    int previousROI = -1;

public slots:
    void SavePolygon();
    void SlotCopyArea(QPoint p);
    void CopyPara();
    void TimerShowAlarm();
    void SlotMinWH(int v);
    void SlotSensitivity(int v);
    void SlotArea(int v);
    void SlotOutN(int i);
    void SlotChangeFunc();
    void SlotChangeParaSow();
    void SlotChangeObject();
    void SlotAdd10();
    void SlotAdd1();
    void SlotSub1();
    void SlotSub10();
    void SlotSize(int dir);
    void SlotNextROI();
    void SlotMove(int dx, int dy);
    void SlotMoveT();
    void SlotMoveB();
    void SlotMoveL();
    void SlotMoveR();
    void SlotMoveAll();
    void SlotClickCheckBox0();
    void SlotClickCheckBox1();
    void SlotClickCheckBox2();
    void SlotClickCheckBox3();
    void SlotClickCheckBox4();
    void SlotClickCheckBox5();
    void SlotClickCheckBox6();
    void SlotClickCheckBox7();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    friend class CameraThread;
    // The record the setters read: the edit copy while the settings screen shows it, and for the
    // values the floating camera panel tunes (exposure, gain) while it floats.
    const WizardPara* ParaForSetters(bool panelTuned) const;
    void BuildFilterTexts(const WizardPara& p);
    void ApplyV4L2Filters();
    // The setters' V4L2 branch: the filter graph rebuilt from `p` under the frame lock.
    void SetV4L2Filters(const WizardPara& p);
    bool OpenDaheng(const QByteArray& serial);
    bool OpenIds(const QByteArray& serial);
    bool OpenMind(const QByteArray& serial);
    bool OpenHik(const QByteArray& serial);
    bool OpenV4L2();
    void CloseV4L2();
    void SetMindResolution();
    void SetMindOutput();
    // One acquisition pass of the V4L2 path (CameraThread): 0 the read failed, 1 a packet of the
    // video stream was handled, 2 a packet of another stream was dropped.
    int V4L2Pass(AVFrame* filtered);
    // Input geometry of the filter graph in force.
    int v4lGraphW = 0;
    int v4lGraphH = 0;
    int v4lGraphFormat = -1;
    // Copies a grey frame of gImageLen bytes into the grab buffer (expanded to RGBA with colour
    // processing) and sets the ready flag.
    void DeliverGrey(const unsigned char* grey);
    // Same for packed RGB of gImageLen x 3 bytes.
    void DeliverRGB(const unsigned char* rgb);

    // View side: construction steps after the camera opened, and their release.
    void BuildViewBase();
    void BuildViewSide();
    void BuildPanel();
    void LoadTemplates();
    // The end of BuildViewSide: LoadAndTrain now, or at the end of the batch in force.
    void DeferOrLoadAndTrain();
    static StartUpBatch* batch_;
    void FreeViewSide();
    // The view's camera opened and its models exist (view 0 always).
    bool viewBuilt() const { return modelEdit != nullptr; }
    bool opened() const;
    // Stage whose regions the view shows or edits, and the model it reads.
    int shownStage() const;
    CammerSingleton* shownModel() const;
    void SetSliders();
    void ClickCheckBox(int k);
    void CreateRegion(bool circle);
    // Region n of stage s, just placed in the edit copy: its mask, new parameters, selected.
    void AddEditRegion(int s, int n, bool polygon);
    void ApplyParam(int which, int v);
    void PaintOverlays(CammerSingleton* m, int stage);
    // True when PaintOverlays would mark pixels of the picture.
    bool OverlaysDue(CammerSingleton* m, int stage) const;
    void PrepareDisplay();
    void PaintRegions(QPainter& painter, CammerSingleton* m, int stage, QString* templateLabel);
    void PaintTexts(QPainter& painter, CammerSingleton* m, int stage, const QString& templateLabel);
    QString StageName(int stage) const;
    QString StatusText(QColor* colour) const;
    void PushTitleTexts(int stage, bool always);
    std::array<int, 16> titleKey{};
    QString titlePixel;
    bool panelFilling_ = false;
};
