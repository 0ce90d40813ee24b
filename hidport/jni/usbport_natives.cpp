// The natives of com.orv.comm.USBPort and the device callbacks that call the port object back.
// Results are the port's small codes; no C++ exception and no Java exception of our own leaves
// a native.
#include <jni.h>

#include <algorithm>
#include <string>

#include "hidport/orvhid.h"
#include "jni_refs.h"
#include "port_table.h"

using namespace orv::hidport::jni;

namespace {

enum OpenResult : jint {
    kOpened = 0,
    kNoJavaVm = 1,
    kNoGlobalRef = 2,
    kNoClass = 3,
    kNoRecvOccurred = 4,
    kNoErrorOccurred = 5,
    kDeviceNotOpened = 6,
    kNoLogFile = 7,
};

constexpr jint kPieceSize = 30000;
constexpr char kReaderThreadName[] = "HidPortLib reader";

void OnReceive(unsigned char* data, ULONG length, void* handle) {
    try {
        auto record = FindPort(handle);
        if (!record) return;  // the probe's reader, or a port being closed
        JNIEnv* env = EnvForCurrentThread(record->vm, kReaderThreadName);
        if (env == nullptr) return;
        LocalRef<jbyteArray> bytes(env, env->NewByteArray(jsize(length)));
        if (!bytes) {
            ClearPendingException(env);
            return;
        }
        env->SetByteArrayRegion(bytes.get(), 0, jsize(length),
                                reinterpret_cast<const jbyte*>(data));
        env->CallVoidMethod(record->port.get(), record->recvOccurred, bytes.get());
        ClearPendingException(env);
    } catch (...) {
    }
}

// The device layer's callback type passes the message by value.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
void OnError(int code, std::string message, void* handle) {
    try {
        auto record = FindPort(handle);
        if (!record || record->errorOccurred == nullptr) return;
        JNIEnv* env = EnvForCurrentThread(record->vm, kReaderThreadName);
        if (env == nullptr) return;
        LocalRef<jstring> text(env, env->NewStringUTF(message.c_str()));
        if (!text) {
            ClearPendingException(env);
            return;
        }
        env->CallVoidMethod(record->port.get(), record->errorOccurred, jint(code), text.get());
        ClearPendingException(env);
    } catch (...) {
    }
}

bool OnThreadStart() {
    return true;
}

// Leaves the log open only while some port is open.
struct LogGuard {
    bool keep = false;
    ~LogGuard() {
        if (!keep) CloseLogIfUnused();
    }
};

jint Open(JNIEnv* env, jobject self, jstring productName, jstring serialNumber) {
    if (!OpenLog()) return kNoLogFile;
    LogGuard log;
    const StringChars product(env, productName);
    const StringChars serial(env, serialNumber);
    if (!product.ok() || !serial.ok()) {
        ClearPendingException(env);
        return kDeviceNotOpened;
    }
    JavaVM* vm = nullptr;
    if (env->GetJavaVM(&vm) != JNI_OK || vm == nullptr) return kNoJavaVm;
    jobject global = env->NewGlobalRef(self);
    if (global == nullptr) return kNoGlobalRef;
    auto record = std::make_shared<PortRecord>(vm, global);  // owns the reference from here
    LocalRef<jclass> portClass(env, env->GetObjectClass(record->port.get()));
    if (!portClass) return kNoClass;
    record->recvOccurred = env->GetMethodID(portClass.get(), "recvOccurred", "([B)V");
    if (record->recvOccurred == nullptr) {
        env->ExceptionClear();  // NoSuchMethodError: Open answers with its code instead
        return kNoRecvOccurred;
    }
    record->errorOccurred =
        env->GetMethodID(portClass.get(), "errorOccurred", "(ILjava/lang/String;)V");
    if (record->errorOccurred == nullptr) {
        env->ExceptionClear();
        return kNoErrorOccurred;
    }
    void* handle = nullptr;
    if (!orvhidOpenDevice(product.c_str(), serial.c_str(), OnReceive, OnError, OnThreadStart,
                          handle))
        return kDeviceNotOpened;
    InsertPort(handle, std::move(record));
    log.keep = true;
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
    CloseLogIfUnused();
    return closed ? 1 : 0;
}

jint Write(JNIEnv* env, jobject self, jbyteArray data, jint length) {
    void* handle = nullptr;
    if (!FindPortOf(env, self, handle, false)) return 0;
    if (data == nullptr || length <= 0) return 0;
    // Never read past the array, whatever length says.
    length = std::min(length, env->GetArrayLength(data));
    const ByteElements bytes(env, data);
    if (bytes.data() == nullptr) {
        ClearPendingException(env);
        return 0;
    }
    jint sent = 0;
    for (jint offset = 0; offset < length; offset += kPieceSize) {
        const jint piece = std::min(kPieceSize, length - offset);
        if (!orvhidWriteToDevice(handle, bytes.data() + offset, ULONG(piece))) break;
        sent += piece;
    }
    return sent;
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
