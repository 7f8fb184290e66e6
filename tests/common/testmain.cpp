// Shared main of every test executable: a QApplication on the offscreen platform, dry-run commands.
#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

#include <QApplication>

// Defined only in a build with clang's source coverage (scripts/coverage): `_exit` skips the
// runtime's own write at exit, so the profile is written here.
extern "C" int __llvm_profile_write_file(void) __attribute__((weak));

int main(int argc, char** argv)
{
    qputenv("MOULDMON_DRYRUN", "1");
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // Like the program's own Exit: tests that built a main window leave camera, board and writer
    // threads running, and static destructors must not run under them.
    if (__llvm_profile_write_file)
        __llvm_profile_write_file();
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(result);
}
