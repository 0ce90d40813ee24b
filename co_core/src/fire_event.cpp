#include "co_core/fire_event.h"

#include <algorithm>
#include <chrono>

#include "hidden_window_class.h"
#include "platform/dispatch_map.h"

namespace orv::co {
namespace {

// The offer number rides in the upper half of wParam; the lower half keeps the value the
// message documents (status, event number, result code, data).
WPARAM PackWParam(uint32_t seq, int32_t value) {
    return (static_cast<WPARAM>(seq) << 32) | static_cast<uint32_t>(value);
}
uint32_t OfferOf(WPARAM w) {
    return static_cast<uint32_t>(w >> 32);
}
int32_t ValueOf(WPARAM w) {
    return static_cast<int32_t>(static_cast<uint32_t>(w));
}

// Counts the threads inside SendEventAndWait, so the destructor can wait for them to leave.
class SenderScope {
public:
    explicit SenderScope(std::atomic<int>& count) : count_(count) { count_.fetch_add(1); }
    ~SenderScope() { count_.fetch_sub(1); }
    SenderScope(const SenderScope&) = delete;
    SenderScope& operator=(const SenderScope&) = delete;

private:
    std::atomic<int>& count_;
};

}  // namespace

CFireEvent::CFireEvent(const std::array<EventRoute, kEventKinds>& routes, bool errorOneWay,
                       const char* errorDebugLine)
    : routes_(routes), errorOneWay_(errorOneWay), errorDebugLine_(errorDebugLine) {}

CFireEvent::~CFireEvent() {
    armed_.store(false);
    DropQueuedErrors();
    while (senders_.load() > 0) {
        Wake();
        Sleep(1);
    }
    Destroy();
}

void CFireEvent::Wake() {
    {
        std::lock_guard<std::mutex> lock(offerLock_);
        ++wakes_;
    }
    wake_.notify_all();
}

bool CFireEvent::Create(EventOwner* owner) {
    if (!owner) return false;
    Destroy();
    const char* windowClass = HiddenWindowClass(&CFireEvent::WindowProc);
    if (!windowClass) return false;
    HWND hwnd = CreateWindowExA(0, windowClass, kWindowName, 0, 0, 0, 0, 0, nullptr, nullptr,
                                nullptr, nullptr);
    if (!hwnd) return false;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ownerThread_.store(GetCurrentThreadId());
    frozen_.store(false);
    armed_.store(false);
    owner_ = owner;
    inProgress_ = 0;
    hwnd_.store(hwnd);
    return true;
}

void CFireEvent::Destroy() {
    DropQueuedErrors();
    HWND hwnd = hwnd_.exchange(nullptr);
    if (!hwnd) return;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    // Called from a thread that does not own the window: let the owner remove it.
    if (!DestroyWindow(hwnd)) PostMessageA(hwnd, WM_CLOSE, 0, 0);
}

void CFireEvent::ArmEvents() {
    armed_.store(true);
}

void CFireEvent::DisarmEvents() {
    // Refused before anything changes: the caller stays claimed with its events armed.
    if (inProgress_ > 0) throw DispatchException{kInProgressText};
    armed_.store(false);
    DropQueuedErrors();
    Wake();
}

void CFireEvent::SetFreeze(bool frozen) {
    frozen_.store(frozen);
    // A sender holding a refused event offers it again at once instead of after its pause.
    if (!frozen) Wake();
    // Errors kept while frozen fire now, from the window's queue.
    if (!frozen && errorOneWay_) {
        bool kept;
        {
            std::lock_guard<std::mutex> lock(offerLock_);
            kept = !errors_.empty();
        }
        HWND hwnd = hwnd_.load();
        if (kept && hwnd) PostMessageA(hwnd, routes_[static_cast<size_t>(EventKind::Error)].message, 0, 0);
    }
}

void CFireEvent::Data(int32_t status) {
    EventFields e;
    e.kind = EventKind::Data;
    e.value = status;
    Deliver(e);
}

void CFireEvent::DirectIO(int32_t eventNumber, int32_t* pData, BSTR* pString) {
    EventFields e;
    e.kind = EventKind::DirectIO;
    e.value = eventNumber;
    e.pData = pData;
    e.pString = pString;
    Deliver(e);
}

void CFireEvent::Error(int32_t resultCode, int32_t resultCodeExtended, int32_t errorLocus,
                       int32_t* pErrorResponse) {
    EventFields e;
    e.kind = EventKind::Error;
    e.value = resultCode;
    e.extended = resultCodeExtended;
    e.locus = errorLocus;
    e.pErrorResponse = pErrorResponse;
    Deliver(e);
}

void CFireEvent::StatusUpdate(int32_t data) {
    EventFields e;
    e.kind = EventKind::StatusUpdate;
    e.value = data;
    Deliver(e);
}

void CFireEvent::OutputComplete(int32_t outputId) {
    EventFields e;
    e.kind = EventKind::OutputComplete;
    e.value = outputId;
    Deliver(e);
}

void CFireEvent::Deliver(const EventFields& e) {
    if (ownerThread_.load() == GetCurrentThreadId())
        FireHere(e);
    else if (errorOneWay_ && e.kind == EventKind::Error)
        PostErrorOneWay(e);
    else
        SendEventAndWait(e);
}

void CFireEvent::PostErrorOneWay(const EventFields& e) {
    const UINT message = routes_[static_cast<size_t>(EventKind::Error)].message;
    HWND hwnd = hwnd_.load();
    if (message == 0 || !hwnd) return;
    SenderScope scope(senders_);
    auto error = std::make_shared<OneWayError>();
    error->resultCode = e.value;
    error->extended = e.extended;
    error->locus = e.locus;
    error->response = e.pErrorResponse ? *e.pErrorResponse : 0;
    error->senderResponse = e.pErrorResponse;
    {
        // Checked under the lock DisarmEvents clears the queue with: nothing queued after it.
        std::lock_guard<std::mutex> lock(offerLock_);
        if (!armed_.load()) return;
        errors_.push_back(error);
    }
    if (!PostMessageA(hwnd, message, 0, 0)) {
        std::lock_guard<std::mutex> lock(offerLock_);
        std::erase(errors_, error);
        return;
    }
    std::unique_lock<std::mutex> lock(offerLock_);
    wake_.wait_for(lock, std::chrono::milliseconds(kOneWayErrorWaitMs),
                   [&] { return error->settled; });
    // From here on the variable is gone; a later handler writes only the control's copy.
    error->senderResponse = nullptr;
}

// Owner thread: fires the queued errors in order while armed and not frozen. Each handler may
// run a message loop, so the record is taken off the queue before it fires.
void CFireEvent::FireQueuedErrors() {
    if (errorDebugLine_) OutputDebugStringA(errorDebugLine_);
    for (;;) {
        std::shared_ptr<OneWayError> error;
        {
            std::lock_guard<std::mutex> lock(offerLock_);
            if (errors_.empty() || frozen_.load()) return;
            if (armed_.load()) {
                error = errors_.front();
                errors_.pop_front();
            }
        }
        if (!error) {
            DropQueuedErrors();
            return;
        }
        EventFields f;
        f.kind = EventKind::Error;
        f.value = error->resultCode;
        f.extended = error->extended;
        f.locus = error->locus;
        f.pErrorResponse = &error->response;
        ++inProgress_;
        owner_->FireOwnerEvent(f);
        --inProgress_;
        {
            std::lock_guard<std::mutex> lock(offerLock_);
            error->settled = true;
            if (error->senderResponse) *error->senderResponse = error->response;
            ++wakes_;
        }
        wake_.notify_all();
    }
}

void CFireEvent::DropQueuedErrors() {
    {
        std::lock_guard<std::mutex> lock(offerLock_);
        if (errors_.empty()) return;
        for (const auto& error : errors_) error->settled = true;
        errors_.clear();
        ++wakes_;
    }
    wake_.notify_all();
}

// The owner's own thread fires at once, whatever the armed and freeze flags say. The handler
// still counts as in progress: a Close from it would release the service object whose call
// is below it on this very stack.
void CFireEvent::FireHere(const EventFields& e) {
    EventOwner* owner = owner_;
    if (!owner) return;
    owner->PinOwner();
    ++inProgress_;
    owner->FireOwnerEvent(e);
    --inProgress_;
    owner->UnpinOwner();  // last: may destroy this object
}

void CFireEvent::SendEventAndWait(const EventFields& e) {
    const UINT message = routes_[static_cast<size_t>(e.kind)].message;
    if (message == 0) return;
    SenderScope scope(senders_);
    std::lock_guard<std::mutex> send(sendLock_);
    LPARAM lParam = 0;
    if (e.kind == EventKind::DirectIO) lParam = reinterpret_cast<LPARAM>(e.pData);
    if (e.kind == EventKind::Error) lParam = e.extended;
    for (;;) {
        if (!armed_.load()) return;
        HWND hwnd = hwnd_.load();
        if (!hwnd) return;
        uint32_t seq;
        {
            std::lock_guard<std::mutex> lock(offerLock_);
            if (++seq_ == 0) seq_ = 1;
            seq = seq_;
            offer_ = Offer{seq, OfferState::Offered, e.pString, e.locus, e.pErrorResponse};
        }
        if (!SendNotifyMessageA(hwnd, message, PackWParam(seq, e.value), lParam)) {
            std::lock_guard<std::mutex> lock(offerLock_);
            offer_ = Offer{};
            return;
        }
        if (AwaitOffer(seq, hwnd)) return;
    }
}

bool CFireEvent::AwaitOffer(uint32_t seq, HWND hwnd) {
    std::unique_lock<std::mutex> lock(offerLock_);
    for (;;) {
        if (offer_.seq != seq) return true;
        switch (offer_.state) {
            case OfferState::Fired:
                offer_ = Offer{};
                return true;
            case OfferState::Refused: {
                offer_ = Offer{};
                if (!armed_.load()) return true;
                // Refused while frozen: the event waits here, not in the control, and is offered
                // again after a pause that a thaw or a disarm cuts short.
                const uint64_t seen = wakes_;
                wake_.wait_for(lock, std::chrono::milliseconds(kReofferMs),
                               [&] { return wakes_ != seen || !frozen_.load() || !armed_.load(); });
                return false;
            }
            case OfferState::Firing:
                // The handler is running with our pointers: stay until it returns, even when it
                // disarms the events meanwhile.
                break;
            case OfferState::Offered:
            case OfferState::None:
                // Withdrawn when disarmed; the message still queued no longer matches and is
                // dropped when it arrives.
                if (!armed_.load()) {
                    offer_ = Offer{};
                    return true;
                }
                break;
        }
        const uint64_t seen = wakes_;
        if (wake_.wait_for(lock, std::chrono::milliseconds(kWatchMs),
                           [&] { return wakes_ != seen; }))
            continue;
        // Nothing for a while: the owner thread may have ended, taking its window and our
        // message with it.
        lock.unlock();
        const bool windowGone = !IsWindow(hwnd);
        lock.lock();
        if (windowGone && offer_.seq == seq && offer_.state == OfferState::Offered) {
            offer_ = Offer{};
            return true;
        }
    }
}

void CFireEvent::OnEventMessage(EventKind kind, WPARAM wParam, LPARAM lParam) {
    if (errorOneWay_ && kind == EventKind::Error) {
        FireQueuedErrors();
        return;
    }
    const uint32_t seq = OfferOf(wParam);
    EventFields e;
    e.kind = kind;
    e.value = ValueOf(wParam);
    bool refused = false;
    {
        std::lock_guard<std::mutex> lock(offerLock_);
        if (offer_.seq != seq || offer_.state != OfferState::Offered) return;
        // CanFire: refused while disarmed (the sender drops the event) or frozen (the sender
        // keeps it and offers it again).
        if (!armed_.load() || frozen_.load()) {
            offer_.state = OfferState::Refused;
            ++wakes_;
            refused = true;
        } else {
            offer_.state = OfferState::Firing;
            e.pString = offer_.pString;
            e.locus = offer_.locus;
            e.pErrorResponse = offer_.pErrorResponse;
        }
    }
    if (refused) {
        wake_.notify_all();
        return;
    }
    if (kind == EventKind::DirectIO) e.pData = reinterpret_cast<int32_t*>(lParam);
    if (kind == EventKind::Error) e.extended = static_cast<int32_t>(lParam);
    ++inProgress_;
    owner_->FireOwnerEvent(e);
    --inProgress_;
    {
        std::lock_guard<std::mutex> lock(offerLock_);
        if (offer_.seq == seq) offer_.state = OfferState::Fired;
        ++wakes_;
    }
    wake_.notify_all();
}

LRESULT CALLBACK CFireEvent::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CFireEvent*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && msg != 0) {
        for (size_t k = 0; k < kEventKinds; ++k) {
            if (self->routes_[k].message != msg) continue;
            EventOwner* owner = self->owner_;
            if (!owner) return 0;
            owner->PinOwner();
            try {
                self->OnEventMessage(static_cast<EventKind>(k), wParam, lParam);
            } catch (...) {
                // nothing crosses a window procedure
            }
            owner->UnpinOwner();  // last: may destroy the control and this object
            return 0;
        }
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace orv::co
