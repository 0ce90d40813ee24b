// The seven device panels against the real controls, service objects, the JVM and the simulated
// terminal, installed in a private registry: the fields and their defaults, opening with the
// capability labels, each panel's own buttons, and one real input or output per class with its
// log lines.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>
#include <memory>

#include "bench_test_util.h"
#include "common_panel.h"
#include "device_panels.h"
#include "device_tab.h"
#include "host/apartment.h"
#include "main_window.h"
#include "scenario.h"
#include "sim_dock.h"
#include "sim_terminal.h"
#include "test_env.h"

using namespace probedesk;
using namespace probedesk::test;
using orv::co::test::SimTerminal;

namespace {

// Clicks a button of the panel's own content (the DirectIO panels have captions of their own that
// may be the same, "Display Text").
bool ClickOwn(QWidget* tab, const QString& caption) {
    for (QPushButton* b : tab->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly))
        if (b->text() == caption) {
            b->click();
            return true;
        }
    return false;
}

QString Sim(const QString& command) {
    return QString::fromStdString(SimTerminal::Command(command.toStdString()));
}

}  // namespace

class PanelsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fieldsAndDefaults_data();
    void fieldsAndDefaults();
    void openFillsTheCapabilityLabels_data();
    void openFillsTheCapabilityLabels();
    void unknownDeviceLeavesThePanelUnchanged();
    void eventsOfEveryClassInTheirFormats_data();
    void eventsOfEveryClassInTheirFormats();
    void signatureReleaseLogsBothLines();
    void pinpadTransactionEndToEnd();
    void otherTransactionTypesSendNoKeys();
    void refusedAmountStopsTheTransaction_data();
    void refusedAmountStopsTheTransaction();
    void languageTextIsARuntimeErrorANumberIsNot();
    void msrTracksAreNeverLoggedInClear();
    void msrSwitchesLogAndWrite();
    void scannerDecodeDataChoosesTheLines();
    void keyboardKeyAndEventTypes();
    void lineDisplayTextReachesTheTerminal();
    void signatureIsDrawn();
    void toneCompletesAsynchronously();
    void dockDrivesTheSimulator();
    void dockShowsTheScreens();
    void allDevicesScenarioPlays();
    void screenshotsShowADrawnSignature();
    void scenarioFailuresAreReported_data();
    void scenarioFailuresAreReported();

private:
    DeviceTab* Tab(const QString& caption) const { return window_->Tab(caption); }
    LogBox& Log() const { return *window_->Log(); }
    QStringList Since() const { return Messages(Log(), mark_); }
    void Mark() { mark_ = Log().Lines().size(); }
    bool AwaitLine(const QString& line, int ms = 10000);
    // Open and claim through the common panel, then enable (and data events) on the control.
    bool Ready(const QString& tab, bool dataEvents = true);

    std::unique_ptr<MainWindow> window_;
    qsizetype mark_ = 0;
};

void PanelsTest::init() {
    window_ = std::make_unique<MainWindow>(true);
    for (DeviceTab* tab : window_->DeviceTabs()) QVERIFY(tab->GetDeviceControl().Exists());
    Mark();
}

void PanelsTest::cleanup() {
    if (SimTerminal::Available()) {
        Sim("unfail * ");
        Sim("reset");
    }
    window_.reset();
}

bool PanelsTest::AwaitLine(const QString& line, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        if (Since().contains(line)) return true;
        QTest::qWait(10);
    }
    qWarning().noquote() << "not logged:" << line << "\nlog:\n" << Since().join('\n');
    return false;
}

bool PanelsTest::Ready(const QString& caption, bool dataEvents) {
    DeviceTab* tab = Tab(caption);
    if (!Click(tab->Common(), "Open") || !Since().contains("Opened Device")) return false;
    if (!Click(tab->Common(), "Claim")) return false;
    orv::host::Control& c = tab->GetDeviceControl().Control();
    if (FAILED(c.Put("DeviceEnabled", orv::DispArg::Bool(true)))) return false;
    if (dataEvents && FAILED(c.Put("DataEventEnabled", orv::DispArg::Bool(true)))) return false;
    Mark();
    return true;
}

void PanelsTest::fieldsAndDefaults_data() {
    QTest::addColumn<QString>("tab");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    const char* const rows[][3] = {
        {"Keyboard", "txtServiceID", "K1"},
        {"Line Display", "txtServiceID", "L1"},
        {"Line Display", "txtDisplayText", "Enter Text To Display Here"},
        {"Line Display", "txtX", "1"},
        {"Line Display", "txtY", "1"},
        {"MSR", "txtServiceID", "M1"},
        {"PIN Pad", "txtServiceID", "P1"},
        {"PIN Pad", "txtTransHost", "1"},
        {"PIN Pad", "txtAcctNum", "1234123412341234"},
        {"PIN Pad", "txtAmount", "123.45"},
        {"PIN Pad", "txtLanguage", "English"},
        {"Scanner", "txtServiceID", "SCAN1"},
        {"Scanner", "txtDirectIO", "REV_WA."},
        {"Signature", "txtServiceID", "S1"},
        {"Signature", "txtFormName", "Enter Form Name Here"},
        {"Tone", "txtServiceID", "T1"},
        {"Tone", "txtAsynchDuration1", "200"},
        {"Tone", "txtAsynchPitch1", "500"},
        {"Tone", "txtAsynchToneWait", "500"},
        {"Tone", "txtAsynchPitch2", "250"},
        {"Tone", "txtAsynchDuration2", "200"},
        {"Tone", "txtAsynchCycles", "4"},
        {"Tone", "txtAsynchSoundWait", "1000"},
        {"Tone", "txtSynchDuration1", "100"},
        {"Tone", "txtSynchPitch1", "1000"},
        {"Tone", "txtSynchToneWait", "1000"},
        {"Tone", "txtSynchPitch2", "500"},
        {"Tone", "txtSynchDuration2", "100"},
        {"Tone", "txtImmPitch1", "2000"},
        {"Tone", "txtImmPitch2", "3000"},
        {"Tone", "txtImmDuration", "10"},
    };
    for (const auto& r : rows)
        QTest::newRow(qPrintable(QString("%1 %2").arg(r[0], r[1]))) << r[0] << r[1] << r[2];
}

void PanelsTest::fieldsAndDefaults() {
    QFETCH(QString, tab);
    QFETCH(QString, field);
    auto* edit = Tab(tab)->findChild<QLineEdit*>(field);
    QVERIFY2(edit, qPrintable(field));
    QTEST(edit->text(), "text");
}

void PanelsTest::openFillsTheCapabilityLabels_data() {
    QTest::addColumn<QString>("tab");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("capability");
    QTest::newRow("keyboard") << "Keyboard" << "POSKeyboard" << "CapKeyUp";
    QTest::newRow("line display") << "Line Display" << "LineDisplay" << "CapBlink";
    QTest::newRow("msr") << "MSR" << "MSR" << "CapISO";
    QTest::newRow("pin pad") << "PIN Pad" << "PIN" << "CapMACCalculation";
    QTest::newRow("scanner") << "Scanner" << "Scanner" << "CapPowerReporting";
    QTest::newRow("signature") << "Signature" << "Sig" << "CapRealTimeData";
    QTest::newRow("tone") << "Tone" << "Tone" << "CapPitch";
}

void PanelsTest::openFillsTheCapabilityLabels() {
    QFETCH(QString, tab);
    QFETCH(QString, word);
    QFETCH(QString, capability);
    QLabel* label = Tab(tab)->Capability(capability.toLatin1().constData());
    QVERIFY(label);
    QVERIFY(label->text().isEmpty());
    QVERIFY(Click(Tab(tab)->Common(), "Open"));
    const QStringList lines = Since();
    QCOMPARE(lines.value(0), "Opening " + word);
    QCOMPARE(lines.value(1), QStringLiteral("Opened Device"));
    const QString value = label->text();
    bool numeric = false;
    value.toInt(&numeric);
    QVERIFY2(value == "True" || value == "False" || numeric, qPrintable(value));
    // No capability read failed.
    QCOMPARE(CountStarting(lines, "Error # 438"), qsizetype(tab == "PIN Pad" ? 1 : 0));
    if (tab == "Line Display") {
        QCOMPARE(Tab(tab)->findChild<QLabel*>("lblDeviceRows")->text(), QStringLiteral("4"));
        QCOMPARE(Tab(tab)->findChild<QLabel*>("lblDeviceCols")->text(), QStringLiteral("20"));
        QCOMPARE(Tab(tab)->findChild<QLabel*>("lblDeviceWindows")->text(), QStringLiteral("4"));
        QVERIFY(Tab(tab)->findChild<QLabel*>("lblCharSets")->text().contains("437"));
    }
}

void PanelsTest::unknownDeviceLeavesThePanelUnchanged() {
    DeviceTab* msr = Tab("MSR");
    msr->ServiceId()->setText("NOPE");
    QVERIFY(Click(msr->Common(), "Open"));
    QCOMPARE(Since(), (QStringList{"Opening MSR", "Jpos Exception - No Exist"}));
    QVERIFY(msr->Capability("CapISO")->text().isEmpty());
}

void PanelsTest::eventsOfEveryClassInTheirFormats_data() {
    QTest::addColumn<QString>("tab");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("directIO");
    QTest::addColumn<QString>("error");  // empty: the class has no ErrorEvent handler
    QTest::addColumn<QString>("status");
    QTest::newRow("keyboard") << "Keyboard" << "K1" << "Keyboard DirectIOEvent:"
                              << "Keyboard ErrorEvent" << "Keyboard StatusUpdateEvent  Status:";
    QTest::newRow("line display") << "Line Display" << "L1" << "Line Display DirectIOEvent:" << ""
                                  << "LineDisplay StatusUpdateEvent  Status:";
    QTest::newRow("msr") << "MSR" << "M1" << "MSR DirectIOEvent:" << "MSR ErrorEvent"
                         << "MSR StatusUpdateEvent  Status:";
    QTest::newRow("pin pad") << "PIN Pad" << "P1" << "PINPad DirectIOEvent:" << "PINPad ErrorEvent"
                             << "PINPad StatusUpdateEvent  Status:";
    QTest::newRow("scanner") << "Scanner" << "SCAN1" << "Scanner DirectIOEvent:"
                             << "Scanner ErrorEvent" << "Scanner StatusUpdateEvent  Status:";
    QTest::newRow("signature") << "Signature" << "S1" << "Sig DirectIOEvent:" << "SIG ErrorEvent"
                               << "Sig StatusUpdateEvent ";
    QTest::newRow("tone") << "Tone" << "T1" << "Tone DirectIOEvent:" << ""
                          << "Tone StatusUpdateEvent  Status:";
}

void PanelsTest::eventsOfEveryClassInTheirFormats() {
    QFETCH(QString, tab);
    QFETCH(QString, device);
    QFETCH(QString, directIO);
    QFETCH(QString, error);
    QFETCH(QString, status);
    QVERIFY(Ready(tab, tab != "Line Display" && tab != "Tone"));
    QCOMPARE(Sim("status " + device + " 2001").left(2), QStringLiteral("OK"));
    QVERIFY(AwaitLine(status + "2001"));
    Mark();
    QCOMPARE(Sim("dio " + device + " event 5 8241 OK").left(2), QStringLiteral("OK"));
    QVERIFY(AwaitLine("\t\t    AdditionalStringData   = OK"));
    QCOMPARE(Since(), (QStringList{directIO, "\t\t    Event #: 5",
                                   "\t\t    Response to Command ID = 0x2031",
                                   "\t\t    AdditionalStringData   = OK"}));
    if (error.isEmpty()) return;
    Mark();
    QCOMPARE(Sim("error " + device + " 111 7").left(2), QStringLiteral("OK"));
    QVERIFY(AwaitLine("\t\t  ResultCodeExtended: 7"));
    const QStringList lines = Since();
    const qsizetype first = lines.indexOf(error);
    QVERIFY2(first >= 0, qPrintable(lines.join('\n')));
    QCOMPARE(lines.value(first + 1), QStringLiteral("\t\t  ResultCode: 111"));
    QCOMPARE(lines.value(first + 2), QStringLiteral("\t\t  ResultCodeExtended: 7"));
    QVERIFY(lines.value(first + 3).startsWith("\t\t  ErrorLocus: "));
    QVERIFY(lines.value(first + 4).startsWith("\t\t  ErrorResponse: "));
}

void PanelsTest::signatureReleaseLogsBothLines() {
    QVERIFY(Ready("Signature"));
    QVERIFY(Click(Tab("Signature")->Common(), "Release"));
    QCOMPARE(Since().mid(0, 2), (QStringList{"Releasing Sig", "Control Released"}));
}

void PanelsTest::pinpadTransactionEndToEnd() {
    DeviceTab* pin = Tab("PIN Pad");
    QVERIFY(Click(pin->Common(), "Open"));
    QVERIFY(Click(pin->Common(), "Claim"));
    Mark();
    QVERIFY(Click(pin, "Begin Transaction"));
    QCOMPARE(Since(), (QStringList{"Selected PINPad System: M/S", "Entered Transaction Host ID: 1",
                                   "Setting Terminal ID: TERM0001",
                                   "Setting Merchant ID: MERCH0001",
                                   "Setting Account: 123412******1234",
                                   "Setting Transaction Type: Debit", "Setting Amount: 1234500",
                                   "Setting Master Key: KEY1",
                                   "Setting Session Key: ********************************",
                                   "Beginning EFT Transaction  ..."}));
    orv::host::Control& c = pin->GetDeviceControl().Control();
    CY amount{};
    QCOMPARE(c.Get("Amount", &amount), S_OK);
    QCOMPARE(amount.int64, qint64(1234500));
    std::string type;
    QCOMPARE(c.Get("TransactionType", &type), S_OK);
    QCOMPARE(type, std::string("Debit"));
    Mark();
    QVERIFY(Click(pin, "Enable PIN Entry"));
    QCOMPARE(Since(), QStringList{"Enabling Pin Entry  ..."});
    int32_t minimum = 0;
    QCOMPARE(c.Get("MinimumPINLength", &minimum), S_OK);
    QCOMPARE(minimum, 4);
    QCOMPARE(c.Put("DataEventEnabled", orv::DispArg::Bool(true)), S_OK);
    QCOMPARE(Sim("pin P1 1234").left(2), QStringLiteral("OK"));
    QVERIFY(AwaitLine("PINPad Data Event"));
    auto* encrypted = pin->findChild<QLabel*>("lblEncryptedPIN");
    QVERIFY(!encrypted->text().isEmpty());
    QVERIFY(!pin->findChild<QLabel*>("lblSecInfo")->text().isEmpty());
    // The PIN block is shown, never logged.
    for (const QString& line : Log().Lines()) QVERIFY(!line.contains(encrypted->text()));
    Mark();
    QVERIFY(Click(pin, "End Transaction"));
    QCOMPARE(Since(), (QStringList{"Ending EFT Transaction  ...", "Ended EFT Transaction."}));
    QVERIFY(Click(pin, "Clear"));
    QVERIFY(encrypted->text().isEmpty());
}

void PanelsTest::otherTransactionTypesSendNoKeys() {
    DeviceTab* pin = Tab("PIN Pad");
    QVERIFY(Click(pin->Common(), "Open"));
    QVERIFY(Click(pin->Common(), "Claim"));
    auto* types = pin->findChild<QComboBox*>("cmbTransType");
    QCOMPARE(types->count(), 5);
    const QStringList expected = {"Debit", "Credit", "Inquiry", "Reconcile", "Admin"};
    for (int i = 0; i < 5; ++i) QCOMPARE(types->itemText(i), expected[i]);
    types->setCurrentIndex(1);
    pin->findChild<QComboBox*>("cmbSystem")->setCurrentText("DUKPT");
    Mark();
    QVERIFY(Click(pin, "Begin Transaction"));
    const QStringList lines = Since();
    QVERIFY(lines.contains("Setting Transaction Type: Credit"));
    QCOMPARE(CountStarting(lines, "Setting Master Key"), qsizetype(0));
    QCOMPARE(lines.last(), QStringLiteral("Beginning EFT Transaction  ..."));
    std::string type;
    QCOMPARE(pin->GetDeviceControl().Control().Get("TransactionType", &type), S_OK);
    QCOMPARE(type, std::string("Credit"));
}

void PanelsTest::refusedAmountStopsTheTransaction_data() {
    QTest::addColumn<QString>("amount");
    QTest::newRow("five decimals") << "1.23456";
    QTest::newRow("text") << "lots";
    QTest::newRow("negative") << "-5";
}

void PanelsTest::refusedAmountStopsTheTransaction() {
    QFETCH(QString, amount);
    DeviceTab* pin = Tab("PIN Pad");
    QVERIFY(Click(pin->Common(), "Open"));
    QVERIFY(Click(pin->Common(), "Claim"));
    pin->findChild<QLineEdit*>("txtAmount")->setText(amount);
    Mark();
    QVERIFY(Click(pin, "Begin Transaction"));
    const QStringList lines = Since();
    QVERIFY2(lines.last().startsWith("Amount not set: \"" + amount + "\""),
             qPrintable(lines.join('\n')));
    QCOMPARE(CountStarting(lines, "Beginning EFT"), qsizetype(0));
    QCOMPARE(CountStarting(lines, "Setting Amount"), qsizetype(0));
}

void PanelsTest::languageTextIsARuntimeErrorANumberIsNot() {
    DeviceTab* pin = Tab("PIN Pad");
    QVERIFY(Click(pin->Common(), "Open"));
    Mark();
    QVERIFY(Click(pin, "Set Language:"));
    QCOMPARE(Since().size(), 1);
    QVERIFY2(Since()[0].startsWith("Error # "), qPrintable(Since()[0]));
    pin->findChild<QLineEdit*>("txtLanguage")->setText("1");
    Mark();
    QVERIFY(Click(pin, "Set Language:"));
    QCOMPARE(Since(), QStringList{});
}

void PanelsTest::msrTracksAreNeverLoggedInClear() {
    QVERIFY(Ready("MSR"));
    QCOMPARE(Sim("swipe M1 \"1=%B4111111111111111^DOE/JOHN^2512101?\" 2=;4111111111111111=2512101?")
                 .left(2),
             QStringLiteral("OK"));
    QVERIFY(AwaitLine("MSR Data Event"));
    const QStringList lines = Since();
    const qsizetype first = lines.indexOf("MSR Data Event");
    QCOMPARE(lines.mid(first + 1, 4),
             (QStringList{"Track 1 data: *411111******1111^***/****^*******",
                          "Track 2 data: 411111******1111=*******", "Track 3 data: ",
                          "Track 4 data: "}));
    for (const QString& line : Log().Lines()) {
        QVERIFY(!line.contains("4111111111111111"));
        QVERIFY(!line.contains("DOE/JOHN"));
    }
    QCOMPARE(Tab("MSR")->findChild<QLabel*>("lblTrack2")->text(),
             QStringLiteral("411111******1111=*******"));
    QVERIFY(Click(Tab("MSR"), "Clear"));
    QVERIFY(Tab("MSR")->findChild<QLabel*>("lblTrack2")->text().isEmpty());
}

void PanelsTest::msrSwitchesLogAndWrite() {
    DeviceTab* msr = Tab("MSR");
    QVERIFY(Ready("MSR", false));
    orv::host::Control& c = msr->GetDeviceControl().Control();
    struct Row {
        const char* caption;
        const char* property;
        const char* logged;
    };
    const Row rows[] = {{"Decode Data", "DecodeData", "Setting DecodeData to "},
                        {"Parse Decoded Data", "ParseDecodeData", "Setting Parse Decode Data to "},
                        {"Transmit Sentinels", "TransmitSentinels", "Setting Transmit Sentinels to "}};
    for (const Row& r : rows) {
        for (bool on : {true, false}) {
            QCheckBox* box = ButtonOf<QCheckBox>(msr, r.caption);
            QVERIFY(box);
            if (box->isChecked() == on) box->click();  // off first, so the click sets it
            Mark();
            box->click();
            QCOMPARE(Since(), QStringList{QString(r.logged) + (on ? "True" : "False")});
            bool value = !on;
            QCOMPARE(c.Get(r.property, &value), S_OK);
            QCOMPARE(value, on);
        }
    }
    Mark();
    ButtonOf<QCheckBox>(msr, "Track 1")->click();
    ButtonOf<QCheckBox>(msr, "Track 3")->click();
    QCOMPARE(Since(), (QStringList{"Track 1 to be read", "Track 3 to be read"}));
    int32_t tracks = 0;
    QCOMPARE(c.Get("TracksToRead", &tracks), S_OK);
    QCOMPARE(tracks, 1 | 4);
    Mark();
    ButtonOf<QRadioButton>(msr, "Track")->click();
    ButtonOf<QRadioButton>(msr, "Card")->click();
    QCOMPARE(Since(), (QStringList{"Setting Error Reporting to TRACK",
                                   "Setting Error Reporting to CARD"}));
    int32_t type = -1;
    QCOMPARE(c.Get("ErrorReportingType", &type), S_OK);
    QCOMPARE(type, 0);
}

void PanelsTest::scannerDecodeDataChoosesTheLines() {
    DeviceTab* scanner = Tab("Scanner");
    QVERIFY(Ready("Scanner"));
    ButtonOf<QCheckBox>(scanner, "Decode Data")->click();
    QCOMPARE(Since(), QStringList{"Setting DecodeData to True"});
    Mark();
    QCOMPARE(Sim("scan SCAN1 Code128 ABC-123").left(2), QStringLiteral("OK"));
    QVERIFY(AwaitLine("Scan Data Type: Code 128"));
    QStringList lines = Since();
    QCOMPARE(lines.value(0), QStringLiteral("Scanner Data Event"));
    QVERIFY(lines.value(1).startsWith("Scan Data: "));
    QVERIFY(lines.value(1).contains("ABC-123"));
    QCOMPARE(lines.value(2), QStringLiteral("Scan Data Label: ABC-123"));
    QCOMPARE(lines.value(3), QStringLiteral("Scan Data Type Code: 110"));
    QCOMPARE(scanner->findChild<QLabel*>("lblScanDataType")->text(), QStringLiteral("Code 128"));
    // Data events were enabled again by the handler: a second label arrives.
    ButtonOf<QCheckBox>(scanner, "Decode Data")->click();
    Mark();
    QCOMPARE(Sim("scan SCAN1 Code128 XYZ").left(2), QStringLiteral("OK"));
    QVERIFY(AwaitLine("Scanner Data Event"));
    QTRY_COMPARE(Since().size(), 2);
    QVERIFY(Since()[1].startsWith("Scan Data: "));
    Mark();
    QVERIFY(Click(scanner, "Send DirectIO Command:"));
    QVERIFY2(Since().value(0).startsWith("DirectIO Response: "), qPrintable(Since().join('\n')));
}

void PanelsTest::keyboardKeyAndEventTypes() {
    DeviceTab* keyboard = Tab("Keyboard");
    QVERIFY(Ready("Keyboard"));
    ButtonOf<QRadioButton>(keyboard, "Key Up and Key Down Events")->click();
    int32_t types = 0;
    QCOMPARE(keyboard->GetDeviceControl().Control().Get("EventTypes", &types), S_OK);
    QCOMPARE(types, 2);
    QCOMPARE(Sim("key K1 5 down").left(2), QStringLiteral("OK"));
    QVERIFY(AwaitLine("Keyboard Data Event"));
    QVERIFY(!keyboard->findChild<QLabel*>("lblKeyData")->text().isEmpty());
    QCOMPARE(keyboard->findChild<QLabel*>("lblKeyEventType")->text(), QStringLiteral("1"));
    ButtonOf<QRadioButton>(keyboard, "Key Down Only")->click();
    QCOMPARE(keyboard->GetDeviceControl().Control().Get("EventTypes", &types), S_OK);
    QCOMPARE(types, 1);
}

void PanelsTest::lineDisplayTextReachesTheTerminal() {
    DeviceTab* display = Tab("Line Display");
    QVERIFY(Ready("Line Display", false));
    display->findChild<QLineEdit*>("txtDisplayText")->setText("HELLO BENCH");
    QVERIFY(ClickOwn(display, "Display Text"));
    QCOMPARE(Since(), QStringList{});
    QVERIFY2(Sim("show L1").contains("HELLO BENCH"), qPrintable(Sim("show L1")));
    QVERIFY(ClickOwn(display, "Clear Text"));
    QVERIFY(!Sim("show L1").contains("HELLO BENCH"));
    display->findChild<QLineEdit*>("txtX")->setText("2");
    display->findChild<QLineEdit*>("txtY")->setText("3");
    display->findChild<QLineEdit*>("txtDisplayText")->setText("AT");
    QVERIFY(ClickOwn(display, "Display Text at Row, Col"));
    QCOMPARE(Since(), QStringList{});
    QVERIFY(Sim("show L1").contains("AT"));
    display->findChild<QLineEdit*>("txtX")->setText("two");
    QVERIFY(ClickOwn(display, "Display Text at Row, Col"));
    QCOMPARE(Since(), QStringList{"Error # 13 (0xD) was generated by ProbeDesk\tType mismatch"});
}

void PanelsTest::signatureIsDrawn() {
    DeviceTab* tab = Tab("Signature");
    auto* sig = static_cast<SignaturePanel*>(tab);
    QVERIFY(Ready("Signature"));
    QVERIFY(Click(tab, "Begin Capture"));
    QCOMPARE(Since(), QStringList{"Begin Signature Capture - Enter Form Name Here"});
    QCOMPARE(Sim("sign S1 10,20 30,40 - 50,60 70,80").left(2), QStringLiteral("OK"));
    QCOMPARE(Sim("sign S1 done").left(2), QStringLiteral("OK"));
    QTRY_VERIFY_WITH_TIMEOUT(!sig->Drawn().empty(), 10000);
    // Pad 320 wide, picture 320 wide: drawn as signed; no line across the pen-up.
    QCOMPARE(sig->Drawn().size(), size_t(2));
    QCOMPARE(sig->Drawn()[0], QLineF(10, 20, 30, 40));
    QCOMPARE(sig->Drawn()[1], QLineF(50, 60, 70, 80));
    const QImage& image = sig->Picture()->Image();
    QCOMPARE(image.pixelColor(20, 30).lightness() < 200, true);
    QCOMPARE(image.pixelColor(40, 50), QColor(Qt::white));
    Mark();
    QVERIFY(Click(tab, "End Capture"));
    QCOMPARE(Since().value(0), QStringLiteral("End Signature Capture"));
}

void PanelsTest::toneCompletesAsynchronously() {
    DeviceTab* tone = Tab("Tone");
    QVERIFY(Ready("Tone", false));
    ButtonOf<QCheckBox>(tone, "Asynchronous Mode")->setChecked(true);
    // Short tones: the defaults would sound for several seconds.
    for (const char* f : {"txtAsynchDuration1", "txtAsynchDuration2", "txtAsynchToneWait",
                          "txtAsynchSoundWait"})
        tone->findChild<QLineEdit*>(f)->setText("5");
    tone->findChild<QLineEdit*>("txtAsynchCycles")->setText("2");
    QVERIFY(Click(tone, "Sound"));
    QCOMPARE(Since(), QStringList{"Sound Successful"});
    int32_t id = 0;
    QCOMPARE(tone->GetDeviceControl().Control().Get("OutputID", &id), S_OK);
    QVERIFY(AwaitLine(QStringLiteral("Tone OutputCompleteEvent  Status:%1").arg(id)));
    Mark();
    QVERIFY(Click(tone, "Sound Immediate"));
    QCOMPARE(Since(), QStringList{"Sound Immediate Successful"});
    Mark();
    tone->findChild<QLineEdit*>("txtAsynchCycles")->setText("0");
    QVERIFY(Click(tone, "Sound"));
    QCOMPARE(Since(), QStringList{"Jpos Exception - Failure"});
}

void PanelsTest::dockDrivesTheSimulator() {
    SimDock* dock = window_->Dock();
    QVERIFY(dock);
    QCOMPARE(dock->windowTitle(), QStringLiteral("Simulated terminal"));
    // PIN entry through the FIFO.
    DeviceTab* pin = Tab("PIN Pad");
    QVERIFY(Click(pin->Common(), "Open"));
    QVERIFY(Click(pin->Common(), "Claim"));
    QVERIFY(Click(pin, "Begin Transaction"));
    QVERIFY(Click(pin, "Enable PIN Entry"));
    QCOMPARE(pin->GetDeviceControl().Control().Put("DataEventEnabled", orv::DispArg::Bool(true)),
             S_OK);
    Mark();
    QVERIFY(Click(dock, "Enter PIN"));
    QCOMPARE(Since().value(0), QStringLiteral("Simulated terminal: pin P1 ****"));
    QVERIFY(AwaitLine("PINPad Data Event"));
    // A test card: the dock's line and the panel's lines are masked alike.
    QVERIFY(Ready("MSR"));
    QVERIFY(Click(dock, "Swipe"));
    QVERIFY(AwaitLine("MSR Data Event"));
    QVERIFY(Since().value(0).startsWith("Simulated terminal: swipe M1 1=%*411111******1111^"));
    for (const QString& line : Log().Lines()) QVERIFY(!line.contains("4111111111111111"));
    // A key, a status update, a label and a signature drawn with the mouse.
    QVERIFY(Ready("Keyboard"));
    QVERIFY(Click(dock, "Press Key"));
    QVERIFY(AwaitLine("Keyboard Data Event"));
    Mark();
    dock->findChild<QComboBox*>("cmbSimDevice")->setCurrentText("K1");
    QVERIFY(Click(dock, "Status Update"));
    QVERIFY(AwaitLine("Keyboard StatusUpdateEvent  Status:2001"));
    QVERIFY(Ready("Scanner"));
    QVERIFY(Click(dock, "Scan"));
    QVERIFY(AwaitLine("Scanner Data Event"));
    QVERIFY(Ready("Signature"));
    QVERIFY(Click(Tab("Signature"), "Begin Capture"));
    SignPad* pad = dock->Pad();
    QTest::mousePress(pad, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(pad, QPoint(100, 50));
    QMouseEvent move2(QEvent::MouseMove, QPointF(200, 120), pad->mapToGlobal(QPointF(200, 120)),
                      Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(pad, &move2);
    QCOMPARE(pad->Strokes().size(), size_t(1));
    QCOMPARE(pad->Strokes()[0].size(), size_t(3));
    QVERIFY(Click(dock, "Send Signature"));
    auto* sig = static_cast<SignaturePanel*>(Tab("Signature"));
    QTRY_COMPARE_WITH_TIMEOUT(sig->Drawn().size(), size_t(2), 10000);
    QCOMPARE(sig->Drawn()[1], QLineF(100, 50, 200, 120));
    // Bad input never reaches the FIFO.
    Mark();
    dock->findChild<QLineEdit*>("txtSimError")->setText("oops");
    QVERIFY(Click(dock, "Raise Error"));
    QCOMPARE(Since(), QStringList{"Simulated terminal: refused, the input does not make a command"});
    // Power off and on again.
    Mark();
    dock->findChild<QComboBox*>("cmbSimDevice")->setCurrentText("K1");
    QVERIFY(Click(dock, "Power Off"));
    QCOMPARE(Since(), QStringList{"Simulated terminal: power K1 off"});
    QTRY_VERIFY_WITH_TIMEOUT(Sim("show K1").contains("power=2002"), 5000);
    QVERIFY(Click(dock, "Power On"));
    QTRY_VERIFY_WITH_TIMEOUT(Sim("show K1").contains("power=2001"), 5000);
}

void PanelsTest::dockShowsTheScreens() {
    SimDock* dock = window_->Dock();
    DeviceTab* display = Tab("Line Display");
    QVERIFY(Ready("Line Display", false));
    display->findChild<QLineEdit*>("txtDisplayText")->setText("DOCK SCREEN");
    QVERIFY(ClickOwn(display, "Display Text"));
    QElapsedTimer clock;
    clock.start();
    while (!dock->Screen()->toPlainText().contains("DOCK SCREEN") && clock.elapsed() < 10000) {
        dock->Refresh();
        QTest::qWait(50);
    }
    QVERIFY2(dock->Screen()->toPlainText().contains("DOCK SCREEN"),
             qPrintable(dock->Screen()->toPlainText()));
    QVERIFY(dock->Screen()->toPlainText().contains("Terminal:"));
}

void PanelsTest::allDevicesScenarioPlays() {
    QStringList reports;
    ScenarioPlayer player(*window_, [&](const QString& m) { reports << m; });
    const int result = player.Run(QStringLiteral(PROBEDESK_SCENARIOS "/all-devices.txt"));
    QVERIFY2(result == 0, qPrintable(reports.join('\n') + "\n" + Since().join('\n')));
    QVERIFY(player.Figures().statements > 90);
    // Every device ends closed; no card data reached the log.
    for (DeviceTab* tab : window_->DeviceTabs()) {
        // A closed control answers every method with 101 (not open).
        int32_t rc = 0;
        QCOMPARE(tab->GetDeviceControl().Control().Call("Close", &rc), S_OK);
        QCOMPARE(rc, 101);
    }
    QCOMPARE(CountStarting(Since(), "Closed"), qsizetype(7));
    for (const QString& line : Log().Lines()) QVERIFY(!line.contains("4111111111111111"));
}

void PanelsTest::screenshotsShowADrawnSignature() {
    QTemporaryDir dir;
    // Every tab's five panels, the drawn signature, the splash and the about box.
    QCOMPARE(WriteScreenshots(*window_, dir.path()), 7 * 5 + 3);
    QImage drawn(dir.filePath("signature-drawn.png"));
    QVERIFY(!drawn.isNull());
    auto* sig = static_cast<SignaturePanel*>(Tab("Signature"));
    // The picture was cleared again afterwards.
    QCOMPARE(sig->Picture()->Image().pixelColor(160, 200), QColor(Qt::white));
    const QPoint origin = sig->Picture()->mapTo(window_.get(), QPoint(0, 0));
    // The pen-up stroke (60,200)-(260,200) is on the picture.
    QVERIFY(drawn.pixelColor(origin + QPoint(160, 200)).lightness() < 128);
}

void PanelsTest::scenarioFailuresAreReported_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("report");
    QTest::newRow("event that never comes")
        << "timeout 300\ntab PIN Pad\npress Open\nexpect-log PINPad Data Event" << 1
        << "scenario:4: no log line with \"PINPad Data Event\" within 300 ms";
    QTest::newRow("matched lines are not matched again")
        << "timeout 200\ntab MSR\npress Open\nexpect-log Opened Device\nexpect-log Opened Device"
        << 1 << "scenario:5: no log line with \"Opened Device\" within 200 ms";
    QTest::newRow("unknown statement") << "tab MSR\nfrobnicate" << 2
                                       << "scenario:2: unknown statement \"frobnicate\"";
    QTest::newRow("unknown tab") << "tab Printer" << 2 << "scenario:1: no tab \"Printer\"";
    QTest::newRow("no tab yet") << "press Open" << 2 << "scenario:1: \"press\" before any \"tab\"";
    QTest::newRow("unknown button") << "tab MSR\npress Fly" << 2
                                    << "scenario:2: no single button \"Fly\"";
    QTest::newRow("unknown field") << "tab MSR\nset txtNope 1" << 2
                                   << "scenario:2: no field \"txtNope\" on this tab";
    QTest::newRow("list without the entry") << "tab PIN Pad\nset cmbTransType Refund" << 2
                                            << "scenario:2: cmbTransType has no entry \"Refund\"";
    QTest::newRow("bad time") << "timeout soon" << 2
                              << "scenario:1: \"soon\" is not a time in ms";
    QTest::newRow("screen that never shows")
        << "timeout 300\ntab Line Display\npress Open\npress Claim\nexpect-screen L1 NEVER" << 1
        << "scenario:5: the screen of L1 shows no \"NEVER\" within 300 ms:";
}

void PanelsTest::scenarioFailuresAreReported() {
    QFETCH(QString, script);
    QFETCH(int, result);
    QFETCH(QString, report);
    QStringList reports;
    ScenarioPlayer player(*window_, [&](const QString& m) { reports << m; });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(player.RunText(script), result);
    QVERIFY(clock.elapsed() < 5000);
    QCOMPARE(reports.size(), 1);
    QVERIFY2(reports[0].startsWith(report), qPrintable(reports[0]));
}

int main(int argc, char** argv) {
    QTemporaryDir home;
    ::setenv("XDG_CONFIG_HOME", qPrintable(home.path()), 1);
    // The simulator's control FIFO and answers, read by the JVM when it starts.
    ::setenv("ORV_SIM_CONTROL", qPrintable(home.filePath("zr88")), 1);
    ::setenv("ORV_SIM_CONTROL_LOG", qPrintable(home.filePath("zr88.answers")), 1);
    orv::so::test::TestInstall install;  // registry, PIN pad service object, logs, claim locks
    const std::pair<const char*, const char*> keys[] = {
        {"SignatureCapture\\S1", "ORVSig.so"}, {"LineDisplay\\L1", "ORVLine.so"},
        {"MSR\\M1", "ORVMsr.so"},              {"POSKeyboard\\K1", "ORVKbd.so"},
        {"ToneIndicator\\T1", "ORVTone.so"},   {"Scanner\\SCAN1", "ORVScanner.so"}};
    for (const auto& [key, progId] : keys)
        orv::so::test::TestInstall::SetString(
            std::string("SOFTWARE\\OLEforRetail\\ServiceOPOS\\") + key, nullptr, progId);
    for (const char* library :
         {"PinpadControl", "SigcapControl", "DisplayControl", "StripeControl", "KeyboardControl",
          "ToneControl", "ScannerControl", "SigcapBridge", "DisplayBridge", "MsrBridge",
          "KeypadBridge", "ToneBridge", "ScanBridge"}) {
        const std::string path =
            (orv::so::test::BuildDir() / "lib" / ("lib" + std::string(library) + ".so")).string();
        if (orv::so::test::RunCommand(orv::so::test::RegsvrTool().string() + " /s " + path) != 0) {
            std::fprintf(stderr, "regsvr failed for %s\n", path.c_str());
            return 1;
        }
    }
    orv::host::ComApartment com;
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Orvane");
    QApplication::setApplicationName("ProbeDeskTest");
    PanelsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "panels_test.moc"
