// The test's own door into the process's JVM (the one a service object started): static Java
// calls for the simulator (com.orv.sim.SimControl), the probe and scripted controls, and the
// process's stdout captured to find -Xcheck:jni warnings.
#pragma once

#include <jni.h>

#include <cstdint>
#include <string>

namespace orv::so::test {

// The calling thread's JNIEnv; null when no JVM runs.
JNIEnv* Env();
bool JvmRunning();

// Static calls by class (JNI name), method and signature. A Java exception fails the test.
std::string CallStaticString(const char* cls, const char* method, const char* sig, ...);
int64_t CallStaticLong(const char* cls, const char* method, const char* sig, ...);
int32_t CallStaticInt(const char* cls, const char* method, const char* sig, ...);
void CallStaticVoid(const char* cls, const char* method, const char* sig, ...);
// A global reference of what a static method returns (delete with DeleteGlobal).
jobject CallStaticObject(const char* cls, const char* method, const char* sig, ...);
void DeleteGlobal(jobject o);
jstring JavaString(const std::string& text);  // local reference

// com.orv.sim.SimControl.command: "OK ..." or "ERR ...".
std::string Sim(const std::string& command);

// Redirects file descriptor 1 (or stream, 2 for the debugger output) into a file until
// Stop(); the JVM's warnings go there.
class StdoutCapture {
public:
    explicit StdoutCapture(const std::string& path, int stream = 1);
    ~StdoutCapture();
    std::string Stop();  // restores the stream, returns what was written

private:
    std::string path_;
    int stream_ = 1;
    int saved_ = -1;
};

}  // namespace orv::so::test
