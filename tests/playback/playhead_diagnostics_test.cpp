#include "audio/playback/playhead_diagnostics.h"
#include "tests/playback/playback_test_support.h"
#include "tests/support/temp_home.h"

#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;
using sv::testing::spinFor;
using sv::testing::spinUntil;

namespace {

QString logIn(const sv::testing::TempHome& home) {
    return QString::fromStdString(
        (home.root() / "state" / "SampleVorlan" / "playhead-diagnostics.log").string());
}

QStringList fileLines(const QString& path) {
    const std::string bytes = sv::testing::readFileBytes(path.toStdString());
    QStringList lines = QString::fromStdString(bytes).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

int countContaining(const QStringList& lines, const QString& needle) {
    int count = 0;
    for (const QString& line : lines)
        count += line.contains(needle) ? 1 : 0;
    return count;
}

TEST(PlayheadDiagnosticsTest, EnablingWords) {
    const struct {
        const char* value;
        bool enabled;
    } cases[] = {{"1", true},     {"yes", true},    {"YES", true},      {"Yes", true},
                 {"true", true},  {"TRUE", true},   {"tRuE", true},     {"on", false},
                 {"0", false},    {"", false},      {"false", false},   {"2", false},
                 {"yes ", false}, {" true", false}, {"enabled", false}, {"11", false}};
    for (const auto& c : cases)
        EXPECT_EQ(SVPlayheadDiagnostics::isEnablingValue(QString::fromLatin1(c.value)), c.enabled)
            << '"' << c.value << '"';
}

TEST(PlayheadDiagnosticsTest, LogLivesInTheStateFolder) {
    sv::testing::TempHome home;
    EXPECT_EQ(SVPlayheadDiagnostics::defaultLogPath(), logIn(home));
}

TEST(PlayheadDiagnosticsTest, KeepsTheNewest1200LinesInTheFile) {
    sv::testing::TempHome home;
    SVPlayheadDiagnostics diagnostics(true, logIn(home));
    ASSERT_TRUE(diagnostics.enabled());
    for (int i = 0; i < 1300; ++i)
        diagnostics.record(QStringLiteral("line %1").arg(i));
    EXPECT_EQ(diagnostics.lines().size(), 1200);
    ASSERT_TRUE(diagnostics.flushAndWait());

    const QStringList lines = fileLines(logIn(home));
    ASSERT_EQ(lines.size(), 1200);
    EXPECT_TRUE(lines.first().endsWith(QStringLiteral(" line 100"))) << lines.first().toStdString();
    EXPECT_TRUE(lines.last().endsWith(QStringLiteral(" line 1299")));
    const QRegularExpression format(QStringLiteral("^\\d+\\.\\d{3} line \\d+$"));
    for (const QString& line : lines)
        ASSERT_TRUE(format.match(line).hasMatch()) << line.toStdString();
    EXPECT_EQ(sv::testing::readFileBytes(logIn(home).toStdString()).back(), '\n');
}

TEST(PlayheadDiagnosticsTest, StartsWithTheSessionLineAndFlushesTheFirstRecordAtOnce) {
    sv::testing::TempHome home;
    SVPlayheadDiagnostics diagnostics(true, logIn(home));
    ASSERT_FALSE(diagnostics.lines().isEmpty());
    EXPECT_TRUE(diagnostics.lines().first().contains(
        QStringLiteral(" session-start diagnostics=v2 interval=0.12 snapshot=2.0 ")));
    // No automatic flush for five seconds after the first one, but flushNow writes.
    ASSERT_TRUE(spinUntil([&] { return fs::exists(logIn(home).toStdString()); }, 2000));
    diagnostics.record(QStringLiteral("second"));
    spinFor(100);
    EXPECT_EQ(countContaining(fileLines(logIn(home)), QStringLiteral("second")), 0);
    diagnostics.flushNow();
    ASSERT_TRUE(spinUntil(
        [&] { return countContaining(fileLines(logIn(home)), QStringLiteral(" second")) == 1; },
        2000));
    diagnostics.record(QString());
    EXPECT_EQ(diagnostics.lines().size(), 2);
}

TEST(PlayheadDiagnosticsTest, DisabledRecordsAndWritesNothing) {
    sv::testing::TempHome home;
    SVPlayheadDiagnostics diagnostics(false, logIn(home));
    diagnostics.record(QStringLiteral("ignored"));
    diagnostics.flushNow();
    EXPECT_FALSE(diagnostics.flushAndWait());
    spinFor(200);
    EXPECT_TRUE(diagnostics.lines().isEmpty());
    EXPECT_FALSE(fs::exists(logIn(home).toStdString()));
}

TEST(PlayheadDiagnosticsTest, AOneSecondMainThreadBlockIsOneStallAndShortBlocksAreNone) {
    sv::testing::TempHome home;
    SVPlayheadDiagnostics diagnostics(true, logIn(home));
    const QString stall = QStringLiteral("MAIN_THREAD_STALL_DETECTED seconds=");
    spinFor(300);
    QThread::msleep(600);
    spinFor(400);
    EXPECT_EQ(countContaining(diagnostics.lines(), stall), 0);
    EXPECT_EQ(diagnostics.lastMainThreadStallDuration(), 0.0);

    QThread::msleep(1000);
    spinFor(400);
    const QStringList lines = diagnostics.lines();
    ASSERT_EQ(countContaining(lines, stall), 1);
    for (const QString& line : lines) {
        if (!line.contains(stall))
            continue;
        const double seconds = line.section(QLatin1Char('='), 1).toDouble();
        EXPECT_GT(seconds, 0.85);
        EXPECT_LT(seconds, 1.2);
    }
    EXPECT_GT(diagnostics.lastMainThreadStallDuration(), 0.85);
    EXPECT_GT(diagnostics.lastMainThreadStallTime(), 0.0);
}

// The termination flush, in a process of its own that exits right after it.
TEST(PlayheadDiagnosticsChild, RecordThenExit) {
    if (!sv::testing::isChildRole("diagnostics-exit") &&
        !sv::testing::isChildRole("diagnostics-quick-exit"))
        GTEST_SKIP() << "runs as a child of TerminationFlushIsOnDiskWhenTheProcessEnds";
    SVPlayheadDiagnostics& diagnostics = SVPlayheadDiagnostics::shared();
    if (!diagnostics.enabled())
        std::_Exit(3);
    for (int i = 0; i < 200; ++i)
        diagnostics.record(QStringLiteral("work %1").arg(i));
    diagnostics.record(QStringLiteral("timer-invalidate reason=terminate"));
    if (sv::testing::isChildRole("diagnostics-exit")) {
        // The application's path: queue the flush and leave through exit().
        diagnostics.flushNow();
        std::exit(0);
    }
    // Leaving without any cleanup at all: only a write on this thread survives.
    diagnostics.flushAndWait();
    _exit(0);
}

TEST(PlayheadDiagnosticsTest, TerminationFlushIsOnDiskWhenTheProcessEnds) {
    for (const char* role : {"diagnostics-exit", "diagnostics-quick-exit"}) {
        SCOPED_TRACE(role);
        sv::testing::TempHome home;
        QProcessEnvironment extra;
        extra.insert(QStringLiteral("SAMPLEVORLAN_PLAYHEAD_DIAGNOSTICS"), QStringLiteral("TRUE"));
        extra.insert(QStringLiteral("XDG_STATE_HOME"),
                     QString::fromStdString((home.root() / "state").string()));
        const auto result = sv::testing::runChildTest(
            QStringLiteral("PlayheadDiagnosticsChild.RecordThenExit"), role, extra);
        ASSERT_EQ(result.exitCode, 0) << result.output.toStdString();
        const QStringList lines = fileLines(logIn(home));
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_TRUE(lines.first().contains(QStringLiteral("session-start")));
        EXPECT_TRUE(lines.last().endsWith(QStringLiteral(" timer-invalidate reason=terminate")))
            << lines.last().toStdString();
        EXPECT_EQ(lines.size(), 202);
    }
}

}  // namespace
