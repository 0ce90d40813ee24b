// CFireEvent: brings the service object's event callbacks to the control's own thread.
//
// The service object calls SOData/SODirectIO/SOError/SOStatusUpdate from Java threads. A call
// on the control's (owner) thread fires at once. A call from any other thread is offered to a
// hidden window of the owner thread as a sent message and the caller stays blocked until the
// window procedure has fired the event or refused it, so that the by-reference parameters
// (the service object's own variables) are alive while the application's handler runs.
//
// Offers are numbered. A message that reaches the window after its sender has given up (the
// events were disarmed, the control closed) no longer matches the current offer and is
// dropped unseen, so it can never fire with the fields of a later sender.
//
// A control may take its error events one way instead: the sender's fields are copied into a
// record of the control's own, the message is posted and the sender waits at most
// kOneWayErrorWaitMs before it returns, fired or not. Each record fires once, in order; one
// that arrives while the events are frozen stays queued until the thaw; disarming drops them.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include "co_core/control_descriptor.h"
#include "platform/oleauto.h"
#include "platform/win32.h"

namespace orv::co {

// One event as the owner fires it.
struct EventFields {
    EventKind kind = EventKind::Data;
    int32_t value = 0;                  // status, event number, result code, data or output ID
    int32_t extended = 0;               // Error: ResultCodeExtended
    int32_t locus = 0;                  // Error: ErrorLocus
    int32_t* pData = nullptr;           // DirectIO
    BSTR* pString = nullptr;            // DirectIO
    int32_t* pErrorResponse = nullptr;  // Error
};

// The control side (owner thread only, never throws): fires one event to the application, and
// keeps itself alive while an event is being fired (a handler may drop the last reference).
class EventOwner {
public:
    virtual void FireOwnerEvent(const EventFields& e) noexcept = 0;
    virtual void PinOwner() noexcept = 0;
    // May destroy the owner, and with it this CFireEvent.
    virtual void UnpinOwner() noexcept = 0;

protected:
    ~EventOwner() = default;
};

class CFireEvent {
public:
    // How long a sender waits between offers while the control is frozen.
    static constexpr DWORD kReofferMs = 100;
    // A blocked sender looks this often whether the window still exists (its thread may end).
    static constexpr DWORD kWatchMs = 250;
    static constexpr const char* kWindowName = "FireEventHiddenWindow";
    static constexpr const char* kInProgressText = "Released while event in progress";

    // How long a one-way error sender waits for its event at most.
    static constexpr DWORD kOneWayErrorWaitMs = 500;

    explicit CFireEvent(const std::array<EventRoute, kEventKinds>& routes,
                        bool errorOneWay = false, const char* errorDebugLine = nullptr);
    // Releases any blocked sender and waits until every sender has left.
    ~CFireEvent();
    CFireEvent(const CFireEvent&) = delete;
    CFireEvent& operator=(const CFireEvent&) = delete;

    // Owner thread. Create makes the hidden window on the calling thread, which becomes the
    // owner thread; false when the window cannot be made. Destroy removes it.
    bool Create(EventOwner* owner);
    void Destroy();
    bool IsCreated() const { return hwnd_.load() != nullptr; }

    void ArmEvents();
    // Disarms and releases a blocked sender. Inside an event handler it throws
    // orv::DispatchException("Released while event in progress") and changes nothing.
    void DisarmEvents();
    void SetFreeze(bool frozen);

    bool Armed() const { return armed_.load(); }
    bool Frozen() const { return frozen_.load(); }
    bool InProgress() const { return inProgress_ > 0; }
    HWND Window() const { return hwnd_.load(); }

    // The service object's callbacks, any thread.
    void Data(int32_t status);
    void DirectIO(int32_t eventNumber, int32_t* pData, BSTR* pString);
    void Error(int32_t resultCode, int32_t resultCodeExtended, int32_t errorLocus,
               int32_t* pErrorResponse);
    void StatusUpdate(int32_t data);
    void OutputComplete(int32_t outputId);

private:
    enum class OfferState : uint8_t { None, Offered, Firing, Fired, Refused };
    struct Offer {
        uint32_t seq = 0;
        OfferState state = OfferState::None;
        // Pending fields: what the message itself cannot carry.
        BSTR* pString = nullptr;
        int32_t locus = 0;
        int32_t* pErrorResponse = nullptr;
    };

    // One posted error: the control's copy of the sender's fields.
    struct OneWayError {
        int32_t resultCode = 0;
        int32_t extended = 0;
        int32_t locus = 0;
        int32_t response = 0;                // the handler writes here
        int32_t* senderResponse = nullptr;   // the sender's variable while it still waits
        bool settled = false;                // fired or dropped
    };

    void Deliver(const EventFields& e);
    void PostErrorOneWay(const EventFields& e);
    void FireQueuedErrors();
    void DropQueuedErrors();
    void FireHere(const EventFields& e);
    void SendEventAndWait(const EventFields& e);
    // Waits for the fate of the current offer: true when it is settled for good (fired, or
    // dropped because the events were disarmed or the window went away), false when it was
    // refused while frozen and the pause before the next offer is over.
    bool AwaitOffer(uint32_t seq, HWND hwnd);
    // Sets the wake event: wakes a blocked sender (signalled after the lock is let go, so the
    // sender does not wake into a held lock).
    void Wake();
    void OnEventMessage(EventKind kind, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    const std::array<EventRoute, kEventKinds> routes_;
    EventOwner* owner_ = nullptr;
    std::atomic<HWND> hwnd_{nullptr};
    std::atomic<DWORD> ownerThread_{0};
    std::atomic<bool> armed_{false};
    std::atomic<bool> frozen_{false};
    int inProgress_ = 0;  // owner thread only: handlers running (nested ones included)

    std::mutex sendLock_;   // one event in flight per control
    std::mutex offerLock_;  // guards offer_, seq_ and wakes_; never held while firing
    // The wake event: the owner answered an offer, or a thaw or a disarm happened. A counter
    // under offerLock_ rather than a flag, so a sender can wait for "anything since I looked".
    std::condition_variable wake_;
    uint64_t wakes_ = 0;
    Offer offer_;
    uint32_t seq_ = 0;
    std::atomic<int> senders_{0};
    const bool errorOneWay_;
    const char* const errorDebugLine_;
    std::deque<std::shared_ptr<OneWayError>> errors_;  // guarded by offerLock_
};

}  // namespace orv::co
