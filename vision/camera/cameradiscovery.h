#pragma once
// The start-up probe that chooses the camera make and the working picture size, the count of USB
// video devices, the handling of a lost camera and its recovery, and the binding of camera serials
// to camera slots. Everything here runs on the GUI thread.
#include <QString>
#include <atomic>

#include "core/globals.h"

#include "platform/camsdk/hikvisionsdk.h"
#include "platform/camsdk/mindvisionsdk.h"

// Camera make: 0 none, 4, 5, 6, 7 the four libraries, 9 V4L2 through FFmpeg.
enum { CAMERA_NONE = 0, CAMERA_DAHENG = 4, CAMERA_IDS = 5, CAMERA_MIND = 6, CAMERA_HIK = 7, CAMERA_V4L2 = 9 };

// Fixed by the start-up probe on the GUI thread; the views' camera threads read it meanwhile.
extern std::atomic<int> gCameraID;
extern int gFindCamera;       // cameras the probe found (4 when none, so that four empty views exist)
extern int gOW, gOH;          // sensor size as the camera reports it
extern int gSensorColor;      // 1 colour sensor, 0 mono
extern bool gisCut;           // crop to the fixed working sizes (1 - system7 position 8)
extern MvImageResolution gImageResolution;           // preset used for a cropped 2592-wide sensor (make 6)
extern MvDeviceInfo gCList[MV_MAX_DEVICES];          // make 6 device list
extern int gCListCount;                              // entries of gCList filled by the last enumeration
extern MV_CC_DEVICE_INFO_LIST gDevList;              // make 7 device list
extern bool gisLost;          // a camera is lost and recovery is pending
extern int gLost;             // camera losses since the counter was last cleared
extern int numCamera;         // views whose camera opened
extern int gCamNO[8];         // per view position, the slot its camera moves to at the next start

// The start-up probe: fixes gCameraID, gFindCamera, the sensor and working sizes, gSensorColor,
// and derives gImageLen and gColorLen from the working size and gisColor.
void CheckCameraID();
// USB video devices listed in the input-devices file.
int CheckUSBCameraNum();
// The camera of `view` delivers no frames: set the lost state, stop and close every camera, warn.
void CameraCheck(int view);
// Tries to get every camera back; the cycle calls it every 3000 ms while gisLost is set.
void CameraRestart();
// Rebinds the serials: clear 0 reads them from the open cameras, 1 stores "0" in every slot.
void SaveSN(int clear);

// Working size for a sensor and the cropping switch, by make (4 or 6); exposed for the probe tests.
void WorkingSizeFor(int make, int sensorW, int sensorH, bool cut, int* w, int* h);
// Sets gImageW/gImageH and derives gImageLen and gColorLen.
void SetWorkingSize(int w, int h);

// The make 6 recovery resets the host's network interfaces on a worker thread; true while it runs.
bool NetworkResetRunning();
// Waits for a running reset to end (tests, shutdown).
void WaitNetworkReset();
