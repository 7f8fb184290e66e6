#pragma once
// Set-up object for the glog library: file logging into `dir`, no buffering, 100 MB files,
// glog's failure signal handler, at most 49 files kept. Built but not installed by the program.
#include <string>

#include <QObject>

class GLog : public QObject {
public:
    GLog(const std::string& dir, char** argv, QObject* parent = nullptr);
    ~GLog() override;
};

// Failure writer in glog's form that writes nothing.
void SignalHandle(const char* data, unsigned long size);
