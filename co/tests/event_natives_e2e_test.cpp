// Events of every device class reach the application whatever java.library.path (the registry's
// Classpath) holds: each service object binds its callbacks class's natives itself. A callbacks
// class that cannot be bound makes Open fail with a trace line naming the class and the path.
// The JVM's library path is fixed for the life of a process, so every case runs in a process of
// its own (CTest runs each case alone); a case that finds a JVM already running skips.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "device_e2e.h"
#include "platform/com_register.h"
#include "platform/win32.h"
#include "sim_terminal.h"

namespace orv::co::test {
namespace {

namespace fs = std::filesystem;

struct DeviceClass {
    const char* name;           // the registry's class name
    const char* progId;         // the control's
    const char* device;         // a device of the simulated terminal
    const char* serviceObject;  // its ProgID
    DISPID statusUpdate;        // the control's StatusUpdateEvent
    const char* libraries[2];   // control and service object, in the build's lib folder
};

constexpr DeviceClass kClasses[] = {
    {"PINPad", "OPOS.PINPad", "P1", "ORVPin.so", 4, {"libPinpadControl.so", "libPinpadBridge.so"}},
    {"MSR", "OPOS.MSR", "M1", "ORVMsr.so", 4, {"libStripeControl.so", "libMsrBridge.so"}},
    {"SignatureCapture", "OPOS.SigCap", "S1", "ORVSig.so", 4,
     {"libSigcapControl.so", "libSigcapBridge.so"}},
    {"LineDisplay", "DisplayControl.DisplayControlCtrl.1", "L1", "ORVLine.so", 2,
     {"libDisplayControl.so", "libDisplayBridge.so"}},
    {"POSKeyboard", "OPOS.POSKeyboard", "K1", "ORVKbd.so", 4,
     {"libKeyboardControl.so", "libKeypadBridge.so"}},
    {"ToneIndicator", "OPOS.ToneIndicator", "T1", "ORVTone.so", 4,
     {"libToneControl.so", "libToneBridge.so"}},
    {"Scanner", "OPOS.Scanner", "SCAN1", "ORVScanner.so", 4,
     {"libScannerControl.so", "libScanBridge.so"}},
};

void PrintTo(const DeviceClass& c, std::ostream* os) { *os << c.name; }

const char kInfo[] = "SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane";

DeviceInstallation* Install() {
    static std::vector<std::string> paths;
    std::vector<std::string> servers;
    std::vector<DeviceKey> keys;
    for (const DeviceClass& c : kClasses) {
        for (const char* library : c.libraries) servers.push_back(std::string(ORV_LIB_DIR) + "/" + library);
        paths.push_back(std::string("SOFTWARE\\OLEforRetail\\ServiceOPOS\\") + c.name + "\\" + c.device);
    }
    for (size_t i = 0; i < paths.size(); ++i) keys.push_back({paths[i].c_str(), kClasses[i].serviceObject});
    return new DeviceInstallation(std::move(servers), std::move(keys));
}
auto* const kInstallation =
    static_cast<DeviceInstallation*>(::testing::AddGlobalTestEnvironment(Install()));

// A folder without a single library in it, as a mistyped Classpath gives.
fs::path EmptyFolder() {
    const fs::path folder = kInstallation->LogFolder().parent_path() / "nolibs";
    fs::create_directories(folder);
    return folder;
}

class LibraryPathTest : public DeviceControlTest {
protected:
    // Classpath for the JVM this case starts.
    void UseLibraryPath(const fs::path& folder) {
        if (SimTerminal::Available()) GTEST_SKIP() << "a JVM already runs: run each case alone";
        ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, kInfo, "Classpath", folder.c_str()),
                  ERROR_SUCCESS);
    }

    // Two status updates raised by the terminal arrive once each, in order: a second delivery of
    // the first would come before the second.
    void ExpectEachEventOnce(const DeviceClass& c) {
        CreateControl(c.progId);
        OpenClaimEnable(c.device);
        const int32_t first = 7101, second = 7102;
        for (int32_t code : {first, second})
            ASSERT_EQ(Sim("status " + std::string(c.device) + " " + std::to_string(code)).substr(0, 2),
                      "OK");
        auto seen = [&] {
            std::vector<int32_t> out;
            for (const SeenEvent& e : EventsOf(c.statusUpdate))
                if (e.value == first || e.value == second) out.push_back(e.value);
            return out;
        };
        EXPECT_TRUE(Pump([&] { return !seen().empty() && seen().back() == second; }))
            << c.name << ": no status update reached the application";
        EXPECT_EQ(seen(), (std::vector<int32_t>{first, second})) << c.name;
        EXPECT_EQ(Call0("Close"), 0);
    }
};

class EveryClass : public LibraryPathTest, public ::testing::WithParamInterface<DeviceClass> {};

TEST_P(EveryClass, EventsArriveWithoutTheLibrariesOnTheLibraryPath) {
    UseLibraryPath(EmptyFolder());
    if (IsSkipped()) return;
    ExpectEachEventOnce(GetParam());
}

TEST_P(EveryClass, EventsArriveOnceWithTheLibrariesOnTheLibraryPath) {
    UseLibraryPath(ORV_LIB_DIR);
    if (IsSkipped()) return;
    ExpectEachEventOnce(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Natives, EveryClass, ::testing::ValuesIn(kClasses),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LibraryPathTest, PinEntryDataEventArrivesWithoutTheLibraryOnTheLibraryPath) {
    UseLibraryPath(EmptyFolder());
    if (IsSkipped()) return;
    CreateControl("OPOS.PINPad");
    OpenClaimEnable("P1");
    std::string encryptedPin;
    onEvent_ = [&](DISPID id, const EventArgs&) {
        if (id == 1) {
            EXPECT_EQ(control_.Get("EncryptedPIN", &encryptedPin), S_OK);
        }
    };
    ASSERT_EQ(control_.Put("DataEventEnabled", DispArg::Bool(true)), S_OK);
    CY amount;
    amount.int64 = 1250 * 10000LL;
    ASSERT_EQ(control_.Put("Amount", amount), S_OK);
    ASSERT_EQ(control_.Put("AccountNumber", "4111111111111111"), S_OK);
    ASSERT_EQ(control_.Put("TransactionType", "Debit"), S_OK);
    ASSERT_EQ(control_.Put("MinimumPINLength", 4), S_OK);
    int32_t rc = -1;
    ASSERT_EQ(control_.Call("BeginEFTTransaction", &rc, "DUKPT", 1), S_OK);
    ASSERT_EQ(rc, 0);
    ASSERT_EQ(control_.Call("EnablePINEntry", &rc), S_OK);
    ASSERT_EQ(rc, 0);
    ASSERT_EQ(Sim("pin P1 1234").substr(0, 2), "OK");
    ASSERT_TRUE(Pump([&] { return !EventsOf(1).empty(); })) << "no DataEvent";
    EXPECT_EQ(EventsOf(1).size(), 1u);
    EXPECT_EQ(EventsOf(1)[0].value, 1) << "PPAD_SUCCESS";
    EXPECT_EQ(encryptedPin.size(), 16u);
    EXPECT_EQ(Call0("Close"), 0);
}

// A PinOPOSEventCallbacks whose event methods are not natives comes first on CLASSPATH (a
// mismatched jar): Open fails and the trace says which class and which library path.
TEST_F(LibraryPathTest, UnbindableCallbacksClassFailsOpenNamingClassAndPath) {
    const fs::path folder = EmptyFolder();
    UseLibraryPath(folder);
    if (IsSkipped()) return;
    ::setenv("CLASSPATH", (std::string(ORV_UNBOUND_JAR) + ":" + ORV_JAR).c_str(), 1);
    CreateControl("OPOS.PINPad");
    int32_t rc = -1;
    ASSERT_EQ(control_.Call("Open", &rc, "P1"), S_OK);
    EXPECT_EQ(rc, 104);
    EXPECT_EQ(Long("OpenResult"), 306);
    std::ifstream trace(kInstallation->LogFolder() / "Pinpadso.log");
    std::stringstream text;
    text << trace.rdbuf();
    const std::string expected =
        "Failed to bind the event natives of com.orv.jpos.pinpad.PinOPOSEventCallbacks "
        "(java.library.path=" + folder.string() + "/): ";  // as the JVM was given it
    const size_t at = text.str().find(expected);
    ASSERT_NE(at, std::string::npos) << text.str();
    EXPECT_NE(text.str().find("NoSuchMethodError", at), std::string::npos) << text.str();
}

}  // namespace
}  // namespace orv::co::test
