// Thread message queues. The eventfd mirrors "something waits": it is written when the queue
// goes from empty to non-empty and drained when it goes back, so a poll loop sees a
// level-triggered descriptor. The decision is taken under the queue's mutex; the write that
// wakes the owner is made just after the mutex is released, so the owner never wakes into a
// held lock. A drain that finds that write not yet landed leaves the flag set, and the next
// look at an empty queue drains it: at most one spurious readiness, never a lost one.
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
    bool write = false, notify = false;
    {
        std::lock_guard lock(mutex_);
        if (closed_) return deadError;
        if (posted_.size() >= kMaxPosted) return ERROR_NOT_ENOUGH_QUOTA;
        posted_.push_back(msg);
        write = SyncDescriptorLocked();
        notify = ownerWaiting_;
    }
    Announce(write, notify);
    return ERROR_SUCCESS;
}

DWORD ThreadQueue::Send(SentMessage&& sent) {
    bool write = false, notify = false;
    {
        std::lock_guard lock(mutex_);
        if (closed_) return ERROR_INVALID_WINDOW_HANDLE;
        sent_.push_back(std::move(sent));
        write = SyncDescriptorLocked();
        notify = ownerWaiting_;
    }
    Announce(write, notify);
    return ERROR_SUCCESS;
}

void ThreadQueue::PostQuit(int exitCode) {
    bool write = false, notify = false;
    {
        std::lock_guard lock(mutex_);
        quitPending_ = true;
        quitCode_ = exitCode;
        write = SyncDescriptorLocked();
        notify = ownerWaiting_;
    }
    Announce(write, notify);
}

std::optional<SentMessage> ThreadQueue::TakeSent() {
    std::lock_guard lock(mutex_);
    if (sent_.empty()) return std::nullopt;
    std::optional<SentMessage> sent(std::move(sent_.front()));
    sent_.pop_front();
    if (SyncDescriptorLocked()) WriteDescriptor();
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
            if (SyncDescriptorLocked()) WriteDescriptor();
        }
        return true;
    }
    if (quitPending_) {
        *out = MSG{nullptr, WM_QUIT,        static_cast<WPARAM>(static_cast<intptr_t>(quitCode_)),
                   0,       GetTickCount(), POINT{0, 0}};
        if (remove) {
            quitPending_ = false;
            if (SyncDescriptorLocked()) WriteDescriptor();
        }
        return true;
    }
    // Nothing for this caller: a readiness left by a write that landed after the last drain
    // is cleared here.
    if (SyncDescriptorLocked()) WriteDescriptor();
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
    if (SyncDescriptorLocked()) WriteDescriptor();
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
    if (SyncDescriptorLocked()) WriteDescriptor();
    return orphans;
}

bool ThreadQueue::HasInputLocked(const MessageFilter& filter) const {
    if (quitPending_) return true;
    return std::any_of(posted_.begin(), posted_.end(),
                       [&](const MSG& msg) { return filter.Matches(msg); });
}

bool ThreadQueue::SyncDescriptorLocked() {
    const bool waiting = !posted_.empty() || !sent_.empty() || quitPending_;
    if (waiting == descriptorReadable_) return false;
    if (waiting) {
        descriptorReadable_ = true;
        return true;
    }
    uint64_t value = 0;
    ssize_t done;
    do {
        done = read(fd_, &value, sizeof value);
    } while (done < 0 && errno == EINTR);
    // EAGAIN: the write owed for the last message is still on its way (its poster has released
    // the mutex but not written yet). The flag stays, so no second write is owed, and the next
    // look at an empty queue drains that one. The flag is cleared only by a drain that took
    // something, so at most one write is ever on its way.
    if (done == static_cast<ssize_t>(sizeof value)) descriptorReadable_ = false;
    return false;
}

void ThreadQueue::WriteDescriptor() {
    const uint64_t value = 1;
    ssize_t done;
    do {
        done = write(fd_, &value, sizeof value);
    } while (done < 0 && errno == EINTR);
    // The counter stays far below its limit (one write at a time), so the write cannot fail.
}

void ThreadQueue::Announce(bool write, bool notify) {
    if (write) WriteDescriptor();
    if (notify) wake_.notify_one();
}

void ThreadQueue::WakeOwnerLocked() {
    if (ownerWaiting_) wake_.notify_one();
}

}  // namespace orv::win32
