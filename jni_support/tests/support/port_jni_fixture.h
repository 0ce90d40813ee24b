// What the JNI tests of the two port bindings share: the JVM, a private working folder for each
// test (the bindings write their logs into the current folder), Java port objects of the
// binding's recording test class (a subclass of its port class with a CallbackLog `log`), its
// natives called through Java, what its callbacks delivered, and the log handles the library
// holds. The binding's own test adds Open, which differs from port to port.
#pragma once

#include <jni.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orv::jni::test {

using ByteVector = std::vector<unsigned char>;

struct PortBinding {
    const char* recordingClass;  // e.g. "com/orv/hidtest/RecordingPort"
    const char* testJar;         // the binding's test classes, in the build's tests/java
    const char* library;         // the native library's file, in the build's lib folder
    const char* logFile;         // the library's log, in the current folder
    const char* callbackThread;  // the name the library's delivering thread has in Java
    const char* workPrefix;      // of each test's folder in the temporary folder
};

class PortJniTest : public ::testing::Test {
protected:
    explicit PortJniTest(const PortBinding& binding) : binding_(binding) {}

    void SetUp() override;
    void TearDown() override;

    // The calling thread's env (attached when it is another thread of the test).
    JNIEnv* ThreadEnv() const;

    // A new port object of the recording class (or another one), closed and released after the
    // test. Null when it cannot be made.
    jobject NewPort(const char* className = nullptr);
    // An int method of the port object through Java, with a pending exception a test failure.
    static jint CallInt(JNIEnv* env, jobject port, const char* name, const char* signature, ...);
    jint Close(jobject port);
    // Write with an array of these bytes and the given length.
    jint Write(jobject port, const ByteVector& bytes, jint length);

    // The next block the port received, or nothing after `ms`.
    std::optional<ByteVector> NextData(jobject port, jlong ms = 5000);
    // The next error as "code:message", or "" after `ms`.
    std::string NextError(jobject port, jlong ms = 5000);
    // From the port's CallbackLog: the callbacks' threads joined by '|', whether the last one
    // ran on a daemon thread; and making the next recvOccurred throw.
    std::string CallbackThreads(jobject port);
    bool CallbackOnDaemon(jobject port);
    void RefuseNextBlock(jobject port);
    // Live Java threads with the name of the library's delivering thread.
    int LiveCallbackThreads();

    // A native of the library (already loaded by the port class), for receivers that are not
    // port objects. Null when not found.
    template <class Function>
    Function Native(const char* symbol) const {
        return reinterpret_cast<Function>(NativeSymbol(symbol));
    }
    // Open file handles of the process on the library's log.
    int OpenLogHandles() const;

    JNIEnv* env_ = nullptr;
    std::filesystem::path work_;

private:
    void* NativeSymbol(const char* symbol) const;
    // port.awaitXxx(ms, MILLISECONDS) (a local reference; null after `ms` or on an exception).
    jobject Await(jobject port, const char* method, const char* resultType, jlong ms);
    jobject CallbackLogOf(jobject port);  // a local reference

    const PortBinding& binding_;
    std::filesystem::path home_;
    std::vector<jobject> ports_;
};

}  // namespace orv::jni::test
