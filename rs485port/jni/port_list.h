// Java port objects with an open transport device, in opening order, and the one
// "pos485ni.log" handle they share.
#pragma once

#include <jni.h>

#include <list>
#include <memory>

#include "jni_support/java_port.h"
#include "jni_support/port_table.h"

namespace orv::rs485::jni {

struct PortRecord : orv::jni::JavaPort {
    using JavaPort::JavaPort;
    int handle = 0;  // the transport's (1 to 4)
};
using PortsInOpeningOrder = orv::jni::PortTable<std::list<std::shared_ptr<PortRecord>>>;

// The process's list. Never destroyed: the worker may deliver while the process exits.
PortsInOpeningOrder& Ports();

void AppendPort(std::shared_ptr<PortRecord> record);
// The record of a transport handle (callbacks).
std::shared_ptr<PortRecord> FindPortByHandle(int handle);
// The first record, in opening order, of this Java object; `remove` takes it off the list.
std::shared_ptr<PortRecord> FindPortOf(JNIEnv* env, jobject port, bool remove);

}  // namespace orv::rs485::jni
