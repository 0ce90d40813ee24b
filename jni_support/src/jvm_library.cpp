#include "jni_support/jvm_library.h"

#include <dlfcn.h>

#include <cstdlib>
#include <mutex>

#include "platform/com.h"

#ifndef ORV_JVM_LIBRARY_DEFAULT
#error "ORV_JVM_LIBRARY_DEFAULT names the libjvm.so of the JDK the suite is built with"
#endif

namespace orv::jni {
namespace {

// The name every JVM library carries (its DT_SONAME): a loaded one is found under it whatever
// file it came from.
constexpr char kSoname[] = "libjvm.so";

struct State {
    std::mutex mutex;
    const JvmLibrary* library = nullptr;  // never freed: the library stays for the process
};

State& TheState() {
    static State* state = new State;  // used until the process ends
    return *state;
}

const char* EnvValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

// The loader's text without the file name it usually starts with.
std::string LoaderMessage(const std::string& path) {
    const char* raw = ::dlerror();
    std::string text = raw != nullptr ? raw : "unknown loader error";
    if (text.rfind(path + ": ", 0) == 0) text.erase(0, path.size() + 2);
    return text;
}

// Takes over handle when it exports both entry points; closes it otherwise.
const JvmLibrary* Keep(void* handle, const std::string& path, std::string* missing) {
    auto* library = new JvmLibrary;
    library->getCreatedJavaVMs = reinterpret_cast<decltype(library->getCreatedJavaVMs)>(
        ::dlsym(handle, "JNI_GetCreatedJavaVMs"));
    library->createJavaVM =
        reinterpret_cast<decltype(library->createJavaVM)>(::dlsym(handle, "JNI_CreateJavaVM"));
    if (library->getCreatedJavaVMs == nullptr || library->createJavaVM == nullptr) {
        if (missing != nullptr)
            *missing = library->createJavaVM == nullptr ? "no JNI_CreateJavaVM in it"
                                                        : "no JNI_GetCreatedJavaVMs in it";
        delete library;
        ::dlclose(handle);
        return nullptr;
    }
    library->path = path;
    return library;
}

// Under the state's lock.
const JvmLibrary* FindLoaded(State& state) {
    if (state.library != nullptr) return state.library;
    void* handle = ::dlopen(kSoname, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        ::dlerror();  // not loaded is no error
        return nullptr;
    }
    state.library = Keep(handle, kSoname, nullptr);
    return state.library;
}

}  // namespace

std::vector<std::string> JvmLibraryCandidates() {
    if (const char* chosen = EnvValue("ORV_JVM_LIBRARY")) return {chosen};
    std::vector<std::string> files;
    if (const char* home = EnvValue("JAVA_HOME")) {
        std::string path = home;
        if (path.back() != '/') path += '/';
        files.push_back(path + "lib/server/libjvm.so");
    }
    if (files.empty() || files.front() != ORV_JVM_LIBRARY_DEFAULT)
        files.emplace_back(ORV_JVM_LIBRARY_DEFAULT);
    return files;
}

const JvmLibrary* LoadedJvmLibrary() {
    try {
        State& state = TheState();
        std::lock_guard lock(state.mutex);
        return FindLoaded(state);
    } catch (...) {
        return nullptr;
    }
}

const JvmLibrary* LoadJvmLibrary(std::string* why) {
    try {
        State& state = TheState();
        std::unique_lock lock(state.mutex);
        if (const JvmLibrary* loaded = FindLoaded(state)) return loaded;
        const bool chosen = EnvValue("ORV_JVM_LIBRARY") != nullptr;
        std::string tried;
        for (const std::string& path : JvmLibraryCandidates()) {
            // Global, as the java launcher loads it: the VM looks up its own symbols.
            void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
            std::string reason;
            if (handle == nullptr) {
                reason = LoaderMessage(path);
            } else if ((state.library = Keep(handle, path, &reason)) != nullptr) {
                return state.library;
            }
            tried += (tried.empty() ? "" : "; ") + path + (chosen ? " (ORV_JVM_LIBRARY)" : "") +
                     ": " + reason;
        }
        lock.unlock();
        const std::string message =
            "cannot load the Java VM library: " + tried +
            (chosen ? "; set ORV_JVM_LIBRARY to the libjvm.so of a Java 17 runtime"
                    : "; install a Java 17 runtime or set ORV_JVM_LIBRARY to its libjvm.so");
        OrvReportLoadFailure(kSoname, message.c_str());
        if (why != nullptr) *why = message;
    } catch (...) {
        if (why != nullptr) why->clear();
    }
    return nullptr;
}

JavaVM* RunningJvm() {
    const JvmLibrary* library = LoadedJvmLibrary();
    if (library == nullptr) return nullptr;
    JavaVM* vm = nullptr;
    jsize count = 0;
    if (library->getCreatedJavaVMs(&vm, 1, &count) != JNI_OK || count < 1) return nullptr;
    return vm;
}

}  // namespace orv::jni
