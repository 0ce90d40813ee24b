// The trace file: header and line format, CR LF, owner/group-only permissions, a fresh file
// per object, the one-live-trace rule within and across processes, lines from many threads,
// and a full disk that costs lines but never the object.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <thread>

#include "platform/win32.h"
#include "platform/winerror.h"
#include "so_core/trace_log.h"
#include "jvm_access.h"
#include "trace_reader.h"

namespace orv::so {
namespace {

namespace fs = std::filesystem;

class SoTraceLog : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("orv-trace-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        path = (dir / "Pinpadso.log").string();
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
    std::string path;
};

TEST(SoTraceFormat, StampIsUtcTimeWithMillisecondsAndABlank) {
    SYSTEMTIME st{};
    st.wHour = 13;
    st.wMinute = 5;
    st.wSecond = 9;
    st.wMilliseconds = 7;
    EXPECT_EQ(FormatLogStamp(st), "13:05:09.007 ");
    st = {};
    EXPECT_EQ(FormatLogStamp(st), "00:00:00.000 ");
    st = {0, 0, 0, 0, 23, 59, 59, 999};
    EXPECT_EQ(FormatLogStamp(st), "23:59:59.999 ");
}

// A written line carries the UTC time of day it was written at, to the millisecond.
TEST_F(SoTraceLog, LineStampIsTheUtcTimeOfDay) {
    const auto msOfDay = [](const SYSTEMTIME& t) {
        return ((t.wHour * 60 + t.wMinute) * 60 + t.wSecond) * 1000 + t.wMilliseconds;
    };
    TraceLog log;
    ASSERT_EQ(log.Open(path), ERROR_SUCCESS);
    SYSTEMTIME before{}, after{};
    GetSystemTime(&before);
    log.Line("stamped");
    GetSystemTime(&after);
    log.Close();
    const std::string raw = test::ReadFile(path);
    const size_t at = raw.find("stamped\r\n");
    ASSERT_NE(at, std::string::npos);
    ASSERT_GE(at, 13u);
    const std::string stamp = raw.substr(at - 13, 13);
    SYSTEMTIME written{};
    ASSERT_EQ(std::sscanf(stamp.c_str(), "%2hu:%2hu:%2hu.%3hu ", &written.wHour, &written.wMinute,
                          &written.wSecond, &written.wMilliseconds),
              4)
        << stamp;
    if (msOfDay(after) < msOfDay(before)) GTEST_SKIP() << "midnight passed";
    EXPECT_LE(msOfDay(before), msOfDay(written)) << stamp;
    EXPECT_LE(msOfDay(written), msOfDay(after)) << stamp;
}

TEST(SoTraceFormat, HeaderIsSeparatorCreatedLineSeparator) {
    struct tm t {};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 7;
    t.tm_wday = 1;
    t.tm_hour = 5;
    t.tm_min = 32;
    t.tm_sec = 40;
    const std::string sep(80, '=');
    EXPECT_EQ(FormatLogHeader(t),
              sep + "\r\n   File Created Mon Dec  7 05:32:40 2026\n\r\n" + sep + "\r\n");
}

TEST_F(SoTraceLog, LinesAreStampedAndEndInCrLf) {
    TraceLog log;
    ::umask(0);  // the file's mode must not depend on the caller's umask
    ASSERT_EQ(log.Open(path), ERROR_SUCCESS);
    EXPECT_TRUE(log.IsOpen());
    log.Line("first");
    log.Line("");
    log.Line("Can't create global ref\n");
    log.Lines({"one of two", "two of two"});  // two lines, one write
    log.Lines({});
    log.Close();
    ::umask(022);
    const test::Trace t = test::ReadTrace(path);
    EXPECT_EQ(t.error, "");
    EXPECT_EQ(t.lines, (std::vector<std::string>{"first", "", "Can't create global ref\n",
                                                 "one of two", "two of two"}));
    EXPECT_NE(test::ReadFile(path).find("ref\n\r\n"), std::string::npos) << "LF CR LF";
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    log.Line("after close");
    log.Lines({"after close", "too"});
    EXPECT_EQ(test::ReadTrace(path).lines.size(), 5u) << "dropped while closed";
}

TEST_F(SoTraceLog, OpeningDeletesThePreviousTrace) {
    {
        TraceLog log;
        ASSERT_EQ(log.Open(path), ERROR_SUCCESS);
        log.Line("old");
    }
    TraceLog log;
    ASSERT_EQ(log.Open(path), ERROR_SUCCESS);
    EXPECT_TRUE(test::ReadTrace(path).lines.empty());
}

TEST_F(SoTraceLog, ALiveTraceCannotBeDeletedByASecondOpener) {
    TraceLog first;
    ASSERT_EQ(first.Open(path), ERROR_SUCCESS);
    first.Line("mine");
    TraceLog second;
    EXPECT_EQ(second.Open(path), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(second.IsOpen());
    first.Line("still mine");
    EXPECT_EQ(test::ReadTrace(path).lines, (std::vector<std::string>{"mine", "still mine"}));
    first.Close();
    EXPECT_EQ(second.Open(path), ERROR_SUCCESS);
}

TEST_F(SoTraceLog, TheRuleHoldsAcrossProcesses) {
    int ready[2], done[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        TraceLog log;
        const bool ok = log.Open(path) == ERROR_SUCCESS;
        char c = ok ? 'y' : 'n';
        (void)!::write(ready[1], &c, 1);
        (void)!::read(done[0], &c, 1);
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    TraceLog log;
    EXPECT_EQ(TraceHolder(path), child);
    {
        // The refusal names the holder in the debugger output.
        ::setenv("ORV_DEBUG_OUTPUT", "1", 1);
        test::StdoutCapture debugger((dir / "stderr.txt").string(), STDERR_FILENO);
        EXPECT_EQ(log.Open(path), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        ::unsetenv("ORV_DEBUG_OUTPUT");
        EXPECT_EQ(debugger.Stop(), path + " is held by process " + std::to_string(child) +
                                       "; give each process its own Logpath folder\n");
    }
    (void)!::write(done[1], &c, 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(log.Open(path), ERROR_SUCCESS) << "a process that ended holds nothing";
    for (int fd : {ready[0], ready[1], done[0], done[1]}) ::close(fd);
}

TEST_F(SoTraceLog, LinesFromManyThreadsNeverOverwriteEachOther) {
    TraceLog log;
    ASSERT_EQ(log.Open(path), ERROR_SUCCESS);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&log, t] {
            for (int i = 0; i < 1000; ++i)
                log.Line("thread " + std::to_string(t) + " line " + std::to_string(i) + " " + std::string(40, 'x'));
        });
    for (auto& th : threads) th.join();
    log.Close();
    const test::Trace trace = test::ReadTrace(path);
    EXPECT_EQ(trace.error, "");
    ASSERT_EQ(trace.lines.size(), 8000u);
    static const std::regex line(R"(thread \d line \d+ x{40})");
    for (const auto& l : trace.lines) ASSERT_TRUE(std::regex_match(l, line)) << l;
}

TEST_F(SoTraceLog, AFolderThatCannotHoldTheFileLeavesTheLogClosed) {
    TraceLog log;
    EXPECT_EQ(log.Open((dir / "no" / "such" / "folder.log").string()), ERROR_SUCCESS);
    EXPECT_FALSE(log.IsOpen());
    log.Line("nowhere");
}

TEST_F(SoTraceLog, AFullDiskCostsLinesButNotTheWriter) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {600, 600};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        TraceLog log;
        if (log.Open(path) != ERROR_SUCCESS) ::_exit(2);
        for (int i = 0; i < 100; ++i) log.Line("a line that will not fit for long " + std::to_string(i));
        ::_exit(log.IsOpen() ? 0 : 3);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "the writer was not killed";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_LE(fs::file_size(path), 600u);
}

}  // namespace
}  // namespace orv::so
