// SIGTERM, SIGINT and SIGHUP turned into the orderly end: nothing happens in the handler, the
// GUI thread's event loop takes the signal up (a modal box's loop as well), writes what is held
// with its bound, then ends; a signal that came while no loop ran is taken up at the next check.
// By default the process then ends by the signal itself, and Exit writes what is held first too.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>

#include <QDialog>
#include <QEventLoop>
#include <QStringList>
#include <QTimer>

#include "core/orderlystop.h"
#include "core/startup.h"
#include "widgets/modalhook.h"

namespace {

QStringList gLines;
void Capture(QtMsgType, const QMessageLogContext&, const QString& msg)
{
    gLines << msg;
}

class OrderlyStopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gLines.clear();
        previous = qInstallMessageHandler(Capture);
        OrderlyStop::SetFlush([this](int boundMs, QStringList*) {
            steps << QString("flush %1").arg(boundMs);
            return flushWhole;
        });
    }
    void TearDown() override
    {
        OrderlyStop::SetFlush({});
        qInstallMessageHandler(previous);
    }
    // Runs the event loop until the stop ended (or 5 s passed).
    void RunUntilEnded(OrderlyStop& stop)
    {
        QEventLoop loop;
        stop.end = [&](int sig) {
            steps << QString("end %1").arg(OrderlyStop::SignalName(sig));
            loop.quit();
        };
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
    }

    QStringList steps;
    bool flushWhole = true;
    QtMessageHandler previous = nullptr;
};

}  // namespace

TEST_F(OrderlyStopTest, EachSignalIsWrittenOutByTheEventLoopThenEndsTheProgram)
{
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        steps.clear();
        OrderlyStop stop;
        ASSERT_EQ(::raise(sig), 0);
        // The handler did nothing but hand the signal on.
        EXPECT_TRUE(steps.isEmpty()) << OrderlyStop::SignalName(sig);
        RunUntilEnded(stop);
        EXPECT_EQ(steps, (QStringList{"flush 3000", QString("end ") + OrderlyStop::SignalName(sig)}));
    }
    EXPECT_TRUE(gLines.contains("SIGHUP: the program stops in order")) << gLines.join('\n').toStdString();
    EXPECT_TRUE(gLines.contains("end: everything held is written and the databases are closed"));
}

TEST_F(OrderlyStopTest, WhatCouldNotBeWrittenIsToldAndTheEndStillComes)
{
    flushWhole = false;
    OrderlyStop stop;
    ASSERT_EQ(::raise(SIGTERM), 0);
    RunUntilEnded(stop);
    EXPECT_EQ(steps, (QStringList{"flush 3000", "end SIGTERM"}));
    EXPECT_TRUE(gLines.contains("end: the databases are closed; what could not be written is logged above"))
        << gLines.join('\n').toStdString();
}

// A box waiting for the operator does not hold the stop back: it runs inside the box's loop.
TEST_F(OrderlyStopTest, ASignalWhileAModalBoxWaitsStopsInsideTheBoxsLoop)
{
    const ModalHook hook = setModalHook({});
    OrderlyStop stop;
    QDialog box;
    bool shownAtTheEnd = false;
    stop.end = [&](int sig) {
        steps << QString("end %1").arg(OrderlyStop::SignalName(sig));
        shownAtTheEnd = box.isVisible();
        box.done(7);
    };
    QTimer::singleShot(50, [] { ::raise(SIGINT); });
    QTimer::singleShot(5000, &box, [&] { box.done(0); });  // the test's own bound
    EXPECT_EQ(execModal(box), 7);
    setModalHook(hook);
    EXPECT_TRUE(shownAtTheEnd);
    EXPECT_EQ(steps, (QStringList{"flush 3000", "end SIGINT"}));
}

// The monitoring start-up runs no event loop of its own: main looks after it.
TEST_F(OrderlyStopTest, ASignalDuringAStartUpStepIsTakenUpAtTheNextCheckAndOnlyOnce)
{
    struct sigaction before {};
    sigaction(SIGHUP, nullptr, &before);
    {
        OrderlyStop stop;
        stop.end = [&](int sig) { steps << QString("end %1").arg(OrderlyStop::SignalName(sig)); };
        stop.TakePending();
        EXPECT_TRUE(steps.isEmpty());
        ASSERT_EQ(::raise(SIGHUP), 0);
        stop.TakePending();
        stop.TakePending();
        EXPECT_EQ(steps, (QStringList{"flush 3000", "end SIGHUP"}));
    }
    // The earlier handler is back once the stop is gone.
    struct sigaction after {};
    sigaction(SIGHUP, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

TEST(OrderlyStopDeathTest, ByDefaultTheProcessEndsByTheSignalAfterTheFlush)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetStopWTDPause([] { std::fputs("watchdog stopped\n", stderr); });
            OrderlyStop::SetFlush([](int, QStringList*) {
                std::fputs("held counts written\n", stderr);
                return true;
            });
            OrderlyStop stop;
            ::raise(SIGTERM);
            stop.TakePending();
            std::_Exit(0);  // the stop did not end the process
        },
        ::testing::KilledBySignal(SIGTERM), "held counts written\n(.|\n)*watchdog stopped");
}

TEST(OrderlyStopDeathTest, ExitWritesWhatIsHeldFirst)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetStopWTDPause([] { std::fputs("watchdog stopped\n", stderr); });
            OrderlyStop::SetFlush([](int boundMs, QStringList*) {
                std::fprintf(stderr, "held counts written within %d ms\n", boundMs);
                return true;
            });
            Exit(5);
        },
        ::testing::ExitedWithCode(5), "held counts written within 3000 ms\n(.|\n)*watchdog stopped");
}
