#include "sim_dock.h"

#include <QComboBox>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "log_box.h"
#include "panel_rules.h"

namespace probedesk {

namespace simcmd {
namespace {

// A word of a command: no blanks, quotes or line breaks.
bool Word(const QString& s) {
    if (s.isEmpty()) return false;
    for (const QChar c : s)
        if (c.isSpace() || c == QLatin1Char('"') || c.category() == QChar::Other_Control)
            return false;
    return true;
}

bool Number(const QString& s) {
    bool ok = false;
    s.toInt(&ok);
    return ok && Word(s);
}

}  // namespace

std::optional<QString> Pin(const QString& device, const QString& digits) {
    if (!Word(device)) return std::nullopt;
    if (digits.compare(QLatin1String("cancel"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("pin %1 cancel").arg(device);
    if (digits.isEmpty() || digits.size() > 16) return std::nullopt;
    for (const QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
    return QStringLiteral("pin %1 %2").arg(device, digits);
}

std::optional<QString> Swipe(const QString& device, const QStringList& tracks) {
    if (!Word(device) || tracks.size() > 4) return std::nullopt;
    QString line = QStringLiteral("swipe ") + device;
    bool any = false;
    for (qsizetype i = 0; i < tracks.size(); ++i) {
        const QString& t = tracks[i];
        if (t.isEmpty()) continue;
        // Blanks are kept by the quotes; quotes and line breaks cannot be.
        for (const QChar c : t)
            if (c == QLatin1Char('"') || c.category() == QChar::Other_Control) return std::nullopt;
        line += QStringLiteral(" \"%1=%2\"").arg(i + 1).arg(t);
        any = true;
    }
    if (!any) return std::nullopt;
    return line;
}

std::optional<QString> Sign(const QString& device,
                            const std::vector<std::vector<QPoint>>& strokes) {
    if (!Word(device)) return std::nullopt;
    QString line = QStringLiteral("sign ") + device;
    bool first = true;
    for (const std::vector<QPoint>& stroke : strokes) {
        if (stroke.empty()) continue;
        if (!first) line += QStringLiteral(" -");
        first = false;
        for (const QPoint& p : stroke) {
            if (p.x() < 0 || p.y() < 0 || p.x() > 0xFFFE || p.y() > 0xFFFE) return std::nullopt;
            line += QStringLiteral(" %1,%2").arg(p.x()).arg(p.y());
        }
    }
    if (first) return std::nullopt;
    return line;
}

std::optional<QString> SignDone(const QString& device) {
    if (!Word(device)) return std::nullopt;
    return QStringLiteral("sign %1 done").arg(device);
}

std::optional<QString> Scan(const QString& device, const QString& type, const QString& label) {
    if (!Word(device) || !Word(type) || !Word(label)) return std::nullopt;
    return QStringLiteral("scan %1 %2 %3").arg(device, type, label);
}

std::optional<QString> Key(const QString& device, const QString& key) {
    if (!Word(device) || !Word(key)) return std::nullopt;
    return QStringLiteral("key %1 %2").arg(device, key);
}

std::optional<QString> Error(const QString& device, const QString& code) {
    if (!Word(device) || !Number(code)) return std::nullopt;
    return QStringLiteral("error %1 %2").arg(device, code);
}

std::optional<QString> Status(const QString& device, const QString& code) {
    if (!Word(device) || !Number(code)) return std::nullopt;
    return QStringLiteral("status %1 %2").arg(device, code);
}

std::optional<QString> Power(const QString& device, bool on) {
    if (!Word(device)) return std::nullopt;
    return QStringLiteral("power %1 %2").arg(device, on ? QStringLiteral("online")
                                                          : QStringLiteral("off"));
}

std::optional<QString> Show(const QString& device) {
    if (!Word(device)) return std::nullopt;
    return QStringLiteral("show ") + device;
}

}  // namespace simcmd

QString WriteToFifo(const QString& path, const QString& line) {
    if (path.isEmpty()) return QStringLiteral("no control FIFO (ORV_SIM_CONTROL is not set)");
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking: with no reader the open fails (ENXIO) instead of hanging the window.
    const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENXIO)
            return QStringLiteral("nothing reads %1 yet (the simulator starts with the first "
                                  "device opened)")
                .arg(path);
        return QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    }
    struct stat st {};
    QString why;
    if (::fstat(fd, &st) != 0 || !S_ISFIFO(st.st_mode)) {
        why = QStringLiteral("%1 is not a FIFO").arg(path);
    } else {
        // One write of less than PIPE_BUF bytes: the reader never sees half a line.
        const QByteArray data = line.toUtf8() + '\n';
        if (data.size() > 4096) {
            why = QStringLiteral("the command is too long");
        } else {
            const ssize_t n = ::write(fd, data.constData(), static_cast<size_t>(data.size()));
            if (n != data.size())
                why = QStringLiteral("%1: %2").arg(
                    path, n < 0 ? QString::fromLocal8Bit(std::strerror(errno))
                                : QStringLiteral("short write"));
        }
    }
    ::close(fd);
    return why;
}

bool AnswerLog::Poll() {
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) return false;
    if (file.size() < offset_) offset_ = 0;  // the file was started again
    if (!file.seek(offset_)) return false;
    const QByteArray fresh = file.readAll();
    offset_ += fresh.size();
    // A file of the bench's own is started again now and then: the screen requests would
    // otherwise grow it for as long as the bench runs.
    if (trim_ && offset_ > kTrimAt && file.resize(0)) offset_ = 0;
    partial_ += QString::fromUtf8(fresh);
    qsizetype newline;
    while ((newline = partial_.indexOf(QLatin1Char('\n'))) >= 0) {
        Take(partial_.left(newline));
        partial_.remove(0, newline + 1);
    }
    return true;
}

void AnswerLog::Take(const QString& line) {
    static const QString kArrow = QStringLiteral(" -> ");
    const qsizetype arrow = line.indexOf(kArrow);
    // An answer line: "<command> -> OK ..." or "... -> ERR ...".
    if (arrow > 0 && (line.mid(arrow + kArrow.size()).startsWith(QLatin1String("OK")) ||
                      line.mid(arrow + kArrow.size()).startsWith(QLatin1String("ERR")))) {
        const QString command = line.left(arrow);
        current_.clear();
        if (command.startsWith(QLatin1String("show "))) {
            current_ = command.mid(5).trimmed();
            for (auto& [what, text] : answers_)
                if (what == current_) {
                    text = line.mid(arrow + kArrow.size());
                    return;
                }
            answers_.emplace_back(current_, line.mid(arrow + kArrow.size()));
        }
        return;
    }
    if (current_.isEmpty()) return;
    for (auto& [what, text] : answers_)
        if (what == current_) text += QLatin1Char('\n') + line;
}

QString AnswerLog::Last(const QString& what) const {
    for (const auto& [w, text] : answers_)
        if (w == what) return text;
    return {};
}

SignPad::SignPad(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("padSign"));
    setFixedSize(320, 240);
    setCursor(Qt::CrossCursor);
}

void SignPad::Clear() {
    strokes_.clear();
    update();
}

void SignPad::AddStroke(std::vector<QPoint> stroke) {
    strokes_.push_back(std::move(stroke));
    update();
}

void SignPad::mousePressEvent(QMouseEvent* e) {
    strokes_.push_back({e->position().toPoint()});
    update();
}

void SignPad::mouseMoveEvent(QMouseEvent* e) {
    if (strokes_.empty() || !(e->buttons() & Qt::LeftButton)) return;
    const QPoint p = e->position().toPoint();
    // Points on the pad only: the terminal's pad is 320 x 240.
    if (!rect().contains(p)) return;
    strokes_.back().push_back(p);
    update();
}

void SignPad::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(Qt::gray);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(QPen(Qt::darkBlue, 2));
    for (const std::vector<QPoint>& stroke : strokes_)
        for (size_t i = 1; i < stroke.size(); ++i) p.drawLine(stroke[i - 1], stroke[i]);
}

namespace {

struct TestCard {
    const char* name;
    const char* tracks[3];
};

// Published test account numbers; none is a real card.
const TestCard kCards[] = {
    {"Visa test card",
     {"%B4111111111111111^DOE/JOHN^2812101000000000000?", ";4111111111111111=28121010000?", ""}},
    {"MasterCard test card",
     {"%B5555555555554444^ROE/JANE^2712201000000000000?", ";5555555555554444=27122010000?", ""}},
    {"Track 2 only", {"", ";4012888888881881=29011010000?", ""}},
};

QComboBox* Combo(QWidget* parent, const QString& object, const QStringList& items,
                 bool editable = false) {
    auto* c = new QComboBox(parent);
    c->setObjectName(object);
    c->addItems(items);
    c->setEditable(editable);
    return c;
}

QLineEdit* Edit(QWidget* parent, const QString& object, const QString& text) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(object);
    return e;
}

}  // namespace

QWidget* SimDock::Row(const QString& caption, std::initializer_list<QWidget*> widgets) {
    auto* box = new QGroupBox(caption);
    auto* layout = new QHBoxLayout(box);
    for (QWidget* w : widgets) layout->addWidget(w);
    layout->addStretch(1);
    return box;
}

SimDock::SimDock(LogBox* log, QWidget* parent)
    : QDockWidget(tr("Simulated terminal"), parent),
      log_(log),
      answers_(qEnvironmentVariable("ORV_SIM_CONTROL_LOG"),
               qEnvironmentVariable("PROBEDESK_SIM_LOG_OWNED") == QLatin1String("1")) {
    setObjectName(QStringLiteral("dockSimTerminal"));
    // Not closable: the menus have no entry to bring it back.
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);

    fifo_ = Edit(body, QStringLiteral("txtSimFifo"), qEnvironmentVariable("ORV_SIM_CONTROL"));
    fifo_->setReadOnly(true);
    fifo_->setToolTip(tr("The simulator's control FIFO ($ORV_SIM_CONTROL); a shell can write "
                         "the same commands into it"));
    layout->addWidget(Row(tr("Control FIFO"), {fifo_}));

    const auto button = [body](const QString& caption) { return new QPushButton(caption, body); };

    // PIN entry.
    QComboBox* pinDevice = Combo(body, "cmbSimPinDevice", {"P1"}, true);
    QLineEdit* pin = Edit(body, "txtSimPin", "1234");
    pin->setEchoMode(QLineEdit::Password);
    QPushButton* enterPin = button(tr("Enter PIN"));
    QPushButton* cancelPin = button(tr("Cancel PIN"));
    connect(enterPin, &QPushButton::clicked, this, [=, this] {
        Send(simcmd::Pin(pinDevice->currentText(), pin->text()),
             QStringLiteral("pin %1 %2").arg(pinDevice->currentText(), MaskSecret(pin->text())));
    });
    connect(cancelPin, &QPushButton::clicked, this,
            [=, this] { Send(simcmd::Pin(pinDevice->currentText(), QStringLiteral("cancel"))); });
    layout->addWidget(Row(tr("PIN"), {pinDevice, pin, enterPin, cancelPin}));

    // Card swipe.
    QStringList cardNames;
    for (const TestCard& c : kCards) cardNames << tr(c.name);
    QComboBox* msrDevice = Combo(body, "cmbSimMsrDevice", {"M1"}, true);
    QComboBox* card = Combo(body, "cmbSimCard", cardNames);
    auto* tracks = new QWidget(body);
    auto* trackForm = new QFormLayout(tracks);
    QLineEdit* track[3];
    for (int i = 0; i < 3; ++i) {
        track[i] = Edit(tracks, QStringLiteral("txtSimTrack%1").arg(i + 1), kCards[0].tracks[i]);
        trackForm->addRow(tr("Track %1:").arg(i + 1), track[i]);
    }
    connect(card, &QComboBox::currentIndexChanged, this, [=](int index) {
        if (index < 0) return;
        for (int i = 0; i < 3; ++i) track[i]->setText(QString::fromLatin1(kCards[index].tracks[i]));
    });
    QPushButton* swipe = button(tr("Swipe"));
    connect(swipe, &QPushButton::clicked, this, [=, this] {
        const QStringList t = {track[0]->text(), track[1]->text(), track[2]->text()};
        // The log shows the tracks as the MSR panel does: never a card in clear.
        QString shown = QStringLiteral("swipe ") + msrDevice->currentText();
        for (int i = 0; i < 3; ++i)
            if (!t[i].isEmpty()) shown += QStringLiteral(" %1=%2").arg(i + 1).arg(MaskTrack(t[i]));
        Send(simcmd::Swipe(msrDevice->currentText(), t), shown);
    });
    layout->addWidget(Row(tr("Card"), {msrDevice, card, swipe}));
    layout->addWidget(tracks);

    // Signature.
    QComboBox* sigDevice = Combo(body, "cmbSimSigDevice", {"S1"}, true);
    pad_ = new SignPad(body);
    QPushButton* sendSig = button(tr("Send Signature"));
    QPushButton* clearSig = button(tr("Clear Pad"));
    connect(sendSig, &QPushButton::clicked, this, [=, this] {
        if (Send(simcmd::Sign(sigDevice->currentText(), pad_->Strokes())))
            Send(simcmd::SignDone(sigDevice->currentText()));
    });
    connect(clearSig, &QPushButton::clicked, pad_, &SignPad::Clear);
    layout->addWidget(Row(tr("Signature"), {sigDevice, sendSig, clearSig}));
    layout->addWidget(pad_);

    // Scan.
    QComboBox* scanDevice = Combo(body, "cmbSimScanDevice", {"SCAN1"}, true);
    QComboBox* scanType =
        Combo(body, "cmbSimScanType", {"UPCA", "EAN13", "EAN8", "Code128", "Code39"}, true);
    QLineEdit* label = Edit(body, "txtSimLabel", "036000291452");
    QPushButton* scan = button(tr("Scan"));
    connect(scan, &QPushButton::clicked, this, [=, this] {
        Send(simcmd::Scan(scanDevice->currentText(), scanType->currentText(), label->text()));
    });
    layout->addWidget(Row(tr("Scan"), {scanDevice, scanType, label, scan}));

    // Keys.
    QComboBox* keyDevice = Combo(body, "cmbSimKeyDevice", {"K1"}, true);
    QComboBox* key = Combo(body, "cmbSimKey",
                           {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "ENTER", "CANCEL",
                            "CLEAR", "F1", "F2", "F3", "F4"},
                           true);
    QPushButton* press = button(tr("Press Key"));
    connect(press, &QPushButton::clicked, this,
            [=, this] { Send(simcmd::Key(keyDevice->currentText(), key->currentText())); });
    layout->addWidget(Row(tr("Keys"), {keyDevice, key, press}));

    // Errors, status updates and power.
    const QStringList all = {"P1", "S1", "L1", "M1", "K1", "T1", "SCAN1"};
    QComboBox* device = Combo(body, "cmbSimDevice", all, true);
    QLineEdit* errorCode = Edit(body, "txtSimError", "111");
    QLineEdit* statusCode = Edit(body, "txtSimStatus", "2001");
    QPushButton* error = button(tr("Raise Error"));
    QPushButton* status = button(tr("Status Update"));
    QPushButton* off = button(tr("Power Off"));
    QPushButton* on = button(tr("Power On"));
    connect(error, &QPushButton::clicked, this,
            [=, this] { Send(simcmd::Error(device->currentText(), errorCode->text())); });
    connect(status, &QPushButton::clicked, this,
            [=, this] { Send(simcmd::Status(device->currentText(), statusCode->text())); });
    connect(off, &QPushButton::clicked, this,
            [=, this] { Send(simcmd::Power(device->currentText(), false)); });
    connect(on, &QPushButton::clicked, this,
            [=, this] { Send(simcmd::Power(device->currentText(), true)); });
    layout->addWidget(Row(tr("Device"), {device, errorCode, error, statusCode, status}));
    layout->addWidget(Row(tr("Power"), {off, on}));

    // The screens.
    screen_ = new QPlainTextEdit(body);
    screen_->setObjectName(QStringLiteral("txtSimScreen"));
    screen_->setReadOnly(true);
    screen_->setFont(QFont(QStringLiteral("monospace")));
    screen_->setMinimumHeight(160);
    screen_->setPlaceholderText(answers_.Path().isEmpty()
                                    ? tr("Set ORV_SIM_CONTROL_LOG to see the screens")
                                    : tr("The screens appear once a device is open"));
    layout->addWidget(screen_);
    layout->addStretch(1);

    auto* scroll = new QScrollArea;
    scroll->setWidget(body);
    scroll->setWidgetResizable(true);
    setWidget(scroll);

    // Live: every 500 ms while the dock is shown, ask for the screens and show what came back.
    timer_ = new QTimer(this);
    timer_->setInterval(500);
    connect(timer_, &QTimer::timeout, this, &SimDock::Refresh);
    connect(this, &QDockWidget::visibilityChanged, this, [this](bool shown) {
        if (shown)
            timer_->start();
        else
            timer_->stop();
    });
}

QString SimDock::FifoPath() const { return fifo_->text(); }

bool SimDock::Send(const std::optional<QString>& line, const QString& shown) {
    if (!line) {
        log_->Line(tr("Simulated terminal: refused, the input does not make a command"));
        return false;
    }
    const QString why = WriteToFifo(fifo_->text(), *line);
    if (!why.isEmpty()) {
        log_->Line(tr("Simulated terminal: not sent, %1").arg(why));
        return false;
    }
    log_->Line(tr("Simulated terminal: ") + (shown.isEmpty() ? *line : shown));
    return true;
}

void SimDock::Refresh() {
    if (answers_.Path().isEmpty() || fifo_->text().isEmpty()) return;
    // Quietly: the screen requests are not worth a log line each.
    for (const char* what : {"L1", "terminal"}) WriteToFifo(fifo_->text(), *simcmd::Show(what));
    if (!answers_.Poll()) return;
    const QString text = tr("Line display:\n") + answers_.Last(QStringLiteral("L1")) +
                         tr("\n\nTerminal:\n") + answers_.Last(QStringLiteral("terminal"));
    if (text != screen_->toPlainText()) screen_->setPlainText(text);
}

}  // namespace probedesk
