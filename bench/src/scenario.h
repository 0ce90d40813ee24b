// The headless scenario player: a text script of panel actions played on the main window, one
// statement a line ('#' starts a comment):
//
//   tab <caption>              the device tab the next statements act on
//   press <caption>            clicks the button: the tab's own, then the common panel's, the
//                              DirectIO panels' and the Simulated terminal dock's
//   tick <caption> / untick <caption>   a check box or option of the tab or its common panel
//   set <object name> <text>   a field or list of the tab (or the dock) gets the text
//   sim <command>              a simulator command, written into the control FIFO
//   expect-log <text>          waits until a log line after the last one matched contains text
//   expect-screen <device> <text>   waits until the simulator's "show <device>" answer holds text
//   expect-drawn               waits until the signature panel has drawn a signature
//   timeout <ms>               how long the expectations wait (default 10000)
//   wait <ms>                  lets the window run that long
//
// Run returns 0 when every statement succeeded, 1 at the first failed expectation, 2 for a
// script that cannot be played (no file, an unknown statement, caption or field).
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace probedesk {

class DeviceTab;
class MainWindow;

struct ScenarioFigures {
    int statements = 0;
    qint64 wallMs = 0;
    qint64 longestStallMs = 0;  // the longest time the window's event loop did not run
};

class ScenarioPlayer {
public:
    // report receives the failure messages ("file:line: ...").
    ScenarioPlayer(MainWindow& window, std::function<void(const QString&)> report);
    int Run(const QString& path);
    int RunText(const QString& text, const QString& name = QStringLiteral("scenario"));
    const ScenarioFigures& Figures() const { return figures_; }

private:
    int Statement(const QString& verb, const QString& rest);
    bool WaitFor(const std::function<bool()>& done, int ms);
    int Fail(int code, const QString& message);

    MainWindow& window_;
    std::function<void(const QString&)> report_;
    DeviceTab* tab_ = nullptr;
    int timeoutMs_ = 10000;
    qsizetype cursor_ = 0;  // the log line after the last one an expectation matched
    QString where_;
    ScenarioFigures figures_;
};

}  // namespace probedesk
