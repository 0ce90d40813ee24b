// The natives of com.orv.registry.WindowsRegistry: create a key under HKEY_LOCAL_MACHINE with one
// string value, and delete a key. The strings go to the ANSI registry functions as the modified
// UTF-8 the VM gives, unconverted. Results are the class's small codes; nothing is thrown.
#include <jni.h>

#include <cstring>

#include "jni_support/jni_refs.h"
#include "platform/handles.h"
#include "platform/registry.h"

using orv::UniqueHkey;
using orv::jni::StringChars;

namespace {

enum CreateResult : jint { kCreated = 0, kKeyFailed = 1, kValueFailed = 2 };
enum DeleteResult : jint { kDeleted = 0, kDeleteFailed = 1 };


jint CreateKey(JNIEnv* env, jstring subKey, jstring valueName, jstring value) {
    const StringChars key(env, subKey);
    const StringChars name(env, valueName);
    const StringChars text(env, value);
    if (env->ExceptionCheck()) {  // out of memory for the characters
        env->ExceptionClear();
        return kKeyFailed;
    }
    // A missing key name would make the root itself the key.
    if (key.Get() == nullptr) return kKeyFailed;
    UniqueHkey handle;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.Get(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, handle.out(), nullptr) != ERROR_SUCCESS)
        return kKeyFailed;
    if (text.Get() == nullptr) return kValueFailed;
    // A null name, like an empty one, writes the key's default value.
    const DWORD size = DWORD(std::strlen(text.Get()) + 1);
    if (RegSetValueExA(handle.get(), name.Get(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(text.Get()), size) != ERROR_SUCCESS)
        return kValueFailed;
    return kCreated;
}

jint DeleteKey(JNIEnv* env, jstring subKey) {
    const StringChars key(env, subKey);
    if (env->ExceptionCheck()) {
        env->ExceptionClear();
        return kDeleteFailed;
    }
    if (key.Get() == nullptr || key.Get()[0] == '\0') return kDeleteFailed;  // never the root
    return RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.Get()) == ERROR_SUCCESS ? kDeleted : kDeleteFailed;
}

}  // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_com_orv_registry_WindowsRegistry_CreateLocalMachineKey(
    JNIEnv* env, jobject, jstring subKey, jstring valueName, jstring value) {
    try {
        return CreateKey(env, subKey, valueName, value);
    } catch (...) {
        return kKeyFailed;
    }
}

JNIEXPORT jint JNICALL Java_com_orv_registry_WindowsRegistry_DeleteLocalMachineKey(JNIEnv* env,
                                                                                   jobject,
                                                                                   jstring subKey) {
    try {
        return DeleteKey(env, subKey);
    } catch (...) {
        return kDeleteFailed;
    }
}

}  // extern "C"
