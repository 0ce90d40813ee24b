// The bench's windows: the splash, the main window with one tab per device class and the shared
// log box, and the about box.
#pragma once

#include <QDialog>
#include <QMainWindow>
#include <QString>

#include <vector>

class QFrame;
class QLabel;
class QTabWidget;
class QTimer;

namespace probedesk {

class DeviceTab;
class LogBox;
class MessagePump;
class SimDock;

// "Version major.minor" of the program.
QString VersionText();
// The program title.
QString ProductName();

class Splash : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 3000;
    explicit Splash(QWidget* parent = nullptr);
    QFrame* Frame() const { return frame_; }
    QTimer* Timer() const { return timer_; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QFrame* frame_;
    QTimer* timer_;
};

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Builds the window and its tabs; createControls: create each tab's control (the tabs
    // without one log why and stay usable).
    explicit MainWindow(bool createControls = true, QWidget* parent = nullptr);
    ~MainWindow() override;

    LogBox* Log() const { return log_; }
    QTabWidget* Tabs() const { return tabs_; }
    const std::vector<DeviceTab*>& DeviceTabs() const { return deviceTabs_; }
    DeviceTab* Tab(const QString& caption) const;
    MessagePump* Pump() const { return pump_; }
    SimDock* Dock() const { return dock_; }
    void ShowAbout();
    // Remembers the geometry and the device names.
    void SaveSettings() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void RestoreSettings();

    LogBox* log_;
    QTabWidget* tabs_;
    MessagePump* pump_;
    std::vector<DeviceTab*> deviceTabs_;
    SimDock* dock_;
};

// Writes a PNG of every tab and inner panel (and of the splash and the about box) into folder;
// the number of pictures written, -1 when the folder cannot be made.
int WriteScreenshots(MainWindow& window, const QString& folder);

}  // namespace probedesk
