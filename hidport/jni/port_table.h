// Java port objects with an open device: one record per open, keyed by device handle, and the
// one "usbjni.log" handle they share.
#pragma once

#include <jni.h>

#include <map>
#include <memory>

#include "jni_support/java_port.h"
#include "jni_support/port_table.h"

namespace orv::hidport::jni {

using PortRecord = orv::jni::JavaPort;
using PortsByHandle = orv::jni::PortTable<std::map<void*, std::shared_ptr<PortRecord>>>;

// The process's table. Never destroyed: reader threads may deliver while the process exits.
PortsByHandle& Ports();

// Adds the record of an open; a record already under that handle (a device that closed itself
// on unplug, whose handle value came back) is replaced.
void InsertPort(void* handle, std::shared_ptr<PortRecord> record);
// The record under a handle (callbacks).
std::shared_ptr<PortRecord> FindPort(void* handle);
// The first record, in handle order, of this Java object, and its handle; `remove` takes it
// out of the table.
std::shared_ptr<PortRecord> FindPortOf(JNIEnv* env, jobject port, void*& handle, bool remove);

}  // namespace orv::hidport::jni
