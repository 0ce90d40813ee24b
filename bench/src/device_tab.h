// A device tab: one OPOS control of a device class, its device name field, and its own tab
// strip with the common properties panel and the four DirectIO panels. It opens and releases
// the control for the common panel and logs the control's DirectIO, error and status events.
// The class-specific content (capabilities, class fields, data events) goes into ContentArea().
#pragma once

#include <QString>
#include <QWidget>

#include <initializer_list>
#include <utility>
#include <vector>

#include "device_panel.h"
#include "late_bound.h"
#include "log_box.h"
#include "platform/com.h"

class QCheckBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QVBoxLayout;

namespace orv {
class EventArgs;
}

namespace probedesk {

class CommonPanel;
class DirectIOPanel;
class LogBox;

// What differs between the seven device classes in the shell.
struct DeviceClass {
    const char* tab;            // "PIN Pad"
    const char* object;         // "pnlPinPad1"
    const char* progId;         // "OPOS.PINPad"
    const char* controlName;    // the container's name of the control: "PinpadControl1"
    const char* defaultDevice;  // "P1"
    const char* openingWord;    // "PIN": logged as "Opening PIN"
    const char* directIOEvent;  // first line of a DirectIOEvent
    const char* errorEvent;     // first line of an ErrorEvent; nullptr: not handled
    const char* statusEvent;    // StatusUpdateEvent text, the status follows
    DISPID dispidDirectIO;
    DISPID dispidError;  // DISPID_UNKNOWN: the class has no ErrorEvent
    DISPID dispidStatus;
    const char* note;  // a tooltip for the DirectIO panels, or nullptr
};

// The seven classes in tab order.
const std::vector<DeviceClass>& DeviceClasses();

class DeviceTab : public QWidget, public DevicePanel {
    Q_OBJECT
public:
    DeviceTab(const DeviceClass& deviceClass, LogBox* log, QWidget* parent = nullptr);
    ~DeviceTab() override;

    // Creates the control and connects its events; a failure is logged and the tab stays usable.
    void CreateControl();

    LateBound& GetDeviceControl() override { return control_; }
    void DeviceOpened() override;
    void DeviceReleased() override;

    const DeviceClass& Class() const { return class_; }
    QLineEdit* ServiceId() const { return serviceId_; }
    CommonPanel* Common() const { return common_; }
    const std::vector<DirectIOPanel*>& DirectIOPanels() const { return directIO_; }
    QTabWidget* Strip() const { return strip_; }
    // Where the class-specific content of the tab goes.
    QVBoxLayout* ContentArea() const { return content_; }
    // The capability labels ("lblCapISO", ...), filled after a successful Open.
    QLabel* Capability(const char* property) const;

protected:
    LogBox* Log() const { return log_; }
    // Connects the class's own events (data, output complete); called once the control exists.
    virtual HRESULT ConnectClassEvents(orv::host::Control&) { return S_OK; }
    // After "Opened Device", before the common panel's refresh.
    virtual void AfterOpen() {}
    // Before ReleaseDevice.
    virtual void BeforeRelease() {}

    // Builders of the class content: a grid of captioned fields, labels and buttons.
    void AddCapabilities(std::initializer_list<const char*> properties);
    QLineEdit* AddField(const QString& objectName, const QString& caption, const QString& text);
    QLabel* AddValue(const QString& objectName, const QString& caption);
    QPushButton* AddButton(const QString& caption);
    QCheckBox* AddCheck(const QString& objectName, const QString& caption);
    QRadioButton* AddOption(const QString& objectName, const QString& caption);
    // Starts a new row of buttons/options.
    void NewRow();
    void AddToRow(QWidget* widget);
    // Runs body under the error trap of this tab's log.
    template <class F>
    void Guard(F&& body) {
        Trap(log_, std::forward<F>(body));
    }

private:

    void OnDirectIOEvent(const orv::EventArgs& a);
    void OnErrorEvent(const orv::EventArgs& a);
    void OnStatusUpdateEvent(const orv::EventArgs& a);

    const DeviceClass& class_;
    LogBox* log_;
    LateBound control_;
    QLineEdit* serviceId_;
    QVBoxLayout* content_;
    QTabWidget* strip_;
    CommonPanel* common_;
    std::vector<DirectIOPanel*> directIO_;
    std::vector<std::pair<const char*, QLabel*>> capabilities_;
    QGridLayout* fields_ = nullptr;
    QGridLayout* caps_ = nullptr;
    QVBoxLayout* rows_ = nullptr;
    QHBoxLayout* row_ = nullptr;
};

// The tab of a class with its own content (keyboard, line display, ...); a plain DeviceTab for
// a class without one.
DeviceTab* MakeDeviceTab(const DeviceClass& deviceClass, LogBox* log, QWidget* parent = nullptr);

// "0x" digits of an event's data: upper-case hex, negative values as 32-bit two's complement.
QString HexOf(int32_t value);

}  // namespace probedesk
