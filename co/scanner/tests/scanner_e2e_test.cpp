// End to end: the scanner control, the real scanner service object, the JVM and the simulated
// terminal's scanner, configured in a private registry as an installation would be. Labels and
// DirectIO answers come back as events on the application's thread.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/apartment.h"
#include "host/control.h"
#include "host/opos_events.h"
#include "host/pump.h"
#include "platform/com_register.h"
#include "platform/win32.h"
#include "sim_terminal.h"

namespace orv::co::test {
namespace {

namespace fs = std::filesystem;
namespace opos = host::opos;
using namespace std::chrono_literals;

int Regsvr(const std::string& library) {
    const int status = std::system((std::string(ORV_REGSVR) + " /s " + library).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

fs::path& Folder() {
    static fs::path folder;
    return folder;
}

// A private installation: registry file, trace folder, claim locks, class path.
class EndToEndEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Folder() = fs::temp_directory_path() / ("orv-scanner-e2e-" + std::to_string(::getpid()));
        fs::create_directories(Folder() / "log");
        fs::create_directories(Folder() / "locks");
        ::setenv("ORV_REGISTRY", (Folder() / "registry.reg").c_str(), 1);
        ::setenv("ORV_SIM_LOCK_DIR", (Folder() / "locks").c_str(), 1);
        ::setenv("CLASSPATH", ORV_JAR, 1);
        ASSERT_EQ(Regsvr(ORV_SCANNER_CONTROL), 0);
        ASSERT_EQ(Regsvr(ORV_SCAN_BRIDGE), 0);
        const char* opos = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\Scanner\\SCAN1";
        const char* info = "SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane";
        ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, opos, nullptr, "ORVScanner.so"),
                  ERROR_SUCCESS);
        ASSERT_EQ(
            RegWriteString(HKEY_LOCAL_MACHINE, info, "Logpath", (Folder() / "log").string() + "/"),
            ERROR_SUCCESS);
        ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, info, "Classpath", ORV_LIB_DIR),
                  ERROR_SUCCESS);
    }
    void TearDown() override { fs::remove_all(Folder()); }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new EndToEndEnvironment);

std::string ReadTrace() {
    std::ifstream in(Folder() / "log" / "scannerso.log", std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// A label as the application sees it in its DataEvent handler.
struct Scan {
    std::string data, label;
    int32_t type = -1;
    DWORD thread = 0;
};

// A DirectIOEvent: event number (the terminal's status), data (the command), text.
struct DirectIOAnswer {
    int32_t number = -1, data = -1;
    std::string text;
};

class ScannerEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(com_);
        ASSERT_EQ(scanner_.Create("OPOS.Scanner"), S_OK);
        ASSERT_EQ(scanner_.OnEvent(opos::DataEvent,
                                   [this](const EventArgs&) {
                                       Scan s;
                                       EXPECT_EQ(scanner_.Get("ScanData", &s.data), S_OK);
                                       EXPECT_EQ(scanner_.Get("ScanDataLabel", &s.label), S_OK);
                                       EXPECT_EQ(scanner_.Get("ScanDataType", &s.type), S_OK);
                                       s.thread = GetCurrentThreadId();
                                       scans_.push_back(s);
                                       // Data events stop after each one until re-enabled.
                                       scanner_.Put("DataEventEnabled", DispArg::Bool(true));
                                   }),
                  S_OK);
        ASSERT_EQ(scanner_.OnEvent(opos::DirectIOEvent,
                                   [this](const EventArgs& a) {
                                       BSTR* text = a.BstrRef(2);
                                       answers_.push_back({a.Long(0), *a.LongRef(1),
                                                           text ? AnsiFromBstr(*text) : "<none>"});
                                   }),
                  S_OK);
    }
    void TearDown() override {
        int32_t rc = -1;
        scanner_.Call("Close", &rc);
    }
    void OpenClaimEnable() {
        int32_t rc = -1;
        ASSERT_EQ(scanner_.Call("Open", &rc, "SCAN1"), S_OK);
        ASSERT_EQ(rc, 0);
        ASSERT_EQ(scanner_.Call("ClaimDevice", &rc, 1000), S_OK);
        ASSERT_EQ(rc, 0);
        ASSERT_EQ(scanner_.Put("DeviceEnabled", DispArg::Bool(true)), S_OK);
        ASSERT_EQ(scanner_.Put("DataEventEnabled", DispArg::Bool(true)), S_OK);
    }
    static void Sim(const std::string& command) {
        const std::string answer = SimTerminal::Command(command);
        ASSERT_EQ(answer.rfind("OK", 0), 0u) << command << ": " << answer;
    }
    // DirectIO through the control; data and text are what the caller passes by reference.
    int32_t DirectIO(int32_t command, const std::string& text, int32_t* data = nullptr,
                     std::string* after = nullptr) {
        int32_t localData = 0x7EADBEEF;
        BSTR bstr = BstrFromAnsi(text);
        int32_t rc = -1;
        EXPECT_EQ(scanner_.Call("DirectIO", &rc, command, data ? data : &localData, &bstr), S_OK);
        if (after) *after = AnsiFromBstr(bstr);
        SysFreeString(bstr);
        return rc;
    }
    int32_t DirectIOWide(int32_t command, const std::u16string& text) {
        BSTR bstr = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                      static_cast<UINT>(text.size()));
        int32_t data = 0, rc = -1;
        EXPECT_EQ(scanner_.Call("DirectIO", &rc, command, &data, &bstr), S_OK);
        SysFreeString(bstr);
        return rc;
    }
    bool Pump(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
        return host::PumpUntil(done, limit);
    }
    // The next DirectIO answer; answers come in the order the commands reached the terminal.
    DirectIOAnswer NextAnswer() {
        const size_t want = seen_ + 1;
        if (!Pump([&] { return answers_.size() >= want; })) return {};
        return answers_[seen_++];
    }

    host::ComApartment com_;
    host::Control scanner_;
    std::vector<Scan> scans_;
    std::vector<DirectIOAnswer> answers_;
    size_t seen_ = 0;
};

// ------------------------------------------------------------------------------------ labels

struct LabelCase {
    const char* simType;
    const char* label;
    int32_t type;
    const char* aim;  // the AIM symbology identifier the scanner puts in front
};

const LabelCase kLabels[] = {
    {"UPCA", "012345678905", 101, "]E0"},
    {"EAN13", "4006381333931", 104, "]E0"},
    {"Code128", "ORV-128/abc", 110, "]C0"},
};

TEST_F(ScannerEndToEnd, LabelsArriveWithAndWithoutDecodeData) {
    OpenClaimEnable();
    for (const bool decode : {true, false}) {
        ASSERT_EQ(scanner_.Put("DecodeData", DispArg::Bool(decode)), S_OK);
        bool back = !decode;
        ASSERT_EQ(scanner_.Get("DecodeData", &back), S_OK);
        EXPECT_EQ(back, decode);
        for (const LabelCase& c : kLabels) {
            SCOPED_TRACE(std::string(c.simType) + (decode ? " decoded" : " raw"));
            scans_.clear();
            Sim(std::string("scan SCAN1 ") + c.simType + " " + c.label);
            ASSERT_TRUE(Pump([&] { return !scans_.empty(); }));
            const Scan& s = scans_[0];
            EXPECT_EQ(s.thread, GetCurrentThreadId());
            EXPECT_EQ(s.data, std::string(c.aim) + c.label + "\r");
            EXPECT_EQ(s.label, decode ? c.label : "");
            EXPECT_EQ(s.type, decode ? c.type : 0);
        }
    }
    int32_t count = -1;
    ASSERT_EQ(scanner_.Get("DataCount", &count), S_OK);
    EXPECT_EQ(count, 0);
}

TEST_F(ScannerEndToEnd, LabelWithAWrongCheckDigitNeverReachesTheApplication) {
    OpenClaimEnable();
    ASSERT_EQ(scanner_.Put("DecodeData", DispArg::Bool(true)), S_OK);
    for (const char* bad : {"scan SCAN1 UPCA 012345678901", "scan SCAN1 EAN13 4006381333932"}) {
        const std::string answer = SimTerminal::Command(bad);
        EXPECT_EQ(answer.rfind("ERR", 0), 0u) << answer;
        EXPECT_NE(answer.find("check digit"), std::string::npos) << answer;
    }
    // Events keep their order: the next label is the first one the application sees.
    Sim("scan SCAN1 UPCA 036000291452");
    ASSERT_TRUE(Pump([&] { return !scans_.empty(); }));
    ASSERT_EQ(scans_.size(), 1u);
    EXPECT_EQ(scans_[0].label, "036000291452");
}

TEST_F(ScannerEndToEnd, ErrorsAndStatusUpdatesReachTheApplication) {
    std::vector<int32_t> status, errors;
    ASSERT_EQ(scanner_.OnEvent(opos::StatusUpdateEvent,
                               [&](const EventArgs& a) { status.push_back(a.Long(0)); }),
              S_OK);
    ASSERT_EQ(scanner_.OnEvent(opos::ErrorEvent,
                               [&](const EventArgs& a) {
                                   errors.push_back(a.Long(0));
                                   *a.LongRef(3) = opos::OPOS_ER_CLEAR;
                               }),
              S_OK);
    OpenClaimEnable();
    Sim("status SCAN1 2001");
    Sim("error SCAN1 111");
    ASSERT_TRUE(Pump([&] { return !status.empty() && !errors.empty(); }));
    EXPECT_EQ(status[0], 2001);
    EXPECT_EQ(errors[0], 111);
}

// ---------------------------------------------------------------------------------- DirectIO

struct DirectIOCase {
    int32_t command;
    const char* text;
    int32_t result;
    const char* answer;     // the terminal's answer text; null: Java is never called
    const char* traceLine;  // a line the trace must then hold
};

TEST_F(ScannerEndToEnd, DirectIOSendsBytesOrTextAndRefusesBadByteStrings) {
    OpenClaimEnable();
    const DirectIOCase kCases[] = {
        {1, "0A1B", 0, "ACK 0A1B", nullptr},
        {1, "1B40,rest", 0, "ACK 1B40", nullptr},
        {1, "1B,rest", 0, "ACK 1B", nullptr},
        {1, "ff", 0, "ACK FF", nullptr},
        {1, "", 0, "ACK ", nullptr},
        {1, "ABC", 111, nullptr, "DirectIO: odd number of hexadecimal digits (3), nothing sent"},
        {1, "1,rest", 111, nullptr, "DirectIO: odd number of hexadecimal digits (1), nothing sent"},
        {1, "ZZ", 111, nullptr,
         "DirectIO: character 'Z' (0x5A) at position 1 is not a hexadecimal digit, nothing sent"},
        {1, "10,10,Go Cubs!", 0, "ACK 10", nullptr},
        {5, "hello", 0, "Unknown scanner command hello", nullptr},
        {5, "", 0, "Unknown scanner command ", nullptr},
        {7, "REV_WA.", 0, "ZR88-SCAN 2.04", nullptr},
        {1000, "1B", 0, "Unknown scanner command 1B", nullptr},  // untranslated: text, not bytes
    };
    for (const DirectIOCase& c : kCases) {
        SCOPED_TRACE(std::to_string(c.command) + " \"" + c.text + "\"");
        int32_t data = 0x7EADBEEF;
        std::string after;
        EXPECT_EQ(DirectIO(c.command, c.text, &data, &after), c.result);
        EXPECT_EQ(data, 0x7EADBEEF) << "pData is neither read nor written";
        EXPECT_EQ(after, c.text) << "pString is left as it was";
        if (c.traceLine) {
            EXPECT_NE(ReadTrace().find(c.traceLine), std::string::npos);
        }
        if (!c.answer) continue;
        // A refused text sends nothing: the next answer belongs to this command.
        const DirectIOAnswer a = NextAnswer();
        EXPECT_EQ(a.data, c.command);
        EXPECT_EQ(a.text, c.answer);
    }
    EXPECT_EQ(answers_.size(), seen_);
    int32_t resultCode = -1;
    ASSERT_EQ(scanner_.Get("ResultCode", &resultCode), S_OK);
    EXPECT_EQ(resultCode, 0) << "DirectIO results are never recorded";
}

TEST_F(ScannerEndToEnd, DirectIOTextKeepsItsAnsiCharacters) {
    OpenClaimEnable();
    // Windows-1252 letters travel as the same characters; others are lost in the ANSI step.
    EXPECT_EQ(DirectIOWide(5, u"Caf\u00e9 5\u20ac \u2013 \u65e5"), 0);
    const DirectIOAnswer a = NextAnswer();
    EXPECT_EQ(a.text, "Unknown scanner command Caf\xe9 5\x80 \x96 ?");
    // Command 1 refuses ANSI letters as hexadecimal digits.
    EXPECT_EQ(DirectIOWide(1, u"0\u00e9"), 111);
    EXPECT_NE(ReadTrace().find("character 0xE9 at position 2 is not a hexadecimal digit"),
              std::string::npos);
    EXPECT_EQ(DirectIO(1, "01"), 0);
    EXPECT_EQ(NextAnswer().text, "ACK 01");
}

// Runs body with this process's standard output going to a file and returns what was written
// there (the JVM's -Xcheck:jni warnings go to standard output).
std::string CaptureStdout(const std::function<void()>& body) {
    const fs::path file = Folder() / "stdout.txt";
    std::fflush(stdout);
    const int saved = ::dup(1);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, 1);
    ::close(fd);
    body();
    std::fflush(stdout);
    ::dup2(saved, 1);
    ::close(saved);
    std::ifstream in(file);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

TEST_F(ScannerEndToEnd, LongDirectIOTextsTravelWholeWithoutGrowingLocalReferences) {
    const char* options = std::getenv("JAVA_TOOL_OPTIONS");
    ASSERT_TRUE(options && std::string(options).find("-Xcheck:jni") != std::string::npos)
        << "the reference check needs -Xcheck:jni (ctest sets JAVA_TOOL_OPTIONS)";
    OpenClaimEnable();
    std::string hex;
    for (int i = 0; i < 50000; ++i) hex += (i % 2 ? "a5" : "3C");
    std::string text(100000, 'x');
    text.back() = 'y';
    int32_t bytesResult = -1, textResult = -1, badResult = -1;
    const std::string warnings = CaptureStdout([&] {
        bytesResult = DirectIO(1, hex);
        textResult = DirectIO(9, text);
        std::string bad = hex;
        bad[99998] = 'q';  // refused only at the last pair
        badResult = DirectIO(1, bad);
    });
    EXPECT_EQ(warnings.find("JNI local refs"), std::string::npos) << warnings.substr(0, 400);
    EXPECT_EQ(bytesResult, 0);
    EXPECT_EQ(textResult, 0);
    EXPECT_EQ(badResult, 111);
    std::string upper = hex;
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    DirectIOAnswer a = NextAnswer();
    EXPECT_EQ(a.text.size(), 4 + hex.size());
    EXPECT_TRUE(a.text == "ACK " + upper) << a.text.substr(0, 40);
    a = NextAnswer();
    EXPECT_EQ(a.data, 9);
    EXPECT_TRUE(a.text == "Unknown scanner command " + text) << a.text.size();
    EXPECT_EQ(answers_.size(), seen_) << "the refused text sent nothing";
}

TEST_F(ScannerEndToEnd, OpenWritesItsOwnBeginLineAndTheScannerHasNoOutput) {
    int32_t rc = -1;
    ASSERT_EQ(scanner_.Call("Open", &rc, "SCAN1"), S_OK);
    ASSERT_EQ(rc, 0);
    const std::string trace = ReadTrace();
    EXPECT_NE(trace.find("Begin open scanner"), std::string::npos);
    EXPECT_EQ(trace.find("Begin OpenService"), std::string::npos);
    int32_t outputId = -1;
    ASSERT_EQ(scanner_.Get("OutputID", &outputId), S_OK);
    EXPECT_EQ(outputId, 0);
    ASSERT_EQ(scanner_.Call("ClearOutput", &rc), S_OK);
    EXPECT_EQ(rc, 106) << "a scanner has no output";
}

}  // namespace
}  // namespace orv::co::test
