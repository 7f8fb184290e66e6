#pragma once
// The view of one camera (eight exist, index 0..7). This header holds the camera side: the camera
// handle of the make in force, opening, starting, stopping and the image parameters, the V4L2
// capture objects and filter graph, the acquisition thread and the picture buffers it fills. The
// view side (painting, region editing, panels) is added to the same class by the main screen.
#include <atomic>

#include <QByteArray>
#include <QWidget>

#include "platform/camsdk/dahengsdk.h"
#include "platform/camsdk/hikvisionsdk.h"
#include "platform/camsdk/idssdk.h"
#include "platform/camsdk/mindvisionsdk.h"
#include "vision/cammerviewdata.h"

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
    unsigned char* frameColor = nullptr;   // RGBA staging, gColorLen bytes (colour processing only)
    unsigned char* frameRaw = nullptr;     // raw frame, gImageLen bytes
    int averageGray = 0;                   // mean grey of the last frame, written by the cycle

    // Make 4.
    GX_DEV_HANDLE dahengHandle = nullptr;
    GxFrameData dahengFrame{};
    // Make 5.
    HIDS idsHandle = 0;
    char* idsMemory = nullptr;
    int idsMemoryId = 0;
    int idsColorMode = 0;
    int idsBitsPerPixel = 8;
    // Make 6.
    CameraHandle mindHandle = 0;
    MvCapability mindCapability{};
    MvFrameHead mindFrameHead{};
    uint8_t* mindRawBuffer = nullptr;
    // Make 7.
    void* hikHandle = nullptr;
    MV_CC_DEVICE_INFO* hikDeviceInfo = nullptr;
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

private:
    friend class CameraThread;
    // The record the setters read: the edit copy while the settings screen shows it.
    const WizardPara* ParaForSetters(bool exposure) const;
    void BuildFilterTexts(const WizardPara& p);
    void ApplyV4L2Filters();
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
};
