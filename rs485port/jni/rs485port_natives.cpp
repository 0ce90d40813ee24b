// The natives of com.orv.comm.Rs485PortLibPort over the transport API, and the transport
// callbacks that read announced data and hand it (or an error) to the Java port object on the
// worker thread. No C++ exception and no Java exception of our own leaves a native.
#include <jni.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "jni_support/java_port.h"
#include "jni_support/jni_thread.h"
#include "jni_support/write_pieces.h"
#include "device_io.h"
#include "port_list.h"
#include "rs485port/transport.h"

using namespace orv::rs485::jni;
using namespace orv::jni;

namespace {

constexpr jint kTransportNotOpened = kPortNotOpened;
constexpr char kWorkerThreadName[] = "Rs485PortLib worker";
constexpr char kReleaseThreadName[] = "Rs485PortLib release";
constexpr char kReadFailedText[] = "Failed To Read Bytes in OnReceive";

void OnReceive(int bytesAvailable, int handle) {
    try {
        auto record = FindPortByHandle(handle);
        if (!record) return;  // a port being closed: its data is neither read nor delivered
        std::vector<unsigned char> bytes(size_t(std::max(bytesAvailable, 0)));
        int bytesRead = 0;
        int status = 0;
        const int read =
            bytes.empty() ? 0
                          : Transport_Read(handle, bytes.data(), unsigned(bytes.size()),
                                           &bytesRead, &status);
        if (read != 0 && status == TR_SUCCESS && bytesRead > 0) {
            // Exactly what was read: less than announced when part was read meanwhile.
            DeliverData(*record, kWorkerThreadName, bytes.data(), jsize(bytesRead));
        } else if (!(read != 0 && status == TR_SUCCESS && bytesRead == 0)) {
            // (Nothing held any more is no failure: another reader was first.)
            DeliverError(*record, kWorkerThreadName, 0, kReadFailedText);
        }
    } catch (...) {
    }
}

void OnError(int code, char* text, int deviceSlot) {
    try {
        auto record = FindPortByHandle(deviceSlot + 1);
        if (!record) return;
        DeliverError(*record, kWorkerThreadName, code, text);
    } catch (...) {
    }
}

jint Open(JNIEnv* env, jobject self, jint slotNumber, jint portNumber, jint deviceId,
          jint initialize) {
    if (!Ports().OpenLog()) return kNoLogFile;
    PortsInOpeningOrder::LogGuard log(Ports());
    std::shared_ptr<PortRecord> record;
    if (const jint bound = BindJavaPort(env, self, kReleaseThreadName, record); bound != kOpened)
        return bound;
    int handle = 0;
    int status = 0;
    const int opened = Transport_Open(&handle, unsigned(slotNumber), unsigned(portNumber),
                                      unsigned(deviceId), initialize != 0 ? 1 : 0, nullptr,
                                      &status, OnReceive, OnError);
    if (opened == 0) return kTransportNotOpened;
    if (status != 0) {  // an open that reports a status is not trusted: give the device back
        Transport_Close(handle, &status);
        return kTransportNotOpened;
    }
    record->handle = handle;
    AppendPort(std::move(record));
    log.Keep();
    return kOpened;
}

jint Close(JNIEnv* env, jobject self) {
    // Off the list first: data announced for a closing port is dropped, and the record (with
    // its global reference) goes once the last callback using it has returned.
    auto record = FindPortOf(env, self, true);
    if (!record) return 0;
    int status = 0;
    const int closed = Transport_Close(record->handle, &status);
    record.reset();
    Ports().CloseLogIfUnused();
    return closed;
}

jint Write(JNIEnv* env, jobject self, jbyteArray data, jint length) {
    auto record = FindPortOf(env, self, false);
    if (!record) return 0;
    length = WritableLength(env, data, length);
    if (length == 0) return 0;
    // Not zeroed first: every byte is copied over at once (megabytes from a long write).
    const std::unique_ptr<unsigned char[]> bytes(new unsigned char[size_t(length)]);
    env->GetByteArrayRegion(data, 0, length, reinterpret_cast<jbyte*>(bytes.get()));
    if (ClearPendingException(env)) return 0;
    // Requests of up to 1,024 bytes, each queued once the previous one has ended, as a loop of
    // Transport_Write would; after the first the worker queues them itself.
    return jint(orv::rs485::QueueWriteInRequests(orv::rs485::Transport::Get(), record->handle,
                                                 bytes.get(), uint32_t(length)));
}

}  // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_com_orv_comm_Rs485PortLibPort_Open(JNIEnv* env, jobject self,
                                                               jint slotNumber, jint portNumber,
                                                               jint deviceId, jint initialize) {
    try {
        return Open(env, self, slotNumber, portNumber, deviceId, initialize);
    } catch (...) {
        return kTransportNotOpened;
    }
}

JNIEXPORT jint JNICALL Java_com_orv_comm_Rs485PortLibPort_Close(JNIEnv* env, jobject self) {
    try {
        return Close(env, self);
    } catch (...) {
        return 0;
    }
}

JNIEXPORT jint JNICALL Java_com_orv_comm_Rs485PortLibPort_Write(JNIEnv* env, jobject self,
                                                                jbyteArray data, jint length) {
    try {
        return Write(env, self, data, length);
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
