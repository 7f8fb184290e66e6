#pragma once
// Declarations of the industrial camera library of make 4 that the camera code calls, served by the
// camera simulator (camsim.h). Status 0 is success.
#include <cstdint>

typedef int32_t GX_STATUS;
typedef void* GX_DEV_HANDLE;
typedef int32_t GX_FEATURE_ID;

enum : GX_STATUS {
    GX_STATUS_SUCCESS = 0,
    GX_STATUS_ERROR = -1,
    GX_STATUS_NOT_FOUND_DEVICE = -3,
    GX_STATUS_INVALID_PARAMETER = -5,
    GX_STATUS_INVALID_HANDLE = -6,
    GX_STATUS_INVALID_ACCESS = -9,
    GX_STATUS_TIMEOUT = -14,
    GX_STATUS_NOT_INIT_API = -13,
};

// How GXOpenDevice names the device and what access it asks for.
enum { GX_OPEN_SN = 0, GX_OPEN_IP = 1, GX_OPEN_MAC = 2, GX_OPEN_INDEX = 3 };
enum { GX_ACCESS_READONLY = 2, GX_ACCESS_CONTROL = 3, GX_ACCESS_EXCLUSIVE = 4 };

struct GxOpenParam {
    const char* content;  // serial text, address or index text
    int32_t openMode;     // GX_OPEN_*
    int32_t accessMode;   // GX_ACCESS_*
};

struct GxFloatRange {
    double min;
    double max;
    double inc;
};

// One frame as GXGetImage fills it. The caller owns imgBuf and says its capacity in imgBufSize.
struct GxFrameData {
    int32_t status;      // 0: a whole picture; anything else: incomplete
    void* imgBuf;
    int32_t imgBufSize;
    int32_t width;
    int32_t height;
    int32_t pixelFormat;
    int32_t imgSize;
    uint64_t frameId;
    uint64_t timestamp;
};

GX_STATUS GXInitLib();
GX_STATUS GXCloseLib();
GX_STATUS GXUpdateDeviceList(uint32_t* deviceCount, uint32_t timeoutMs);
GX_STATUS GXOpenDeviceByIndex(uint32_t index, GX_DEV_HANDLE* handle);  // index from 1
GX_STATUS GXOpenDevice(GxOpenParam* param, GX_DEV_HANDLE* handle);
GX_STATUS GXCloseDevice(GX_DEV_HANDLE handle);
GX_STATUS GXGetInt(GX_DEV_HANDLE handle, GX_FEATURE_ID feature, int64_t* value);
GX_STATUS GXSetInt(GX_DEV_HANDLE handle, GX_FEATURE_ID feature, int64_t value);
GX_STATUS GXSetEnum(GX_DEV_HANDLE handle, GX_FEATURE_ID feature, int64_t value);
GX_STATUS GXSetBool(GX_DEV_HANDLE handle, GX_FEATURE_ID feature, bool value);
GX_STATUS GXGetFloat(GX_DEV_HANDLE handle, GX_FEATURE_ID feature, double* value);
GX_STATUS GXSetFloat(GX_DEV_HANDLE handle, GX_FEATURE_ID feature, double value);
GX_STATUS GXGetFloatRange(GX_DEV_HANDLE handle, GX_FEATURE_ID feature, GxFloatRange* range);
GX_STATUS GXSendCommand(GX_DEV_HANDLE handle, GX_FEATURE_ID feature);
GX_STATUS GXGetImage(GX_DEV_HANDLE handle, GxFrameData* frame, uint32_t timeoutMs);

// Image-processing helper of the same library: contrast by factor -50..100 over `size` 8-bit values.
int32_t DxContrast(void* in, void* out, int32_t size, int32_t factor);
