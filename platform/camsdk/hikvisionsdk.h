#pragma once
// Declarations of the industrial camera library of make 7 that the camera code calls, served by the
// camera simulator (camsim.h). Status 0 (MV_OK) is success.
#include <cstdint>

enum : int {
    MV_OK = 0,
    MV_E_HANDLE = (int)0x80000000,
    MV_E_SUPPORT = (int)0x80000001,
    MV_E_PARAMETER = (int)0x80000004,
    MV_E_NODATA = (int)0x80000007,
    MV_E_ACCESS_DENIED = (int)0x80000203,
    MV_E_BUSY = (int)0x80000204,
    MV_E_NETER = (int)0x80000205,
};

constexpr unsigned MV_GIGE_DEVICE = 0x00000001;
constexpr unsigned MV_USB_DEVICE = 0x00000004;
constexpr unsigned MV_ACCESS_Exclusive = 1;
constexpr unsigned MV_PIXEL_Mono8 = 0x01080001;
constexpr unsigned MV_PIXEL_BayerRG8 = 0x01080009;
constexpr unsigned MV_PIXEL_RGB8_Packed = 0x02180014;
constexpr int MV_MAX_DEVICE_NUM = 256;

struct MV_GIGE_DEVICE_INFO {
    uint32_t currentIp;          // host byte order
    uint32_t currentSubnetMask;  // host byte order
    uint32_t defaultGateway;     // host byte order
    uint32_t netExport;          // address of the host interface that sees the camera, host byte order
    char manufacturer[32];
    char modelName[32];
    char serialNumber[16];
    char userDefinedName[16];
};

struct MV_USB3_DEVICE_INFO {
    char manufacturer[64];
    char modelName[64];
    char serialNumber[64];
};

typedef struct _MV_CC_DEVICE_INFO_ {
    uint32_t macHigh;
    uint32_t macLow;
    uint32_t transportLayer;  // MV_GIGE_DEVICE or MV_USB_DEVICE
    union {
        MV_GIGE_DEVICE_INFO gige;
        MV_USB3_DEVICE_INFO usb;
    } special;
} MV_CC_DEVICE_INFO;

struct MV_CC_DEVICE_INFO_LIST {
    uint32_t deviceCount;
    MV_CC_DEVICE_INFO* deviceInfo[MV_MAX_DEVICE_NUM];
};

// What comes with each frame of the image callback.
struct MV_FRAME_OUT_INFO {
    uint16_t width;
    uint16_t height;
    uint32_t pixelType;
    uint32_t frameNumber;
    uint32_t frameLength;  // bytes at the data pointer
};

struct MVCC_INTVALUE {
    int64_t cur;
    int64_t max;
    int64_t min;
    int64_t inc;
};

struct MVCC_FLOATVALUE {
    float cur;
    float max;
    float min;
};

struct MVCC_STRINGVALUE {
    char value[256];
    int64_t maxLength;
};

struct MV_CC_PIXEL_CONVERT_PARAM {
    uint16_t width;
    uint16_t height;
    uint32_t srcPixelType;
    const unsigned char* srcData;
    uint32_t srcDataLen;
    uint32_t dstPixelType;
    unsigned char* dstBuffer;
    uint32_t dstLen;  // out: bytes written
    uint32_t dstBufferSize;
};

typedef void (*MvImageCallBack)(unsigned char* data, MV_FRAME_OUT_INFO* info, void* user);

int MV_CC_EnumDevices(unsigned layerTypes, MV_CC_DEVICE_INFO_LIST* list);
bool MV_CC_IsDeviceAccessible(MV_CC_DEVICE_INFO* device, unsigned accessMode);
int MV_CC_CreateHandle(void** handle, const MV_CC_DEVICE_INFO* device);
int MV_CC_DestroyHandle(void* handle);
int MV_CC_OpenDevice(void* handle, unsigned accessMode = MV_ACCESS_Exclusive, unsigned short switchoverKey = 0);
int MV_CC_CloseDevice(void* handle);
int MV_CC_SetEnumValue(void* handle, const char* key, unsigned value);
int MV_CC_SetBoolValue(void* handle, const char* key, bool value);
int MV_CC_SetFloatValue(void* handle, const char* key, float value);
int MV_CC_SetIntValue(void* handle, const char* key, int64_t value);
int MV_CC_SetCommandValue(void* handle, const char* key);
int MV_CC_GetIntValue(void* handle, const char* key, MVCC_INTVALUE* value);
int MV_CC_GetStringValue(void* handle, const char* key, MVCC_STRINGVALUE* value);
int MV_CC_GetExposureTime(void* handle, MVCC_FLOATVALUE* value);
int MV_CC_GetGain(void* handle, MVCC_FLOATVALUE* value);
int MV_CC_GetSharpness(void* handle, MVCC_INTVALUE* value);
int MV_CC_GetGamma(void* handle, MVCC_FLOATVALUE* value);
int MV_CC_SetBalanceWhiteAuto(void* handle, unsigned mode);  // 2: once
int MV_CC_RegisterImageCallBack(void* handle, MvImageCallBack callback, void* user);
int MV_CC_ConvertPixelType(void* handle, MV_CC_PIXEL_CONVERT_PARAM* param);
int MV_CC_StartGrabbing(void* handle);
int MV_CC_StopGrabbing(void* handle);
int MV_GIGE_ForceIpEx(void* handle, uint32_t ip, uint32_t mask, uint32_t gateway);
