// The core under a real JVM, through service objects compiled with it for other Java classes:
// joining the running VM, every construction failure with its trace text, OpenService without
// an open method, IsException and the typed helpers' Java error codes.
#include <gtest/gtest.h>

#include "jvm_access.h"
#include "platform/com.h"
#include "so_core/event_natives.h"
#include "so_core/so_core.h"
#include "test_control.h"
#include "test_env.h"
#include "trace_reader.h"

namespace orv::so {
namespace {

class Environment : public ::testing::Environment {
public:
    void SetUp() override { install = std::make_unique<test::TestInstall>(false); }
    void TearDown() override { install.reset(); }
    static inline std::unique_ptr<test::TestInstall> install;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new Environment);

constexpr const char* kCallbacks[] = {"SOData", "SODirectIO", "SOError", "SOStatusUpdate"};

SoIdentity Identity(const char* log, const char* javaClass) {
    return SoIdentity{"CTestSO", "ORVTest.so", GUID_INIT(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1), "test", log,
                      javaClass, kCallbacks, {}};
}

test::Trace TraceOf(const char* log) { return test::ReadTrace(Environment::install->TracePath(log)); }

std::vector<std::string> Tail(const test::Trace& t, size_t n) {
    return std::vector<std::string>(t.lines.end() - static_cast<std::ptrdiff_t>(std::min(n, t.lines.size())), t.lines.end());
}

TEST(SoBridge, SecondObjectJoinsTheRunningVmWithItsOwnControl) {
    const SoIdentity a = Identity("first.log", "jpos/PINPad");
    const SoIdentity b = Identity("second.log", "jpos/PINPad");
    SoCore first(a);
    ASSERT_TRUE(first.Bridge().InitOk());
    SoCore second(b);
    ASSERT_TRUE(second.Bridge().InitOk());
    EXPECT_FALSE(test::Env()->IsSameObject(first.Bridge().Control(), second.Bridge().Control()));
    const test::Trace t = TraceOf("second.log");
    ASSERT_EQ(t.lines.size(), 5u) << "the option lines are written all the same";
    EXPECT_EQ(t.lines[1], "Option 1:");
    EXPECT_EQ(t.lines[3], " Option 2");
    JavaVM* vms[2];
    jsize count = 0;
    ASSERT_EQ(JNI_GetCreatedJavaVMs(vms, 2, &count), JNI_OK);
    EXPECT_EQ(count, 1);
}

struct FailureCase {
    const char* javaClass;
    std::vector<std::string> tail;  // the last lines; an entry ending in '*' is a prefix
};

TEST(SoBridge, ConstructionFailuresStopWithTheirTraceText) {
    const FailureCase cases[] = {
        {"jpos/NoSuchDevice", {"Can't find class name", "JavaException: java.lang.NoClassDefFoundError: jpos/NoSuchDevice*"}},
        {"com/orv/sotest/OddEvents$NoDefaultConstructor",
         {"Can't find Init method\n", "JavaException: java.lang.NoSuchMethodError: *"}},
        {"com/orv/sotest/OddEvents$FailingConstructor",
         {"new object failed \n", "JavaException: java.lang.IllegalStateException: no device here"}},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.javaClass);
        const SoIdentity id = Identity("failing.log", c.javaClass);
        auto* control = test::RecordingControl::Create();
        {
            SoCore so(id);
            EXPECT_FALSE(so.Bridge().InitOk());
            EXPECT_EQ(so.CreationError(), 0u) << "the object exists all the same";
            EXPECT_EQ(so.OpenService("PINPad", "P1", control), 111);
            EXPECT_EQ(so.GetPropertyNumber(6), 0) << "OpenService recorded nothing";
            EXPECT_EQ(so.Claim(0), 102) << "never reaches the JVM";
        }
        control->Release();
        const test::Trace t = TraceOf("failing.log");
        const auto tail = Tail(t, c.tail.size() + 2);  // + the claim lines
        for (size_t i = 0; i < c.tail.size(); ++i) {
            const std::string& want = c.tail[i];
            if (!want.empty() && want.back() == '*')
                EXPECT_EQ(tail[i].rfind(want.substr(0, want.size() - 1), 0), 0u) << tail[i];
            else
                EXPECT_EQ(tail[i], want);
        }
        EXPECT_FALSE(test::Env()->ExceptionCheck());
    }
}

TEST(SoBridge, OpenServiceWithoutAnOpenMethodIs104AndNotRecorded) {
    const SoIdentity id = Identity("noopen.log", "com/orv/sotest/OddEvents$NoOpen");
    auto* control = test::RecordingControl::Create();
    {
        SoCore so(id);
        ASSERT_TRUE(so.Bridge().InitOk());
        so.SetPropertyNumber(99, 0);
        EXPECT_EQ(so.OpenService("PINPad", "P1", control), 104);
        EXPECT_EQ(so.GetPropertyNumber(6), 106);
        const test::Trace t = TraceOf("noopen.log");
        const auto tail = Tail(t, 3);
        EXPECT_EQ(tail[0], "Begin OpenService");
        EXPECT_EQ(tail[1], "Failed to get Method ID for OpenService");
        EXPECT_EQ(tail[2].rfind("JavaException: java.lang.NoSuchMethodError: ", 0), 0u);
        EXPECT_EQ(so.Close(), 0) << "close exists";
    }
    control->Release();
}

TEST(SoBridge, IsExceptionKeepsTheJposErrorCodeAndPrefixesOtherExceptions) {
    const SoIdentity id = Identity("helpers.log", "jpos/PINPad");
    SoCore so(id);
    OposJNI& bridge = so.Bridge();
    ASSERT_TRUE(bridge.InitOk());
    JNIEnv* env = test::Env();
    auto plan = [&](const char* method, const char* behaviour) {
        jstring m = env->NewStringUTF(method);
        jstring b = behaviour ? env->NewStringUTF(behaviour) : nullptr;
        test::CallStaticVoid("jpos/PINPad", "plan", "(Ljava/lang/String;Ljava/lang/String;)V", m, b);
        env->DeleteLocalRef(m);
        if (b) env->DeleteLocalRef(b);
    };
    plan("getState", "jpos:105");
    EXPECT_EQ(bridge.GetIntProperty("getState"), 0);
    EXPECT_EQ(bridge.PendingJavaError, 105);
    plan("getState", "npe");
    EXPECT_EQ(bridge.GetIntProperty("getState"), 0);
    EXPECT_EQ(bridge.PendingJavaError, 111);
    EXPECT_EQ(TraceOf("helpers.log").lines.back(), "JavaException: java.lang.NullPointerException: planted null of getState");
    plan("getState", nullptr);
    EXPECT_EQ(bridge.GetIntProperty("getState"), 2);
    EXPECT_EQ(bridge.PendingJavaError, 0) << "a good call leaves 0";

    int32_t result = 0;
    std::string message = "stale";
    EXPECT_FALSE(bridge.IsException(&result, &message));
    EXPECT_EQ(message, "");
    env->ThrowNew(env->FindClass("java/lang/IllegalArgumentException"), "thrown here");
    EXPECT_TRUE(bridge.IsException(&result, &message));
    EXPECT_EQ(result, 111);
    EXPECT_EQ(message, "JavaException: java.lang.IllegalArgumentException: thrown here");
    EXPECT_FALSE(env->ExceptionCheck()) << "cleared";
    EXPECT_EQ(bridge.GetBoolProperty("getNoSuchThing"), 0);
    EXPECT_EQ(bridge.PendingJavaError, 111);
    const auto tail = Tail(TraceOf("helpers.log"), 3);
    EXPECT_EQ(tail[0], "getNoSuchThing property");
    EXPECT_EQ(tail[1], "Failed to get Method ID for getNoSuchThing");
    EXPECT_EQ(tail[2].rfind("JavaException: java.lang.NoSuchMethodError: ", 0), 0u);
}

// The class names the exported natives' prefixes carry; anything else names no class.
TEST(SoEventNatives, ClassFromJniPrefix) {
    const struct {
        const char* prefix;
        const char* className;
    } kRows[] = {
        {"Java_com_orv_jpos_pinpad_PinOPOSEventCallbacks", "com/orv/jpos/pinpad/PinOPOSEventCallbacks"},
        {"Java_com_orv_jpos_signature_SigOPOSEventCallbacks", "com/orv/jpos/signature/SigOPOSEventCallbacks"},
        {"Java_a_b_1c", "a/b_c"},      // _1 is an underscore of the name
        {"Java_Top", "Top"},
        {"Java_a_00024b", ""},         // Unicode escapes: not ours
        {"Java_a_2b", ""},
        {"Java_", ""},
        {"Java_a__b", ""},
        {"Java_a_", ""},
        {"Java_a.b", ""},
        {"com_orv_jpos_X", ""},
        {"", ""},
    };
    for (const auto& row : kRows) EXPECT_EQ(ClassFromJniPrefix(row.prefix), row.className) << row.prefix;
}

void JNICALL NoEvent(JNIEnv*, jobject, jobject) {}

// Registration against classes that cannot take the natives says why and leaves no exception.
TEST(SoEventNatives, RegistrationFailuresGiveTheJavaReason) {
    const SoIdentity id = Identity("natives.log", "jpos/PINPad");
    SoCore so(id);
    OposJNI& bridge = so.Bridge();
    ASSERT_TRUE(bridge.InitOk());
    const struct {
        const char* className;
        const char* reason;  // prefix of the answer
    } kRows[] = {
        {"com/orv/sotest/NoSuchCallbacks", "JavaException: java.lang.NoClassDefFoundError: com/orv/sotest/NoSuchCallbacks"},
        {"jpos/PINPad", "JavaException: java.lang.NoSuchMethodError: "},  // no such methods
    };
    for (const auto& row : kRows) {
        const EventNatives natives{row.className, {NoEvent, NoEvent, NoEvent, NoEvent, NoEvent}};
        const std::string answer = RegisterEventNatives(bridge, natives);
        EXPECT_EQ(answer.rfind(row.reason, 0), 0u) << row.className << ": " << answer;
        EXPECT_FALSE(test::Env()->ExceptionCheck()) << row.className;
        EXPECT_EQ(bridge.PendingJavaError, 0);
    }
    // This program declares no natives: OpenService has nothing to bind and writes nothing.
    EXPECT_TRUE(BindEventNatives(bridge));
}

}  // namespace
}  // namespace orv::so
