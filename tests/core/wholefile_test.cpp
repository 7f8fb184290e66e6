// Replacing a file whole: a write cut short (a full disk, here a file-size limit) or a folder
// that cannot exist leaves the old file as it was and nothing beside it.
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QDir>

#include "common/programdir.h"
#include "core/wholefile.h"

TEST(WholeFile, AWriteCutShortLeavesTheOldFileWithItsPermissionsAndNothingBesideIt)
{
    ProgramDir dir;
    ASSERT_TRUE(WriteWholeFile("interfaces", "auto lo\n"));
    ASSERT_EQ(chmod("interfaces", 0640), 0);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 1000;
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);  // the write fails instead of the test
    setrlimit(RLIMIT_FSIZE, &small);
    const bool cutShort = WriteWholeFile("interfaces", QByteArray(4096, 'a'));  // 1000 bytes go
    const bool fits = WriteWholeFile("hostname", QByteArray(1000, 'h'));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_FALSE(cutShort);
    EXPECT_TRUE(fits);
    EXPECT_EQ(dir.read("interfaces"), "auto lo\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{"hostname", "interfaces"}));
    // Replaced, the file keeps its permissions.
    ASSERT_TRUE(WriteWholeFile("interfaces", "x"));
    EXPECT_EQ(dir.read("interfaces"), "x");
    struct stat st {};
    ASSERT_EQ(stat("interfaces", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    // A folder that is a file: nothing can be written below it.
    ASSERT_TRUE(dir.write("cnt_net", "not a folder"));
    EXPECT_FALSE(WriteWholeFile("cnt_net/ls_hosts", "127.0.0.1 localhost\n"));
    EXPECT_EQ(dir.read("cnt_net"), "not a folder");
}
