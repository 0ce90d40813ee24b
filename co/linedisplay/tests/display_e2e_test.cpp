// End to end: the line display control, the real line display service object, the JVM and the
// simulated terminal, configured in a private registry as an installation would be. Every
// display call is checked on the simulated screen ("show L1"), not only by its result.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

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
namespace events = host::opos::linedisplay;
using namespace std::chrono_literals;

constexpr const char* kProgId = "DisplayControl.DisplayControlCtrl.1";

int Regsvr(const std::string& library) {
    const int status = std::system((std::string(ORV_REGSVR) + " /s " + library).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

fs::path g_folder;

// A private installation: registry file, trace folder, claim locks, class path. "BAD" names a
// service object of another class.
class EndToEndEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        g_folder = fs::temp_directory_path() / ("orv-display-e2e-" + std::to_string(::getpid()));
        fs::create_directories(g_folder / "log");
        fs::create_directories(g_folder / "locks");
        ::setenv("ORV_REGISTRY", (g_folder / "registry.reg").c_str(), 1);
        ::setenv("ORV_SIM_LOCK_DIR", (g_folder / "locks").c_str(), 1);
        ::setenv("CLASSPATH", ORV_JAR, 1);
        ASSERT_EQ(Regsvr(ORV_DISPLAY_CONTROL), 0);
        ASSERT_EQ(Regsvr(ORV_DISPLAY_BRIDGE), 0);
        ASSERT_EQ(Regsvr(ORV_PINPAD_BRIDGE), 0);
        ASSERT_EQ(Regsvr(ORV_OLDER_SO), 0);
        const std::string key = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay\\";
        const char* info = "SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane";
        ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, (key + "L1").c_str(), nullptr, "ORVLine.so"),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, (key + "BAD").c_str(), nullptr, "ORVPin.so"),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, (key + "OLD").c_str(), nullptr,
                                 "OrvTest.OlderLineSO"),
                  ERROR_SUCCESS);
        ASSERT_EQ(
            RegWriteString(HKEY_LOCAL_MACHINE, info, "Logpath", (g_folder / "log").string() + "/"),
            ERROR_SUCCESS);
        ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, info, "Classpath", ORV_LIB_DIR),
                  ERROR_SUCCESS);
    }
    void TearDown() override { fs::remove_all(g_folder); }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new EndToEndEnvironment);

// The simulated screen as "show L1" renders it: the frame and the lines under it.
std::vector<std::string> Screen() {
    const std::string answer = SimTerminal::Command("show L1");
    std::vector<std::string> lines;
    std::istringstream in(answer);
    std::string line;
    bool inScreen = false;
    while (std::getline(in, line)) {
        if (!inScreen && line.rfind("+-", 0) == 0) inScreen = true;
        if (inScreen) lines.push_back(line);
    }
    return lines;
}
// Row r (0-based) of the screen, frame and marks included.
std::string Row(int r) {
    const auto lines = Screen();
    return static_cast<size_t>(r + 1) < lines.size() ? lines[r + 1]
                                                     : "<no row " + std::to_string(r) + ">";
}
// The text padded to the screen's 20 characters (the answer's text is UTF-8).
std::string Framed(const std::string& text, const std::string& marks = "") {
    size_t characters = 0;
    for (unsigned char c : text) characters += (c & 0xC0) != 0x80;
    std::string row = "|" + text + std::string(20 - std::min<size_t>(20, characters), ' ') + "|";
    return marks.empty() ? row : row + " " + marks;
}
bool ScreenHas(const std::string& line) {
    for (const std::string& l : Screen())
        if (l == line) return true;
    return false;
}

class DisplayEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(com_);
        ASSERT_EQ(display_.Create(kProgId), S_OK);
    }
    void TearDown() override {
        int32_t rc = 0;
        display_.Call("Close", &rc);
    }
    int32_t Call(const char* method) {
        int32_t rc = -1;
        EXPECT_EQ(display_.Call(method, &rc), S_OK) << method;
        return rc;
    }
    template <class... A>
    int32_t Call(const char* method, A&&... args) {
        int32_t rc = -1;
        EXPECT_EQ(display_.Call(method, &rc, std::forward<A>(args)...), S_OK) << method;
        return rc;
    }
    int32_t Long(const char* property) {
        int32_t value = -1;
        EXPECT_EQ(display_.Get(property, &value), S_OK) << property;
        return value;
    }
    void OpenClaimEnable() {
        ASSERT_EQ(Call("Open", "L1"), 0);
        ASSERT_EQ(Call("ClaimDevice", 1000), 0);
        ASSERT_EQ(display_.Put("DeviceEnabled", DispArg::Bool(true)), S_OK);
        ASSERT_EQ(Long("ResultCode"), 0);
        ASSERT_EQ(SimTerminal::Command("reset").rfind("OK", 0), 0u);
    }

    host::ComApartment com_;
    host::Control display_;
};

TEST_F(DisplayEndToEnd, TextAtPositionsWithAttributesReachesTheScreen) {
    OpenClaimEnable();
    EXPECT_EQ(Call("DisplayText", "HELLO", 0), 0);
    EXPECT_EQ(Row(0), Framed("HELLO"));
    struct Case {
        int32_t row, column;
        const char* text;
        int32_t attribute;
        const char* framed;
        const char* marks;
    } cases[] = {
        {1, 0, "blink", 1, "blink", "bbbbb"},
        {2, 5, "rev", 2, "     rev", "     rrr"},
        {3, 18, "both", 3, "                  bo", "                  xx"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Call("DisplayTextAt", c.row, c.column, c.text, c.attribute), 0) << c.text;
    }
    // The last one wraps at the edge and scrolls the screen up one row.
    EXPECT_EQ(Row(0), Framed("blink", "bbbbb"));
    EXPECT_EQ(Row(1), Framed("     rev", "     rrr"));
    EXPECT_EQ(Row(2), Framed("                  bo", "                  xx"));
    EXPECT_EQ(Row(3), Framed("th", "xx"));
    EXPECT_EQ(Long("CursorRow"), 3);
    EXPECT_EQ(Long("CursorColumn"), 2);
    EXPECT_EQ(Call("ClearText"), 0);
    for (int r = 0; r < 4; ++r) EXPECT_EQ(Row(r), Framed("")) << r;
}

TEST_F(DisplayEndToEnd, WindowsAreCreatedScrolledRefreshedAndDestroyed) {
    OpenClaimEnable();
    EXPECT_EQ(Call("DisplayText", "base", 0), 0);
    EXPECT_EQ(Call("CreateWindow", 1, 10, 1, 10, 1, 30), 0);
    EXPECT_EQ(Long("CurrentWindow"), 1);
    EXPECT_EQ(Long("Columns"), 30);
    EXPECT_TRUE(ScreenHas("window 1*: viewport 1,10 1x10, text 1x30 from 0,0"));
    EXPECT_EQ(Call("DisplayText", "0123456789ABCDEFGHIJ", 0), 0);
    EXPECT_EQ(Row(1), Framed("          0123456789"));
    EXPECT_EQ(Call("ScrollText", 3 /* DISP_ST_LEFT */, 5), 0);
    EXPECT_EQ(Row(1), Framed("          56789ABCDE"));
    // Back to the device window, then the window again on top.
    ASSERT_EQ(display_.Put("CurrentWindow", 0), S_OK);
    EXPECT_EQ(Call("DisplayTextAt", 1, 0, "under the window", 0), 0);
    EXPECT_EQ(Row(1), Framed("under the 56789ABCDE"));
    EXPECT_EQ(Call("RefreshWindow", 1), 0);
    EXPECT_EQ(Long("CurrentWindow"), 1);
    EXPECT_EQ(Call("DestroyWindow"), 0);
    EXPECT_EQ(Long("CurrentWindow"), 0);
    EXPECT_EQ(Row(1), Framed("under the window"));
    EXPECT_FALSE(ScreenHas("window 1: viewport 1,10 1x10, text 1x30 from 0,5"));
    // The device window cannot go: the Java failure comes back as 111.
    EXPECT_EQ(Call("DestroyWindow"), 111);
}

TEST_F(DisplayEndToEnd, MarqueeWalksAcrossItsWindow) {
    OpenClaimEnable();
    ASSERT_EQ(Call("CreateWindow", 0, 0, 1, 5, 1, 10), 0);
    ASSERT_EQ(display_.Put("MarqueeType", 5 /* DISP_MT_INIT */), S_OK);
    ASSERT_EQ(Call("DisplayText", "ABCDEFGHIJ", 0), 0);
    ASSERT_EQ(display_.Put("MarqueeUnitWait", 5), S_OK);
    ASSERT_EQ(display_.Put("MarqueeRepeatWait", 250), S_OK);
    EXPECT_EQ(Long("MarqueeRepeatWait"), 250);  // reached Java and read back
    ASSERT_EQ(display_.Put("MarqueeType", 3 /* DISP_MT_LEFT */), S_OK);
    EXPECT_TRUE(host::PumpUntil([] { return Row(0) == Framed("FGHIJ"); }, 5s)) << Row(0);
}

TEST_F(DisplayEndToEnd, DescriptorsBitmapsGlyphsAndTheCharacterSet) {
    OpenClaimEnable();
    EXPECT_EQ(Call("SetDescriptor", 2, 1), 0);
    EXPECT_EQ(Call("SetDescriptor", 5, 2), 0);
    EXPECT_TRUE(ScreenHas("descriptors: 2=on 5=blink"));
    EXPECT_EQ(Call("ClearDescriptors"), 0);
    EXPECT_FALSE(ScreenHas("descriptors: 2=on 5=blink"));

    const std::string bitmap = (g_folder / "logo.bmp").string();
    std::ofstream(bitmap) << "BM";
    EXPECT_EQ(Call("DisplayBitmap", bitmap, -11 /* DISP_BM_ASIS */, -1, -2), 0);
    EXPECT_TRUE(ScreenHas("bitmap: " + bitmap));
    const std::string second = (g_folder / "second.bmp").string();
    std::ofstream(second) << "BM";
    EXPECT_EQ(Call("SetBitmap", 4, second, -11, -1, -2), 0);
    EXPECT_EQ(Call("DisplayText", "\x1b|4B", 0), 0);
    EXPECT_TRUE(ScreenHas("bitmap: " + second));
    EXPECT_EQ(Call("DisplayBitmap", (g_folder / "none.bmp").string(), -11, -1, -2), 111);

    display_.Call("DefineGlyph", nullptr, 0xE5, 0b10001'01010'00100'01010'10001'00000);
    EXPECT_EQ(Long("ResultCode"), 0);
    EXPECT_EQ(Call("DisplayText", "\xE5", 0), 0);
    EXPECT_EQ(Row(0), Framed("\xC3\xA5"));  // the glyph's code, as UTF-8 in the answer
    EXPECT_TRUE(ScreenHas("glyph E5: #...# .#.#. ..#.. .#.#. #...# ....."));

    // Characters outside the character set show as '?'; in 1252 they show.
    EXPECT_EQ(Call("DisplayTextAt", 1, 0, "caf\xE9", 0), 0);
    EXPECT_EQ(Row(1), Framed("caf?"));
    ASSERT_EQ(display_.Put("CharacterSet", 1252), S_OK);
    EXPECT_EQ(Long("CharacterSet"), 1252);
    EXPECT_EQ(Call("DisplayTextAt", 2, 0, "caf\xE9", 0), 0);
    EXPECT_EQ(Row(2), Framed("caf\xC3\xA9"));
}

// Answers for bad input: documented results, the screen unharmed.
TEST_F(DisplayEndToEnd, BadInputGetsItsAnswerAndLeavesTheScreenWhole) {
    OpenClaimEnable();
    ASSERT_EQ(Call("DisplayText", "keep", 0), 0);
    struct Case {
        const char* what;
        std::function<int32_t()> call;
        int32_t result;
    } cases[] = {
        {"empty text", [&] { return Call("DisplayText", "", 0); }, 0},
        {"ESC| cut at the end", [&] { return Call("DisplayText", "\x1b|", 0); }, 0},
        {"ESC|nB of a bitmap never set", [&] { return Call("DisplayText", "lost\x1b|7B", 0); },
         111},
        {"attribute out of range", [&] { return Call("DisplayText", "lost", 9); }, 111},
        {"negative row", [&] { return Call("DisplayTextAt", -1, 0, "lost", 0); }, 111},
        {"negative column", [&] { return Call("DisplayTextAt", 0, -5, "lost", 0); }, 111},
        {"row past the screen", [&] { return Call("DisplayTextAt", 4, 0, "lost", 0); }, 111},
        {"window larger than the screen", [&] { return Call("CreateWindow", 0, 0, 5, 21, 5, 21); },
         111},
        {"negative viewport", [&] { return Call("CreateWindow", -1, -1, 1, 1, 1, 1); }, 111},
        {"scroll direction", [&] { return Call("ScrollText", 99, 1); }, 111},
        {"refresh of no window", [&] { return Call("RefreshWindow", -3); }, 111},
        {"descriptor 8", [&] { return Call("SetDescriptor", 8, 1); }, 111},
        {"bitmap number 0", [&] { return Call("SetBitmap", 0, "x.bmp", -11, -1, -2); }, 111},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.call(), c.result) << c.what;
        EXPECT_EQ(Row(0), Framed("keep")) << c.what;
        EXPECT_EQ(Row(1), Framed("")) << c.what;
    }
    // Glyph codes outside E0 to EF: Java refuses, recorded as 104 (DefineGlyph has no result).
    for (int32_t code : {0x41, 0xDF, 0xF0, -1}) {
        EXPECT_EQ(display_.Call("DefineGlyph", nullptr, code, 0), S_OK);
        EXPECT_EQ(Long("ResultCode"), 104) << code;
    }
    // 100,000 characters: wrapped and scrolled, the last four rows of it on the screen.
    std::string big;
    while (big.size() < 100000) big += "0123456789";
    EXPECT_EQ(Call("ClearText"), 0);
    EXPECT_EQ(Call("DisplayText", big, 0), 0);
    for (int r = 0; r < 4; ++r) EXPECT_EQ(Row(r), Framed("01234567890123456789")) << r;
}

// Method results are returned, not recorded; property failures are recorded (no error event).
TEST_F(DisplayEndToEnd, PropertyFailuresBecomeResultCodeMethodFailuresDoNot) {
    ASSERT_EQ(Call("Open", "L1"), 0);
    ASSERT_EQ(Call("ClaimDevice", 1000), 0);
    // A refused DeviceEnabled = TRUE must not look like success.
    ASSERT_EQ(SimTerminal::Command("fail L1 setDeviceEnabled 108 once").rfind("OK", 0), 0u);
    EXPECT_EQ(display_.Put("DeviceEnabled", DispArg::Bool(true)), S_OK);
    EXPECT_EQ(Long("ResultCode"), 108);
    EXPECT_EQ(Long("DeviceEnabled"), 0);
    EXPECT_EQ(display_.Put("DeviceEnabled", DispArg::Bool(true)), S_OK);
    EXPECT_EQ(Long("DeviceEnabled"), -1);  // VARIANT_BOOL
    EXPECT_EQ(Long("ResultCode"), 108);    // a successful access records nothing

    ASSERT_EQ(SimTerminal::Command("fail L1 getColumns 105 once").rfind("OK", 0), 0u);
    EXPECT_EQ(Long("Columns"), 0);
    EXPECT_EQ(Long("ResultCode"), 105);
    EXPECT_EQ(Long("Columns"), 20);

    // A failing display method returns 111 and leaves ResultCode as it was; so does success.
    EXPECT_EQ(Call("DisplayText", "x", 9), 111);
    EXPECT_EQ(Long("ResultCode"), 105);
    EXPECT_EQ(Call("DisplayText", "x", 0), 0);
    EXPECT_EQ(Long("ResultCode"), 105);
    // The statistics methods are recorded.
    ASSERT_EQ(display_.Put("DeviceEnabled", DispArg::Bool(true)), S_OK);
    ASSERT_EQ(SimTerminal::Command("fail L1 getColumns 105 once").rfind("OK", 0), 0u);
    EXPECT_EQ(Long("Columns"), 0);
    EXPECT_EQ(Long("ResultCode"), 105);
    EXPECT_EQ(Call("ResetStatistics", ""), 0);
    EXPECT_EQ(Long("ResultCode"), 0);
    // ReleaseDevice and ClaimDevice are not recorded either; Release and Claim are.
    ASSERT_EQ(SimTerminal::Command("fail L1 getColumns 105 once").rfind("OK", 0), 0u);
    EXPECT_EQ(Long("Columns"), 0);
    EXPECT_EQ(Call("ReleaseDevice"), 0);
    EXPECT_EQ(Long("ResultCode"), 105);
    EXPECT_EQ(Call("ReleaseDevice"), 111);  // not claimed
    EXPECT_EQ(Long("ResultCode"), 105);
    EXPECT_EQ(Call("Release"), 111);
    EXPECT_EQ(Long("ResultCode"), 111);
    EXPECT_EQ(Call("Claim", 1000), 0);
    EXPECT_EQ(Long("ResultCode"), 0);
}

TEST_F(DisplayEndToEnd, InputMembersAnswer111OpenOrClosed) {
    for (bool open : {false, true}) {
        if (open) OpenClaimEnable();
        for (const char* p : {"OutputID", "AutoDisable", "DataEventEnabled", "DataCount"})
            EXPECT_EQ(Long(p), 111) << p << (open ? " open" : " closed");
        EXPECT_EQ(Call("ClearInput"), 111);
        EXPECT_EQ(Call("ClearOutput"), 111);
        // Read-only: writing is a dispatch error, not a crash.
        EXPECT_TRUE(FAILED(display_.Put("DataEventEnabled", DispArg::Bool(true))));
    }
    // DefineGlyph while closed: returns, nothing called.
    ASSERT_EQ(Call("Close"), 0);
    EXPECT_EQ(display_.Call("DefineGlyph", nullptr, 0xE0, 1), S_OK);
    EXPECT_EQ(Call("DisplayText", "x", 0), 101);
}

TEST_F(DisplayEndToEnd, StatusAndDirectIOEventsArriveOnTheApplicationThread) {
    std::vector<int32_t> status;
    std::vector<std::string> dio;
    std::vector<DWORD> threads;
    ASSERT_EQ(display_.OnEvent(events::StatusUpdateEvent,
                               [&](const EventArgs& a) {
                                   status.push_back(a.Long(0));
                                   threads.push_back(GetCurrentThreadId());
                               }),
              S_OK);
    ASSERT_EQ(display_.OnEvent(events::DirectIOEvent,
                               [&](const EventArgs& a) {
                                   BSTR* text = a.BstrRef(2);
                                   dio.push_back(std::to_string(a.Long(0)) + "," +
                                                 std::to_string(a.LongRef(1) ? *a.LongRef(1) : -1) +
                                                 "," + (text ? AnsiFromBstr(*text) : ""));
                                   threads.push_back(GetCurrentThreadId());
                               }),
              S_OK);
    OpenClaimEnable();
    ASSERT_EQ(SimTerminal::Command("status L1 2001").rfind("OK", 0), 0u);
    ASSERT_EQ(SimTerminal::Command("dio L1 event 5 77 hello").rfind("OK", 0), 0u);
    EXPECT_TRUE(host::PumpUntil([&] { return status.size() == 1 && dio.size() == 1; }, 5s));
    EXPECT_EQ(status, std::vector<int32_t>{2001});
    EXPECT_EQ(dio, std::vector<std::string>{"5,77,hello"});
    for (DWORD t : threads) EXPECT_EQ(t, GetCurrentThreadId());

    // The terminal answers a DirectIO command (display text) with a DirectIO event.
    int32_t data = 0;
    BSTR command = SysAllocString(u"10,10,Hi");
    EXPECT_EQ(Call("DirectIO", 1, &data, &command), 0);
    SysFreeString(command);
    EXPECT_TRUE(host::PumpUntil([&] { return dio.size() == 2; }, 5s));
    EXPECT_EQ(dio.back(), "0," + std::to_string(0x3280) + ",OK");

    // The container's freeze reaches Java through the service object and holds the events;
    // the last thaw lets them go.
    ASSERT_EQ(display_.FreezeEvents(true), S_OK);
    ASSERT_EQ(display_.FreezeEvents(true), S_OK);
    EXPECT_EQ(Long("FreezeEvents"), -1);
    ASSERT_EQ(SimTerminal::Command("status L1 2002").rfind("OK", 0), 0u);
    ASSERT_EQ(display_.FreezeEvents(false), S_OK);
    EXPECT_EQ(Long("FreezeEvents"), -1);
    host::PumpUntil([] { return false; }, 200ms);
    EXPECT_EQ(status.size(), 1u);
    ASSERT_EQ(display_.FreezeEvents(false), S_OK);
    EXPECT_EQ(Long("FreezeEvents"), 0);
    EXPECT_TRUE(host::PumpUntil([&] { return status.size() == 2; }, 5s));
    EXPECT_EQ(status.back(), 2002);

    // A data event of the Java side is traced and goes nowhere: the control has no entry for it.
    JavaEventRaiser raiser("L1");
    ASSERT_TRUE(raiser.Ready());
    EXPECT_TRUE(raiser.Data(3));
    host::PumpUntil([] { return false; }, 100ms);
    EXPECT_EQ(status.size() + dio.size(), 4u);
    std::ifstream log(g_folder / "log" / "LineDisplayso.log");
    std::stringstream text;
    text << log.rdbuf();
    EXPECT_NE(text.str().find("EventJNI: Received Data Event"), std::string::npos);
    EXPECT_NE(text.str().find("Firing Data Event from eventjni"), std::string::npos);
}

// With no name check at Open, a service object of another class under the device key must come
// back as failure values.
TEST_F(DisplayEndToEnd, AServiceObjectOfAnotherClassGivesFailureValues) {
    EXPECT_EQ(Call("Open", "BAD"), 104);
    EXPECT_EQ(Long("OpenResult"), 306);
    EXPECT_EQ(Call("ClaimDevice", 1000), 101);
    EXPECT_EQ(Call("DisplayText", "x", 0), 101);
    EXPECT_EQ(Long("Columns"), 0);
    std::string name;
    EXPECT_EQ(display_.Get("DeviceName", &name), S_OK);
    EXPECT_EQ(name, "[Error]");
    // The control is still usable with the right one afterwards.
    EXPECT_EQ(Call("Open", "L1"), 0);
    EXPECT_EQ(Call("ClaimDevice", 1000), 0);
}

// An older service object opens (nothing checks its names) and lacks the display methods: each
// missing member answers 111, DefineGlyph returns, nothing crashes.
TEST_F(DisplayEndToEnd, AnOlderServiceObjectAnswers111ForWhatItLacks) {
    ASSERT_EQ(Call("Open", "OLD"), 0);
    EXPECT_EQ(Long("ServiceObjectVersion"), 1009000);
    EXPECT_EQ(Call("Claim", 1000), 0);          // DISPID 6: it has Claim
    EXPECT_EQ(Call("ClaimDevice", 1000), 111);  // DISPID 25: it has not
    struct Case {
        const char* what;
        std::function<int32_t()> call;
    } cases[] = {
        {"ClearText", [&] { return Call("ClearText"); }},
        {"DisplayText", [&] { return Call("DisplayText", "x", 0); }},
        {"DisplayTextAt", [&] { return Call("DisplayTextAt", 0, 0, "x", 0); }},
        {"ScrollText", [&] { return Call("ScrollText", 1, 1); }},
        {"CreateWindow", [&] { return Call("CreateWindow", 0, 0, 1, 1, 1, 1); }},
        {"DestroyWindow", [&] { return Call("DestroyWindow"); }},
        {"SetBitmap", [&] { return Call("SetBitmap", 1, "a.bmp", -11, -1, -2); }},
        {"ReleaseDevice", [&] { return Call("ReleaseDevice"); }},
        {"UpdateStatistics", [&] { return Call("UpdateStatistics", ""); }},
    };
    for (const Case& c : cases) EXPECT_EQ(c.call(), 111) << c.what;
    EXPECT_EQ(display_.Call("DefineGlyph", nullptr, 0xE0, 1), S_OK);
    std::string text;
    EXPECT_EQ(display_.Get("CharacterSetList", &text), S_OK);  // GetPropertyString: missing
    EXPECT_EQ(text, "[Error]");
    EXPECT_EQ(Call("Release"), 0);
    EXPECT_EQ(Call("Close"), 0);
}

}  // namespace
}  // namespace orv::co::test
