#pragma once
// Front panel: screen backlight and eight lamps on the character device /dev/led.

extern int gfLED;  // descriptor of /dev/led; negative = no device (0 is a valid descriptor)

// Opens /dev/led (through sysPath) read-write into gfLED; returns gfLED.
int OpenLedDevice();

// The device request; tests replace it to record the request numbers. nullptr restores ioctl.
using LedRequestFunction = int (*)(int fd, unsigned long request);
void SetLedRequestFunction(LedRequestFunction fn);

// Where LCDOnOff records that the screen is dark (the main window's screen-off flag).
// Until one is set, a flag of this file is used (ScreenOffFlag()).
void SetScreenOffFlag(int* flag);
int ScreenOffFlag();

// Backlight on (on != 0) or off; sets the screen-off flag to 0 or 1.
void LCDOnOff(int on);
// Lamp n (0-7) takes the lowest bit of value; all eight lamps are sent in one request.
void LEDOnOff(int n, int value);
