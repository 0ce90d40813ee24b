// Thread message queues. The eventfd mirrors "something waits" exactly: it is written when
// the queue goes from empty to non-empty and drained when it goes back, always under the
// queue's mutex, so a poll loop sees a level-triggered descriptor.
#include "thread_queue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace orv::win32 {

bool MessageFilter::Matches(const MSG& msg) const {
    if (hwnd == reinterpret_cast<HWND>(static_cast<intptr_t>(-1))) {
        if (msg.hwnd != nullptr) return false;
    } else if (hwnd != nullptr && msg.hwnd != hwnd) {
        return false;
    }
    // WM_QUIT is retrieved whatever the message range, as on Windows.
    if ((min == 0 && max == 0) || msg.message == WM_QUIT) return true;
    return msg.message >= min && msg.message <= max;
}

std::shared_ptr<ThreadQueue> ThreadQueue::Create(DWORD threadId) {
    const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    try {
        return std::shared_ptr<ThreadQueue>(new ThreadQueue(threadId, fd));
    } catch (...) {
        close(fd);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

ThreadQueue::~ThreadQueue() {
    close(fd_);
}

DWORD ThreadQueue::Post(const MSG& msg, DWORD deadError) {
    std::lock_guard lock(mutex_);
    if (closed_) return deadError;
    if (posted_.size() >= kMaxPosted) return ERROR_NOT_ENOUGH_QUOTA;
    posted_.push_back(msg);
    SyncDescriptorLocked();
    WakeOwnerLocked();
    return ERROR_SUCCESS;
}

DWORD ThreadQueue::Send(SentMessage&& sent) {
    std::lock_guard lock(mutex_);
    if (closed_) return ERROR_INVALID_WINDOW_HANDLE;
    sent_.push_back(std::move(sent));
    SyncDescriptorLocked();
    WakeOwnerLocked();
    return ERROR_SUCCESS;
}

void ThreadQueue::PostQuit(int exitCode) {
    std::lock_guard lock(mutex_);
    quitPending_ = true;
    quitCode_ = exitCode;
    SyncDescriptorLocked();
    WakeOwnerLocked();
}

std::optional<SentMessage> ThreadQueue::TakeSent() {
    std::lock_guard lock(mutex_);
    if (sent_.empty()) return std::nullopt;
    std::optional<SentMessage> sent(std::move(sent_.front()));
    sent_.pop_front();
    SyncDescriptorLocked();
    return sent;
}

bool ThreadQueue::TakePosted(const MessageFilter& filter, bool remove, MSG* out) {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(posted_.begin(), posted_.end(),
                           [&](const MSG& msg) { return filter.Matches(msg); });
    if (it != posted_.end()) {
        *out = *it;
        if (remove) {
            posted_.erase(it);
            SyncDescriptorLocked();
        }
        return true;
    }
    if (quitPending_) {
        *out = MSG{nullptr, WM_QUIT,        static_cast<WPARAM>(static_cast<intptr_t>(quitCode_)),
                   0,       GetTickCount(), POINT{0, 0}};
        if (remove) {
            quitPending_ = false;
            SyncDescriptorLocked();
        }
        return true;
    }
    return false;
}

void ThreadQueue::WaitForInput(const MessageFilter& filter) {
    std::unique_lock lock(mutex_);
    ownerWaiting_ = true;
    wake_.wait(lock, [&] { return !sent_.empty() || HasInputLocked(filter); });
    ownerWaiting_ = false;
}

std::optional<LRESULT> ThreadQueue::WaitForReply(const SendReply& reply) {
    std::unique_lock lock(mutex_);
    ownerWaiting_ = true;
    wake_.wait(lock, [&] { return reply.done || !sent_.empty(); });
    ownerWaiting_ = false;
    if (reply.done) return reply.result;
    return std::nullopt;
}

void ThreadQueue::CompleteReply(SendReply& reply, LRESULT result) {
    std::lock_guard lock(mutex_);
    reply.done = true;
    reply.result = result;
    WakeOwnerLocked();
}

std::vector<SentMessage> ThreadQueue::PurgeWindow(HWND hwnd) {
    std::vector<SentMessage> orphans;
    std::lock_guard lock(mutex_);
    posted_.erase(std::remove_if(posted_.begin(), posted_.end(),
                                 [&](const MSG& msg) { return msg.hwnd == hwnd; }),
                  posted_.end());
    for (auto it = sent_.begin(); it != sent_.end();) {
        if (it->hwnd == hwnd) {
            orphans.push_back(std::move(*it));
            it = sent_.erase(it);
        } else {
            ++it;
        }
    }
    SyncDescriptorLocked();
    return orphans;
}

std::vector<SentMessage> ThreadQueue::Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    posted_.clear();
    quitPending_ = false;
    std::vector<SentMessage> orphans(std::make_move_iterator(sent_.begin()),
                                     std::make_move_iterator(sent_.end()));
    sent_.clear();
    SyncDescriptorLocked();
    return orphans;
}

bool ThreadQueue::HasInputLocked(const MessageFilter& filter) const {
    if (quitPending_) return true;
    return std::any_of(posted_.begin(), posted_.end(),
                       [&](const MSG& msg) { return filter.Matches(msg); });
}

void ThreadQueue::SyncDescriptorLocked() {
    const bool waiting = !posted_.empty() || !sent_.empty() || quitPending_;
    if (waiting == descriptorReadable_) return;
    uint64_t value = 1;
    ssize_t done;
    do {
        done = waiting ? write(fd_, &value, sizeof value) : read(fd_, &value, sizeof value);
    } while (done < 0 && errno == EINTR);
    // The counter only ever moves between 0 and 1, so neither call can fail otherwise.
    descriptorReadable_ = waiting;
}

void ThreadQueue::WakeOwnerLocked() {
    if (ownerWaiting_) wake_.notify_one();
}

}  // namespace orv::win32
