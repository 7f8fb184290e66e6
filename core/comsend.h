#pragma once
// Serial line of the I/O board: opening the port and building the host's 6-byte frames
// (0x5F, command, data low, data high, 8-bit sum of the first four, 0xF5).
#include <QString>

class Posix_QextSerialPort;

extern int gisCOM;                    // serial port number (serial_port of the parameter record)
extern Posix_QextSerialPort* gpCom;   // the open port; used only by the board thread after ComInit

// Device of a port number: 0 -> ttyS0, n > 0 -> ttyS(n+1) (ttyS1 is never used);
// MOULDMON_SERIAL replaces it.
QString ComDeviceName(int port);

// Opens the port of gisCOM at 115200 8N1, no flow control, 1 ms timeout, polling mode.
// Returns false (and logs a critical line) when the device cannot be opened or set up; gpCom
// then still holds a closed port so writes go nowhere and the caller can warn the operator.
bool ComInit();

// Builds the host frame for `cmd` (low 8 bits) and `data` (low 16 bits) into `frame`.
void MakeHostFrame(unsigned char frame[6], int cmd, int data);
// Writes one host frame to gpCom.
void ComSend(int cmd, int data);
// 8-bit additive sum of the first `len` bytes.
unsigned char calcLRC(const unsigned char* buf, unsigned short len);
