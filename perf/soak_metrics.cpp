#include "soak_metrics.h"

#include <dirent.h>
#include <jni.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "jni_support/jni_refs.h"
#include "jni_support/jni_thread.h"

namespace orv::soak {
namespace {

std::optional<int64_t> NumberAt(std::string_view text, size_t at) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    if (at >= text.size() || !std::isdigit(static_cast<unsigned char>(text[at])))
        return std::nullopt;
    int64_t value = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        if (value > (INT64_MAX - 9) / 10) return std::nullopt;
        value = value * 10 + (text[at] - '0');
    }
    return value;
}

std::string Slurp(const char* path) {
    std::ifstream in(path);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

int64_t CountFds() {
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir) return -1;
    int64_t count = 0;
    while (const dirent* e = ::readdir(dir))
        if (e->d_name[0] != '.') ++count;
    ::closedir(dir);
    return count - 1;  // the listing's own descriptor
}

}  // namespace

std::optional<int64_t> StatusField(std::string_view status, std::string_view name) {
    size_t at = 0;
    while (at < status.size()) {
        const size_t end = std::min(status.find('\n', at), status.size());
        const std::string_view line = status.substr(at, end - at);
        if (line.size() > name.size() && line.substr(0, name.size()) == name &&
            line[name.size()] == ':')
            return NumberAt(line, name.size() + 1);
        at = end + 1;
    }
    return std::nullopt;
}

std::optional<int64_t> JniGlobalRefsIn(std::string_view threadDump) {
    constexpr std::string_view kLabel = "JNI global refs:";
    const size_t at = threadDump.find(kLabel);
    if (at == std::string_view::npos) return std::nullopt;
    return NumberAt(threadDump, at + kLabel.size());
}

std::string ThreadDump() {
    JavaVM* vm = nullptr;
    jsize count = 0;
    if (JNI_GetCreatedJavaVMs(&vm, 1, &count) != JNI_OK || count < 1) return "";
    JNIEnv* env = jni::EnvForCurrentThread(vm, "orv-soak");
    if (!env) return "";
    // Every reference made here goes with the frame; the thread does not return to Java.
    jni::LocalFrame frame(env, 16);
    std::string dump;
    // ManagementFactory.getPlatformMBeanServer().invoke(
    //     new ObjectName("com.sun.management:type=DiagnosticCommand"), "threadPrint",
    //     new Object[] {new String[0]}, new String[] {"[Ljava.lang.String;"})
    // Each step only when the one before gave something and raised nothing.
    const auto ok = [env](const void* got) { return got != nullptr && !env->ExceptionCheck(); };
    jclass factory = env->FindClass("java/lang/management/ManagementFactory");
    jmethodID platform = ok(factory) ? env->GetStaticMethodID(factory, "getPlatformMBeanServer",
                                                              "()Ljavax/management/MBeanServer;")
                                     : nullptr;
    jobject server = ok(platform) ? env->CallStaticObjectMethod(factory, platform) : nullptr;
    jclass nameClass = ok(server) ? env->FindClass("javax/management/ObjectName") : nullptr;
    jmethodID nameInit =
        ok(nameClass) ? env->GetMethodID(nameClass, "<init>", "(Ljava/lang/String;)V") : nullptr;
    jstring nameText =
        ok(nameInit) ? env->NewStringUTF("com.sun.management:type=DiagnosticCommand") : nullptr;
    jobject name = ok(nameText) ? env->NewObject(nameClass, nameInit, nameText) : nullptr;
    jclass serverClass =
        ok(name) ? env->FindClass("javax/management/MBeanServerConnection") : nullptr;
    jmethodID invoke = ok(serverClass)
                           ? env->GetMethodID(serverClass, "invoke",
                                              "(Ljavax/management/ObjectName;Ljava/lang/"
                                              "String;[Ljava/lang/Object;[Ljava/lang/"
                                              "String;)Ljava/lang/Object;")
                           : nullptr;
    jclass stringClass = ok(invoke) ? env->FindClass("java/lang/String") : nullptr;
    jclass objectClass = ok(stringClass) ? env->FindClass("java/lang/Object") : nullptr;
    jobjectArray noOptions =
        ok(objectClass) ? env->NewObjectArray(0, stringClass, nullptr) : nullptr;
    jobjectArray params = ok(noOptions) ? env->NewObjectArray(1, objectClass, noOptions) : nullptr;
    jstring signatureText = ok(params) ? env->NewStringUTF("[Ljava.lang.String;") : nullptr;
    jobjectArray signature =
        ok(signatureText) ? env->NewObjectArray(1, stringClass, signatureText) : nullptr;
    jstring operation = ok(signature) ? env->NewStringUTF("threadPrint") : nullptr;
    jobject result = ok(operation)
                         ? env->CallObjectMethod(server, invoke, name, operation, params, signature)
                         : nullptr;
    if (jni::ClearPendingException(env)) return "";
    if (result && env->IsInstanceOf(result, stringClass)) {
        const jni::StringChars chars(env, static_cast<jstring>(result));
        dump = chars.c_str();
    }
    return dump;
}

int64_t LiveHeapKb() {
    JavaVM* vm = nullptr;
    jsize count = 0;
    if (JNI_GetCreatedJavaVMs(&vm, 1, &count) != JNI_OK || count < 1) return -1;
    JNIEnv* env = jni::EnvForCurrentThread(vm, "orv-soak");
    if (!env) return -1;
    jni::LocalFrame frame(env, 8);
    const auto ok = [env](const void* got) { return got != nullptr && !env->ExceptionCheck(); };
    jclass system = env->FindClass("java/lang/System");
    jmethodID gc = ok(system) ? env->GetStaticMethodID(system, "gc", "()V") : nullptr;
    if (ok(gc)) env->CallStaticVoidMethod(system, gc);
    jclass runtimeClass = !env->ExceptionCheck() ? env->FindClass("java/lang/Runtime") : nullptr;
    jmethodID get = ok(runtimeClass) ? env->GetStaticMethodID(runtimeClass, "getRuntime",
                                                              "()Ljava/lang/Runtime;")
                                     : nullptr;
    jobject runtime = ok(get) ? env->CallStaticObjectMethod(runtimeClass, get) : nullptr;
    jmethodID total = ok(runtime) ? env->GetMethodID(runtimeClass, "totalMemory", "()J") : nullptr;
    jmethodID freeMemory =
        ok(total) ? env->GetMethodID(runtimeClass, "freeMemory", "()J") : nullptr;
    const jlong totalBytes = ok(freeMemory) ? env->CallLongMethod(runtime, total) : -1;
    const jlong freeBytes = !env->ExceptionCheck() ? env->CallLongMethod(runtime, freeMemory) : -1;
    if (jni::ClearPendingException(env) || totalBytes < 0 || freeBytes < 0) return -1;
    return (totalBytes - freeBytes) / 1024;
}

Sample ReadSample() {
    Sample s;
    s.heapLiveKb = LiveHeapKb();  // first: the collection may hand memory back
    const std::string status = Slurp("/proc/self/status");
    s.rssKb = StatusField(status, "VmRSS").value_or(-1);
    s.threads = StatusField(status, "Threads").value_or(-1);
    s.fds = CountFds();
    s.jniGlobals = JniGlobalRefsIn(ThreadDump()).value_or(-1);
    return s;
}

const char* MetricName(Metric m) {
    switch (m) {
        case Metric::Rss:
            return "resident memory";
        case Metric::Fds:
            return "open descriptors";
        case Metric::Threads:
            return "threads";
        case Metric::JniGlobals:
            return "JNI global refs";
        case Metric::HeapLive:
            return "Java heap live";
    }
    return "?";
}

int64_t ValueOf(const Sample& s, Metric m) {
    switch (m) {
        case Metric::Rss:
            return s.rssKb;
        case Metric::Fds:
            return s.fds;
        case Metric::Threads:
            return s.threads;
        case Metric::JniGlobals:
            return s.jniGlobals;
        case Metric::HeapLive:
            return s.heapLiveKb;
    }
    return -1;
}

int64_t Tolerance::For(int64_t baseline) const {
    return std::max(absolute, static_cast<int64_t>(static_cast<double>(baseline) * share));
}

// More than a thousand loops run in a minute: a leak of one of anything per loop crosses these
// within a minute or two, 1.5 kB of memory per loop within the ten minutes. What they allow
// is the process's own breathing: the allocator's arenas and the JIT's code cache (memory), a Java
// event thread or descriptor still closing when the sample is read, a GC worker started on
// demand, the JVM's own references, the simulator's bounded histories (heap).
Tolerance ToleranceOf(Metric m) {
    switch (m) {
        case Metric::Rss:
            return {16 * 1024, 0.0};  // kB: 16 MiB (the Java heap is fixed by perf/soak)
        case Metric::Fds:
            return {4, 0.0};
        case Metric::Threads:
            return {4, 0.0};
        case Metric::JniGlobals:
            return {16, 0.05};
        case Metric::HeapLive:
            return {2 * 1024, 0.10};  // kB: 2 MiB or 10 %
    }
    return {0, 0.0};
}

Judgement Judge(const std::vector<Sample>& samples, Metric m) {
    Judgement j{m};
    if (samples.size() <= kJudgedFrom) return j;
    j.baseline = ValueOf(samples[kJudgedFrom - 1], m);
    if (j.baseline < 0) return j;
    j.limit = j.baseline + ToleranceOf(m).For(j.baseline);
    j.worst = j.baseline;
    j.worstAt = kJudgedFrom - 1;
    for (size_t i = kJudgedFrom; i < samples.size(); ++i) {
        const int64_t v = ValueOf(samples[i], m);
        if (v < 0) return Judgement{m};  // a missing figure: not judged
        if (v > j.worst) {
            j.worst = v;
            j.worstAt = i;
        }
    }
    j.judged = true;
    j.flat = j.worst <= j.limit;
    return j;
}

}  // namespace orv::soak
