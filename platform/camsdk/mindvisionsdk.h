#pragma once
// Declarations of the industrial camera library of make 6 that the camera code calls, served by the
// camera simulator (camsim.h). Status 0 is success.
#include <cstdint>

typedef int CameraHandle;
typedef int CameraSdkStatus;

enum : CameraSdkStatus {
    CAMERA_STATUS_SUCCESS = 0,
    CAMERA_STATUS_FAILED = -1,
    CAMERA_STATUS_INVALID_HANDLE = -3,
    CAMERA_STATUS_INVALID_PARAMETER = -4,
    CAMERA_STATUS_TIME_OUT = -12,
    CAMERA_STATUS_DEVICE_LOST = -37,
    CAMERA_STATUS_ACCESS_DENY = -45,
    CAMERA_STATUS_NO_DEVICE_FOUND = -16,
};

constexpr uint32_t MV_ISP_MONO8 = 0x01080001;
constexpr uint32_t MV_ISP_RGB8 = 0x02180014;
constexpr int MV_CUSTOM_RESOLUTION = 0xFF;
constexpr int MV_MAX_DEVICES = 12;

// One enumerated device: 260 bytes, the serial text at byte 224.
struct MvDeviceInfo {
    char productSeries[32];
    char productName[32];
    char friendlyName[32];
    char linkName[32];
    char driverVersion[32];
    char sensorType[32];
    char portType[32];
    char serial[32];
    uint32_t instance;
};
static_assert(sizeof(MvDeviceInfo) == 260, "device record layout");

// A resolution (preset or custom): 92 bytes.
struct MvImageResolution {
    int32_t index;  // preset number, or MV_CUSTOM_RESOLUTION
    char description[32];
    uint32_t binSumMode;
    uint32_t binAverageMode;
    uint32_t skipMode;
    uint32_t resampleMask;
    int32_t fovX;
    int32_t fovY;
    int32_t fovWidth;
    int32_t fovHeight;
    int32_t width;
    int32_t height;
    int32_t zoomHdWidth;
    int32_t zoomHdHeight;
    int32_t zoomSwWidth;
    int32_t zoomSwHeight;
};
static_assert(sizeof(MvImageResolution) == 92, "resolution record layout");

struct MvRange {
    int32_t min;
    int32_t max;
};

struct MvCapability {
    MvImageResolution* presets;  // preset list, owned by the library
    int32_t presetCount;
    int32_t maxWidth;
    int32_t maxHeight;
    int32_t isMono;
    MvRange analogGain;
    MvRange sharpness;
    MvRange contrast;
    MvRange gamma;
    double exposureMin;  // microseconds
    double exposureMax;
};

struct MvFrameHead {
    uint32_t mediaType;  // MV_ISP_* of the raw buffer
    int32_t bytes;
    int32_t width;
    int32_t height;
    uint32_t frameNumber;
};

CameraSdkStatus CameraSdkInit(int language);
CameraSdkStatus CameraUSBDeviceInit();
CameraSdkStatus CameraSdkGetVersionString(char* text);  // at least 64 bytes
CameraSdkStatus CameraEnumerateDevice(MvDeviceInfo* list, int* count);  // count: in capacity, out found
CameraSdkStatus CameraInit(MvDeviceInfo* device, int paramMode, int team, CameraHandle* handle);
CameraSdkStatus CameraUnInit(CameraHandle handle);
CameraSdkStatus CameraGetCapability(CameraHandle handle, MvCapability* capability);
CameraSdkStatus CameraReadSN(CameraHandle handle, uint8_t* buffer, int level);  // 32-byte buffer
CameraSdkStatus CameraSetImageResolution(CameraHandle handle, MvImageResolution* resolution);
CameraSdkStatus CameraSetIspOutFormat(CameraHandle handle, uint32_t format);
CameraSdkStatus CameraSetMonochrome(CameraHandle handle, int enable);
CameraSdkStatus CameraSetMediaType(CameraHandle handle, int index);
CameraSdkStatus CameraSetWbMode(CameraHandle handle, int automatic);
CameraSdkStatus CameraSetMirror(CameraHandle handle, int direction, int enable);
CameraSdkStatus CameraSetFrameSpeed(CameraHandle handle, int speed);
CameraSdkStatus CameraSetTriggerMode(CameraHandle handle, int mode);
CameraSdkStatus CameraSetAeState(CameraHandle handle, int automatic);
CameraSdkStatus CameraSetAeTarget(CameraHandle handle, int target);
CameraSdkStatus CameraSetAeExposureRange(CameraHandle handle, double minMicroseconds, double maxMicroseconds);
CameraSdkStatus CameraSetAntiFlick(CameraHandle handle, int enable);
CameraSdkStatus CameraSetExposureTime(CameraHandle handle, double microseconds);
CameraSdkStatus CameraGetExposureTime(CameraHandle handle, double* microseconds);
CameraSdkStatus CameraGetAeAnalogGainRange(CameraHandle handle, int* min, int* max);
CameraSdkStatus CameraSetAnalogGain(CameraHandle handle, int gain);
CameraSdkStatus CameraGetAnalogGain(CameraHandle handle, int* gain);
CameraSdkStatus CameraSetSharpness(CameraHandle handle, int value);
CameraSdkStatus CameraGetSharpness(CameraHandle handle, int* value);
CameraSdkStatus CameraSetContrast(CameraHandle handle, int value);
CameraSdkStatus CameraGetContrast(CameraHandle handle, int* value);
CameraSdkStatus CameraSetGamma(CameraHandle handle, int value);
CameraSdkStatus CameraGetGamma(CameraHandle handle, int* value);
CameraSdkStatus CameraSetOnceWB(CameraHandle handle);
CameraSdkStatus CameraLoadParameter(CameraHandle handle, int team);
CameraSdkStatus CameraCommonCall(CameraHandle handle, const char* command, char* result, uint32_t resultSize);
CameraSdkStatus CameraPlay(CameraHandle handle);
CameraSdkStatus CameraStop(CameraHandle handle);
// The raw buffer stays the library's until CameraReleaseImageBuffer.
CameraSdkStatus CameraGetImageBuffer(CameraHandle handle, MvFrameHead* head, uint8_t** buffer, uint32_t timeoutMs);
CameraSdkStatus CameraImageProcess(CameraHandle handle, uint8_t* raw, uint8_t* out, MvFrameHead* head);
CameraSdkStatus CameraReleaseImageBuffer(CameraHandle handle, uint8_t* buffer);
