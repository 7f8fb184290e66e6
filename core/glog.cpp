#include "core/glog.h"

#include <glog/logging.h>

#include <QDir>
#include <QFile>

GLog::GLog(const std::string& dir, char** argv, QObject* parent) : QObject(parent)
{
    FLAGS_log_dir = dir;
    FLAGS_logbufsecs = 0;
    FLAGS_max_log_size = 100;
    FLAGS_stop_logging_if_full_disk = true;
    FLAGS_logtostderr = false;
    google::SetLogFilenameExtension("log");
    google::InitGoogleLogging(argv[0]);
    google::InstallFailureSignalHandler();

    QDir d(QString::fromStdString(dir));
    QFileInfoList files = d.entryInfoList({"*"}, QDir::Files, QDir::Time);  // newest first
    while (files.size() >= 50)
        QFile::remove(files.takeLast().absoluteFilePath());
}

GLog::~GLog()
{
    google::ShutdownGoogleLogging();
}

void SignalHandle(const char* data, unsigned long size)
{
    (void)data;
    (void)size;
}
