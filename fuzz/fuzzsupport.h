#pragma once
// What every fuzz target shares: the process set up as the program's tests set it up (no screen,
// commands dry-run, a modal hook that answers every dialog at once, the text table), in a fresh
// temporary working directory, and a reader that takes typed values off the fuzzer's bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <QApplication>
#include <QByteArray>
#include <QDialog>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QTemporaryDir>

#include "core/globals.h"
#include "core/uitexttable.h"
#include "widgets/modalhook.h"

namespace fuzz {

inline void Quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

inline void SetUpProcess(int* argc, char*** argv)
{
    // Log lines of rejected input would only slow the search down.
    qInstallMessageHandler(Quiet);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("MOULDMON_DRYRUN", "1");
    qunsetenv("MOULDMON_SYSROOT");
    // Never destroyed: libFuzzer leaves through exit(), and Qt's clean-up after the statics are
    // gone would only crash.
    new QApplication(*argc, *argv);
    auto* dir = new QTemporaryDir;
    if (!dir->isValid() || !QDir::setCurrent(dir->path()))
        std::abort();
    static std::string workDir;
    workDir = dir->path().toStdString();
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(workDir, ignored);
    });
    Data_Init();
    CreateGlobalMutexes();
    setModalHook([](QDialog&) { return int(QDialog::Accepted); });
}

// Opens `file` on `connection`, quick to write (a throw-away file).
inline void OpenDatabase(const char* connection, const char* file)
{
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", connection);
    db.setDatabaseName(file);
    if (!db.open())
        std::abort();
    QSqlQuery(db).exec("PRAGMA synchronous=OFF");
    QSqlQuery(db).exec("PRAGMA journal_mode=MEMORY");
}

// Replaces the rows of a (name, value) table by the input: one row a line, the name, a tab, the
// value.
inline void PutRows(const char* connection, const QString& table, const uint8_t* data, size_t size)
{
    QSqlQuery q(QSqlDatabase::database(connection, false));
    q.exec("DELETE FROM " + table);
    q.prepare("INSERT INTO " + table + " VALUES(?, ?)");
    const QByteArray text(reinterpret_cast<const char*>(data), int(size));
    for (const QByteArray& line : text.split('\n')) {
        const int tab = line.indexOf('\t');
        q.bindValue(0, QString::fromUtf8(tab < 0 ? line : line.left(tab)));
        q.bindValue(1, QString::fromUtf8(tab < 0 ? QByteArray() : line.mid(tab + 1)));
        q.exec();
    }
}

// Typed values off the input, zero once it is used up.
class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : p_(data), n_(size) {}
    uint8_t u8() { return n_ ? (--n_, *p_++) : 0; }
    uint16_t u16() { return uint16_t(u8() << 8 | u8()); }
    size_t left() const { return n_; }
    QByteArray take(size_t k)
    {
        k = k < n_ ? k : n_;
        QByteArray out(reinterpret_cast<const char*>(p_), int(k));
        p_ += k;
        n_ -= k;
        return out;
    }
    QByteArray rest() { return take(n_); }

private:
    const uint8_t* p_;
    size_t n_;
};

}  // namespace fuzz
