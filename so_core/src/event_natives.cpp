#include "so_core/event_natives.h"

#include <mutex>
#include <optional>

#include "platform/win32.h"
#include "so_core/java_text.h"
#include "so_core/opos_jni.h"

namespace orv::so {
namespace {

constexpr const char* kMethods[5][2] = {
    {"oposDataEventOccurred", "(Ljpos/events/DataEvent;)V"},
    {"oposErrorEventOccurred", "(Ljpos/events/ErrorEvent;)V"},
    {"oposStatusUpdateEventOccurred", "(Ljpos/events/StatusUpdateEvent;)V"},
    {"oposOutputCompleteEventOccurred", "(Ljpos/events/OutputCompleteEvent;)V"},
    {"oposDirectIOEventOccurred", "(Ljpos/events/DirectIOEvent;)V"},
};
constexpr char kBaseClass[] = "com/orv/jpos/OposEventCallbacks";
constexpr char kMarkBound[] = "nativesRegistered";
constexpr size_t kPathLimit = 1023;

// One per library: each library has its own copy of this core and its own callbacks class.
struct LibraryNatives {
    std::mutex mutex;
    std::string prefix;  // as declared, for the trace when it names no class
    std::optional<EventNatives> natives;
    bool bound = false;
};

LibraryNatives& Library() {
    static LibraryNatives library;
    return library;
}

// The pending exception's text (cleared), or what failed without one.
std::string Failure(OposJNI& bridge, const char* what) {
    int32_t ignored = 0;
    std::string message;
    const bool thrown = bridge.IsException(&ignored, &message);
    bridge.PendingJavaError = 0;
    return thrown && !message.empty() ? message : std::string(what);
}

std::string LibraryPath(JNIEnv* env) {
    LocalFrame frame(env, 4);
    std::string out = "?";
    LocalRef<jclass> system(env, env->FindClass("java/lang/System"));
    const jmethodID get =
        system ? env->GetStaticMethodID(system.Get(), "getProperty",
                                        "(Ljava/lang/String;)Ljava/lang/String;")
               : nullptr;
    LocalRef<jstring> key(env, get ? env->NewStringUTF("java.library.path") : nullptr);
    if (key) {
        LocalRef<jstring> value(
            env, static_cast<jstring>(env->CallStaticObjectMethod(system.Get(), get, key.Get())));
        if (!env->ExceptionCheck()) out = AnsiFromJavaString(env, value.Get(), kPathLimit);
    }
    if (env->ExceptionCheck()) env->ExceptionClear();
    return out;
}

std::string Dotted(std::string name) {
    for (char& c : name)
        if (c == '/') c = '.';
    return name;
}

}  // namespace

std::string ClassFromJniPrefix(std::string_view prefix) {
    constexpr std::string_view kJava = "Java_";
    if (prefix.substr(0, kJava.size()) != kJava) return {};
    prefix.remove_prefix(kJava.size());
    std::string out;
    for (size_t i = 0; i < prefix.size(); ++i) {
        const char c = prefix[i];
        if (c != '_') {
            const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
            if (!plain) return {};
            out += c;
        } else if (i + 1 < prefix.size() && prefix[i + 1] == '1') {
            out += '_';
            ++i;
        } else if (i + 1 < prefix.size() && prefix[i + 1] >= '0' && prefix[i + 1] <= '9') {
            return {};  // _0xxxx, _2, _3: not in a class name of ours
        } else {
            out += '/';
        }
    }
    if (out.empty() || out.front() == '/' || out.back() == '/' || out.find("//") != std::string::npos)
        return {};
    return out;
}

bool DeclareEventNatives(const char* jniPrefix, const EventNative (&functions)[5]) noexcept {
    try {
        LibraryNatives& library = Library();
        std::lock_guard lock(library.mutex);
        if (!library.prefix.empty()) return false;  // one callbacks class per library
        library.prefix = jniPrefix ? jniPrefix : "";
        std::string name = ClassFromJniPrefix(library.prefix);
        if (name.empty()) return false;  // BindEventNatives reports it
        EventNatives natives{std::move(name), {}};
        for (int i = 0; i < 5; ++i) natives.functions[i] = functions[i];
        library.natives = std::move(natives);
        return true;
    } catch (...) {
        return false;
    }
}

std::string RegisterEventNatives(OposJNI& bridge, const EventNatives& natives) {
    JNIEnv* env = bridge.Env();
    if (!env) return "no Java environment";
    LocalFrame frame(env, 8);
    LocalRef<jclass> cls(env, env->FindClass(natives.className.c_str()));
    if (!cls) return Failure(bridge, "class not found");
    JNINativeMethod methods[5];
    for (int i = 0; i < 5; ++i) {
        methods[i].name = const_cast<char*>(kMethods[i][0]);
        methods[i].signature = const_cast<char*>(kMethods[i][1]);
        methods[i].fnPtr = reinterpret_cast<void*>(natives.functions[i]);
    }
    if (env->RegisterNatives(cls.Get(), methods, 5) != JNI_OK)
        return Failure(bridge, "RegisterNatives failed");
    // The relay delivers only for classes it knows to be bound.
    LocalRef<jclass> base(env, env->FindClass(kBaseClass));
    if (!base) return Failure(bridge, "no com.orv.jpos.OposEventCallbacks");
    const jmethodID mark = env->GetStaticMethodID(base.Get(), kMarkBound, "(Ljava/lang/Class;)V");
    if (!mark) return Failure(bridge, "no OposEventCallbacks.nativesRegistered");
    env->CallStaticVoidMethod(base.Get(), mark, cls.Get());
    if (env->ExceptionCheck()) return Failure(bridge, "OposEventCallbacks.nativesRegistered failed");
    return {};
}

bool BindEventNatives(OposJNI& bridge) {
    LibraryNatives& library = Library();
    std::lock_guard lock(library.mutex);
    if (library.bound || library.prefix.empty()) return true;
    std::string error;
    std::string name = library.prefix;
    if (library.natives) {
        name = Dotted(library.natives->className);
        error = RegisterEventNatives(bridge, *library.natives);
        if (error.empty()) {
            library.bound = true;
            return true;
        }
    } else {
        error = "not the JNI name of a class";
    }
    JNIEnv* env = bridge.Env();
    const std::string line = "Failed to bind the event natives of " + name + " (java.library.path=" +
                             (env ? LibraryPath(env) : std::string("?")) + "): " + error;
    bridge.LogLine(line);
    OutputDebugStringA((line + "\n").c_str());
    return false;
}

}  // namespace orv::so
