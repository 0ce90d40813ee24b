#include "message_pump.h"

#include <QSocketNotifier>

#include "host/pump.h"
#include "platform/win32.h"

namespace probedesk {

MessagePump::MessagePump(QObject* parent) : QObject(parent) {
    const int fd = orv::host::QueueFd();
    if (fd < 0) return;
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &MessagePump::Drain);
}

void MessagePump::Drain() {
    // The descriptor stays readable until the queue is empty, so a batch cut short by a nested
    // loop is picked up on the next round.
    ++wakeups_;
    orv::host::DispatchPending();
    MSG msg;
    if (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && msg.message == WM_QUIT)
        emit quitRequested(static_cast<int>(msg.wParam));
}

}  // namespace probedesk
