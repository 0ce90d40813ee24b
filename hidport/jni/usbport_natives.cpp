// The natives of com.orv.comm.USBPort and the device callbacks that call the port object back.
// Results are the port's small codes; no C++ exception and no Java exception of our own leaves
// a native.
#include <jni.h>

#include <string>

#include "hidport/orvhid.h"
#include "jni_support/java_port.h"
#include "jni_support/jni_refs.h"
#include "jni_support/jni_thread.h"
#include "jni_support/write_pieces.h"
#include "port_table.h"

using namespace orv::hidport::jni;
using namespace orv::jni;

namespace {

constexpr jint kDeviceNotOpened = kPortNotOpened;
constexpr jint kPieceSize = 30000;
constexpr char kReaderThreadName[] = "HidPortLib reader";
constexpr char kReleaseThreadName[] = "HidPortLib release";

void OnReceive(unsigned char* data, ULONG length, void* handle) {
    try {
        auto record = FindPort(handle);
        if (!record) return;  // the probe's reader, or a port being closed
        DeliverData(*record, kReaderThreadName, data, jsize(length));
    } catch (...) {
    }
}

// The device layer's callback type passes the message by value.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
void OnError(int code, std::string message, void* handle) {
    try {
        auto record = FindPort(handle);
        if (!record) return;
        DeliverError(*record, kReaderThreadName, jint(code), message.c_str());
    } catch (...) {
    }
}

bool OnThreadStart() {
    return true;
}

jint Open(JNIEnv* env, jobject self, jstring productName, jstring serialNumber) {
    if (!Ports().OpenLog()) return kNoLogFile;
    PortsByHandle::LogGuard log(Ports());
    const StringChars product(env, productName);
    const StringChars serial(env, serialNumber);
    if (!product.ok() || !serial.ok()) {
        ClearPendingException(env);
        return kDeviceNotOpened;
    }
    std::shared_ptr<PortRecord> record;
    if (const jint bound = BindJavaPort(env, self, kReleaseThreadName, record); bound != kOpened)
        return bound;
    void* handle = nullptr;
    if (!orvhidOpenDevice(product.c_str(), serial.c_str(), OnReceive, OnError, OnThreadStart,
                          handle))
        return kDeviceNotOpened;
    InsertPort(handle, std::move(record));
    log.Keep();
    return kOpened;
}

jint Close(JNIEnv* env, jobject self) {
    void* handle = nullptr;
    // Out of the table first: callbacks for a closing port are dropped, and the record (with
    // its global reference) goes once the last callback using it has returned.
    auto record = FindPortOf(env, self, handle, true);
    if (!record) return 0;
    const bool closed = orvhidCloseDevice(handle);
    record.reset();
    Ports().CloseLogIfUnused();
    return closed ? 1 : 0;
}

jint Write(JNIEnv* env, jobject self, jbyteArray data, jint length) {
    void* handle = nullptr;
    if (!FindPortOf(env, self, handle, false)) return 0;
    length = WritableLength(env, data, length);
    if (length == 0) return 0;
    const ByteElements bytes(env, data);
    if (bytes.data() == nullptr) {
        ClearPendingException(env);
        return 0;
    }
    return SendInPieces(length, kPieceSize, [&](jint offset, jint piece) {
        return orvhidWriteToDevice(handle, bytes.data() + offset, ULONG(piece));
    });
}

}  // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_com_orv_comm_USBPort_Open(JNIEnv* env, jobject self,
                                                      jstring productName, jstring serialNumber) {
    try {
        return Open(env, self, productName, serialNumber);
    } catch (...) {
        return kDeviceNotOpened;
    }
}

JNIEXPORT jint JNICALL Java_com_orv_comm_USBPort_Close(JNIEnv* env, jobject self) {
    try {
        return Close(env, self);
    } catch (...) {
        return 0;
    }
}

JNIEXPORT jint JNICALL Java_com_orv_comm_USBPort_Write(JNIEnv* env, jobject self, jbyteArray data,
                                                       jint length) {
    try {
        return Write(env, self, data, length);
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
