// The "Common Properties" panel: the members every OPOS class shares, called late-bound on the
// host tab's control, each result logged.
#pragma once

#include <QWidget>

#include <cstdint>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace probedesk {

class DevicePanel;
class LateBound;
class LogBox;

class CommonPanel : public QWidget {
    Q_OBJECT
public:
    CommonPanel(LogBox* log, QWidget* parent = nullptr);

    void SetDevicePanel(DevicePanel* host) { host_ = host; }
    // Refresh: the switches from the control; nothing is written back. Each member is read on
    // its own, so one the control lacks costs one error line and the rest still refresh.
    void Update();
    // Every switch off, the first health level; under the refreshing flag (no control calls).
    void Reset();
    // A short reason for a failed result, for the device panels' labels.
    QString Hint(int32_t resultCode);
    bool Refreshing() const { return refreshing_; }

private:
    QPushButton* AddButton(const QString& caption, void (CommonPanel::*handler)());
    QCheckBox* AddSwitch(const QString& caption, const char* property, const char* setText,
                         const char* clearText, int32_t onValue);
    void Switch(const char* property, bool on, const char* setText, const char* clearText,
                int32_t onValue);
    void Conversion(int32_t value);
    // Runs body on the host's control under the error trap.
    template <class F>
    void OnControl(F&& body);
    // Logs label + the property's text; an unreadable member gives its error line alone.
    void LogProperty(const QString& label, const char* property);

    void Open();
    void Claim();
    void Release();
    void Close();
    void Capabilities();
    void Properties();
    void DeviceInfo();
    void ClearOutput();
    void ClearInput();
    void DataCount();
    void OutputId();
    void CheckHealth();
    void UpdateFirmware();
    void BrowseFirmware();

    LogBox* log_;
    DevicePanel* host_ = nullptr;
    bool refreshing_ = false;
    QCheckBox* enabled_;
    QCheckBox* autoDisable_;
    QCheckBox* dataEvents_;
    QCheckBox* freeze_;
    QCheckBox* powerNotify_;
    QButtonGroup* conversion_;
    QRadioButton* none_;
    QRadioButton* nibble_;
    QRadioButton* decimal_;
    QComboBox* healthLevel_;
    QLineEdit* firmwareFile_;
};

}  // namespace probedesk
