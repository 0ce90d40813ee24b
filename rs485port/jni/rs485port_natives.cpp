// The natives of com.orv.comm.Rs485PortLibPort over the transport API, and the transport
// callbacks that read announced data and hand it (or an error) to the Java port object on the
// worker thread. No C++ exception and no Java exception of our own leaves a native.
#include <jni.h>

#include <algorithm>
#include <vector>

#include "jni_refs.h"
#include "port_list.h"
#include "rs485port/transport.h"

using namespace orv::rs485::jni;

namespace {

enum OpenResult : jint {
    kOpened = 0,
    kNoJavaVm = 1,
    kNoGlobalRef = 2,
    kNoClass = 3,
    kNoRecvOccurred = 4,
    kNoErrorOccurred = 5,
    kTransportNotOpened = 6,
    kNoLogFile = 7,
};

constexpr jint kPieceSize = TR_MAX_WRITE;
constexpr char kWorkerThreadName[] = "Rs485PortLib worker";
constexpr char kReadFailedText[] = "Failed To Read Bytes in OnReceive";

void DeliverError(const PortRecord& record, int code, const char* text) {
    if (record.errorOccurred == nullptr) return;
    JNIEnv* env = EnvForCurrentThread(record.vm, kWorkerThreadName);
    if (env == nullptr) return;
    LocalRef<jstring> message(env, env->NewStringUTF(text != nullptr ? text : ""));
    if (!message) {
        ClearPendingException(env);
        return;
    }
    env->CallVoidMethod(record.port.get(), record.errorOccurred, jint(code), message.get());
    ClearPendingException(env);
}

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
            JNIEnv* env = EnvForCurrentThread(record->vm, kWorkerThreadName);
            if (env == nullptr) return;
            // Exactly what was read: less than announced when part was read meanwhile.
            LocalRef<jbyteArray> array(env, env->NewByteArray(jsize(bytesRead)));
            if (!array) {
                ClearPendingException(env);
                return;
            }
            env->SetByteArrayRegion(array.get(), 0, jsize(bytesRead),
                                    reinterpret_cast<const jbyte*>(bytes.data()));
            env->CallVoidMethod(record->port.get(), record->recvOccurred, array.get());
            ClearPendingException(env);
        } else if (!(read != 0 && status == TR_SUCCESS && bytesRead == 0)) {
            // (Nothing held any more is no failure: another reader was first.)
            DeliverError(*record, 0, kReadFailedText);
        }
    } catch (...) {
    }
}

void OnError(int code, char* text, int deviceSlot) {
    try {
        auto record = FindPortByHandle(deviceSlot + 1);
        if (!record) return;
        DeliverError(*record, code, text);
    } catch (...) {
    }
}

// Leaves the log open only while some port is open.
struct LogGuard {
    bool keep = false;
    ~LogGuard() {
        if (!keep) CloseLogIfUnused();
    }
};

jint Open(JNIEnv* env, jobject self, jint slotNumber, jint portNumber, jint deviceId,
          jint initialize) {
    if (!OpenLog()) return kNoLogFile;
    LogGuard log;
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
    log.keep = true;
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
    CloseLogIfUnused();
    return closed;
}

jint Write(JNIEnv* env, jobject self, jbyteArray data, jint length) {
    auto record = FindPortOf(env, self, false);
    if (!record) return 0;
    if (data == nullptr || length <= 0) return 0;
    // Never read past the array, whatever length says.
    length = std::min(length, env->GetArrayLength(data));
    std::vector<unsigned char> bytes(static_cast<size_t>(length));
    env->GetByteArrayRegion(data, 0, length, reinterpret_cast<jbyte*>(bytes.data()));
    if (ClearPendingException(env)) return 0;
    jint queued = 0;
    // Each piece after the first waits inside Transport_Write until the previous one is sent.
    for (jint offset = 0; offset < length; offset += kPieceSize) {
        const jint piece = std::min(kPieceSize, length - offset);
        int status = 0;
        if (Transport_Write(record->handle, bytes.data() + offset, unsigned(piece), &status) == 0)
            break;
        queued += piece;
    }
    return queued;
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
