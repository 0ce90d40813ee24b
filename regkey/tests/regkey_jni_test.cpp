// com.orv.registry.WindowsRegistry's natives from a real JVM on a private registry file:
// create (with parents), add and overwrite values, the default value, delete, and the refusals
// (missing key, key with subkeys, no write permission, missing arguments).
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <jni.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "jvm_harness.h"
#include "platform/registry.h"

namespace {

namespace fs = std::filesystem;
using namespace orv::jni::test;

constexpr char kKey[] = "SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane";

class WindowsRegistryJni : public ::testing::Test {
protected:
    void SetUp() override {
        env_ = Jvm(TestClassPath(), TestLibraryPath());
        ASSERT_NE(env_, nullptr) << "no JVM";
        work_ = fs::temp_directory_path() /
                ("orv-regkey-" + std::to_string(getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(work_);
        fs::create_directories(work_);
        file_ = work_ / "registry.reg";
        setenv("ORV_REGISTRY", file_.c_str(), 1);
        jclass cls = env_->FindClass("com/orv/registry/WindowsRegistry");
        ASSERT_NE(cls, nullptr);
        jmethodID available = env_->GetStaticMethodID(cls, "isNativeAvailable", "()Z");
        ASSERT_TRUE(env_->CallStaticBooleanMethod(cls, available));
        registry_ = env_->NewGlobalRef(env_->NewObject(cls, env_->GetMethodID(cls, "<init>", "()V")));
        create_ = env_->GetMethodID(cls, "CreateLocalMachineKey",
                                    "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;)I");
        delete_ = env_->GetMethodID(cls, "DeleteLocalMachineKey", "(Ljava/lang/String;)I");
        env_->DeleteLocalRef(cls);
    }
    void TearDown() override {
        if (env_ != nullptr && registry_ != nullptr) env_->DeleteGlobalRef(registry_);
        chmod(file_.c_str(), 0600);
        fs::remove_all(work_);
    }

    jstring Str(const char* text) { return text != nullptr ? env_->NewStringUTF(text) : nullptr; }

    jint Create(const char* key, const char* name, const char* value) {
        env_->PushLocalFrame(8);
        const jint result = env_->CallIntMethod(registry_, create_, Str(key), Str(name), Str(value));
        EXPECT_FALSE(env_->ExceptionCheck());
        env_->PopLocalFrame(nullptr);
        return result;
    }
    jint Delete(const char* key) {
        env_->PushLocalFrame(8);
        const jint result = env_->CallIntMethod(registry_, delete_, Str(key));
        EXPECT_FALSE(env_->ExceptionCheck());
        env_->PopLocalFrame(nullptr);
        return result;
    }

    // The value as the registry reads it back; "<missing>" when it is not there.
    static std::string Value(const char* key, const char* name, DWORD* size = nullptr) {
        HKEY handle = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
            return "<missing>";
        char data[256] = {};
        DWORD type = 0, length = sizeof data;
        const LSTATUS status =
            RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &length);
        RegCloseKey(handle);
        if (status != ERROR_SUCCESS || type != REG_SZ) return "<missing>";
        if (size != nullptr) *size = length;
        return data;
    }
    static bool KeyExists(const char* key) {
        HKEY handle = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
            return false;
        RegCloseKey(handle);
        return true;
    }
    std::string FileText() const {
        std::ifstream in(file_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    JNIEnv* env_ = nullptr;
    jobject registry_ = nullptr;
    jmethodID create_ = nullptr, delete_ = nullptr;
    fs::path work_, file_;
};

TEST_F(WindowsRegistryJni, CreateMakesTheKeyWithItsParentsAndTheValue) {
    EXPECT_EQ(Create(kKey, "Classpath", "/opt/orv/lib"), 0);
    DWORD size = 0;
    EXPECT_EQ(Value(kKey, "Classpath", &size), "/opt/orv/lib");
    EXPECT_EQ(size, 13u);  // the terminating zero counts
    EXPECT_TRUE(KeyExists("SOFTWARE\\OLEforRetail"));
    const std::string text = FileText();
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane]"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\"Classpath\"=\"/opt/orv/lib\""), std::string::npos) << text;
}

TEST_F(WindowsRegistryJni, CreateOnAnExistingKeyAddsAValueAndAgainOverwritesIt) {
    ASSERT_EQ(Create(kKey, "Classpath", "/a"), 0);
    EXPECT_EQ(Create(kKey, "Logpath", "/logs"), 0);
    EXPECT_EQ(Value(kKey, "Classpath"), "/a");
    EXPECT_EQ(Value(kKey, "Logpath"), "/logs");
    EXPECT_EQ(Create(kKey, "Logpath", "/other"), 0);
    EXPECT_EQ(Value(kKey, "Logpath"), "/other");
    EXPECT_EQ(Value(kKey, "Classpath"), "/a");
}

TEST_F(WindowsRegistryJni, EmptyValueNameWritesTheDefaultValue) {
    EXPECT_EQ(Create("SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\P1", "", "ORVPin.so"), 0);
    EXPECT_EQ(Value("SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\P1", nullptr), "ORVPin.so");
    EXPECT_NE(FileText().find("@=\"ORVPin.so\""), std::string::npos) << FileText();
}

TEST_F(WindowsRegistryJni, DeleteRemovesAKeyWithoutSubkeys) {
    ASSERT_EQ(Create(kKey, "Classpath", "/a"), 0);
    EXPECT_EQ(Delete(kKey), 0);
    EXPECT_FALSE(KeyExists(kKey));
    EXPECT_TRUE(KeyExists("SOFTWARE\\OLEforRetail\\ServiceInfo"));  // only the key itself goes
}

TEST_F(WindowsRegistryJni, DeleteRefusesAMissingKeyAndOneWithSubkeys) {
    EXPECT_EQ(Delete("SOFTWARE\\Nowhere"), 1);
    ASSERT_EQ(Create(kKey, "Classpath", "/a"), 0);
    EXPECT_EQ(Delete("SOFTWARE\\OLEforRetail\\ServiceInfo"), 1);
    EXPECT_TRUE(KeyExists(kKey));
    EXPECT_EQ(Value(kKey, "Classpath"), "/a");
}

TEST_F(WindowsRegistryJni, WithoutWritePermissionNothingChanges) {
    ASSERT_EQ(Create(kKey, "Classpath", "/a"), 0);
    const std::string before = FileText();
    ASSERT_EQ(chmod(file_.c_str(), 0444), 0);  // as a non-administrator sees HKLM
    EXPECT_EQ(Create(kKey, "Classpath", "/b"), 1);
    EXPECT_EQ(Create("SOFTWARE\\New", "x", "y"), 1);
    EXPECT_EQ(Delete(kKey), 1);
    EXPECT_EQ(FileText(), before);
    EXPECT_EQ(Value(kKey, "Classpath"), "/a");
}

TEST_F(WindowsRegistryJni, MissingArgumentsGiveTheirCodes) {
    EXPECT_EQ(Create(nullptr, "x", "y"), 1);
    EXPECT_EQ(Create(kKey, "Classpath", nullptr), 2);
    EXPECT_TRUE(KeyExists(kKey));  // the key was made before the value failed
    EXPECT_EQ(Create(kKey, nullptr, "default"), 0);
    EXPECT_EQ(Value(kKey, nullptr), "default");
    EXPECT_EQ(Delete(nullptr), 1);
    EXPECT_EQ(Delete(""), 1);
    EXPECT_TRUE(KeyExists(kKey));
}

TEST(RegKeyLibExports, ExactlyTheTwoNatives) {
    const char* library = std::getenv("ORV_REGKEY_LIBRARY");
    ASSERT_NE(library, nullptr);
    FILE* pipe = popen((std::string("nm -D --defined-only ") + library).c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::string text(line);
        text = text.substr(text.find(' ', text.find(' ') + 1) + 1);
        while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
        names.insert(text);
    }
    ASSERT_EQ(pclose(pipe), 0);
    EXPECT_EQ(names, (std::set<std::string>{
                         "Java_com_orv_registry_WindowsRegistry_CreateLocalMachineKey",
                         "Java_com_orv_registry_WindowsRegistry_DeleteLocalMachineKey"}));
}

}  // namespace
