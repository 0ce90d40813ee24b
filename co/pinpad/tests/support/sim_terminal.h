// The simulated terminal of this process, reached from native code through the JVM that the
// PIN pad service object started: text commands (com.orv.sim.SimControl.command) and events
// raised on a calling thread attached to the JVM, the way the terminal's own event thread
// raises them (the device's callbacks object relays them to the service object's natives).
#pragma once

#include <jni.h>

#include <cstdint>
#include <string>

namespace orv::co::test {

class SimTerminal {
public:
    // True when a JVM runs in this process.
    static bool Available();
    // Runs a simulator command; its answer ("OK ..." / "ERR ..."), or "JNI: <what failed>".
    static std::string Command(const std::string& line);
};

// Raises events on one claimed device from the calling thread (attached to the JVM as a daemon
// thread on first use). Resolve once on any thread, raise from many.
class JavaEventRaiser {
public:
    // False from Ready() when the device is not claimed in this process or JNI fails.
    explicit JavaEventRaiser(const std::string& device);
    ~JavaEventRaiser();
    JavaEventRaiser(const JavaEventRaiser&) = delete;
    JavaEventRaiser& operator=(const JavaEventRaiser&) = delete;

    bool Ready() const { return callbacks_ != nullptr; }
    // Each returns when the service object's native has returned, that is when the control has
    // fired the event to the application (or dropped it).
    bool Data(int32_t status);
    bool StatusUpdate(int32_t status);

private:
    bool Relay(jclass eventClass, jmethodID constructor, int32_t status);

    jobject source_ = nullptr;      // global: the device's jpos control
    jobject callbacks_ = nullptr;   // global: its OposEventCallbacks
    jclass dataEvent_ = nullptr;    // global
    jclass statusEvent_ = nullptr;  // global
    jmethodID dataInit_ = nullptr;
    jmethodID statusInit_ = nullptr;
    jmethodID relay_ = nullptr;
};

}  // namespace orv::co::test
