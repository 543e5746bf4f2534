// The single-instance guard across real processes.
#include <gtest/gtest.h>
#include <signal.h>

#include <QProcess>
#include <QTemporaryDir>

namespace {

class SingleInstanceTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (QProcess* p : {&first_, &second_, &third_}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished();
            }
        }
    }

    void Start(QProcess& process) {
        process.start(QStringLiteral(PROBE_PATH), {dir_.path()});
        ASSERT_TRUE(process.waitForStarted());
    }

    static QByteArray NextLine(QProcess& process) {
        while (!process.canReadLine()) {
            if (!process.waitForReadyRead(10000)) {
                return {};
            }
        }
        return process.readLine().trimmed();
    }

    QTemporaryDir dir_;
    QProcess first_;
    QProcess second_;
    QProcess third_;
};

// A second start shows the first and exits with 1; a guard left by a killed copy is taken over.
TEST_F(SingleInstanceTest, SecondStartShowsTheFirstAndAKilledCopysGuardIsTakenOver) {
    Start(first_);
    ASSERT_EQ(NextLine(first_), "primary");
    Start(second_);
    ASSERT_TRUE(second_.waitForFinished(10000));
    EXPECT_EQ(second_.readAllStandardOutput().trimmed(), "secondary");
    EXPECT_EQ(second_.exitCode(), 1);
    EXPECT_EQ(NextLine(first_), "show");

    ::kill(static_cast<pid_t>(first_.processId()), SIGKILL);
    ASSERT_TRUE(first_.waitForFinished(10000));
    Start(second_);
    EXPECT_EQ(NextLine(second_), "primary");
    Start(third_);
    ASSERT_TRUE(third_.waitForFinished(10000));
    EXPECT_EQ(third_.exitCode(), 1);
    EXPECT_EQ(NextLine(second_), "show");
}

}  // namespace
