// Java port objects with an open device: one record per open, keyed by device handle, and the
// one "usbjni.log" handle they share.
#pragma once

#include <jni.h>

#include <memory>

#include "jni_refs.h"

namespace orv::hidport::jni {

struct PortRecord {
    PortRecord(JavaVM* vm, jobject port) : port(vm, port), vm(vm) {}
    GlobalRef port;
    jmethodID recvOccurred = nullptr;
    jmethodID errorOccurred = nullptr;
    JavaVM* vm;
};

// Adds the record of an open; a record already under that handle (a device that closed itself
// on unplug, whose handle value came back) is replaced.
void InsertPort(void* handle, std::shared_ptr<PortRecord> record);
// The record under a handle (callbacks).
std::shared_ptr<PortRecord> FindPort(void* handle);
// The first record, in handle order, of this Java object; `remove` takes it out of the table.
std::shared_ptr<PortRecord> FindPortOf(JNIEnv* env, jobject port, void*& handle, bool remove);

// "usbjni.log" in the current folder, opened ("wt") by each Open; false when it cannot be.
bool OpenLog();
// Closes the log when no port is open any more (it is closed once, whatever the number of
// ports that shared it).
void CloseLogIfUnused();

}  // namespace orv::hidport::jni
