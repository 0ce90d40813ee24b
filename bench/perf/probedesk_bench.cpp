// The bench's speed, headless (offscreen platform unless QT_QPA_PLATFORM says otherwise):
//   BM_StartToUsableWindow  the main window built (seven controls created) and painted once;
//   BM_StatusBurstPaintGap  1,000 StatusUpdateEvents of the PIN pad raised from a Java thread
//                           while the window shows: counters give the longest time between two
//                           paints of the log box and the time until all 1,000 were logged.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "common_panel.h"
#include "device_tab.h"
#include "host/apartment.h"
#include "log_box.h"
#include "main_window.h"
#include "sim_terminal.h"
#include "test_env.h"

namespace {

using namespace probedesk;

// Paint times of the widgets of one window.
class PaintClock : public QObject {
public:
    PaintClock(QWidget* window, const QElapsedTimer& clock) : window_(window), clock_(clock) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == window_)
            paints.push_back(clock_.nsecsElapsed());
        return QObject::eventFilter(watched, event);
    }
    std::vector<qint64> paints;

private:
    QWidget* window_;
    const QElapsedTimer& clock_;
};

void BM_StartToUsableWindow(benchmark::State& state) {
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        auto window = std::make_unique<MainWindow>(true);
        PaintClock paints(window.get(), clock);
        qApp->installEventFilter(&paints);
        window->show();
        while (paints.paints.empty() && clock.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        qApp->removeEventFilter(&paints);
        if (paints.paints.empty()) {
            state.SkipWithError("the window never painted");
            return;
        }
        state.SetIterationTime(static_cast<double>(paints.paints.front()) / 1e9);
        state.counters["start_ms"] = static_cast<double>(paints.paints.front()) / 1e6;
    }
}
BENCHMARK(BM_StartToUsableWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_StatusBurstPaintGap(benchmark::State& state) {
    constexpr int kEvents = 1000;
    MainWindow window(true);
    window.show();
    DeviceTab* pinpad = window.Tab(QStringLiteral("PIN Pad"));
    pinpad->DeviceOpened();
    LateBound& control = pinpad->GetDeviceControl();
    int32_t rc = -1;
    try {
        rc = control.CallLong("ClaimDevice", static_cast<int16_t>(1000));
        control.PutBool("DeviceEnabled", true);
    } catch (const BenchError&) {
        rc = -1;
    }
    orv::co::test::JavaEventRaiser raiser("P1");
    if (rc != 0 || !raiser.Ready()) {
        state.SkipWithError("the PIN pad cannot be opened and claimed");
        return;
    }
    if (!QTest::qWaitForWindowExposed(&window)) {
        state.SkipWithError("the window is not exposed");
        return;
    }
    for (auto _ : state) {
        window.Log()->Clear();
        QElapsedTimer clock;
        PaintClock paints(&window, clock);
        qApp->installEventFilter(&paints);
        std::atomic<bool> raised{false};
        clock.start();
        std::thread burst([&] {
            for (int i = 0; i < kEvents; ++i) raiser.StatusUpdate(i);
            raised = true;
        });
        while (!(raised && window.Log()->Lines().size() >= kEvents) && clock.elapsed() < 60000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        const qint64 logged = clock.nsecsElapsed();
        // The paint that shows the last lines.
        QApplication::processEvents();
        burst.join();
        qApp->removeEventFilter(&paints);
        std::vector<qint64> times = paints.paints;
        times.insert(times.begin(), 0);
        qint64 longest = 0;
        for (size_t i = 1; i < times.size(); ++i)
            longest = std::max(longest, times[i] - times[i - 1]);
        state.SetIterationTime(static_cast<double>(logged) / 1e9);
        state.counters["logged_lines"] = static_cast<double>(window.Log()->Lines().size());
        state.counters["paints"] = static_cast<double>(paints.paints.size());
        state.counters["longest_paint_gap_ms"] = static_cast<double>(longest) / 1e6;
        state.counters["all_logged_ms"] = static_cast<double>(logged) / 1e6;
    }
}
BENCHMARK(BM_StatusBurstPaintGap)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::string jar = (orv::so::test::BuildDir() / "share/java/orvpos.jar").string();
    ::setenv("CLASSPATH", jar.c_str(), 0);
    orv::so::test::TestInstall install;
    const std::string control =
        (orv::so::test::BuildDir() / "lib" / "libPinpadControl.so").string();
    if (orv::so::test::RunCommand(orv::so::test::RegsvrTool().string() + " /s " + control) != 0)
        return 1;
    orv::host::ComApartment com;
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
