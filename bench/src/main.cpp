// probedesk: the OPOS test bench.
//
//   probedesk [--no-splash] [--screenshot DIR] [--measure] [--scenario FILE [--log OUT]]
//
// --screenshot DIR writes a PNG of every tab and panel and ends (works without a display under
// QT_QPA_PLATFORM=offscreen); --measure prints the time from start to a usable main window;
// --scenario FILE plays a script of panel actions without a display, prints the log as it
// grows and ends with the script's result (scenario.h), --log OUT also writes the log there.
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/resource.h>

#include "host/apartment.h"
#include "log_box.h"
#include "main_window.h"
#include "scenario.h"

namespace {

// Reports the time of the main window's first paint.
class FirstPaint : public QObject {
public:
    FirstPaint(const QElapsedTimer& clock, QWidget* window) : clock_(clock), window_(window) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !done_ && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == window_) {
            done_ = true;
            std::printf("probedesk: usable main window after %lld ms\n",
                        static_cast<long long>(clock_.elapsed()));
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, &QApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer& clock_;
    QWidget* window_;
    bool done_ = false;
};

// The simulator's control FIFO and its answer file, when the caller named none: in a private
// folder of this run (mode 0700, removed at exit), named before the first control starts the JVM
// (the simulator reads the variables then).
class SimChannel {
public:
    SimChannel() : folder_(QDir::temp().filePath(QStringLiteral("probedesk-XXXXXX"))) {
        if (!folder_.isValid()) return;
        if (!std::getenv("ORV_SIM_CONTROL"))
            ::setenv("ORV_SIM_CONTROL",
                     QFile::encodeName(folder_.filePath(QStringLiteral("control"))).constData(), 1);
        if (!std::getenv("ORV_SIM_CONTROL_LOG")) {
            const QByteArray answers = QFile::encodeName(folder_.filePath(QStringLiteral("answers")));
            // Owner and group only; the simulator appends to it.
            const int fd = ::open(answers.constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0640);
            if (fd >= 0) {
                ::fchmod(fd, 0640);  // whatever the umask
                ::close(fd);
                ::setenv("ORV_SIM_CONTROL_LOG", answers.constData(), 1);
                ::setenv("PROBEDESK_SIM_LOG_OWNED", "1", 1);
            }
        }
    }
    SimChannel(const SimChannel&) = delete;
    SimChannel& operator=(const SimChannel&) = delete;

private:
    QTemporaryDir folder_;
};

}  // namespace

// Plays the scenario on the window; the exit code of the program.
int PlayScenario(probedesk::MainWindow& window, const QString& script, const QString& logFile) {
    probedesk::LogBox* log = window.Log();
    QObject::connect(log, &probedesk::LogBox::lineAdded, [log] {
        std::printf("%s\n", log->Lines().constLast().toLocal8Bit().constData());
        std::fflush(stdout);
    });
    probedesk::ScenarioPlayer player(window, [](const QString& message) {
        std::fprintf(stderr, "probedesk: %s\n", message.toLocal8Bit().constData());
    });
    const int result = player.Run(script);
    const probedesk::ScenarioFigures& f = player.Figures();
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::fprintf(stderr,
                 "probedesk: scenario %s after %d statements: %s; %lld ms, peak resident %ld MiB, "
                 "longest stall %lld ms\n",
                 script.toLocal8Bit().constData(), f.statements,
                 result == 0 ? "passed" : "FAILED", static_cast<long long>(f.wallMs),
                 usage.ru_maxrss / 1024, static_cast<long long>(f.longestStallMs));
    if (!logFile.isEmpty()) {
        // Owner and group only, as every log of the suite.
        const int fd = ::open(QFile::encodeName(logFile).constData(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0640);
        const QByteArray text = log->Text().toLocal8Bit();
        if (fd < 0 || ::fchmod(fd, 0640) != 0 ||
            ::write(fd, text.constData(), static_cast<size_t>(text.size())) != text.size()) {
            std::fprintf(stderr, "probedesk: cannot write the log to %s\n",
                         logFile.toLocal8Bit().constData());
            if (fd >= 0) ::close(fd);
            return result == 0 ? 2 : result;
        }
        ::close(fd);
    }
    return result;
}

int main(int argc, char** argv) {
    const SimChannel channel;
    // A scenario needs no display.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--scenario") == 0 && !std::getenv("QT_QPA_PLATFORM"))
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QElapsedTimer clock;
    clock.start();
    // Controls are apartment-threaded: this thread creates them, calls them and gets their
    // events. The apartment outlives every window.
    orv::host::ComApartment com;
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    QApplication::setApplicationName(QStringLiteral("ProbeDesk"));
    QApplication::setApplicationVersion(probedesk::VersionText());

    QCommandLineParser parser;
    parser.setApplicationDescription(probedesk::ProductName());
    parser.addHelpOption();
    const QCommandLineOption noSplash(QStringLiteral("no-splash"),
                                      QStringLiteral("Start without the splash window."));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Write a PNG of every tab and panel."),
                                        QStringLiteral("DIR"));
    const QCommandLineOption measure(QStringLiteral("measure"),
                                     QStringLiteral("Print the start-up time and end."));
    const QCommandLineOption scenario(QStringLiteral("scenario"),
                                      QStringLiteral("Play a script of panel actions headless."),
                                      QStringLiteral("FILE"));
    const QCommandLineOption logOut(QStringLiteral("log"),
                                    QStringLiteral("With --scenario: write the log to OUT."),
                                    QStringLiteral("OUT"));
    parser.addOptions({noSplash, screenshot, measure, scenario, logOut});
    parser.process(app);

    if (!com)
        std::fprintf(stderr, "probedesk: COM cannot be initialised (HRESULT 0x%08X)\n",
                     static_cast<unsigned>(com.Result()));

    const bool measuring = parser.isSet(measure);
    if (parser.isSet(scenario)) {
        probedesk::MainWindow window;
        return PlayScenario(window, parser.value(scenario), parser.value(logOut));
    }
    if (!parser.isSet(noSplash) && !parser.isSet(screenshot) && !measuring) {
        probedesk::Splash splash;
        splash.exec();
    }
    probedesk::MainWindow window;
    if (parser.isSet(screenshot)) {
        const int written = probedesk::WriteScreenshots(window, parser.value(screenshot));
        if (written < 0) {
            std::fprintf(stderr, "probedesk: cannot make %s\n",
                         qPrintable(parser.value(screenshot)));
            return 1;
        }
        std::printf("probedesk: %d pictures in %s\n", written,
                    qPrintable(parser.value(screenshot)));
        return 0;
    }
    FirstPaint firstPaint(clock, &window);
    if (measuring) app.installEventFilter(&firstPaint);
    window.show();
    return QApplication::exec();
}
