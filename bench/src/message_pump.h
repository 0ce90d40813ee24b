// Pumps the GUI thread's platform message queue from Qt's event loop: a QSocketNotifier watches
// the queue descriptor, so control events are handled on the GUI thread, in order, as they
// arrive, and nothing polls.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace probedesk {

class MessagePump : public QObject {
    Q_OBJECT
public:
    // Watches the calling thread's queue; Active() is false when it has none.
    explicit MessagePump(QObject* parent = nullptr);
    bool Active() const { return notifier_ != nullptr; }
    // Times the descriptor woke the pump (sent messages, a control's events, run inside).
    quint64 Wakeups() const { return wakeups_; }

signals:
    // PostQuitMessage was called on this thread; the request is taken off the queue (left on
    // it, it would keep the descriptor readable and the notifier firing).
    void quitRequested(int exitCode);

private:
    void Drain();

    QSocketNotifier* notifier_ = nullptr;
    quint64 wakeups_ = 0;
};

}  // namespace probedesk
