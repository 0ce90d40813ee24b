// A thread's message queue (internal to the platform library).
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/win32.h"

namespace orv::win32 {

class ThreadQueue;

// Completion of a cross-thread SendMessageA; the sender waits on its own queue for it.
struct SendReply {
    std::shared_ptr<ThreadQueue> sender;
    bool done = false;  // guarded by the sender queue's mutex
    LRESULT result = 0;
};

struct SentMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::shared_ptr<SendReply> reply;  // null for SendNotifyMessageA
};

// Which posted messages a GetMessageA/PeekMessageA call takes.
struct MessageFilter {
    HWND hwnd;  // null: all; (HWND)-1: thread messages only; else that window's
    UINT min;
    UINT max;

    bool Matches(const MSG& msg) const;
};

// Posted and sent messages waiting for one thread, plus the descriptor that is readable exactly
// while something waits. Any thread may add; only the owner thread takes.
class ThreadQueue {
public:
    // Windows' default limit of posted messages per queue; keeps a thread that stopped pumping
    // from eating the process's memory.
    static constexpr size_t kMaxPosted = 10000;

    // Null when no eventfd can be had (the error is set).
    static std::shared_ptr<ThreadQueue> Create(DWORD threadId);
    ~ThreadQueue();
    ThreadQueue(const ThreadQueue&) = delete;
    ThreadQueue& operator=(const ThreadQueue&) = delete;

    DWORD thread_id() const { return threadId_; }
    int fd() const { return fd_; }

    // Any thread. Return ERROR_SUCCESS or the error to report (ERROR_NOT_ENOUGH_QUOTA,
    // ERROR_INVALID_WINDOW_HANDLE / ERROR_INVALID_THREAD_ID once the thread has ended).
    DWORD Post(const MSG& msg, DWORD deadError);
    DWORD Send(SentMessage&& sent);
    void PostQuit(int exitCode);

    // Owner thread.
    std::optional<SentMessage> TakeSent();
    // A matching posted message, else the quit request (retrieved whatever the filter).
    bool TakePosted(const MessageFilter& filter, bool remove, MSG* out);
    // Blocks until a sent message or a matching posted message (or the quit request) waits.
    void WaitForInput(const MessageFilter& filter);
    // Blocks until the reply is done (returns its result) or a sent message waits (nullopt).
    std::optional<LRESULT> WaitForReply(const SendReply& reply);
    // Drops the posted messages of a destroyed window; returns its sent messages, whose
    // senders the caller releases (outside this queue's lock).
    std::vector<SentMessage> PurgeWindow(HWND hwnd);
    // The owner thread ends: refuse further messages and hand back the sent ones.
    std::vector<SentMessage> Close();

    // Any thread: completes a SendMessageA whose sender waits on this queue.
    void CompleteReply(SendReply& reply, LRESULT result);

private:
    ThreadQueue(DWORD threadId, int fd) : threadId_(threadId), fd_(fd) {}

    bool HasInputLocked(const MessageFilter& filter) const;
    // True when the descriptor is owed a write, made by the caller once the mutex is free.
    [[nodiscard]] bool SyncDescriptorLocked();
    void WriteDescriptor();
    void WakeOwnerLocked();
    // The wake-ups a post owes, made after the mutex is released: a woken owner then finds the
    // queue free instead of blocking on it and switching back.
    void Announce(bool write, bool notify);

    const DWORD threadId_;
    const int fd_;  // eventfd; counter is 1 while something waits, 0 otherwise

    std::mutex mutex_;
    std::condition_variable wake_;
    bool ownerWaiting_ = false;
    bool closed_ = false;
    // Readable, or a write to make it so is on its way (see SyncDescriptorLocked).
    bool descriptorReadable_ = false;
    bool quitPending_ = false;
    int quitCode_ = 0;
    std::deque<MSG> posted_;
    std::deque<SentMessage> sent_;
};

}  // namespace orv::win32
