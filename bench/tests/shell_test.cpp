// The shell without any device behind it: captions and defaults, log formats, the log file,
// the splash, settings, and the error line of a tab whose control does not exist.
#include <sys/stat.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cstdlib>
#include <memory>

#include "bench_test_util.h"
#include "common_panel.h"
#include "device_tab.h"
#include "directio_panels.h"
#include "host/apartment.h"
#include "main_window.h"
#include "message_pump.h"
#include "opos_names.h"
#include "platform/win32.h"

using namespace probedesk;
using namespace probedesk::test;

class ShellTest : public QObject {
    Q_OBJECT

private slots:
    void init() { window_ = std::make_unique<MainWindow>(/*createControls=*/false); }
    void cleanup() { window_.reset(); }

    void mainWindowCaptionsMenusAndTabOrder();
    void innerTabStripCaptions();
    void commonPanelCaptions_data();
    void commonPanelCaptions();
    void directIOButtons_data();
    void directIOButtons();
    void directIOFieldDefaults_data();
    void directIOFieldDefaults();
    void directIOJoinsFieldsAsTyped_data();
    void directIOJoinsFieldsAsTyped();
    void deviceNameDefaults_data();
    void deviceNameDefaults();
    void nameTables();
    void exceptionTexts_data();
    void exceptionTexts();
    void logAndContinuationLinesDifferOnlyInPrefix();
    void errorLineFormat_data();
    void errorLineFormat();
    void storeFillsDefaultNameAndAppendsOnEveryPress();
    void clearLeavesTheFileAlone();
    void failedStoreWritesOneErrorLine();
    void storeReplacesCharactersOutsideTheCodePage();
    void filterShowsAndStoresMatchingLines();
    void splashClosesAfterItsTimeout();
    void splashClosesOnKeyAndOnClick();
    void aboutBoxShowsTheVersion();
    void tabWithoutControlLogsOneErrorLinePerClick_data();
    void tabWithoutControlLogsOneErrorLinePerClick();
    void uncreatableControlsAreLoggedAndTheTabsStayUsable();
    void deviceNamesAndGeometryAreRemembered();
    void resetWritesNothing();
    void postedQuitClosesTheWindowOnce();
    void onlyTheScannerTabWarnsAboutUntranslatedDirectIO();

private:
    std::unique_ptr<MainWindow> window_;
};

void ShellTest::mainWindowCaptionsMenusAndTabOrder() {
    QCOMPARE(window_->windowTitle(), QStringLiteral("OPOS ProbeDesk"));
    const QStringList tabs = {"Keyboard", "Line Display", "MSR", "PIN Pad",
                              "Scanner",  "Signature",    "Tone"};
    const QStringList objects = {"pnlKeyboard1", "pnlLineDisplay1", "pnlMSR1", "pnlPinPad1",
                                 "pnlScanner1",  "pnlSig1",         "pnlTone1"};
    QCOMPARE(window_->Tabs()->count(), tabs.size());
    for (int i = 0; i < tabs.size(); ++i) {
        QCOMPARE(window_->Tabs()->tabText(i), tabs[i]);
        QCOMPARE(window_->Tabs()->widget(i)->objectName(), objects[i]);
    }
    QStringList menus;
    for (QAction* menu : window_->menuBar()->actions()) {
        menus.append(menu->text());
        for (QAction* item : menu->menu()->actions()) menus.append(item->text());
    }
    QCOMPARE(menus, (QStringList{"&File", "E&xit", "&Help", "&About OPOS ProbeDesk..."}));
    for (const char* caption : {"Store Log To File", "Clear", "Browse..."})
        QVERIFY2(ButtonOf(window_->Log(), caption), caption);
}

void ShellTest::innerTabStripCaptions() {
    const QStringList expected = {"Common Properties", "DirectIO ZR88xx System",
                                  "    DirectIO      ZR88xx   Script    ",
                                  "DirectIO ZR88xx Display", "DirectIO ZR88xx Variables"};
    for (DeviceTab* tab : window_->DeviceTabs()) {
        QStringList captions;
        for (int i = 0; i < tab->Strip()->count(); ++i) captions.append(tab->Strip()->tabText(i));
        QCOMPARE(captions, expected);
    }
}

void ShellTest::commonPanelCaptions_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    for (const char* b : {"Open", "Claim", "Release", "Close", "Get Capabilities", "Get Properties",
                          "Get Device Info", "ClearOutput", "Clear Input", "Get Data Count",
                          "Get Output ID", "Check Health", "Update Firmware", "..."})
        QTest::newRow(b) << "button" << b;
    for (const char* c : {"Control Enabled", "Auto Disable", "Data Events Enabled", "Freeze Events",
                          "Power Notify Enabled"})
        QTest::newRow(c) << "check" << c;
    for (const char* o : {"None", "Nibble", "Decimal"}) QTest::newRow(o) << "option" << o;
    for (const char* l : {"Health Check Level: 1=Internal, 2=External, 3=Interactive",
                          "Firmware File Name: Type full path here or choose ->"})
        QTest::newRow(l) << "label" << l;
    QTest::newRow("frame") << "frame"
                           << "Binary Conversion";
}

void ShellTest::commonPanelCaptions() {
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    for (DeviceTab* tab : window_->DeviceTabs()) {
        QWidget* panel = tab->Common();
        bool found = false;
        if (kind == "button") found = ButtonOf(panel, caption) != nullptr;
        if (kind == "check") found = ButtonOf<QCheckBox>(panel, caption) != nullptr;
        if (kind == "option") found = ButtonOf<QRadioButton>(panel, caption) != nullptr;
        if (kind == "frame")
            for (auto* g : panel->findChildren<QGroupBox*>()) found |= g->title() == caption;
        if (kind == "label")
            for (auto* l : panel->findChildren<QLabel*>()) found |= l->text() == caption;
        QVERIFY2(found, qPrintable(tab->objectName() + ": " + caption));
    }
}

void ShellTest::directIOButtons_data() {
    QTest::addColumn<int>("panel");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("command");
    QTest::addColumn<bool>("shortCommand");
    const struct {
        int panel;
        const char* caption;
        int command;
    } rows[] = {
        {0, "Download Firmware", 27},
        {0, "Get Error", 21},
        {0, "Get Free Memory", 38},
        {0, "Get Model", 17},
        {0, "Get Name", 18},
        {0, "Get Version", 19},
        {0, "Is Device Connected?", 15},
        {0, "Is Error?", 20},
        {0, "Reboot", 23},
        {0, "Reset", 16},
        {0, "Show Prompt", 7},
        {1, "Download Script", 50},
        {1, "Run Script", 34},
        {1, "Script Goto Label", 35},
        {1, "Script Goto Var", 36},
        {1, "Is Var a Script?", 30},
        {1, "Is Script Loaded?", 31},
        {1, "Is Script Running?", 32},
        {1, "Is Script Paused?", 33},
        {1, "Script Reset", 29},
        {1, "Script Stop", 49},
        {2, "Display Text", 1},
        {2, "Set Font:", 2},
        {2, "Clear Display", 3},
        {2, "Reset Logo", 5},
        {2, "Display Logo", 6},
        {2, "Display Bitmap", 8},
        {2, "Set Logo File:", 9},
        {2, "Display Box", 10},
        {3, "Set Text Var", 45},
        {3, "Get Text Var", 46},
        {3, "Is Text Var?", 44},
        {3, "Get Var By Name", 43},
        {3, "Set Var Name", 42},
        {3, "Find Var By Name", 41},
        {3, "Find Var By ID", 40},
        {3, "Delete Var By ID", 39},
        {3, "Delete Var By Name", 51},
    };
    for (const auto& row : rows)
        QTest::newRow(row.caption)
            << row.panel << row.caption << row.command << (row.command == 50);
}

void ShellTest::directIOButtons() {
    QFETCH(int, panel);
    QFETCH(QString, caption);
    QFETCH(int, command);
    QFETCH(bool, shortCommand);
    DirectIOPanel* p = window_->DeviceTabs()[0]->DirectIOPanels()[static_cast<size_t>(panel)];
    QVERIFY(ButtonOf(p, caption));
    int matches = 0;
    for (const DirectIOButton& b : p->Layout().buttons) {
        if (caption != b.caption) continue;
        ++matches;
        QCOMPARE(b.command, command);
        QCOMPARE(b.shortCommand, shortCommand);
    }
    QCOMPARE(matches, 1);
    // Every panel has exactly the buttons of its table plus its browse buttons.
    QCOMPARE(p->findChildren<QPushButton*>().size(),
             qsizetype(p->Layout().buttons.size() + p->Layout().browses.size()));
}

void ShellTest::directIOFieldDefaults_data() {
    QTest::addColumn<int>("panel");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    const struct {
        int panel;
        const char* field;
        const char* text;
    } rows[] = {
        {0, "txtFirmwareFile", "Text1"},
        {0, "txtNumberPositions", "10"},
        {0, "txtUnitPositions", "1"},
        {1, "txtRunScriptName", "AUTORUN"},
        {1, "txtScriptFileName", "Script File Name"},
        {1, "txtRunScriptLabel", "main"},
        {1, "txtScriptGotoLabel", "Enter Script Label Here"},
        {1, "txtScriptGotoVar", "Enter Var Name Here"},
        {1, "txtIsVarScript", "Enter Var Name Here"},
        {2, "txtX", "10"},
        {2, "txtY", "10"},
        {2, "txtDisplayText", "Go Cubs!"},
        {2, "txtWidth", "100"},
        {2, "txtHeight", "100"},
    };
    for (const auto& row : rows) QTest::newRow(row.field) << row.panel << row.field << row.text;
}

void ShellTest::directIOFieldDefaults() {
    QFETCH(int, panel);
    QFETCH(QString, field);
    QFETCH(QString, text);
    DirectIOPanel* p = window_->DeviceTabs()[3]->DirectIOPanels()[static_cast<size_t>(panel)];
    QLineEdit* edit = p->Field(field.toLatin1().constData());
    QVERIFY(edit);
    QCOMPARE(edit->text(), text);
    if (panel == 2) {
        auto* font = p->findChild<QComboBox*>(QStringLiteral("cmbFont"));
        QVERIFY(font);
        QCOMPARE(font->currentText(), QStringLiteral("FONT_8x8"));
    }
}

void ShellTest::directIOJoinsFieldsAsTyped_data() {
    QTest::addColumn<int>("panel");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("joined");
    QTest::newRow("display text") << 2 << "Display Text"
                                  << ""
                                  << ""
                                  << "10,10,Go Cubs!";
    QTest::newRow("display box") << 2 << "Display Box"
                                 << ""
                                 << ""
                                 << "10,10,100,100";
    QTest::newRow("run script") << 1 << "Run Script"
                                << ""
                                << ""
                                << "AUTORUN,main";
    QTest::newRow("download script") << 1 << "Download Script"
                                     << ""
                                     << ""
                                     << "AUTORUN,Script File Name";
    QTest::newRow("set var name") << 3 << "Set Var Name"
                                  << "txtVarName"
                                  << "ABC"
                                  << "ABC,x29x10x00x00";
    QTest::newRow("prompt title first") << 0 << "Show Prompt"
                                        << "txtNumberForm"
                                        << "Amount?"
                                        << "Amount?,10,1";
    QTest::newRow("no trimming") << 2 << "Display Text"
                                 << "txtDisplayText"
                                 << " a,b "
                                 << "10,10, a,b ";
    QTest::newRow("set text var") << 3 << "Set Text Var"
                                  << "txtVarContents"
                                  << "x"
                                  << "VAR1,x";
    QTest::newRow("find by id") << 3 << "Find Var By ID"
                                << "txtVarID"
                                << "12abc"
                                << "12abc";
    QTest::newRow("bitmap") << 2 << "Display Bitmap"
                            << "txtBitmapName"
                            << "/tmp/a.bmp"
                            << "10,10,/tmp/a.bmp";
    QTest::newRow("no fields") << 0 << "Get Model"
                               << ""
                               << ""
                               << "";
}

void ShellTest::directIOJoinsFieldsAsTyped() {
    QFETCH(int, panel);
    QFETCH(QString, caption);
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, joined);
    DirectIOPanel* p = window_->DeviceTabs()[3]->DirectIOPanels()[static_cast<size_t>(panel)];
    if (!field.isEmpty()) p->Field(field.toLatin1().constData())->setText(value);
    for (const DirectIOButton& b : p->Layout().buttons)
        if (caption == b.caption) QCOMPARE(p->JoinedText(b), joined);
}

void ShellTest::deviceNameDefaults_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("name");
    const char* names[] = {"K1", "L1", "M1", "P1", "SCAN1", "S1", "T1"};
    for (int i = 0; i < 7; ++i) QTest::newRow(names[i]) << i << names[i];
}

void ShellTest::deviceNameDefaults() {
    QFETCH(int, tab);
    QFETCH(QString, name);
    QSettings().clear();
    MainWindow fresh(false);
    QCOMPARE(fresh.DeviceTabs()[static_cast<size_t>(tab)]->ServiceId()->text(), name);
}

void ShellTest::nameTables() {
    const OposNameTables& t = NameTables();
    QCOMPARE(t.states.size(), size_t(4));
    QCOMPARE(t.resultCodes.size(), size_t(15));
    QCOMPARE(NameOf(t.states, 2), QStringLiteral("OPOS_S_IDLE"));
    QCOMPARE(NameOf(t.resultCodes, 0), QStringLiteral("OPOS_SUCCESS"));
    QCOMPARE(NameOf(t.resultCodes, 114), QStringLiteral("OPOS_E_EXTENDED"));
    QCOMPARE(NameOf(t.errorResponses, 13), QStringLiteral("OPOS_ER_CONTINUEINPUT"));
    QCOMPARE(NameOf(t.errorLoci, 3), QStringLiteral("OPOS_EL_INPUT_DATA"));
    QCOMPARE(NameOf(t.resultCodes, 115), QString());
    // Codes 101..114 are consecutive and each has its exception text.
    for (int32_t code = 101; code <= 114; ++code) {
        QVERIFY(!NameOf(t.resultCodes, code).isEmpty());
        QVERIFY(!ExceptionText(code).isEmpty());
    }
}

void ShellTest::exceptionTexts_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    const char* texts[] = {"Control is closed",
                           "Claimed",
                           "Device Not Claimed",
                           "No Service",
                           "Disabled",
                           "Illegal Operation",
                           "No Hardware",
                           "Off Line",
                           "No Exist",
                           "Exists",
                           "Failure",
                           "Timed Out",
                           "Busy",
                           "Extended"};
    for (int i = 0; i < 14; ++i)
        QTest::newRow(texts[i]) << 101 + i << QStringLiteral("Jpos Exception - ") + texts[i];
    QTest::newRow("0") << 0 << "";
    QTest::newRow("100") << 100 << "";
    QTest::newRow("115") << 115 << "";
    QTest::newRow("-1") << -1 << "";
}

void ShellTest::exceptionTexts() {
    QFETCH(int, code);
    QFETCH(QString, text);
    LogBox* log = window_->Log();
    log->ExceptionText(code);
    if (text.isEmpty()) {
        QVERIFY(log->Lines().isEmpty());
    } else {
        QCOMPARE(log->Lines().size(), 1);
        QCOMPARE(Messages(*log), QStringList{text});
    }
}

void ShellTest::logAndContinuationLinesDifferOnlyInPrefix() {
    LogBox* log = window_->Log();
    log->Line(QStringLiteral("first"));
    log->Continuation(QStringLiteral("second"));
    QCOMPARE(log->Lines().size(), 2);
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\tfirst$"))
                 .match(log->Lines()[0])
                 .hasMatch(),
             qPrintable(log->Lines()[0]));
    QCOMPARE(log->Lines()[1], QStringLiteral("\t\tsecond"));
    QCOMPARE(log->Text(), log->Lines()[0] + "\r\n\t\tsecond\r\n");
    // The caret follows the newest line.
    QCOMPARE(log->View()->textCursor().position(), log->View()->document()->characterCount() - 1);
}

void ShellTest::errorLineFormat_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("line");
    QTest::newRow("missing member")
        << 438 << "Error # 438 (0x1B6) was generated by ProbeDesk\tWhat went wrong";
    QTest::newRow("automation error")
        << int(0x80020009)
        << "Error # -2147352567 (0x80020009) was generated by ProbeDesk\tWhat went wrong";
}

void ShellTest::errorLineFormat() {
    QFETCH(int, number);
    QFETCH(QString, line);
    LogBox* log = window_->Log();
    Trap(log, [&] { throw BenchError{number, kBenchSource, QStringLiteral("What went wrong")}; });
    Trap(log, [] {});  // no error pending: nothing
    QCOMPARE(Messages(*log), QStringList{line});
}

void ShellTest::storeFillsDefaultNameAndAppendsOnEveryPress() {
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    LogBox* log = window_->Log();
    log->FileName()->clear();
    log->Line(QStringLiteral("one"));
    const QString text = log->Text();
    QVERIFY(Click(log, "Store Log To File"));
    QCOMPARE(log->FileName()->text(), QStringLiteral("ProbeDesk.log"));
    QVERIFY(Click(log, "Store Log To File"));
    QDir::setCurrent(before);
    QFile file(dir.filePath("ProbeDesk.log"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromLatin1(file.readAll()), text + text);
    struct stat info {};
    QCOMPARE(::stat(QFile::encodeName(file.fileName()).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777 & ~mode_t(0640), mode_t(0));  // owner and group only
    QCOMPARE(log->Lines().size(), 1);                          // no error line
}

void ShellTest::clearLeavesTheFileAlone() {
    QTemporaryDir dir;
    LogBox* log = window_->Log();
    log->FileName()->setText(dir.filePath("bench.log"));
    log->Line(QStringLiteral("kept"));
    QVERIFY(Click(log, "Store Log To File"));
    const QByteArray stored = [&] {
        QFile f(dir.filePath("bench.log"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    QVERIFY(Click(log, "Clear"));
    QVERIFY(log->Lines().isEmpty());
    QVERIFY(log->View()->toPlainText().isEmpty());
    QFile f(dir.filePath("bench.log"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), stored);
    QVERIFY(stored.contains("kept\r\n"));
}

void ShellTest::failedStoreWritesOneErrorLine() {
    LogBox* log = window_->Log();
    log->FileName()->setText(QStringLiteral("/nonexistent-folder/sub/bench.log"));
    log->Line(QStringLiteral("x"));
    QVERIFY(Click(log, "Store Log To File"));
    const QStringList messages = Messages(*log, 1);
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].startsWith("Error # 75 (0x4B) was generated by ProbeDesk\t"),
             qPrintable(messages[0]));
    QVERIFY(Click(log, "Clear"));  // the bench goes on
    QVERIFY(log->Lines().isEmpty());
}

void ShellTest::storeReplacesCharactersOutsideTheCodePage() {
    QTemporaryDir dir;
    LogBox* log = window_->Log();
    log->FileName()->setText(dir.filePath("cp.log"));
    log->Continuation(QString::fromUtf8(
        "caf\xc3\xa9 \xe2\x82\xac \xe4\xb8\xad\xe6\x96\x87 \xf0\x9f\x98\x80 end"));
    QVERIFY(Click(log, "Store Log To File"));
    QCOMPARE(log->Lines().size(), 1);  // no error line
    QFile f(dir.filePath("cp.log"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    // é and € are in the code page (0xE9, 0x80); the rest become '?', one per UTF-16 unit.
    QCOMPARE(f.readAll(), QByteArray("\t\tcaf\xe9 \x80 ?? ?? end\r\n"));
}

void ShellTest::filterShowsAndStoresMatchingLines() {
    QTemporaryDir dir;
    LogBox* log = window_->Log();
    log->Line(QStringLiteral("Device Claimed"));
    log->Line(QStringLiteral("Closed"));
    log->SetFilter(QStringLiteral("claim"));
    QVERIFY(log->View()->toPlainText().endsWith(QStringLiteral("Device Claimed")));
    QVERIFY(!log->View()->toPlainText().contains(QStringLiteral("Closed")));
    log->Line(QStringLiteral("Claim again"));
    log->Line(QStringLiteral("other"));
    log->FileName()->setText(dir.filePath("f.log"));
    QVERIFY(Click(log, "Store Log To File"));
    QFile f(dir.filePath("f.log"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray stored = f.readAll();
    QCOMPARE(stored.count("\r\n"), 2);
    QVERIFY(!stored.contains("other"));
    log->SetFilter(QString());
    QCOMPARE(log->View()->document()->blockCount(), 4);
}

void ShellTest::splashClosesAfterItsTimeout() {
    Splash splash;
    QCOMPARE(splash.Timer()->interval(), Splash::kTimeoutMs);
    QCOMPARE(Splash::kTimeoutMs, 3000);
    QCOMPARE(splash.findChild<QLabel*>("lblVersion")->text(), VersionText());
    QCOMPARE(splash.findChild<QLabel*>("lblProductName")->text(), QStringLiteral("OPOS ProbeDesk"));
    QElapsedTimer clock;
    clock.start();
    splash.show();
    QTRY_VERIFY_WITH_TIMEOUT(!splash.isVisible(), 10000);
    QVERIFY2(clock.elapsed() >= Splash::kTimeoutMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(splash.result(), int(QDialog::Accepted));
}

void ShellTest::splashClosesOnKeyAndOnClick() {
    {
        Splash splash;
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        QTest::keyClick(&splash, Qt::Key_Space);
        QVERIFY(!splash.isVisible());
    }
    {
        Splash splash;
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        QTest::mouseClick(splash.Frame(), Qt::LeftButton);
        QVERIFY(!splash.isVisible());
        QVERIFY(!splash.Timer()->isActive() || splash.result() == QDialog::Accepted);
    }
}

void ShellTest::aboutBoxShowsTheVersion() {
    QTimer::singleShot(0, window_.get(), [] {
        auto* about = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(about);
        QCOMPARE(about->windowTitle(), QStringLiteral("About OPOS ProbeDesk"));
        QCOMPARE(about->findChild<QLabel*>("lblProgramVersion")->text(),
                 QStringLiteral("Version %1.%2")
                     .arg(PROBEDESK_VERSION_MAJOR)
                     .arg(PROBEDESK_VERSION_MINOR));
        QVERIFY(Click(about, "OK"));
    });
    window_->ShowAbout();  // returns when OK has closed it
    QVERIFY(!QApplication::activeModalWidget());
}

void ShellTest::tabWithoutControlLogsOneErrorLinePerClick_data() {
    QTest::addColumn<int>("strip");
    QTest::addColumn<QString>("caption");
    QTest::newRow("claim") << 0 << "Claim";
    QTest::newRow("check health") << 0 << "Check Health";
    QTest::newRow("data count") << 0 << "Get Data Count";
    QTest::newRow("get model") << 1 << "Get Model";
    QTest::newRow("run script") << 2 << "Run Script";
    QTest::newRow("display text") << 3 << "Display Text";
    QTest::newRow("set text var") << 4 << "Set Text Var";
}

void ShellTest::tabWithoutControlLogsOneErrorLinePerClick() {
    QFETCH(int, strip);
    QFETCH(QString, caption);
    DeviceTab* tab = window_->DeviceTabs()[0];
    QVERIFY(Click(tab->Strip()->widget(strip), caption));
    QVERIFY(Click(tab->Strip()->widget(strip), caption));
    const QString line =
        "Error # 91 (0x5B) was generated by ProbeDesk\tObject variable or With block variable not "
        "set";
    QCOMPARE(Messages(*window_->Log()), (QStringList{line, line}));
}

void ShellTest::uncreatableControlsAreLoggedAndTheTabsStayUsable() {
    // No control is registered in this test's registry.
    MainWindow window(true);
    const QStringList messages = Messages(*window.Log());
    QCOMPARE(messages.size(), 7);
    QVERIFY2(messages[3].startsWith("PIN Pad: the control OPOS.PINPad cannot be created"),
             qPrintable(messages[3]));
    DeviceTab* tab = window.Tab("Line Display");
    QVERIFY(Click(tab->Common(), "Open"));
    const QStringList open = Messages(*window.Log(), 7);
    QCOMPARE(open.size(), 2);
    QCOMPARE(open[0], QStringLiteral("Opening LineDisplay"));
    QVERIFY(open[1].startsWith("Error # 91 "));
}

void ShellTest::deviceNamesAndGeometryAreRemembered() {
    window_->DeviceTabs()[3]->ServiceId()->setText("P7");
    window_->resize(900, 700);
    window_->Log()->FileName()->setText("mine.log");
    window_->close();  // saves
    MainWindow again(false);
    QCOMPARE(again.DeviceTabs()[3]->ServiceId()->text(), QStringLiteral("P7"));
    QCOMPARE(again.DeviceTabs()[0]->ServiceId()->text(), QStringLiteral("K1"));
    QCOMPARE(again.size(), QSize(900, 700));
    QCOMPARE(again.Log()->FileName()->text(), QStringLiteral("mine.log"));
    QSettings().clear();
}

void ShellTest::resetWritesNothing() {
    // Ticking a box on a tab without a control logs its line and the error; resetting the panel
    // afterwards (as Open and Close do) must log nothing.
    CommonPanel* common = window_->DeviceTabs()[0]->Common();
    ButtonOf<QCheckBox>(common, "Freeze Events")->setChecked(true);
    QCOMPARE(Messages(*window_->Log()).size(), 2);
    QCOMPARE(Messages(*window_->Log())[0], QStringLiteral("Setting FreezeEvents to True"));
    common->Reset();
    QCOMPARE(Messages(*window_->Log()).size(), 2);
    QVERIFY(!ButtonOf<QCheckBox>(common, "Freeze Events")->isChecked());
    QVERIFY(!common->Refreshing());
}

void ShellTest::postedQuitClosesTheWindowOnce() {
    window_->show();
    QVERIFY(window_->Pump()->Active());
    QSignalSpy quit(window_->Pump(), &MessagePump::quitRequested);
    PostQuitMessage(7);
    QTRY_COMPARE(quit.count(), 1);
    QCOMPARE(quit.at(0).at(0).toInt(), 7);
    QVERIFY(!window_->isVisible());
    // Taken off the queue: the descriptor is quiet again and nothing more comes.
    QTest::qWait(50);
    QCOMPARE(quit.count(), 1);
    QSettings().clear();
}

void ShellTest::onlyTheScannerTabWarnsAboutUntranslatedDirectIO() {
    for (DeviceTab* tab : window_->DeviceTabs()) {
        const bool scanner = tab->objectName() == "pnlScanner1";
        for (DirectIOPanel* panel : tab->DirectIOPanels()) {
            QCOMPARE(panel->toolTip().contains("untranslated"), scanner);
            QCOMPARE(tab->Strip()->tabToolTip(tab->Strip()->indexOf(panel)).isEmpty(), !scanner);
        }
        QVERIFY(tab->Common()->toolTip().isEmpty());
    }
}

int main(int argc, char** argv) {
    QTemporaryDir home;
    ::setenv("XDG_CONFIG_HOME", qPrintable(home.path()), 1);
    ::setenv("ORV_REGISTRY", qPrintable(home.filePath("registry.reg")), 1);
    orv::host::ComApartment com;
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Orvane");
    QApplication::setApplicationName("ProbeDeskTest");
    ShellTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "shell_test.moc"
