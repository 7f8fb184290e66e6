// Replacing a file whole: a write cut short (a full disk, here a file-size limit) or a folder
// that cannot exist leaves the old file as it was and nothing beside it.
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>

#include "common/programdir.h"
#include "core/wholefile.h"

namespace {

// While it lives, a file may not grow beyond `bytes` (what a full disk does to a write).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldSignal_ = std::signal(SIGXFSZ, SIG_IGN);  // the write fails instead of ending the test
        rlimit r = old_;
        r.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &r);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldSignal_);
    }

private:
    rlimit old_{};
    void (*oldSignal_)(int) = nullptr;
};

QStringList Entries(const ProgramDir& dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

}  // namespace

TEST(WholeFile, ReplacesTheContentAndKeepsThePermissions)
{
    ProgramDir dir;
    ASSERT_TRUE(WriteWholeFile("hosts", "127.0.0.1 localhost\n"));
    EXPECT_EQ(dir.read("hosts"), "127.0.0.1 localhost\n");
    ASSERT_EQ(chmod("hosts", 0640), 0);
    ASSERT_TRUE(WriteWholeFile("hosts", "x"));
    EXPECT_EQ(dir.read("hosts"), "x");
    struct stat st {};
    ASSERT_EQ(stat("hosts", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    ASSERT_TRUE(WriteWholeFile("hosts", QByteArray()));
    EXPECT_EQ(dir.read("hosts"), QByteArray());
    EXPECT_EQ(Entries(dir), QStringList{"hosts"});
}

TEST(WholeFile, AWriteCutShortLeavesTheOldFileAndNothingBesideIt)
{
    ProgramDir dir;
    const QByteArray old = "auto lo\n";
    ASSERT_TRUE(dir.write("interfaces", old));
    const QByteArray big(4096, 'a');
    bool cutShort = true, fits = false;
    {
        FileSizeLimit limit(1000);
        cutShort = WriteWholeFile("interfaces", big);  // 1000 bytes go, the rest does not
        fits = WriteWholeFile("hostname", QByteArray(1000, 'h'));
    }
    EXPECT_FALSE(cutShort);
    EXPECT_EQ(dir.read("interfaces"), old);
    EXPECT_TRUE(fits);
    EXPECT_EQ(Entries(dir), (QStringList{"hostname", "interfaces"}));
    // A folder that is a file: nothing can be written below it.
    ASSERT_TRUE(dir.write("cnt_net", "not a folder"));
    EXPECT_FALSE(WriteWholeFile("cnt_net/ls_hosts", "127.0.0.1 localhost\n"));
    EXPECT_EQ(dir.read("cnt_net"), "not a folder");
}
