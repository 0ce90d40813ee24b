// Java port objects with an open transport device, in opening order, and the one
// "pos485ni.log" handle they share. Guarded: ports open and close from any Java thread while the
// worker looks them up.
#pragma once

#include <jni.h>

#include <memory>

#include "jni_refs.h"

namespace orv::rs485::jni {

struct PortRecord {
    PortRecord(JavaVM* vm, jobject port) : port(vm, port), vm(vm) {}
    int handle = 0;  // the transport's (1 to 4)
    GlobalRef port;
    jmethodID recvOccurred = nullptr;
    jmethodID errorOccurred = nullptr;
    JavaVM* vm;
};

void AppendPort(std::shared_ptr<PortRecord> record);
// The record of a transport handle (callbacks).
std::shared_ptr<PortRecord> FindPortByHandle(int handle);
// The first record, in opening order, of this Java object; `remove` takes it off the list.
std::shared_ptr<PortRecord> FindPortOf(JNIEnv* env, jobject port, bool remove);

// "pos485ni.log" in the current folder, opened ("wt") by each Open; false when it cannot be.
bool OpenLog();
// Closes the log once no port is open any more.
void CloseLogIfUnused();

}  // namespace orv::rs485::jni
