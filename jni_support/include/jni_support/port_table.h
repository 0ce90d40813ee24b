// The open Java port objects of a port library and the one log file they share. Guarded: ports
// open and close on any Java thread while the library's own thread looks them up. How records
// are kept (keyed by handle, in opening order) is the library's: `Records` is a standard
// container of std::shared_ptr<R>, or a map onto them, where R is a JavaPort.
#pragma once

#include <fcntl.h>
#include <jni.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "jni_support/java_port.h"

namespace orv::jni {

template <class Records>
class PortTable {
public:
    using Entry = typename Records::value_type;

    // The log file, in the current folder when Open runs.
    explicit PortTable(const char* logFileName) : logFileName_(logFileName) {}
    PortTable(const PortTable&) = delete;
    PortTable& operator=(const PortTable&) = delete;

    // f(records) under the table's lock.
    template <class F>
    decltype(auto) Locked(F&& f) {
        std::lock_guard lock(mutex_);
        return std::forward<F>(f)(records_);
    }

    // The first entry, in the table's order, whose record holds this Java object; `remove`
    // takes it out of the table.
    std::optional<Entry> FindEntryOf(JNIEnv* env, jobject port, bool remove) {
        std::lock_guard lock(mutex_);
        for (auto it = records_.begin(); it != records_.end(); ++it) {
            if (!env->IsSameObject(RecordOf(*it).port.Get(), port)) continue;
            Entry entry = *it;
            if (remove) records_.erase(it);
            return entry;
        }
        return std::nullopt;
    }

    // Opens the log ("wt") for an Open; false when it cannot be. Each open truncates it, and
    // the handle it replaces is closed, so only one is ever held.
    bool OpenLog() {
        // Owner and group only, as every log of the suite.
        const int fd = ::open(logFileName_, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0640);
        FILE* file = fd >= 0 ? ::fdopen(fd, "w") : nullptr;
        if (file == nullptr) {
            if (fd >= 0) ::close(fd);
            return false;
        }
        std::lock_guard lock(mutex_);
        log_.reset(file);
        return true;
    }

    // Closes the log once no port is open any more (once, whatever the number of ports that
    // shared it).
    void CloseLogIfUnused() {
        std::lock_guard lock(mutex_);
        if (records_.empty()) log_.reset();
    }

    // Leaves the log open only while some port is open: closes it again at the end of an Open
    // that failed after opening it, unless Keep() was called.
    class LogGuard {
    public:
        explicit LogGuard(PortTable& table) : table_(table) {}
        LogGuard(const LogGuard&) = delete;
        LogGuard& operator=(const LogGuard&) = delete;
        ~LogGuard() {
            if (!keep_) table_.CloseLogIfUnused();
        }
        void Keep() { keep_ = true; }

    private:
        PortTable& table_;
        bool keep_ = false;
    };

private:
    template <class R>
    static const JavaPort& RecordOf(const std::shared_ptr<R>& record) {
        return *record;
    }
    template <class Key, class R>
    static const JavaPort& RecordOf(const std::pair<const Key, std::shared_ptr<R>>& entry) {
        return *entry.second;
    }

    struct FileCloser {
        void operator()(FILE* file) const { std::fclose(file); }
    };

    std::mutex mutex_;
    Records records_;
    const char* logFileName_;
    std::unique_ptr<FILE, FileCloser> log_;
};

}  // namespace orv::jni
