#include "core/ledonoff.h"

#include <fcntl.h>
#include <sys/ioctl.h>

#include <QFile>

#include "core/syspath.h"

int gfLED = -1;

namespace {
constexpr unsigned long kBacklightOn = 0x5A018B00;
constexpr unsigned long kBacklightOff = 0x5A018A00;
constexpr unsigned long kLamps = 0x5A018000;

int ioctlRequest(int fd, unsigned long request)
{
    return ::ioctl(fd, request);
}

LedRequestFunction gRequest = ioctlRequest;
int gOwnScreenOff = 0;
int* gScreenOff = &gOwnScreenOff;

void request(unsigned long code)
{
    if (gfLED >= 0)
        gRequest(gfLED, code);  // the panel gives no answer worth checking
}
}  // namespace

int OpenLedDevice()
{
    gfLED = ::open(QFile::encodeName(sysPath("/dev/led")).constData(), O_RDWR | O_CLOEXEC);
    return gfLED;
}

void SetLedRequestFunction(LedRequestFunction fn)
{
    gRequest = fn ? fn : ioctlRequest;
}

void SetScreenOffFlag(int* flag)
{
    gScreenOff = flag ? flag : &gOwnScreenOff;
}

int ScreenOffFlag()
{
    return *gScreenOff;
}

void LCDOnOff(int on)
{
    if (on) {
        request(kBacklightOn);
        *gScreenOff = 0;
    } else {
        request(kBacklightOff);
        *gScreenOff = 1;
    }
}

void LEDOnOff(int n, int value)
{
    static unsigned char lamps = 0xFF;
    if (n < 0 || n > 7)
        return;
    lamps = static_cast<unsigned char>((lamps & ~(1u << n)) | ((value & 1u) << n));
    request(kLamps | lamps);
}
