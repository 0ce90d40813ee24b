// The trace log's own formatting against printf's, the byte dump against the per-byte lines it
// replaces, and when the text reaches the file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cinttypes>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "trace_log.h"

namespace orv::rs485 {
namespace {

namespace fs = std::filesystem;

std::string Ours(const char* format, ...) {
    std::string out = "<";  // appends: what is there stays
    va_list args;
    va_start(args, format);
    AppendFormatted(out, format, args);
    va_end(args);
    return out;
}

std::string Printf(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return std::string("<") + text;
}

#define EXPECT_AS_PRINTF(...) EXPECT_EQ(Ours(__VA_ARGS__), Printf(__VA_ARGS__)) << #__VA_ARGS__

TEST(TraceFormat, MatchesPrintfForEveryConversionTheTransportUses) {
    for (int v : {0, 1, -1, 9, 10, 4096, INT_MAX, INT_MIN}) {
        EXPECT_AS_PRINTF("Device ID = %d\t Transport_Write\n", v);
        EXPECT_AS_PRINTF("%i|%u|%x", v, unsigned(v), unsigned(v));
    }
    for (long v : {0L, -7L, LONG_MAX, LONG_MIN})
        EXPECT_AS_PRINTF("Device ID = %d\t Transport_Read requesting %ld bytes\n", 2, v);
    for (unsigned long v : {0UL, 255UL, ULONG_MAX}) EXPECT_AS_PRINTF("%lu %lx", v, v);
    EXPECT_AS_PRINTF("%s", "Pos Error Message text\n");
    EXPECT_AS_PRINTF("%s%s|%c%c", "", "a", 'x', '\t');
    EXPECT_AS_PRINTF("100%% of %d%%", 7);
    EXPECT_AS_PRINTF("no conversion at all");
    EXPECT_AS_PRINTF("");
    EXPECT_AS_PRINTF(" Device ID = %d\t Transport_Read:: Consumed = %d\t Bytes remaining = %d\n",
                     1, 100, 3996);
}

TEST(TraceFormat, FormatsWithFlagsWidthOrOtherConversionsGoToPrintf) {
    EXPECT_AS_PRINTF("%5d|%-3d|%02x|%.2s", 42, 7, 10u, "abc");
    EXPECT_AS_PRINTF("%d then %08.3f", 1, 3.14159);
    EXPECT_AS_PRINTF("%lld %p", (long long)-5, (void*)nullptr);
    EXPECT_AS_PRINTF("%d trailing %", 3);  // a lone % at the end
    const std::string wide(600, 'w');      // longer than the first try's buffer
    EXPECT_EQ(Ours("%3s", wide.c_str()), "<" + wide);
    EXPECT_EQ(Ours("%s", static_cast<const char*>(nullptr)), "<(null)");
}

// Runs in a folder of its own: the log is created in the current one.
class TraceFile : public ::testing::Test {
protected:
    void SetUp() override {
        old_ = fs::current_path();
        dir_ = fs::temp_directory_path() / ("orv-rs485-trace-" + std::to_string(getpid()));
        fs::create_directories(dir_);
        fs::current_path(dir_);
        ASSERT_TRUE(TraceLog::Get().Create());
    }
    void TearDown() override {
        TraceLog::Get().Close();
        fs::current_path(old_);
        fs::remove_all(dir_);
    }
    std::string File() const {
        std::ifstream in(dir_ / "Rs485PortLibLog.txt", std::ios::binary);
        std::ostringstream all;
        all << in.rdbuf();
        return all.str();
    }
    // The text after each "<tick>:\t" stamp, stamps dropped.
    static std::string Unstamped(const std::string& text) {
        std::string out;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            const size_t stamp = line.find(":\t");
            const bool stamped = stamp != std::string::npos && stamp > 0 &&
                                 line.find_first_not_of("0123456789") == stamp;
            out += (stamped ? line.substr(stamp + 2) : line) + "\n";
        }
        return out;
    }
    fs::path old_, dir_;
};

TEST_F(TraceFile, ByteDumpIsTheLinePerBytePrintfWrote) {
    uint8_t all[256];
    for (int i = 0; i < 256; ++i) all[i] = uint8_t(255 - i);
    TraceLog::Get().Bytes("Byte", all, sizeof all);
    TraceLog::Get().Bytes("ShiftByte", all + 250, 6);
    TraceLog::Get().Bytes("Byte", all, 0);
    TraceLog::Get().Flush();
    std::string expected;
    char line[64];
    for (int i = 0; i < 256; ++i) {
        std::snprintf(line, sizeof line, " Byte = %d\t Value = %x\n", i, unsigned(all[i]));
        expected += line;
    }
    for (int i = 0; i < 6; ++i) {
        std::snprintf(line, sizeof line, " ShiftByte = %d\t Value = %x\n", i, unsigned(all[250 + i]));
        expected += line;
    }
    EXPECT_EQ(File(), expected);
    struct stat st {};
    ASSERT_EQ(::stat((dir_ / "Rs485PortLibLog.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(TraceFile, ACallersLineIsInTheFileAtOnceABatchsWhenItEnds) {
    TraceLog& log = TraceLog::Get();
    log.Line("Device ID = %d\t Transport_Write\n", 1);
    EXPECT_EQ(Unstamped(File()), "Device ID = 1\t Transport_Write\n");
    {
        TraceLog::Batch batch;
        log.Line("Device ID = %d\t Past all sanity checks\n", 1);
        log.Text(" more %s\n", "text");
        EXPECT_EQ(Unstamped(File()), "Device ID = 1\t Transport_Write\n");  // still waiting
        {
            TraceLog::Batch inner;
            log.Line("inner\n");
        }
        EXPECT_EQ(Unstamped(File()), "Device ID = 1\t Transport_Write\n");  // the outer one rules
    }
    EXPECT_EQ(Unstamped(File()),
              "Device ID = 1\t Transport_Write\nDevice ID = 1\t Past all sanity checks\n"
              " more text\ninner\n");
    log.PosError(123456);  // not in the table: the catch-all text with the number
    EXPECT_NE(File().find("123456"), std::string::npos);
}

TEST_F(TraceFile, ABatchLeftToTheWorkerWaitsForTheNextFlushInOrder) {
    TraceLog& log = TraceLog::Get();
    {
        TraceLog::Batch batch;
        log.Line("Device ID = %d\t About to post TRWM_STARTXMIT\n", 1);
        batch.LeaveToWorker();
    }
    EXPECT_EQ(File(), "");  // the worker's flush carries it
    log.Line("from a caller\n");  // a later caller's line takes what waits along, in order
    EXPECT_EQ(Unstamped(File()), "Device ID = 1\t About to post TRWM_STARTXMIT\nfrom a caller\n");
    {
        TraceLog::Batch batch;
        log.Line("left\n");
        batch.LeaveToWorker();
    }
    log.Flush();
    EXPECT_EQ(Unstamped(File()),
              "Device ID = 1\t About to post TRWM_STARTXMIT\nfrom a caller\nleft\n");
}

TEST_F(TraceFile, ALongBatchLosesNothingAndClosingWritesWhatWaits) {
    TraceLog& log = TraceLog::Get();
    std::string expected;
    {
        TraceLog::Batch batch;
        // Several times the size at which waiting text goes out on its own.
        std::vector<uint8_t> block(4096, 0xA5);
        for (int round = 0; round < 60; ++round) {
            log.Text("round %d\n", round);
            log.Bytes("Byte", block.data(), block.size());
            expected += "round " + std::to_string(round) + "\n";
            for (size_t i = 0; i < block.size(); ++i)
                expected += " Byte = " + std::to_string(i) + "\t Value = a5\n";
        }
        log.Text("last\n");
        expected += "last\n";
        log.Close();  // what waits goes out before the file closes
    }
    EXPECT_EQ(File(), expected);
    log.Line("dropped: no file\n");
    EXPECT_EQ(File(), expected);
}

}  // namespace
}  // namespace orv::rs485
