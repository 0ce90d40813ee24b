// The PIN pad service object against the simulated terminal, driven as a control object drives
// it: registration, exports, an EFT transaction with its trace, events of every kind, routing
// between two objects, the one-instance rule of the trace, and no leaks over many calls.
#include <dlfcn.h>
#include <stdio.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "pin_test_main.h"
#include "platform/com_ptr.h"
#include "platform/registry.h"

namespace orv::so::test {
namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new InstallEnvironment);

constexpr const char* kProbe = "com/orv/sotest/Probe";

std::string ClassPath() { return std::getenv("CLASSPATH") ? std::getenv("CLASSPATH") : ""; }
std::string LibraryFolder() { return (BuildDir() / "lib").string() + "/"; }

// The lines every trace of a working installation starts with.
std::vector<std::string> StartLines() {
    return {"", "Option 1:", "-Djava.class.path=" + ClassPath(), " Option 2",
            "-Djava.library.path=" + LibraryFolder()};
}

int64_t PostStatus(const char* device, int status) {
    jstring d = JavaString(device);
    const int64_t t = CallStaticLong(kProbe, "postStatus", "(Ljava/lang/String;I)J", d, status);
    Env()->DeleteLocalRef(d);
    return t;
}

// ---------------------------------------------------------------- registration and exports

TEST(PinRegistration, RegsvrWritesProgIdClsidAndLibraryPath) {
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(u"ORVPin.so", &clsid), S_OK);
    EXPECT_EQ(clsid, kPinClsid);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT,
                            "CLSID\\{F4986AB2-61C2-11D3-A734-0080C88C35FA}\\InprocServer32", 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
    char path[4096] = {};
    DWORD size = sizeof path;
    ASSERT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(path), &size),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(std::filesystem::path(path), std::filesystem::canonical(BridgeLibrary()));
}

TEST(PinRegistration, LibraryExportsExactlyTheServerEntriesAndTheEventNatives) {
    FILE* pipe = ::popen(("nm -D --defined-only " + BridgeLibrary().string()).c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> exported;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        std::istringstream in(line);
        std::string address, type, name;
        if (in >> address >> type >> name) exported.insert(name);
    }
    ASSERT_EQ(::pclose(pipe), 0);
    const std::string prefix = "Java_com_orv_jpos_pinpad_PinOPOSEventCallbacks_";
    const std::set<std::string> expected = {
        "DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
        prefix + "oposDataEventOccurred", prefix + "oposErrorEventOccurred",
        prefix + "oposStatusUpdateEventOccurred", prefix + "oposOutputCompleteEventOccurred",
        prefix + "oposDirectIOEventOccurred"};
    EXPECT_EQ(exported, expected);
}

// Names and positions of the dispatch map: pin_conformance_test (DispatchOrder).

// ---------------------------------------------------------------- an EFT transaction

TEST(PinTransaction, EftWithPinEntryDeliversSODataAndTracesEveryStep) {
    RecordingControl* control = RecordingControl::Create();
    ServiceObjectClient so;
    ASSERT_EQ(so.Create("P1"), S_OK);
    ASSERT_EQ(so.OpenService("P1", control), 0);
    EXPECT_EQ(so.GetPropertyNumber(6), 0);
    EXPECT_EQ(so.GetPropertyNumber(7), 0);
    ASSERT_EQ(so.Claim(1000), 0);
    so.SetPropertyNumber(3, 1);
    so.SetPropertyNumber(2, 1);
    so.SetPropertyString(1017001, "4111111111111111");
    so.SetAmount(1234500);
    EXPECT_EQ(so.GetAmount(), 1234500);
    ASSERT_EQ(so.BeginEFTTransaction("DUKPT", 1), 0);
    ASSERT_EQ(so.EnablePINEntry(), 0);
    EXPECT_EQ(so.GetPropertyNumber(17003), 1) << "PINEntryEnabled";

    ASSERT_EQ(Sim("pin P1 1234").substr(0, 2), "OK");
    ASSERT_TRUE(control->WaitFor(1, "SOData"));
    const ControlCall data = control->Calls().front();
    EXPECT_EQ(data.kind, "SOData");
    EXPECT_EQ(data.a, 1) << "PPAD_SUCCESS";
    EXPECT_NE(data.thread, std::this_thread::get_id()) << "events arrive on the Java thread";

    const std::string pinBlock = so.GetPropertyString(1017006);
    EXPECT_EQ(pinBlock.size(), 16u);
    const std::string ksn = so.GetPropertyString(1017002);
    EXPECT_FALSE(ksn.empty());
    EXPECT_EQ(so.EndEFTTransaction(1), 0);
    EXPECT_EQ(so.Release_(), 0);
    EXPECT_EQ(so.Close(), 0);
    so.Release();
    control->Release();

    const Trace trace = ReadTrace(Install().TracePath());
    ASSERT_EQ(trace.error, "");
    std::vector<std::string> expected = StartLines();
    const std::vector<std::string> rest = {
        "Begin OpenService",
        "Begin claiming",
        "Claim is successfully done",
        "setDeviceEnabled property",
        "Set BOOL: setDeviceEnabled property to 1",
        "setDeviceEnabled property is done",
        "setDataEventEnabled property",
        "Set BOOL: setDataEventEnabled property to 1",
        "setDataEventEnabled property is done",
        "setAccountNumber property",
        "Set Property String: setAccountNumber property to 411111******1111",
        "setAccountNumber property is done",
        "setAmount",
        "SetAmount is done",
        "Begin GetAmount",
        "getPINEntryEnabled property",
        "Get BOOL: getPINEntryEnabled property returns 1",
        "getPINEntryEnabled property is done",
        "EventJNI: Received Data Event",
        "Firing Data Event from eventjni",
        "getEncryptedPIN property",
        "Get String: getEncryptedPIN property is " + std::string(16, '*'),
        "getEncryptedPIN property is done",
        "getAdditionalSecurityInformation property",
        "Get String: getAdditionalSecurityInformation property is " + std::string(ksn.size(), '*'),
        "getAdditionalSecurityInformation property is done",
        "Begin Releasing device",
        "Release is successfully done",
        "Begin closing",
        "Close is successully done",
    };
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(trace.lines, expected);
    // No card data in clear anywhere in the file.
    const std::string bytes = ReadFile(Install().TracePath());
    EXPECT_EQ(bytes.find("4111111111111111"), std::string::npos);
    EXPECT_EQ(bytes.find(pinBlock), std::string::npos);
}

TEST(PinTransaction, TraceFileIsReadableByOwnerAndGroupOnly) {
    ServiceObjectClient so;
    ASSERT_EQ(so.Create("P1"), S_OK);
    const auto perms = std::filesystem::status(Install().TracePath()).permissions();
    using P = std::filesystem::perms;
    EXPECT_EQ(perms & (P::others_all | P::group_write | P::owner_exec | P::group_exec), P::none);
    EXPECT_NE(perms & P::owner_read, P::none);
    so.Release();
}

// ---------------------------------------------------------------- events

using PinEvents = OpenPinPad;

TEST_F(PinEvents, EveryKindReachesTheControlWithItsValues) {
    ASSERT_EQ(so.Claim(1000), 0);
    PostStatus("P1", 7);
    ASSERT_TRUE(control->WaitFor(1, "SOStatusUpdate"));
    EXPECT_EQ(control->Calls().back().a, 7);

    control->WriteBackErrorResponse(11);
    jstring p1 = JavaString("P1");
    CallStaticLong(kProbe, "postError", "(Ljava/lang/String;IIII)J", p1, 111, 0, 1, 12);
    ASSERT_TRUE(control->WaitFor(1, "SOError"));
    const ControlCall error = control->Calls().back();
    EXPECT_EQ(error.kind, "SOError");
    EXPECT_EQ(std::vector<int32_t>({error.a, error.b, error.c, error.d}),
              std::vector<int32_t>({111, 0, 1, 12}))
        << "the response reference holds the Java response";

    jstring ab = JavaString("AB");
    CallStaticLong(kProbe, "postDirectIO", "(Ljava/lang/String;IILjava/lang/String;)J", p1, 3,
                   0x1234, ab);
    ASSERT_TRUE(control->WaitFor(1, "SODirectIO"));
    const ControlCall dio = control->Calls().back();
    EXPECT_EQ(dio.a, 3);
    EXPECT_EQ(dio.b, 0x1234);
    EXPECT_EQ(dio.text, "AB");

    CallStaticLong(kProbe, "postData", "(Ljava/lang/String;I)J", p1, 5);
    ASSERT_TRUE(control->WaitFor(1, "SOData"));
    EXPECT_EQ(control->Calls().back().a, 5);

    CallStaticLong(kProbe, "postOutputComplete", "(Ljava/lang/String;I)J", p1, 9);
    PostStatus("P1", 8);  // a marker after it: events are delivered in order
    ASSERT_TRUE(control->WaitFor(2, "SOStatusUpdate"));
    EXPECT_EQ(control->Count("SOOutputComplete"), 0u) << "not in the PIN pad's callback list";
    Env()->DeleteLocalRef(p1);
    Env()->DeleteLocalRef(ab);

    const Trace trace = CloseAndReadTrace();
    const size_t oc = trace.Find("EventJNI: Received OutputComplete Event");
    ASSERT_NE(oc, std::string::npos);
    EXPECT_EQ(trace.lines[oc + 1], "Firing OutputComplete Event from eventjni");
    EXPECT_TRUE(trace.Has("EventJNI: Received Error Event"));
    EXPECT_TRUE(trace.Has("Firing Error Event from eventjni"));
    EXPECT_TRUE(trace.Has("EventJNI: Received DirectIO Event"));
    EXPECT_TRUE(trace.Has("Firing DirectIO Event from eventjni"));
    EXPECT_EQ(trace.Count("Firing Status Update Event from eventjni"), 2u);
}

TEST_F(PinEvents, TerminalAnswersDirectIOCommandsWithAnEvent) {
    ASSERT_EQ(so.Claim(1000), 0);
    Sim("terminal set model ZR8800");
    int32_t data = 0;
    BSTR text = SysAllocString(u"");
    EXPECT_EQ(so.DirectIO(17, &data, &text), 0);  // model
    ASSERT_TRUE(control->WaitFor(1, "SODirectIO"));
    const ControlCall answer = control->Calls().back();
    EXPECT_EQ(answer.a, 0) << "done";
    EXPECT_EQ(answer.b, 0x1028) << "the Java command code";
    EXPECT_EQ(answer.text, "ZR8800");
    EXPECT_EQ(orv::AnsiFromBstr(text), "") << "pString is never written";
    SysFreeString(text);
}

TEST_F(PinEvents, UnsupportedDirectIOCommandsCallNothingAndLogNothing) {
    ASSERT_EQ(so.Claim(1000), 0);
    for (int32_t command : {4, 11, 12, 24, 25, 26, 28, 37, 47, 48, 0, 52, -1, 1000000}) {
        int32_t data = 0;
        BSTR text = nullptr;
        EXPECT_EQ(so.DirectIO(command, &data, &text), 111) << command;
        EXPECT_EQ(so.GetPropertyNumber(6), 111);
    }
    // A supported command after them: its answer is the first event, so none came before it.
    Sim("terminal set model ZR8800");
    int32_t data = 0;
    BSTR text = nullptr;
    ASSERT_EQ(so.DirectIO(17, &data, &text), 0);
    SysFreeString(text);
    ASSERT_TRUE(control->WaitFor(1, "SODirectIO"));
    EXPECT_EQ(control->Count("SODirectIO"), 1u);
    EXPECT_EQ(control->Calls().front().b, 0x1028) << "the model answer, nothing else";
    const Trace trace = CloseAndReadTrace();
    const size_t claimed = trace.Find("Claim is successfully done");
    ASSERT_NE(claimed, std::string::npos);
    ASSERT_GE(trace.lines.size(), claimed + 4);
    EXPECT_EQ(trace.lines[claimed + 1], "EventJNI: Received DirectIO Event") << "nothing between";
    EXPECT_EQ(trace.lines[claimed + 2], "Firing DirectIO Event from eventjni");
    EXPECT_EQ(trace.lines[claimed + 3], "Begin closing");
}

TEST_F(PinEvents, NoEventReachesAClosedOrDestroyedObject) {
    ASSERT_EQ(so.Claim(1000), 0);
    jstring p1 = JavaString("P1");
    jobject javaControl = CallStaticObject(kProbe, "control", "(Ljava/lang/String;)Ljava/lang/Object;", p1);
    Env()->DeleteLocalRef(p1);
    ASSERT_NE(javaControl, nullptr);
    CallStaticVoid(kProbe, "relayData", "(Ljava/lang/Object;I)V", javaControl, 1);
    ASSERT_EQ(control->Count("SOData"), 1u) << "registered while open";

    EXPECT_EQ(so.Close(), 0);
    CallStaticVoid(kProbe, "relayData", "(Ljava/lang/Object;I)V", javaControl, 2);
    EXPECT_EQ(control->Count("SOData"), 1u) << "closed: no event";
    so.Release();
    CallStaticVoid(kProbe, "relayData", "(Ljava/lang/Object;I)V", javaControl, 3);
    EXPECT_EQ(control->Count("SOData"), 1u) << "destroyed: no event";
    DeleteGlobal(javaControl);
    const Trace trace = ReadTrace(Install().TracePath());
    EXPECT_EQ(trace.Count("EventJNI: Received Data Event"), 1u);
}

TEST_F(PinEvents, ReopenedObjectHearsEventsAgain) {
    EXPECT_EQ(so.Close(), 0);
    ASSERT_EQ(so.OpenService("P1", control), 0);
    ASSERT_EQ(so.Claim(1000), 0);
    PostStatus("P1", 4);
    ASSERT_TRUE(control->WaitFor(1, "SOStatusUpdate"));
}

TEST_F(PinEvents, AStrayJavaControlsEventsAreDroppedWithoutATraceLine) {
    jobject stray = CallStaticObject(kProbe, "strayControl", "()Ljava/lang/Object;");
    ASSERT_NE(stray, nullptr);
    CallStaticVoid(kProbe, "relayData", "(Ljava/lang/Object;I)V", stray, 1);
    DeleteGlobal(stray);
    EXPECT_EQ(control->Count(), 0u);
    const Trace trace = CloseAndReadTrace();
    EXPECT_FALSE(trace.Has("EventJNI: Received Data Event"));
}

// ---------------------------------------------------------------- two objects

TEST(PinRouting, EachEventGoesOnlyToTheObjectWhoseJavaControlRaisedIt) {
    RecordingControl* first = RecordingControl::Create();
    RecordingControl* second = RecordingControl::Create();
    ServiceObjectClient a, b;
    ASSERT_EQ(a.Create("P1"), S_OK);
    // The second object traces to another folder: one live trace per file.
    const auto otherLogs = Install().Root() / "logs2";
    std::filesystem::create_directories(otherLogs);
    TestInstall::SetServiceInfo("Logpath", otherLogs.string());
    ASSERT_EQ(b.Create("P2"), S_OK);
    TestInstall::SetServiceInfo("Logpath", Install().LogDir().string());
    ASSERT_EQ(a.OpenService("P1", first), 0);
    ASSERT_EQ(b.OpenService("P2", second), 0);
    ASSERT_EQ(a.Claim(1000), 0);
    ASSERT_EQ(b.Claim(1000), 0);

    PostStatus("P1", 1);
    PostStatus("P2", 2);
    PostStatus("P2", 3);
    // A last event on each device: each device delivers in order, one event at a time, so once
    // both markers are in, every earlier event has reached whichever object it went to.
    PostStatus("P1", 9);
    PostStatus("P2", 9);
    ASSERT_TRUE(first->WaitFor(2));
    ASSERT_TRUE(second->WaitFor(3));
    ASSERT_EQ(first->Count(), 2u);
    ASSERT_EQ(second->Count(), 3u);
    EXPECT_EQ(first->Calls()[0].a, 1);
    EXPECT_EQ(first->Calls()[1].a, 9);
    EXPECT_EQ(second->Calls()[0].a, 2);
    EXPECT_EQ(second->Calls()[1].a, 3);
    EXPECT_EQ(second->Calls()[2].a, 9);
    for (auto* s : {&a, &b}) {
        s->Close();
        s->Release();
    }
    EXPECT_EQ(ReadTrace(Install().TracePath()).Count("EventJNI: Received Status Update Event"), 2u);
    EXPECT_EQ(ReadTrace(otherLogs / "Pinpadso.log").Count("EventJNI: Received Status Update Event"), 3u);
    first->Release();
    second->Release();
}

// ---------------------------------------------------------------- the one-instance rule

TEST(PinSharing, ASecondLiveObjectOfTheClassCannotBeCreated) {
    ServiceObjectClient first;
    ASSERT_EQ(first.Create("P1"), S_OK);
    const std::string before = ReadFile(Install().TracePath());
    ServiceObjectClient second;
    EXPECT_EQ(second.Create("P1"), HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(ReadFile(Install().TracePath()), before) << "the live trace is untouched";
    first.Release();
    ASSERT_EQ(second.Create("P1"), S_OK) << "possible once the first is gone";
    second.Release();
}

TEST(PinSharing, ANewObjectStartsAFreshTrace) {
    {
        ServiceObjectClient so;
        ASSERT_EQ(so.Create("P1"), S_OK);
        so.GetPropertyNumber(9);
        so.Release();
    }
    ServiceObjectClient so;
    ASSERT_EQ(so.Create("P1"), S_OK);
    so.Release();
    EXPECT_EQ(ReadTrace(Install().TracePath()).lines, StartLines());
}

// ---------------------------------------------------------------- leaks

// Many calls and events leave the JNI local reference tables, the Java heap and resident memory
// where they were; -Xcheck:jni reports any reference or exception-check fault on stdout.
TEST_F(PinEvents, ManyCallsAndEventsLeakNothingAndRaiseNoJniWarning) {
    ASSERT_EQ(so.Claim(1000), 0);
    for (int i = 0; i < 2000; ++i) so.GetPropertyNumber(9);  // warm up
    const int64_t heapBefore = CallStaticLong(kProbe, "heapUsed", "()J");
    StdoutCapture capture((Install().Root() / "stdout.txt").string());
    for (int i = 0; i < 20000; ++i) ASSERT_EQ(so.GetPropertyNumber(9), 2) << "S_IDLE, call " << i;
    for (int i = 0; i < 2000; ++i) PostStatus("P1", i);
    ASSERT_TRUE(control->WaitFor(2000, "SOStatusUpdate", std::chrono::seconds(60)));
    const std::string out = capture.Stop();
    const int64_t heapAfter = CallStaticLong(kProbe, "heapUsed", "()J");
    EXPECT_EQ(out.find("WARNING"), std::string::npos) << out.substr(0, 2000);
    EXPECT_LT(heapAfter - heapBefore, 4 << 20) << "bytes of Java heap kept";
}

}  // namespace
}  // namespace orv::so::test
