#include "common_panel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "device_panel.h"
#include "late_bound.h"
#include "log_box.h"

namespace probedesk {
namespace {

// Sets a flag for a scope and always clears it, whatever the scope raises.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

// The container's name of the PIN pad panel's control, whose enable switch is not offered.
const QString kPinpadControlName = QStringLiteral("PinpadControl1");

}  // namespace

template <class F>
void CommonPanel::OnControl(F&& body) {
    Trap(log_, [&] {
        if (!host_)
            throw BenchError{err::kObjectNotSet, kBenchSource,
                             QStringLiteral("Object variable or With block variable not set")};
        body(host_->GetDeviceControl());
    });
}

CommonPanel::CommonPanel(LogBox* log, QWidget* parent) : QWidget(parent), log_(log) {
    setObjectName(QStringLiteral("pnlCommon1"));
    auto* buttons = new QGridLayout;
    struct Row {
        const char* caption;
        void (CommonPanel::*handler)();
    };
    const Row rows[] = {
        {"Open", &CommonPanel::Open},
        {"Claim", &CommonPanel::Claim},
        {"Release", &CommonPanel::Release},
        {"Close", &CommonPanel::Close},
        {"Get Capabilities", &CommonPanel::Capabilities},
        {"Get Properties", &CommonPanel::Properties},
        {"Get Device Info", &CommonPanel::DeviceInfo},
        {"ClearOutput", &CommonPanel::ClearOutput},
        {"Clear Input", &CommonPanel::ClearInput},
        {"Get Data Count", &CommonPanel::DataCount},
        {"Get Output ID", &CommonPanel::OutputId},
        {"Check Health", &CommonPanel::CheckHealth},
    };
    int index = 0;
    for (const Row& row : rows) {
        buttons->addWidget(AddButton(tr(row.caption), row.handler), index / 4, index % 4);
        ++index;
    }

    auto* switches = new QVBoxLayout;
    enabled_ = AddSwitch(tr("Control Enabled"), "DeviceEnabled", "Setting DeviceEnable to True",
                         "Setting DeviceEnable to False", -1);
    autoDisable_ = AddSwitch(tr("Auto Disable"), "AutoDisable", "Auto Disable is True",
                             "Auto Disable is False", -1);
    dataEvents_ =
        AddSwitch(tr("Data Events Enabled"), "DataEventEnabled", "Setting DataEventEnabled to True",
                  "Setting DataEventEnabled to False", -1);
    freeze_ = AddSwitch(tr("Freeze Events"), "FreezeEvents", "Setting FreezeEvents to True",
                        "Setting FreezeEvents to False", -1);
    // PowerNotify is an enumerated long whose "enabled" value is 1, not True (-1).
    powerNotify_ = AddSwitch(tr("Power Notify Enabled"), "PowerNotify",
                             "Setting PowerNotify to True", "Setting PowerNotify to False", 1);
    for (QCheckBox* box : {enabled_, autoDisable_, dataEvents_, freeze_, powerNotify_})
        switches->addWidget(box);

    auto* frame = new QGroupBox(tr("Binary Conversion"), this);
    frame->setObjectName(QStringLiteral("fraBinaryConversion"));
    none_ = new QRadioButton(tr("None"), frame);
    nibble_ = new QRadioButton(tr("Nibble"), frame);
    decimal_ = new QRadioButton(tr("Decimal"), frame);
    conversion_ = new QButtonGroup(this);
    conversion_->addButton(none_, 0);
    conversion_->addButton(nibble_, 1);
    conversion_->addButton(decimal_, 2);
    auto* frameLayout = new QVBoxLayout(frame);
    for (QRadioButton* option : {none_, nibble_, decimal_}) frameLayout->addWidget(option);
    connect(conversion_, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on && !refreshing_) Conversion(id);
    });

    auto* healthLabel =
        new QLabel(tr("Health Check Level: 1=Internal, 2=External, 3=Interactive"), this);
    healthLevel_ = new QComboBox(this);
    healthLevel_->setObjectName(QStringLiteral("ckHealthLevelCmBox"));
    healthLevel_->addItems({tr("Internal"), tr("External"), tr("Interactive")});
    healthLabel->setBuddy(healthLevel_);

    auto* firmwareLabel =
        new QLabel(tr("Firmware File Name: Type full path here or choose ->"), this);
    firmwareFile_ = new QLineEdit(this);
    firmwareFile_->setObjectName(QStringLiteral("txtFirmwareFile"));
    firmwareLabel->setBuddy(firmwareFile_);
    auto* firmwareRow = new QHBoxLayout;
    firmwareRow->addWidget(firmwareFile_, 1);
    firmwareRow->addWidget(AddButton(QStringLiteral("..."), &CommonPanel::BrowseFirmware));
    firmwareRow->addWidget(AddButton(tr("Update Firmware"), &CommonPanel::UpdateFirmware));

    auto* top = new QHBoxLayout;
    top->addLayout(switches);
    top->addWidget(frame);
    top->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addLayout(top);
    layout->addWidget(healthLabel);
    layout->addWidget(healthLevel_);
    layout->addWidget(firmwareLabel);
    layout->addLayout(firmwareRow);
    layout->addStretch(1);
    Reset();
}

QPushButton* CommonPanel::AddButton(const QString& caption, void (CommonPanel::*handler)()) {
    auto* button = new QPushButton(caption, this);
    connect(button, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
    return button;
}

QCheckBox* CommonPanel::AddSwitch(const QString& caption, const char* property, const char* setText,
                                  const char* clearText, int32_t onValue) {
    auto* box = new QCheckBox(caption, this);
    connect(box, &QCheckBox::toggled, this, [=, this](bool on) {
        if (!refreshing_) Switch(property, on, setText, clearText, onValue);
    });
    return box;
}

void CommonPanel::Switch(const char* property, bool on, const char* setText, const char* clearText,
                         int32_t onValue) {
    OnControl([&](LateBound& c) {
        log_->Line(QString::fromLatin1(on ? setText : clearText));
        if (onValue == -1)
            c.PutBool(property, on);
        else
            c.PutLong(property, on ? onValue : 0);
    });
}

void CommonPanel::Conversion(int32_t value) {
    static const char* const kNames[] = {"None", "Nibble", "Decimal"};
    OnControl([&](LateBound& c) {
        log_->Line(QStringLiteral("Setting BinaryConversion to %1").arg(kNames[value]));
        c.PutLong("BinaryConversion", value);
    });
}

void CommonPanel::Update() {
    const FlagScope refreshing(refreshing_);
    if (!host_) return;
    LateBound& c = host_->GetDeviceControl();
    const auto read = [this](auto&& body) { Trap(log_, body); };
    read([&] { enabled_->setChecked(c.GetBool("DeviceEnabled")); });
    enabled_->setEnabled(c.Name() != kPinpadControlName);
    read([&] { autoDisable_->setChecked(c.GetBool("AutoDisable")); });
    read([&] { dataEvents_->setChecked(c.GetBool("DataEventEnabled")); });
    read([&] { freeze_->setChecked(c.GetBool("FreezeEvents")); });
    read([&] { powerNotify_->setChecked(c.GetLong("PowerNotify") != 0); });
    read([&] {
        const int32_t conversion = c.GetLong("BinaryConversion");
        (conversion == 0 ? none_ : conversion == 2 ? decimal_ : nibble_)->setChecked(true);
    });
}

void CommonPanel::Reset() {
    const FlagScope refreshing(refreshing_);
    for (QCheckBox* box : {enabled_, autoDisable_, dataEvents_, freeze_, powerNotify_})
        box->setChecked(false);
    conversion_->setExclusive(false);
    for (QRadioButton* option : {none_, nibble_, decimal_}) option->setChecked(false);
    conversion_->setExclusive(true);
    healthLevel_->setCurrentIndex(0);
}

QString CommonPanel::Hint(int32_t resultCode) {
    QString hint;
    if (resultCode == 101) return QStringLiteral("Device Not Open");
    if (resultCode != 111) return hint;
    OnControl([&](LateBound& c) {
        if (!c.GetBool("Claimed"))
            hint = QStringLiteral("Device not Claimed");
        else if (!c.GetBool("DeviceEnabled"))
            hint = QStringLiteral("Device not enabled");
    });
    return hint;
}

void CommonPanel::LogProperty(const QString& label, const char* property) {
    OnControl([&](LateBound& c) { log_->Line(label + c.GetText(property)); });
}

void CommonPanel::Open() {
    Trap(log_, [this] {
        Reset();
        if (host_) host_->DeviceOpened();
    });
}

void CommonPanel::Release() {
    Trap(log_, [this] {
        if (host_) host_->DeviceReleased();
        Reset();
    });
}

void CommonPanel::Claim() {
    OnControl([this](LateBound& c) {
        const int32_t rc = c.CallLong("ClaimDevice", static_cast<int16_t>(30));
        if (rc == 0)
            log_->Line(QStringLiteral("Device Claimed"));
        else
            log_->ExceptionText(rc);
    });
}

void CommonPanel::Close() {
    OnControl([this](LateBound& c) {
        const int32_t rc = c.CallLong("Close");
        if (rc == 0)
            log_->Line(QStringLiteral("Closed"));
        else
            log_->ExceptionText(rc);
        Reset();
    });
}

void CommonPanel::Capabilities() {
    for (const char* name : {"CapCompareFirmwareVersion", "CapPowerReporting",
                             "CapStatisticsReporting", "CapUpdateFirmware", "CapUpdateStatistics"})
        LogProperty(QString::fromLatin1(name) + QStringLiteral(" = "), name);
}

void CommonPanel::Properties() {
    for (const char* name : {"AutoDisable", "CheckHealthText", "State", "Claimed", "DeviceEnabled",
                             "FreezeEvents", "PowerState"})
        LogProperty(QString::fromLatin1(name) + QStringLiteral(" = "), name);
}

void CommonPanel::DeviceInfo() {
    LogProperty(QStringLiteral("Device Name is "), "DeviceName");
    LogProperty(QStringLiteral("Device Description: "), "DeviceDescription");
    LogProperty(QStringLiteral("Control Object Version: "), "ControlObjectVersion");
    LogProperty(QStringLiteral("Control Object Description: "), "ControlObjectDescription");
    LogProperty(QStringLiteral("Service Object Version: "), "ServiceObjectVersion");
    LogProperty(QStringLiteral("Service Object Description: "), "ServiceObjectDescription");
}

void CommonPanel::ClearOutput() {
    OnControl([this](LateBound& c) {
        const int32_t rc = c.CallLong("ClearOutput");
        if (rc == 0)
            log_->Line(QStringLiteral("Output Cleared"));
        else
            log_->ExceptionText(rc);
    });
}

void CommonPanel::ClearInput() {
    OnControl([this](LateBound& c) {
        const int32_t rc = c.CallLong("ClearInput");
        if (rc == 0)
            log_->Line(QStringLiteral("Input Cleared"));
        else
            log_->ExceptionText(rc);
    });
}

void CommonPanel::DataCount() {
    LogProperty(QStringLiteral("Data Count is: "), "DataCount");
}

void CommonPanel::OutputId() {
    LogProperty(QStringLiteral("Output ID = "), "OutputID");
}

void CommonPanel::CheckHealth() {
    OnControl([this](LateBound& c) {
        const auto level = static_cast<int16_t>(healthLevel_->currentIndex() + 1);
        const int32_t rc = c.CallLong("CheckHealth", level);
        if (rc == 0)
            log_->Line(QStringLiteral("Check Health is '%1'").arg(c.GetText("CheckHealthText")));
        else
            log_->ExceptionText(rc);
    });
}

void CommonPanel::UpdateFirmware() {
    OnControl([this](LateBound& c) {
        log_->Line(QStringLiteral("UpdateFirmware Begin..."));
        TextArg path(firmwareFile_->text());
        const int32_t rc = c.CallLong("UpdateFirmware", path.Get());
        if (rc == 0)
            log_->Line(QStringLiteral("UpdateFirmware was Successful"));
        else
            log_->ExceptionText(rc);
    });
    log_->Line(QStringLiteral("UpdateFirmware Ended."));
}

void CommonPanel::BrowseFirmware() {
    const QString path =
        QFileDialog::getOpenFileName(this, tr("Firmware File"), firmwareFile_->text(),
                                     QStringLiteral("Firmware Files (*.schex)"));
    if (!path.isEmpty()) firmwareFile_->setText(path);
}

}  // namespace probedesk
