#pragma once
// Serial port on a POSIX tty (termios). Only what the board link needs: open by device name,
// polling mode, the line settings, the count of bytes waiting, non-blocking read and write.
#include <QIODevice>
#include <QString>

class QextSerialBase : public QIODevice {
    Q_OBJECT
public:
    enum QueryMode { Polling, EventDriven };

    using QIODevice::QIODevice;
};

enum BaudRateType { BAUD9600 = 9600, BAUD19200 = 19200, BAUD38400 = 38400, BAUD57600 = 57600, BAUD115200 = 115200 };
enum DataBitsType { DATA_5 = 5, DATA_6 = 6, DATA_7 = 7, DATA_8 = 8 };
enum ParityType { PAR_NONE, PAR_ODD, PAR_EVEN };
enum StopBitsType { STOP_1, STOP_2 };
enum FlowType { FLOW_OFF, FLOW_HARDWARE, FLOW_XONXOFF };

class Posix_QextSerialPort : public QextSerialBase {
    Q_OBJECT
public:
    Posix_QextSerialPort(const QString& name, QextSerialBase::QueryMode mode);
    ~Posix_QextSerialPort() override;

    QString portName() const { return name_; }
    QueryMode queryMode() const { return mode_; }
    // File descriptor of the open port (-1 when closed), for waiting until bytes arrive.
    int handle() const { return fd_; }

    bool open(OpenMode mode) override;
    void close() override;
    bool isSequential() const override { return true; }
    // Bytes the driver holds for reading (FIONREAD); never blocks.
    qint64 bytesAvailable() const override;

    // Line settings: applied at once when the port is open, else at open.
    void setBaudRate(BaudRateType rate);
    void setDataBits(DataBitsType bits);
    void setParity(ParityType parity);
    void setStopBits(StopBitsType bits);
    void setFlowControl(FlowType flow);
    void setTimeout(long millisec);

    // errno of the last failed open or line set-up (0 when none).
    int lastError() const { return lastErrno_; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    bool applySettings();

    QString name_;
    QueryMode mode_;
    int fd_ = -1;
    BaudRateType baud_ = BAUD9600;
    DataBitsType dataBits_ = DATA_8;
    ParityType parity_ = PAR_NONE;
    StopBitsType stopBits_ = STOP_1;
    FlowType flow_ = FLOW_OFF;
    long timeoutMs_ = 0;
    int lastErrno_ = 0;
};
