// "Simulated terminal": a dock for people without a terminal on the desk. It writes simulator
// commands into the control FIFO ($ORV_SIM_CONTROL) exactly as a shell user would, and shows the
// line display and the terminal's screen from the answers the simulator appends to
// $ORV_SIM_CONTROL_LOG.
#pragma once

#include <QDockWidget>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QTimer;

namespace probedesk {

class LogBox;

// The simulator's command lines. Each returns nullopt for input that cannot make one safe line
// (a line break, a quote, an empty or non-numeric value where a number belongs, a blank in a
// device name), so nothing typed into the dock can run a second command.
namespace simcmd {
std::optional<QString> Pin(const QString& device, const QString& digits);  // digits or "cancel"
std::optional<QString> Swipe(const QString& device, const QStringList& tracks);  // up to 4
std::optional<QString> Sign(const QString& device, const std::vector<std::vector<QPoint>>& strokes);
std::optional<QString> SignDone(const QString& device);
std::optional<QString> Scan(const QString& device, const QString& type, const QString& label);
std::optional<QString> Key(const QString& device, const QString& key);
std::optional<QString> Error(const QString& device, const QString& code);
std::optional<QString> Status(const QString& device, const QString& code);
std::optional<QString> Power(const QString& device, bool on);  // device or "all"
std::optional<QString> Show(const QString& device);             // device or "terminal"
}  // namespace simcmd

// Writes one line into a FIFO that a reader has open; "" on success, else why not (no reader,
// not a FIFO, ...). Never blocks.
QString WriteToFifo(const QString& path, const QString& line);

// The answers of "show <what>" in the simulator's answer log: each record starts with
// "show <what> -> " and runs to the next answer line.
class AnswerLog {
public:
    // trim: the file is the bench's own and may be emptied once it has been read.
    AnswerLog(QString path, bool trim) : path_(std::move(path)), trim_(trim) {}
    // Reads what was appended since the last call; false when the file cannot be read.
    bool Poll();
    // The last answer seen for "show <what>", without the command part.
    QString Last(const QString& what) const;
    const QString& Path() const { return path_; }

private:
    void Take(const QString& line);
    static constexpr qint64 kTrimAt = 1 << 20;
    QString path_;
    bool trim_;
    qint64 offset_ = 0;
    QString partial_;
    QString current_;  // the "what" the lines being read belong to, or ""
    std::vector<std::pair<QString, QString>> answers_;
};

// The 320 x 240 pad the customer signs on with the mouse.
class SignPad : public QWidget {
    Q_OBJECT
public:
    explicit SignPad(QWidget* parent = nullptr);
    const std::vector<std::vector<QPoint>>& Strokes() const { return strokes_; }
    void Clear();
    void AddStroke(std::vector<QPoint> stroke);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent*) override;

private:
    std::vector<std::vector<QPoint>> strokes_;
};

class SimDock : public QDockWidget {
    Q_OBJECT
public:
    SimDock(LogBox* log, QWidget* parent = nullptr);

    // Sends one command line; the log says what was sent (shown, when the line holds a PIN or
    // card data) or why it was not.
    bool Send(const std::optional<QString>& line, const QString& shown = {});
    // Asks for the screens and shows the answers that have come in.
    void Refresh();
    QPlainTextEdit* Screen() const { return screen_; }
    SignPad* Pad() const { return pad_; }
    QString FifoPath() const;

private:
    QWidget* Row(const QString& caption, std::initializer_list<QWidget*> widgets);
    LogBox* log_;
    QLineEdit* fifo_;
    QPlainTextEdit* screen_;
    SignPad* pad_;
    QTimer* timer_;
    AnswerLog answers_;
};

}  // namespace probedesk
