#include "device_panels.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common_panel.h"
#include "host/opos_events.h"
#include "log_box.h"
#include "panel_rules.h"
#include "platform/connection_point.h"

namespace probedesk {

namespace opos = orv::host::opos;

int32_t LongOf(const QString& text) {
    bool ok = false;
    const int32_t value = text.trimmed().toInt(&ok);
    if (!ok) throw BenchError{err::kTypeMismatch, kBenchSource, QStringLiteral("Type mismatch")};
    return value;
}

namespace {
QString TrueFalse(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }
}  // namespace

DeviceTab* MakeDeviceTab(const DeviceClass& deviceClass, LogBox* log, QWidget* parent) {
    const QString object = QString::fromLatin1(deviceClass.object);
    if (object == QLatin1String("pnlKeyboard1")) return new KeyboardPanel(deviceClass, log, parent);
    if (object == QLatin1String("pnlLineDisplay1"))
        return new LineDisplayPanel(deviceClass, log, parent);
    if (object == QLatin1String("pnlMSR1")) return new MsrPanel(deviceClass, log, parent);
    if (object == QLatin1String("pnlPinPad1")) return new PinpadPanel(deviceClass, log, parent);
    if (object == QLatin1String("pnlScanner1")) return new ScannerPanel(deviceClass, log, parent);
    if (object == QLatin1String("pnlSig1")) return new SignaturePanel(deviceClass, log, parent);
    if (object == QLatin1String("pnlTone1")) return new TonePanel(deviceClass, log, parent);
    return new DeviceTab(deviceClass, log, parent);
}

// ---- Keyboard --------------------------------------------------------------------------------

KeyboardPanel::KeyboardPanel(const DeviceClass& c, LogBox* log, QWidget* parent)
    : DeviceTab(c, log, parent) {
    AddCapabilities({"CapKeyUp"});
    keyData_ = AddValue(QStringLiteral("lblKeyData"), tr("Key Data:"));
    keyEventType_ = AddValue(QStringLiteral("lblKeyEventType"), tr("Key Event Type:"));
    QRadioButton* down = AddOption(QStringLiteral("optKeyDown"), tr("Key Down Only"));
    QRadioButton* both = AddOption(QStringLiteral("optKeyDownUp"), tr("Key Up and Key Down Events"));
    down->setChecked(true);
    // clicked, not toggled: only the user's choice writes the control.
    connect(down, &QRadioButton::clicked, this,
            [this] { Guard([this] { GetDeviceControl().PutLong("EventTypes", 1); }); });
    connect(both, &QRadioButton::clicked, this,
            [this] { Guard([this] { GetDeviceControl().PutLong("EventTypes", 2); }); });
}

HRESULT KeyboardPanel::ConnectClassEvents(orv::host::Control& control) {
    return control.OnEvent(opos::DataEvent, [this](const orv::EventArgs&) { OnData(); });
}

void KeyboardPanel::OnData() {
    Guard([this] {
        Log()->Line(QStringLiteral("Keyboard Data Event"));
        keyData_->setText(GetDeviceControl().GetText("POSKeyData"));
        keyEventType_->setText(GetDeviceControl().GetText("POSKeyEventType"));
        Common()->Update();
    });
}

// ---- Line display ----------------------------------------------------------------------------

LineDisplayPanel::LineDisplayPanel(const DeviceClass& c, LogBox* log, QWidget* parent)
    : DeviceTab(c, log, parent) {
    AddCapabilities({"CapBlink", "CapBitmap", "CapBrightness", "CapCharacterSet", "CapCursorType",
                     "CapCustomGlyph", "CapDescriptors", "CapHMarquee", "CapVMarquee",
                     "CapICharWait", "CapReadBack", "CapReverse", "CapScreenMode"});
    rows_ = AddValue(QStringLiteral("lblDeviceRows"), tr("Rows:"));
    columns_ = AddValue(QStringLiteral("lblDeviceCols"), tr("Columns:"));
    windows_ = AddValue(QStringLiteral("lblDeviceWindows"), tr("Windows:"));
    charSets_ = AddValue(QStringLiteral("lblCharSets"), tr("Character Sets:"));
    text_ = AddField(QStringLiteral("txtDisplayText"), tr("Text:"),
                     QStringLiteral("Enter Text To Display Here"));
    row_ = AddField(QStringLiteral("txtX"), tr("Row:"), QStringLiteral("1"));
    column_ = AddField(QStringLiteral("txtY"), tr("Column:"), QStringLiteral("1"));
    connect(AddButton(tr("Display Text")), &QPushButton::clicked, this, [this] {
        Guard([this] {
            TextArg text(text_->text());
            Log()->ExceptionText(GetDeviceControl().CallLong("DisplayText", text.Get(), 0));
        });
    });
    connect(AddButton(tr("Display Text at Row, Col")), &QPushButton::clicked, this, [this] {
        Guard([this] {
            const int32_t row = LongOf(row_->text());
            const int32_t column = LongOf(column_->text());
            TextArg text(text_->text());
            Log()->ExceptionText(
                GetDeviceControl().CallLong("DisplayTextAt", row, column, text.Get(), 0));
        });
    });
    connect(AddButton(tr("Clear Text")), &QPushButton::clicked, this, [this] {
        Guard([this] { Log()->ExceptionText(GetDeviceControl().CallLong("ClearText")); });
    });
}

void LineDisplayPanel::AfterOpen() {
    Guard([this] {
        LateBound& c = GetDeviceControl();
        rows_->setText(c.GetText("DeviceRows"));
        columns_->setText(c.GetText("DeviceColumns"));
        windows_->setText(c.GetText("DeviceWindows"));
        charSets_->setText(c.GetText("CharacterSetList"));
    });
}

// ---- MSR -------------------------------------------------------------------------------------

MsrPanel::MsrPanel(const DeviceClass& c, LogBox* log, QWidget* parent) : DeviceTab(c, log, parent) {
    AddCapabilities({"CapISO", "CapJISOne", "CapJISTwo", "CapTransmitSentinels"});
    for (int i = 0; i < 4; ++i)
        data_[i] = AddValue(QStringLiteral("lblTrack%1").arg(i + 1), tr("Track %1:").arg(i + 1));
    for (int i = 0; i < 4; ++i) {
        tracks_[i] = AddCheck(QStringLiteral("chkTrack%1").arg(i + 1), tr("Track %1").arg(i + 1));
        connect(tracks_[i], &QCheckBox::clicked, this, [this, i](bool on) {
            Guard([&] {
                if (on) Log()->Line(QStringLiteral("Track %1 to be read").arg(i + 1));
                SetTracks();
            });
        });
    }
    NewRow();
    struct Switch {
        const char* caption;
        const char* object;
        const char* property;
        const char* logged;
    };
    static const Switch kSwitches[] = {
        {"Decode Data", "chkDecodeData", "DecodeData", "Setting DecodeData to "},
        {"Parse Decoded Data", "chkParseDecodeData", "ParseDecodeData",
         "Setting Parse Decode Data to "},
        {"Transmit Sentinels", "chkTransmitSentinels", "TransmitSentinels",
         "Setting Transmit Sentinels to "},
    };
    for (const Switch& s : kSwitches) {
        QCheckBox* box = AddCheck(QString::fromLatin1(s.object), tr(s.caption));
        connect(box, &QCheckBox::clicked, this, [this, &s](bool on) {
            Guard([&] {
                Log()->Line(QString::fromLatin1(s.logged) + TrueFalse(on));
                GetDeviceControl().PutBool(s.property, on);
            });
        });
    }
    NewRow();
    QRadioButton* card = AddOption(QStringLiteral("optCard"), tr("Card"));
    QRadioButton* track = AddOption(QStringLiteral("optTrack"), tr("Track"));
    card->setChecked(true);
    // MSR_ERT_CARD 0, MSR_ERT_TRACK 1.
    connect(card, &QRadioButton::clicked, this, [this] {
        Guard([this] {
            Log()->Line(QStringLiteral("Setting Error Reporting to CARD"));
            GetDeviceControl().PutLong("ErrorReportingType", 0);
        });
    });
    connect(track, &QRadioButton::clicked, this, [this] {
        Guard([this] {
            Log()->Line(QStringLiteral("Setting Error Reporting to TRACK"));
            GetDeviceControl().PutLong("ErrorReportingType", 1);
        });
    });
    connect(AddButton(tr("Clear")), &QPushButton::clicked, this, [this] {
        for (QLabel* l : data_) l->clear();
    });
}

void MsrPanel::SetTracks() {
    // MSR_TR_1 1, MSR_TR_2 2, MSR_TR_3 4, MSR_TR_4 8.
    int32_t bits = 0;
    for (int i = 0; i < 4; ++i)
        if (tracks_[i]->isChecked()) bits |= 1 << i;
    GetDeviceControl().PutLong("TracksToRead", bits);
}

HRESULT MsrPanel::ConnectClassEvents(orv::host::Control& control) {
    return control.OnEvent(opos::DataEvent, [this](const orv::EventArgs&) { OnData(); });
}

void MsrPanel::OnData() {
    Guard([this] {
        Log()->Line(QStringLiteral("MSR Data Event"));
        static const char* const kTracks[] = {"Track1Data", "Track2Data", "Track3Data",
                                              "Track4Data"};
        for (int i = 0; i < 4; ++i) {
            // Card data never reaches the log (or the screen) in clear.
            const QString shown = MaskTrack(GetDeviceControl().GetString(kTracks[i]));
            Log()->Line(QStringLiteral("Track %1 data: ").arg(i + 1) + shown);
            data_[i]->setText(shown);
        }
        Common()->Update();
    });
}

// ---- PIN pad ---------------------------------------------------------------------------------

PinpadPanel::PinpadPanel(const DeviceClass& c, LogBox* log, QWidget* parent)
    : DeviceTab(c, log, parent) {
    AddCapabilities({"CapDisplay", "CapKeyboard", "CapLanguage", "CapMACCalculation", "CapTone"});
    system_ = new QComboBox(this);
    system_->setObjectName(QStringLiteral("cmbSystem"));
    system_->addItems({QStringLiteral("M/S"), QStringLiteral("DUKPT")});
    transType_ = new QComboBox(this);
    transType_->setObjectName(QStringLiteral("cmbTransType"));
    // The texts the PIN pad service object knows; the first one uses the master/session keys.
    transType_->addItems({QStringLiteral("Debit"), QStringLiteral("Credit"),
                          QStringLiteral("Inquiry"), QStringLiteral("Reconcile"),
                          QStringLiteral("Admin")});
    masterKey_ = new QComboBox(this);
    masterKey_->setObjectName(QStringLiteral("cmbMasterKeyID"));
    for (int i = 1; i <= 9; ++i) masterKey_->addItem(QStringLiteral("KEY%1").arg(i));
    prompt_ = new QComboBox(this);
    prompt_->setObjectName(QStringLiteral("cmbPrompt"));
    // The OPOS PIN pad prompts, PPAD_MSG_ENTERPIN (1) to PPAD_MSG_SELECTCARDTYPE (13).
    prompt_->addItems({"1 - Enter PIN", "2 - Please Wait", "3 - Enter Valid PIN",
                       "4 - Retries Exceeded", "5 - Approved", "6 - Declined", "7 - Canceled",
                       "8 - Amount OK", "9 - Not Ready", "10 - Idle", "11 - Slide Card",
                       "12 - Insert Card", "13 - Select Card Type"});

    transHost_ = AddField(QStringLiteral("txtTransHost"), tr("Transaction Host ID:"), "1");
    terminalId_ = AddField(QStringLiteral("txtTerminalID"), tr("Terminal ID:"), "TERM0001");
    merchantId_ = AddField(QStringLiteral("txtMerchantID"), tr("Merchant ID:"), "MERCH0001");
    account_ = AddField(QStringLiteral("txtAcctNum"), tr("Account:"), "1234123412341234");
    amount_ = AddField(QStringLiteral("txtAmount"), tr("Amount:"), "123.45");
    sessionKey_ = AddField(QStringLiteral("txtSessionKey"), tr("Session Key:"),
                           "0123456789ABCDEFFEDCBA9876543210");
    minPin_ = AddField(QStringLiteral("txtMinPIN"), tr("Min PIN:"), "4");
    maxPin_ = AddField(QStringLiteral("txtMaxPIN"), tr("Max PIN:"), "12");
    language_ = AddField(QStringLiteral("txtLanguage"), tr("Language:"), "English");
    macMessage_ = AddField(QStringLiteral("txtMACMessage"), tr("MAC Message:"),
                           "PROBEDESK MAC TEST 0001");
    encryptedPin_ = AddValue(QStringLiteral("lblEncryptedPIN"), tr("Encrypted PIN:"));
    secInfo_ = AddValue(QStringLiteral("lblSecInfo"), tr("Security Info:"));
    mac_ = AddValue(QStringLiteral("lblMAC"), tr("MAC:"));

    NewRow();
    for (QComboBox* box : {system_, transType_, masterKey_}) {
        auto* label = new QLabel(box == system_      ? tr("System:")
                                 : box == transType_ ? tr("Type:")
                                                     : tr("Master Key:"),
                                 this);
        label->setBuddy(box);
        AddToRow(label);
        AddToRow(box);
    }
    connect(AddButton(tr("Begin Transaction")), &QPushButton::clicked, this,
            [this] { BeginTransaction(); });
    connect(AddButton(tr("Enable PIN Entry")), &QPushButton::clicked, this, [this] {
        Guard([this] {
            LateBound& c = GetDeviceControl();
            c.PutLong("MinimumPINLength", LongOf(minPin_->text()));
            c.PutLong("MaximumPINLength", LongOf(maxPin_->text()));
            Log()->Line(QStringLiteral("Enabling Pin Entry  ..."));
            Log()->ExceptionText(c.CallLong("EnablePINEntry"));
        });
    });
    connect(AddButton(tr("End Transaction")), &QPushButton::clicked, this, [this] {
        Guard([this] {
            Log()->Line(QStringLiteral("Ending EFT Transaction  ..."));
            const int32_t rc = GetDeviceControl().CallLong("EndEFTTransaction", 1);
            if (rc != 0)
                Log()->ExceptionText(rc);
            else
                Log()->Line(QStringLiteral("Ended EFT Transaction."));
        });
    });
    NewRow();
    connect(AddButton(tr("Set Language:")), &QPushButton::clicked, this, [this] {
        // A long property: a number converts, other text is the control's type mismatch.
        Guard([this] { GetDeviceControl().PutString("PromptLanguage", language_->text()); });
    });
    connect(AddButton(tr("Set Prompt:")), &QPushButton::clicked, this, [this] {
        Guard([this] {
            const std::optional<int32_t> number = LeadingNumber(prompt_->currentText());
            if (!number) throw BenchError{err::kTypeMismatch, kBenchSource, "Type mismatch"};
            GetDeviceControl().PutLong("Prompt", *number);
        });
    });
    AddToRow(prompt_);
    connect(AddButton(tr("Compute MAC")), &QPushButton::clicked, this, [this] {
        Guard([this] {
            TextArg message(macMessage_->text());
            BSTR mac = nullptr;
            const int32_t rc = GetDeviceControl().CallLong("ComputeMAC", message.Get(), &mac);
            const orv::UniqueBstr owned(mac);
            if (rc != 0) {
                Log()->ExceptionText(rc);
                return;
            }
            const QString text =
                mac ? QString::fromUtf16(mac, static_cast<qsizetype>(SysStringLen(mac)))
                    : QString();
            mac_->setText(text);
            Log()->Line(QStringLiteral("Computed MAC: ") + text);
        });
    });
    connect(AddButton(tr("Verify MAC")), &QPushButton::clicked, this, [this] {
        Guard([this] {
            TextArg text(encryptedPin_->text());
            if (GetDeviceControl().CallLong("VerifyMAC", text.Get()) != 0)
                Log()->ExceptionText(GetDeviceControl().GetLong("ResultCode"));
        });
    });
    connect(AddButton(tr("Update Key")), &QPushButton::clicked, this, [this] {
        Guard([this] {
            TextArg key(QStringLiteral("A1B2C3"));
            Log()->ExceptionText(GetDeviceControl().CallLong("UpdateKey", 12345, key.Get()));
        });
    });
    connect(AddButton(tr("Clear")), &QPushButton::clicked, this, [this] {
        encryptedPin_->clear();
        secInfo_->clear();
    });
}

void PinpadPanel::BeginTransaction() {
    Guard([this] {
        LateBound& c = GetDeviceControl();
        Log()->Line(QStringLiteral("Selected PINPad System: ") + system_->currentText());
        Log()->Line(QStringLiteral("Entered Transaction Host ID: ") + transHost_->text());
        c.PutString("TerminalID", terminalId_->text());
        Log()->Line(QStringLiteral("Setting Terminal ID: ") + terminalId_->text());
        c.PutString("MerchantID", merchantId_->text());
        Log()->Line(QStringLiteral("Setting Merchant ID: ") + merchantId_->text());
        c.PutString("AccountNumber", account_->text());
        Log()->Line(QStringLiteral("Setting Account: ") + MaskAccount(account_->text()));
        c.PutString("TransactionType", transType_->currentText());
        Log()->Line(QStringLiteral("Setting Transaction Type: ") + transType_->currentText());
        const std::optional<int64_t> amount = AmountFromText(amount_->text());
        if (!amount) {
            Log()->Line(QStringLiteral("Amount not set: \"%1\" is not an amount with at most four "
                                       "decimals; the transaction does not begin")
                            .arg(amount_->text()));
            return;
        }
        Log()->Line(QStringLiteral("Setting Amount: ") + QString::number(*amount));
        c.PutCurrency("Amount", *amount);
        if (transType_->currentIndex() == 0) {
            Log()->Line(QStringLiteral("Setting Master Key: ") + masterKey_->currentText());
            const std::optional<int32_t> key = NumberFromFourth(masterKey_->currentText());
            if (!key) throw BenchError{err::kTypeMismatch, kBenchSource, "Type mismatch"};
            int32_t data = *key;
            QString none;
            int32_t rc = c.DirectIO(14, false, &data, &none);
            if (rc != 0) {
                Log()->ExceptionText(rc);
                return;
            }
            // The key itself never reaches the log.
            Log()->Line(QStringLiteral("Setting Session Key: ") + MaskSecret(sessionKey_->text()));
            data = 0;
            QString session = sessionKey_->text();
            rc = c.DirectIO(13, false, &data, &session);
            if (rc != 0) {
                Log()->ExceptionText(rc);
                return;
            }
        }
        Log()->Line(QStringLiteral("Beginning EFT Transaction  ..."));
        TextArg system(system_->currentText());
        Log()->ExceptionText(
            c.CallLong("BeginEFTTransaction", system.Get(), LongOf(transHost_->text())));
    });
}

HRESULT PinpadPanel::ConnectClassEvents(orv::host::Control& control) {
    return control.OnEvent(opos::DataEvent, [this](const orv::EventArgs&) { OnData(); });
}

void PinpadPanel::OnData() {
    Guard([this] {
        Log()->Line(QStringLiteral("PINPad Data Event"));
        encryptedPin_->setText(GetDeviceControl().GetString("EncryptedPIN"));
        secInfo_->setText(GetDeviceControl().GetString("AdditionalSecurityInformation"));
        Common()->Update();
    });
}

// ---- Scanner ---------------------------------------------------------------------------------

ScannerPanel::ScannerPanel(const DeviceClass& c, LogBox* log, QWidget* parent)
    : DeviceTab(c, log, parent) {
    AddCapabilities({"CapPowerReporting", "CapStatisticsReporting", "CapUpdateStatistics"});
    scanData_ = AddValue(QStringLiteral("lblScanData"), tr("Scan Data:"));
    scanLabel_ = AddValue(QStringLiteral("lblScanDataLabel"), tr("Scan Data Label:"));
    scanType_ = AddValue(QStringLiteral("lblScanDataType"), tr("Scan Data Type:"));
    directIO_ = AddField(QStringLiteral("txtDirectIO"), tr("DirectIO Command:"), "REV_WA.");
    decode_ = AddCheck(QStringLiteral("chkDecodeData"), tr("Decode Data"));
    connect(decode_, &QCheckBox::clicked, this, [this](bool on) {
        Guard([&] {
            Log()->Line(QStringLiteral("Setting DecodeData to ") + TrueFalse(on));
            GetDeviceControl().PutBool("DecodeData", on);
        });
    });
    connect(AddButton(tr("Send DirectIO Command:")), &QPushButton::clicked, this, [this] {
        Guard([this] {
            // Command 2: any number but 1 carries its text to the scanner unchanged.
            int32_t data = 0;
            QString text = directIO_->text();
            const int32_t rc = GetDeviceControl().DirectIO(2, false, &data, &text);
            if (rc != 0)
                Log()->ExceptionText(rc);
            else
                Log()->Line(QStringLiteral("DirectIO Response: ") + text);
        });
    });
    connect(AddButton(tr("Clear")), &QPushButton::clicked, this, [this] {
        scanData_->clear();
        scanLabel_->clear();
        scanType_->clear();
    });
}

HRESULT ScannerPanel::ConnectClassEvents(orv::host::Control& control) {
    return control.OnEvent(opos::DataEvent, [this](const orv::EventArgs&) { OnData(); });
}

void ScannerPanel::OnData() {
    Guard([this] {
        LateBound& c = GetDeviceControl();
        Log()->Line(QStringLiteral("Scanner Data Event"));
        const QString data = c.GetString("ScanData");
        Log()->Line(QStringLiteral("Scan Data: ") + data);
        scanData_->setText(data.trimmed());
        if (decode_->isChecked()) {
            const QString label = c.GetString("ScanDataLabel");
            const int32_t type = c.GetLong("ScanDataType");
            Log()->Line(QStringLiteral("Scan Data Label: ") + label);
            Log()->Line(QStringLiteral("Scan Data Type Code: ") + QString::number(type));
            Log()->Line(QStringLiteral("Scan Data Type: ") + ScanDataTypeName(type));
            scanLabel_->setText(label);
            scanType_->setText(ScanDataTypeName(type));
        }
        c.PutBool("DataEventEnabled", true);
    });
}

// ---- Signature capture -----------------------------------------------------------------------

SignaturePicture::SignaturePicture(QWidget* parent)
    : QWidget(parent), image_(320, 240, QImage::Format_RGB32) {
    setObjectName(QStringLiteral("picSignature"));
    setFixedSize(image_.size());
    Clear();
}

void SignaturePicture::Clear() {
    image_.fill(Qt::white);
    update();
}

void SignaturePicture::Draw(const std::vector<QLineF>& lines) {
    QPainter p(&image_);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.5));
    for (const QLineF& l : lines) p.drawLine(l);
    update();
}

void SignaturePicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, image_);
    p.setPen(Qt::gray);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

SignaturePanel::SignaturePanel(const DeviceClass& c, LogBox* log, QWidget* parent)
    : DeviceTab(c, log, parent) {
    AddCapabilities({"CapDisplay", "CapRealTimeData", "CapUserTerminated"});
    formName_ = AddField(QStringLiteral("txtFormName"), tr("Form Name:"), "Enter Form Name Here");
    connect(AddButton(tr("Begin Capture")), &QPushButton::clicked, this, [this] {
        Guard([this] {
            Log()->Line(QStringLiteral("Begin Signature Capture - ") + formName_->text());
            TextArg form(formName_->text());
            Log()->ExceptionText(GetDeviceControl().CallLong("BeginCapture", form.Get()));
        });
    });
    connect(AddButton(tr("End Capture")), &QPushButton::clicked, this, [this] {
        Guard([this] {
            Log()->Line(QStringLiteral("End Signature Capture"));
            Log()->ExceptionText(GetDeviceControl().CallLong("EndCapture"));
        });
    });
    QCheckBox* realtime = AddCheck(QStringLiteral("chkRealTime"), tr("Enable Realtime Data"));
    connect(realtime, &QCheckBox::clicked, this, [this](bool on) {
        Guard([&] { GetDeviceControl().PutBool("RealTimeDataEnabled", on); });
    });
    picture_ = new SignaturePicture(this);
    ContentArea()->addWidget(picture_, 0, Qt::AlignLeft);
}

HRESULT SignaturePanel::ConnectClassEvents(orv::host::Control& control) {
    return control.OnEvent(opos::DataEvent, [this](const orv::EventArgs&) { OnData(); });
}

void SignaturePanel::BeforeRelease() { Log()->Line(QStringLiteral("Releasing Sig")); }

void SignaturePanel::OnData() {
    Guard([this] {
        LateBound& c = GetDeviceControl();
        if (c.GetLong("TotalPoints") > 0) {
            BSTR raw = nullptr;
            const HRESULT hr = c.Control().Get("PointArray", &raw);
            const orv::UniqueBstr points(raw);
            if (FAILED(hr)) throw ErrorFromHresult(hr, c.ProgId(), c.Control().LastError());
            const int32_t conversion = c.GetLong("BinaryConversion");
            const double scale = SignatureScale(picture_->width(), c.GetLong("MaximumX"));
            picture_->Clear();
            drawn_ = SignatureLines(SignaturePoints(points.Get(), conversion), scale);
            picture_->Draw(drawn_);
        }
        Common()->Update();
    });
}

// ---- Tone ------------------------------------------------------------------------------------

TonePanel::TonePanel(const DeviceClass& c, LogBox* log, QWidget* parent)
    : DeviceTab(c, log, parent) {
    AddCapabilities({"CapPitch", "CapVolume"});
    static const char* const kNames[7] = {"Duration1", "Pitch1", "ToneWait", "Pitch2",
                                          "Duration2", "Cycles", "SoundWait"};
    static const char* const kCaptions[7] = {"Tone 1 Duration:", "Tone 1 Pitch:",
                                             "Inter-Tone Wait:", "Tone 2 Pitch:",
                                             "Tone 2 Duration:", "Cycles:", "Inter-Sound Wait:"};
    static const char* const kAsync[7] = {"200", "500", "500", "250", "200", "4", "1000"};
    static const char* const kSync[7] = {"100", "1000", "1000", "500", "100", "2", "2000"};
    for (int i = 0; i < 7; ++i)
        asyncFields_[i] = AddField(QStringLiteral("txtAsynch") + kNames[i],
                                   tr("Async ") + tr(kCaptions[i]), kAsync[i]);
    for (int i = 0; i < 7; ++i)
        syncFields_[i] = AddField(QStringLiteral("txtSynch") + kNames[i],
                                  tr("Sync ") + tr(kCaptions[i]), kSync[i]);
    immediate_[0] = AddField("txtImmPitch1", tr("Immediate Tone 1 Pitch:"), "2000");
    immediate_[1] = AddField("txtImmPitch2", tr("Immediate Tone 2 Pitch:"), "3000");
    immediate_[2] = AddField("txtImmDuration", tr("Immediate Duration:"), "10");
    // The synchronous sound always sounds 2 cycles with 2000 ms between them; the two fields
    // only show that.
    syncFields_[5]->setReadOnly(true);
    syncFields_[6]->setReadOnly(true);
    async_ = AddCheck(QStringLiteral("chkAsyncMode"), tr("Asynchronous Mode"));
    connect(AddButton(tr("Sound")), &QPushButton::clicked, this, [this] { Sound(); });
    connect(AddButton(tr("Sound Immediate")), &QPushButton::clicked, this,
            [this] { SoundImmediate(); });
}

void TonePanel::Sound() {
    Guard([this] {
        LateBound& c = GetDeviceControl();
        const bool async = async_->isChecked();
        QLineEdit* const* f = async ? asyncFields_ : syncFields_;
        c.PutBool("AsyncMode", async);
        c.PutLong("Tone1Duration", LongOf(f[0]->text()));
        c.PutLong("Tone1Pitch", LongOf(f[1]->text()));
        c.PutLong("InterToneWait", LongOf(f[2]->text()));
        c.PutLong("Tone2Pitch", LongOf(f[3]->text()));
        c.PutLong("Tone2Duration", LongOf(f[4]->text()));
        const int32_t rc = c.CallLong("Sound", LongOf(f[5]->text()), LongOf(f[6]->text()));
        if (rc != 0)
            Log()->ExceptionText(rc);
        else
            Log()->Line(QStringLiteral("Sound Successful"));
    });
}

void TonePanel::SoundImmediate() {
    Guard([this] {
        LateBound& c = GetDeviceControl();
        c.PutLong("Tone1Pitch", LongOf(immediate_[0]->text()));
        c.PutLong("Tone2Pitch", LongOf(immediate_[1]->text()));
        c.PutLong("Tone1Duration", LongOf(immediate_[2]->text()));
        c.PutLong("Tone2Duration", LongOf(immediate_[2]->text()));
        const int32_t rc = c.CallLong("SoundImmediate");
        if (rc != 0)
            Log()->ExceptionText(rc);
        else
            Log()->Line(QStringLiteral("Sound Immediate Successful"));
    });
}

HRESULT TonePanel::ConnectClassEvents(orv::host::Control& control) {
    return control.OnEvent(opos::tone::OutputCompleteEvent, [this](const orv::EventArgs& a) {
        Guard([&] {
            Log()->Line(QStringLiteral("Tone OutputCompleteEvent  Status:") +
                        QString::number(a.Long(0)));
        });
    });
}

}  // namespace probedesk
