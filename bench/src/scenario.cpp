#include "scenario.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>

#include "common_panel.h"
#include "device_panels.h"
#include "device_tab.h"
#include "directio_panels.h"
#include "log_box.h"
#include "main_window.h"
#include "sim_dock.h"

namespace probedesk {

namespace {

// The one button with this caption among the direct children of parent (the tab's own content
// is made of direct children); with deep, among all descendants.
template <class B>
B* Find(QWidget* parent, const QString& caption, bool deep) {
    const auto options = deep ? Qt::FindChildrenRecursively : Qt::FindDirectChildrenOnly;
    B* found = nullptr;
    for (B* b : parent->findChildren<B*>(QString(), options)) {
        if (b->text().remove(QLatin1Char('&')) != caption) continue;
        if (found) return nullptr;
        found = b;
    }
    return found;
}

}  // namespace

ScenarioPlayer::ScenarioPlayer(MainWindow& window, std::function<void(const QString&)> report)
    : window_(window), report_(std::move(report)) {}

int ScenarioPlayer::Fail(int code, const QString& message) {
    report_(where_ + QStringLiteral(": ") + message);
    return code;
}

bool ScenarioPlayer::WaitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() >= ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

int ScenarioPlayer::Run(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        report_(QStringLiteral("%1: cannot be read: %2").arg(path, file.errorString()));
        return 2;
    }
    return RunText(QString::fromUtf8(file.readAll()), path);
}

int ScenarioPlayer::RunText(const QString& text, const QString& name) {
    QElapsedTimer wall;
    wall.start();
    // The stall watch: a 10 ms timer; a longer gap between its ticks is time the window stood.
    QElapsedTimer tick;
    tick.start();
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        figures_.longestStallMs = std::max(figures_.longestStallMs, tick.restart() - 10);
    });
    watch.start();
    cursor_ = window_.Log()->Lines().size();
    const QStringList lines = text.split(QLatin1Char('\n'));
    int result = 0;
    for (qsizetype i = 0; i < lines.size() && result == 0; ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        where_ = QStringLiteral("%1:%2").arg(name).arg(i + 1);
        const qsizetype blank = line.indexOf(QLatin1Char(' '));
        const QString verb = blank < 0 ? line : line.left(blank);
        const QString rest = blank < 0 ? QString() : line.mid(blank + 1).trimmed();
        ++figures_.statements;
        result = Statement(verb, rest);
        // The statement's own effects (a click's handler, events already queued) run now.
        QCoreApplication::processEvents();
    }
    figures_.wallMs = wall.elapsed();
    return result;
}

int ScenarioPlayer::Statement(const QString& verb, const QString& rest) {
    if (verb == QLatin1String("tab")) {
        tab_ = window_.Tab(rest);
        if (!tab_) return Fail(2, QStringLiteral("no tab \"%1\"").arg(rest));
        window_.Tabs()->setCurrentWidget(tab_);
        return 0;
    }
    if (verb == QLatin1String("timeout") || verb == QLatin1String("wait")) {
        bool ok = false;
        const int ms = rest.toInt(&ok);
        if (!ok || ms < 0) return Fail(2, QStringLiteral("\"%1\" is not a time in ms").arg(rest));
        if (verb == QLatin1String("timeout"))
            timeoutMs_ = ms;
        else
            WaitFor([] { return false; }, ms);
        return 0;
    }
    if (verb == QLatin1String("sim")) {
        if (rest.isEmpty() || rest.contains(QLatin1Char('\n')))
            return Fail(2, QStringLiteral("a simulator command is missing"));
        // The simulator starts reading the FIFO with the first device opened: wait for it.
        QString why;
        const QString fifo = qEnvironmentVariable("ORV_SIM_CONTROL");
        if (!WaitFor([&] { return (why = WriteToFifo(fifo, rest)).isEmpty(); }, timeoutMs_))
            return Fail(1, QStringLiteral("\"%1\" not sent: %2").arg(rest, why));
        return 0;
    }
    if (verb == QLatin1String("expect-log")) {
        const QStringList& lines = window_.Log()->Lines();
        qsizetype found = -1;
        const bool ok = WaitFor(
            [&] {
                for (qsizetype i = cursor_; i < lines.size(); ++i)
                    if (lines[i].contains(rest)) {
                        found = i;
                        return true;
                    }
                return false;
            },
            timeoutMs_);
        if (!ok)
            return Fail(1, QStringLiteral("no log line with \"%1\" within %2 ms")
                               .arg(rest)
                               .arg(timeoutMs_));
        cursor_ = found + 1;
        return 0;
    }
    if (verb == QLatin1String("expect-screen")) {
        const qsizetype blank = rest.indexOf(QLatin1Char(' '));
        const QString device = blank < 0 ? rest : rest.left(blank);
        const QString text = blank < 0 ? QString() : rest.mid(blank + 1);
        const QString fifo = qEnvironmentVariable("ORV_SIM_CONTROL");
        AnswerLog answers(qEnvironmentVariable("ORV_SIM_CONTROL_LOG"), false);
        if (answers.Path().isEmpty() || text.isEmpty() || !simcmd::Show(device))
            return Fail(2, QStringLiteral("expect-screen needs a device, a text and "
                                          "ORV_SIM_CONTROL_LOG"));
        const bool ok = WaitFor(
            [&] {
                WriteToFifo(fifo, *simcmd::Show(device));
                answers.Poll();
                return answers.Last(device).contains(text);
            },
            timeoutMs_);
        if (!ok)
            return Fail(1, QStringLiteral("the screen of %1 shows no \"%2\" within %3 ms:\n%4")
                               .arg(device, text)
                               .arg(timeoutMs_)
                               .arg(answers.Last(device)));
        return 0;
    }
    if (verb == QLatin1String("expect-drawn")) {
        auto* sig = window_.findChild<SignaturePanel*>();
        if (!sig) return Fail(2, QStringLiteral("no signature panel"));
        if (!WaitFor([&] { return !sig->Drawn().empty(); }, timeoutMs_))
            return Fail(1, QStringLiteral("no signature drawn within %1 ms").arg(timeoutMs_));
        return 0;
    }
    if (!tab_) return Fail(2, QStringLiteral("\"%1\" before any \"tab\"").arg(verb));
    if (verb == QLatin1String("press")) {
        QPushButton* b = Find<QPushButton>(tab_, rest, false);
        if (!b) b = Find<QPushButton>(tab_->Common(), rest, true);
        for (DirectIOPanel* p : tab_->DirectIOPanels())
            if (!b) b = Find<QPushButton>(p, rest, true);
        if (!b) b = Find<QPushButton>(window_.Dock(), rest, true);
        if (!b) return Fail(2, QStringLiteral("no single button \"%1\"").arg(rest));
        b->click();
        return 0;
    }
    if (verb == QLatin1String("tick") || verb == QLatin1String("untick")) {
        const bool on = verb == QLatin1String("tick");
        QAbstractButton* b = Find<QCheckBox>(tab_, rest, false);
        if (!b) b = Find<QRadioButton>(tab_, rest, false);
        if (!b) b = Find<QCheckBox>(tab_->Common(), rest, true);
        if (!b) return Fail(2, QStringLiteral("no single check box or option \"%1\"").arg(rest));
        if (!b->isEnabled()) return Fail(1, QStringLiteral("\"%1\" is disabled").arg(rest));
        if (b->isChecked() != on) b->click();
        return 0;
    }
    if (verb == QLatin1String("set")) {
        const qsizetype blank = rest.indexOf(QLatin1Char(' '));
        const QString object = blank < 0 ? rest : rest.left(blank);
        const QString text = blank < 0 ? QString() : rest.mid(blank + 1);
        for (QWidget* where : {static_cast<QWidget*>(tab_), static_cast<QWidget*>(window_.Dock())}) {
            if (auto* edit = where->findChild<QLineEdit*>(object)) {
                edit->setText(text);
                return 0;
            }
            if (auto* list = where->findChild<QComboBox*>(object)) {
                const int index = list->findText(text);
                if (index < 0 && !list->isEditable())
                    return Fail(2, QStringLiteral("%1 has no entry \"%2\"").arg(object, text));
                if (index >= 0)
                    list->setCurrentIndex(index);
                else
                    list->setCurrentText(text);
                return 0;
            }
        }
        return Fail(2, QStringLiteral("no field \"%1\" on this tab").arg(object));
    }
    return Fail(2, QStringLiteral("unknown statement \"%1\"").arg(verb));
}

}  // namespace probedesk
