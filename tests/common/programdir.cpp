#include "common/programdir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

ProgramDir::ProgramDir() : oldCwd_(QDir::currentPath())
{
    QDir::setCurrent(dir_.path());
}

ProgramDir::~ProgramDir()
{
    QDir::setCurrent(oldCwd_);
}

bool ProgramDir::write(const QString& rel, const QByteArray& data) const
{
    const QString p = file(rel);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(data) == data.size();
}

QByteArray ProgramDir::read(const QString& rel) const
{
    QFile f(file(rel));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

RecordingRunner::RecordingRunner()
{
    previous_ = CommandRunner::setInstance(this);
}

RecordingRunner::~RecordingRunner()
{
    CommandRunner::setInstance(previous_);
}

CommandResult RecordingRunner::run(const QString& program, const QStringList& args, int)
{
    RecordedCommand c{program, args, false};
    calls.append(c);
    if (answer)
        return answer(c);
    CommandResult r;
    r.started = true;
    r.exitCode = 0;
    return r;
}

bool RecordingRunner::startDetached(const QString& program, const QStringList& args, qint64* pid)
{
    RecordedCommand c{program, args, true};
    calls.append(c);
    if (pid)
        *pid = detachedPid;
    if (answer)
        return answer(c).started;
    return true;
}

QStringList RecordingRunner::lines() const
{
    QStringList l;
    for (const auto& c : calls)
        l << c.line();
    return l;
}

QString buildDir()
{
#ifdef MOULDMON_BINARY_DIR
    return QStringLiteral(MOULDMON_BINARY_DIR);
#else
    return QString::fromLocal8Bit(qgetenv("MOULDMON_BINARY_DIR"));
#endif
}

QString sourceDir()
{
#ifdef MOULDMON_SOURCE_DIR
    return QStringLiteral(MOULDMON_SOURCE_DIR);
#else
    return QString();
#endif
}
