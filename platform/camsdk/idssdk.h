#pragma once
// Declarations of the industrial camera library of make 5 that the camera code calls, served by the
// camera simulator (camsim.h). Status 0 (IS_SUCCESS) is success.
#include <cstdint>

typedef uint32_t HIDS;

enum {
    IS_SUCCESS = 0,
    IS_NO_SUCCESS = -1,
    IS_INVALID_CAMERA_HANDLE = 1,
    IS_CANT_OPEN_DEVICE = 3,
    IS_TIMED_OUT = 122,
    IS_DEVICE_ALREADY_PAIRED = 197,
};

constexpr HIDS IS_USE_DEVICE_ID = 0x8000;  // the handle passed to is_InitCamera names a device id
constexpr int IS_CM_MONO8 = 6;
constexpr int IS_SET_ENABLE_AUTO_GAIN = 0x8800;
constexpr int IS_SET_ENABLE_AUTO_SHUTTER = 0x8802;
constexpr int IS_WAIT = 1;
constexpr int IS_FORCE_VIDEO_STOP = 0x4000;
// Commands of is_AOI, is_PixelClock, is_Exposure and is_Gamma used here.
constexpr unsigned IS_AOI_IMAGE_SET_SIZE = 5;
constexpr unsigned IS_PIXELCLOCK_CMD_SET = 6;
constexpr unsigned IS_EXPOSURE_CMD_SET_EXPOSURE = 12;
constexpr unsigned IS_GAMMA_CMD_SET = 1;

struct IsSize2D {
    int32_t width;
    int32_t height;
};

struct IsSensorInfo {
    uint16_t sensorId;
    char sensorName[32];
    char colorMode;  // 1 mono, 2 Bayer
    uint32_t maxWidth;
    uint32_t maxHeight;
};

struct IsCameraInfo {
    char serial[32];
    char id[20];
    char version[10];
    char date[12];
    uint8_t select;
    uint8_t type;
};

int is_GetNumberOfCameras(int* count);
int is_InitCamera(HIDS* handle, void* window);
int is_ExitCamera(HIDS handle);
int is_GetSensorInfo(HIDS handle, IsSensorInfo* info);
int is_GetCameraInfo(HIDS handle, IsCameraInfo* info);
int is_SetColorMode(HIDS handle, int mode);
int is_AllocImageMem(HIDS handle, int width, int height, int bitsPerPixel, char** memory, int* memoryId);
int is_SetImageMem(HIDS handle, char* memory, int memoryId);
int is_FreeImageMem(HIDS handle, char* memory, int memoryId);
int is_AOI(HIDS handle, unsigned command, void* param, unsigned size);
int is_SetAutoParameter(HIDS handle, int param, double* value1, double* value2);
int is_SetHardwareGamma(HIDS handle, int mode);
int is_PixelClock(HIDS handle, unsigned command, void* param, unsigned size);
int is_Exposure(HIDS handle, unsigned command, void* param, unsigned size);
int is_SetHardwareGain(HIDS handle, int master, int red, int green, int blue);
int is_Gamma(HIDS handle, unsigned command, void* param, unsigned size);
// Continuous capture into the memory set by is_SetImageMem; the caller reads that memory directly,
// holding it (below) while it copies.
int is_CaptureVideo(HIDS handle, int wait);
int is_StopLiveVideo(HIDS handle, int wait);
// Holds an image memory: waits for a frame being written into it to be complete, then the camera
// leaves it alone (drops its frames) until is_ReleaseImageMem. `frameCount` gets the camera's count
// of the frame the memory holds (0: none yet), so a reader tells a new frame without comparing
// pictures. A held memory cannot be freed.
int is_HoldImageMem(HIDS handle, char* memory, int memoryId, uint64_t* frameCount);
int is_ReleaseImageMem(HIDS handle, char* memory, int memoryId);
