#include "device_tab.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "common_panel.h"
#include "directio_panels.h"
#include "host/opos_events.h"
#include "log_box.h"
#include "platform/connection_point.h"

namespace probedesk {

namespace opos = orv::host::opos;

const std::vector<DeviceClass>& DeviceClasses() {
    // The keyboard, scanner and tone controls are taken to number their events as the suite's
    // other input controls do (DataEvent 1, DirectIOEvent 2, ErrorEvent 3, StatusUpdateEvent 4).
    static const std::vector<DeviceClass> classes = {
        {"Keyboard", "pnlKeyboard1", "OPOS.POSKeyboard", "KeyboardControl1", "K1", "POSKeyboard",
         "Keyboard DirectIOEvent:", "Keyboard ErrorEvent", "Keyboard StatusUpdateEvent  Status:",
         opos::DirectIOEvent, opos::ErrorEvent, opos::StatusUpdateEvent, nullptr},
        {"Line Display", "pnlLineDisplay1", "DisplayControl.DisplayControlCtrl.1",
         "LineDisplayControl1", "L1", "LineDisplay", "Line Display DirectIOEvent:", nullptr,
         "LineDisplay StatusUpdateEvent  Status:", opos::linedisplay::DirectIOEvent, DISPID_UNKNOWN,
         opos::linedisplay::StatusUpdateEvent, nullptr},
        {"MSR", "pnlMSR1", "OPOS.MSR", "MSRControl1", "M1", "MSR", "MSR DirectIOEvent:",
         "MSR ErrorEvent", "MSR StatusUpdateEvent  Status:", opos::DirectIOEvent, opos::ErrorEvent,
         opos::StatusUpdateEvent, nullptr},
        {"PIN Pad", "pnlPinPad1", "OPOS.PINPad", "PinpadControl1", "P1", "PIN",
         "PINPad DirectIOEvent:", "PINPad ErrorEvent", "PINPad StatusUpdateEvent  Status:",
         opos::DirectIOEvent, opos::ErrorEvent, opos::StatusUpdateEvent, nullptr},
        {"Scanner", "pnlScanner1", "OPOS.Scanner", "ScannerControl1", "SCAN1", "Scanner",
         "Scanner DirectIOEvent:", "Scanner ErrorEvent", "Scanner StatusUpdateEvent  Status:",
         opos::DirectIOEvent, opos::ErrorEvent, opos::StatusUpdateEvent,
         "The scanner's service object passes DirectIO numbers to the scanner untranslated: "
         "command 1 is read as hex bytes (\"10,10,Go Cubs!\" sends the one byte 0x10), the other "
         "numbers are not the terminal commands of these panels."},
        {"Signature", "pnlSig1", "OPOS.SigCap", "SigControl1", "S1", "Sig",
         "Sig DirectIOEvent:", "SIG ErrorEvent", "Sig StatusUpdateEvent ", opos::DirectIOEvent,
         opos::ErrorEvent, opos::StatusUpdateEvent, nullptr},
        {"Tone", "pnlTone1", "OPOS.ToneIndicator", "ToneControl1", "T1", "Tone",
         "Tone DirectIOEvent:", "Tone ErrorEvent", "Tone StatusUpdateEvent  Status:",
         opos::DirectIOEvent, opos::ErrorEvent, opos::StatusUpdateEvent, nullptr},
    };
    return classes;
}

QString HexOf(int32_t value) {
    return QString::number(static_cast<uint32_t>(value), 16).toUpper();
}

DeviceTab::DeviceTab(const DeviceClass& deviceClass, LogBox* log, QWidget* parent)
    : QWidget(parent),
      class_(deviceClass),
      log_(log),
      serviceId_(new QLineEdit(QString::fromLatin1(deviceClass.defaultDevice), this)),
      content_(new QVBoxLayout),
      strip_(new QTabWidget(this)),
      common_(new CommonPanel(log, strip_)) {
    setObjectName(QString::fromLatin1(deviceClass.object));
    serviceId_->setObjectName(QStringLiteral("txtServiceID"));
    auto* nameLabel = new QLabel(tr("&Device Name:"), this);
    nameLabel->setBuddy(serviceId_);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(serviceId_);
    nameRow->addStretch(1);

    strip_->setObjectName(QStringLiteral("tabDevicePanels"));
    common_->SetDevicePanel(this);
    strip_->addTab(common_, tr("Common Properties"));
    for (const DirectIOPanelLayout& layout : DirectIOPanelLayouts()) {
        auto* panel = new DirectIOPanel(layout, log, strip_);
        panel->SetDevicePanel(this);
        if (deviceClass.note) panel->setToolTip(tr(deviceClass.note));
        const int index = strip_->addTab(panel, QString::fromLatin1(layout.caption));
        if (deviceClass.note) strip_->setTabToolTip(index, tr(deviceClass.note));
        directIO_.push_back(panel);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(nameRow);
    layout->addLayout(content_);
    layout->addWidget(strip_, 1);
}

DeviceTab::~DeviceTab() = default;

void DeviceTab::CreateControl() {
    const HRESULT hr = control_.Create(QString::fromLatin1(class_.progId),
                                       QString::fromLatin1(class_.controlName));
    if (FAILED(hr)) {
        const std::string& why = control_.Control().LastError();
        log_->Line(tr("%1: the control %2 cannot be created (HRESULT 0x%3%4); the tab stays "
                      "without a device")
                       .arg(tr(class_.tab), QString::fromLatin1(class_.progId), HexOf(hr),
                            why.empty() ? QString() : QStringLiteral(": ") + QString::fromStdString(why)));
        return;
    }
    orv::host::Control& c = control_.Control();
    HRESULT events =
        c.OnEvent(class_.dispidDirectIO, [this](const orv::EventArgs& a) { OnDirectIOEvent(a); });
    if (SUCCEEDED(events) && class_.dispidError != DISPID_UNKNOWN)
        events =
            c.OnEvent(class_.dispidError, [this](const orv::EventArgs& a) { OnErrorEvent(a); });
    if (SUCCEEDED(events))
        events = c.OnEvent(class_.dispidStatus,
                           [this](const orv::EventArgs& a) { OnStatusUpdateEvent(a); });
    if (SUCCEEDED(events)) events = ConnectClassEvents(c);
    if (FAILED(events))
        log_->Line(tr("%1: the events of %2 cannot be connected (HRESULT 0x%3)")
                       .arg(tr(class_.tab), QString::fromLatin1(class_.progId), HexOf(events)));
}

void DeviceTab::DeviceOpened() {
    Trap(log_, [this] {
        log_->Line(QStringLiteral("Opening ") + QString::fromLatin1(class_.openingWord));
        TextArg name(serviceId_->text());
        const int32_t rc = control_.CallLong("Open", name.Get());
        if (rc != 0) {
            log_->ExceptionText(rc);
            return;
        }
        log_->Line(QStringLiteral("Opened Device"));
        // Each capability in its own trap: a class that lacks one still shows the others.
        for (auto& [property, label] : capabilities_) {
            QLabel* target = label;
            const char* name = property;
            Trap(log_, [&] { target->setText(control_.GetText(name)); });
        }
        AfterOpen();
        common_->Update();
    });
}

void DeviceTab::DeviceReleased() {
    Trap(log_, [this] {
        BeforeRelease();
        const int32_t rc = control_.CallLong("ReleaseDevice");
        if (rc != 0)
            log_->ExceptionText(rc);
        else
            log_->Line(QStringLiteral("Control Released"));
    });
}

QLabel* DeviceTab::Capability(const char* property) const {
    for (const auto& [name, label] : capabilities_)
        if (qstrcmp(name, property) == 0) return label;
    return nullptr;
}

void DeviceTab::AddCapabilities(std::initializer_list<const char*> properties) {
    auto* box = new QGroupBox(tr("Capabilities"), this);
    caps_ = new QGridLayout(box);
    int i = 0;
    for (const char* property : properties) {
        auto* value = new QLabel(box);
        value->setObjectName(QStringLiteral("lbl") + QString::fromLatin1(property));
        value->setMinimumWidth(40);
        caps_->addWidget(new QLabel(QString::fromLatin1(property) + QLatin1Char(':'), box), i / 4,
                         (i % 4) * 2);
        caps_->addWidget(value, i / 4, (i % 4) * 2 + 1);
        capabilities_.emplace_back(property, value);
        ++i;
    }
    content_->addWidget(box);
}

QLineEdit* DeviceTab::AddField(const QString& objectName, const QString& caption,
                               const QString& text) {
    if (!fields_) {
        fields_ = new QGridLayout;
        content_->addLayout(fields_);
    }
    auto* field = new QLineEdit(text, this);
    field->setObjectName(objectName);
    auto* label = new QLabel(caption, this);
    label->setBuddy(field);
    const int n = fields_->count() / 2;
    fields_->addWidget(label, n / 3, (n % 3) * 2);
    fields_->addWidget(field, n / 3, (n % 3) * 2 + 1);
    return field;
}

QLabel* DeviceTab::AddValue(const QString& objectName, const QString& caption) {
    if (!fields_) {
        fields_ = new QGridLayout;
        content_->addLayout(fields_);
    }
    auto* value = new QLabel(this);
    value->setObjectName(objectName);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value->setFrameShape(QFrame::StyledPanel);
    value->setMinimumWidth(120);
    const int n = fields_->count() / 2;
    fields_->addWidget(new QLabel(caption, this), n / 3, (n % 3) * 2);
    fields_->addWidget(value, n / 3, (n % 3) * 2 + 1);
    return value;
}

void DeviceTab::NewRow() {
    if (!rows_) {
        rows_ = new QVBoxLayout;
        content_->addLayout(rows_);
    }
    if (row_) row_->addStretch(1);
    row_ = new QHBoxLayout;
    rows_->addLayout(row_);
}

void DeviceTab::AddToRow(QWidget* widget) {
    if (!row_) NewRow();
    row_->addWidget(widget);
}

QPushButton* DeviceTab::AddButton(const QString& caption) {
    auto* b = new QPushButton(caption, this);
    AddToRow(b);
    return b;
}

QCheckBox* DeviceTab::AddCheck(const QString& objectName, const QString& caption) {
    auto* b = new QCheckBox(caption, this);
    b->setObjectName(objectName);
    AddToRow(b);
    return b;
}

QRadioButton* DeviceTab::AddOption(const QString& objectName, const QString& caption) {
    auto* b = new QRadioButton(caption, this);
    b->setObjectName(objectName);
    AddToRow(b);
    return b;
}

void DeviceTab::OnDirectIOEvent(const orv::EventArgs& a) {
    Trap(log_, [&] {
        const int32_t* data = a.LongRef(1);
        BSTR* text = a.BstrRef(2);
        log_->Line(QString::fromLatin1(class_.directIOEvent));
        log_->Continuation(QStringLiteral("    Event #: %1").arg(a.Long(0)));
        log_->Continuation(QStringLiteral("    Response to Command ID = 0x") +
                           HexOf(data ? *data : a.Long(1)));
        log_->Continuation(
            QStringLiteral("    AdditionalStringData   = ") +
            (text ? QString::fromUtf16(*text, static_cast<qsizetype>(SysStringLen(*text)))
                  : QString::fromStdString(a.Ansi(2))));
    });
}

void DeviceTab::OnErrorEvent(const orv::EventArgs& a) {
    Trap(log_, [&] {
        const int32_t* response = a.LongRef(3);
        log_->Line(QString::fromLatin1(class_.errorEvent));
        log_->Continuation(QStringLiteral("  ResultCode: %1").arg(a.Long(0)));
        log_->Continuation(QStringLiteral("  ResultCodeExtended: %1").arg(a.Long(1)));
        log_->Continuation(QStringLiteral("  ErrorLocus: %1").arg(a.Long(2)));
        log_->Continuation(
            QStringLiteral("  ErrorResponse: %1").arg(response ? *response : a.Long(3)));
    });
}

void DeviceTab::OnStatusUpdateEvent(const orv::EventArgs& a) {
    Trap(log_,
         [&] { log_->Line(QString::fromLatin1(class_.statusEvent) + QString::number(a.Long(0))); });
}

}  // namespace probedesk
