#include "hidden_window_class.h"

#include <cstdio>
#include <mutex>
#include <string>

namespace orv::co {
namespace {

// The window procedure lives in this library: when the library is unloaded its class must go
// too, or a later window of that name would call into unmapped code.
class WindowClass {
public:
    const char* Register(WNDPROC procedure) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (registered_) return name_.c_str();
        char name[64];
        std::snprintf(name, sizeof name, "OrvFireEvent:%p", reinterpret_cast<void*>(procedure));
        name_ = name;
        WNDCLASSA wc{};
        wc.lpfnWndProc = procedure;
        wc.lpszClassName = name_.c_str();
        if (!RegisterClassA(&wc)) {
            // Left behind by an earlier copy of this library at the same address.
            if (GetLastError() != ERROR_CLASS_ALREADY_EXISTS || !UnregisterClassA(name, nullptr) ||
                !RegisterClassA(&wc))
                return nullptr;
        }
        registered_ = true;
        return name_.c_str();
    }
    ~WindowClass() {
        if (registered_) UnregisterClassA(name_.c_str(), nullptr);
    }

private:
    std::mutex mutex_;
    std::string name_;
    bool registered_ = false;
};

WindowClass gWindowClass;

}  // namespace

const char* HiddenWindowClass(WNDPROC procedure) {
    return gWindowClass.Register(procedure);
}

}  // namespace orv::co
