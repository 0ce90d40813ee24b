#include "callback_recorder.h"

namespace orv::hidport::test {

Recorder& Recorder::Instance() {
    static Recorder recorder;
    return recorder;
}

void Recorder::Reset() {
    std::lock_guard lock(mutex_);
    deliveries_.clear();
    errors_.clear();
    threadStarts_ = 0;
}

void Recorder::OnReceive(unsigned char* data, ULONG length, void* handle) {
    Recorder& r = Instance();
    std::lock_guard lock(r.mutex_);
    r.deliveries_.push_back(
        {std::vector<unsigned char>(data, data + length), handle, std::this_thread::get_id()});
    r.changed_.notify_all();
}

void Recorder::OnError(int code, std::string message, void* handle) {
    Recorder& r = Instance();
    std::lock_guard lock(r.mutex_);
    r.errors_.push_back({code, std::move(message), handle, std::this_thread::get_id()});
    r.changed_.notify_all();
}

bool Recorder::OnThreadStart() {
    Recorder& r = Instance();
    std::lock_guard lock(r.mutex_);
    ++r.threadStarts_;
    return true;
}

bool Recorder::RefuseThreadStart() {
    OnThreadStart();
    return false;
}

bool Recorder::WaitDeliveries(size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return deliveries_.size() >= count; });
}

bool Recorder::WaitErrors(size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return errors_.size() >= count; });
}

std::vector<Delivery> Recorder::Deliveries() {
    std::lock_guard lock(mutex_);
    return deliveries_;
}

std::vector<ErrorReport> Recorder::Errors() {
    std::lock_guard lock(mutex_);
    return errors_;
}

int Recorder::ThreadStarts() {
    std::lock_guard lock(mutex_);
    return threadStarts_;
}

}  // namespace orv::hidport::test
