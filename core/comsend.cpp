#include "core/comsend.h"

#include <QLoggingCategory>

#include "core/syspath.h"
#include "platform/vision/posix_qextserialport.h"

int gisCOM = 0;
Posix_QextSerialPort* gpCom = nullptr;

QString ComDeviceName(int port)
{
    return serialDevicePath(port > 0 ? port + 1 : port);
}

bool ComInit()
{
    const QString name = ComDeviceName(gisCOM);
    if (gpCom) {  // only tests open a second time
        gpCom->close();
        delete gpCom;
    }
    gpCom = new Posix_QextSerialPort(name, QextSerialBase::Polling);
    if (!gpCom->open(QIODevice::ReadWrite)) {
        qCritical().noquote() << "serial port" << name << "cannot be opened:" << gpCom->errorString();
        return false;
    }
    gpCom->setBaudRate(BAUD115200);
    gpCom->setDataBits(DATA_8);
    gpCom->setParity(PAR_NONE);
    gpCom->setStopBits(STOP_1);
    gpCom->setFlowControl(FLOW_OFF);
    gpCom->setTimeout(1);
    if (gpCom->lastError() != 0) {
        qCritical().noquote() << "serial port" << name << "cannot be set up:" << gpCom->errorString();
        gpCom->close();
        return false;
    }
    return true;
}

void MakeHostFrame(unsigned char frame[6], int cmd, int data)
{
    frame[0] = 0x5F;
    frame[1] = static_cast<unsigned char>(cmd & 0xFF);
    frame[2] = static_cast<unsigned char>(data & 0xFF);
    frame[3] = static_cast<unsigned char>((data >> 8) & 0xFF);
    frame[4] = calcLRC(frame, 4);
    frame[5] = 0xF5;
}

void ComSend(int cmd, int data)
{
    unsigned char frame[6];
    MakeHostFrame(frame, cmd, data);
    if (gpCom && gpCom->isOpen())
        gpCom->write(reinterpret_cast<const char*>(frame), sizeof frame);
}

unsigned char calcLRC(const unsigned char* buf, unsigned short len)
{
    unsigned int sum = 0;
    for (unsigned short i = 0; i < len; ++i)
        sum += buf[i];
    return static_cast<unsigned char>(sum & 0xFF);
}
