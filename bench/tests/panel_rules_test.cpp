// The panels' rules that need no device: the amount text, the scan data type names, the
// signature's points and lines, the masks of card data.
#include <QtTest>

#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "panel_rules.h"
#include "sim_dock.h"
#include "platform/com_ptr.h"

using namespace probedesk;

namespace {
orv::UniqueBstr Bstr(const std::u16string& text) {
    return orv::UniqueBstr(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                             static_cast<UINT>(text.size())));
}
}  // namespace

class PanelRulesTest : public QObject {
    Q_OBJECT
private slots:
    void amountIsExactToFourDecimals_data();
    void amountIsExactToFourDecimals();
    void scanDataTypeNames_data();
    void scanDataTypeNames();
    void listNumbers();
    void signaturePointsByConversion_data();
    void signaturePointsByConversion();
    void highBytesComeBackThroughTheCodePage();
    void strokesEndAtPenUp();
    void scaleNeverDividesByZero();
    void tracksAndAccountsAreMasked_data();
    void tracksAndAccountsAreMasked();
    void simulatorCommands_data();
    void simulatorCommands();
    void signCommandJoinsStrokes();
    void fifoWritesNeverBlockAndSayWhy();
    void answerLogKeepsTheLastScreen();
};

void PanelRulesTest::amountIsExactToFourDecimals_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("expected");  // -1: refused
    QTest::newRow("default") << "123.45" << qint64(1234500);
    QTest::newRow("one decimal") << "123.4" << qint64(1234000);
    QTest::newRow("whole") << "123" << qint64(1230000);
    QTest::newRow("four decimals") << "0.0001" << qint64(1);
    QTest::newRow("three decimals") << "123.456" << qint64(1234560);
    QTest::newRow("leading dot") << ".5" << qint64(5000);
    QTest::newRow("trailing dot") << "7." << qint64(70000);
    QTest::newRow("blanks around") << " 25.49 " << qint64(254900);
    QTest::newRow("largest") << "922337203685477.5807" << qint64(9223372036854775807LL);
    QTest::newRow("past the range") << "922337203685477.5808" << qint64(-1);
    QTest::newRow("five decimals") << "1.23456" << qint64(-1);
    QTest::newRow("empty") << "" << qint64(-1);
    QTest::newRow("dot only") << "." << qint64(-1);
    QTest::newRow("negative") << "-1.00" << qint64(-1);
    QTest::newRow("plus") << "+1" << qint64(-1);
    QTest::newRow("letters") << "12a.00" << qint64(-1);
    QTest::newRow("two dots") << "1.2.3" << qint64(-1);
    QTest::newRow("comma") << "1,50" << qint64(-1);
    QTest::newRow("exponent") << "1e3" << qint64(-1);
    QTest::newRow("arabic digits") << QString::fromUtf8("\u0661\u0662") << qint64(-1);
}

void PanelRulesTest::amountIsExactToFourDecimals() {
    QFETCH(QString, text);
    QFETCH(qint64, expected);
    const std::optional<int64_t> amount = AmountFromText(text);
    if (expected < 0)
        QVERIFY2(!amount, qPrintable(QString::number(amount.value_or(0))));
    else
        QCOMPARE(amount.value_or(-1), expected);
}

void PanelRulesTest::scanDataTypeNames_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");
    const std::pair<int, const char*> rows[] = {
        {0, "Unknown"}, {101, "UPCA"}, {104, "JAN13"}, {105, "2 of 5"}, {106, "I 2 of 5"},
        {110, "Code 128"}, {111, "UPC-A w/supplemental"}, {117, "UPC-D5"},
        {118, "EAN8 w/supplemental"}, {120, "EAN 128"}, {122, "OCR-B"}, {131, "RSS-14"},
        {132, "RSS Expanded"}, {201, "PDF417"}, {202, "Maxicode"}, {501, "Other"}, {999, ""},
        {-1, ""}, {123, ""}};
    for (const auto& [code, name] : rows)
        QTest::newRow(qPrintable(QString::number(code))) << code << QString::fromLatin1(name);
}

void PanelRulesTest::scanDataTypeNames() {
    QFETCH(int, code);
    QFETCH(QString, name);
    QCOMPARE(ScanDataTypeName(code), name);
}

void PanelRulesTest::listNumbers() {
    QCOMPARE(NumberFromFourth("KEY5").value_or(-1), 5);
    QCOMPARE(NumberFromFourth("KEY12").value_or(-1), 12);
    QVERIFY(!NumberFromFourth("KEY"));
    QVERIFY(!NumberFromFourth("KEYX"));
    QVERIFY(!NumberFromFourth(""));
    QCOMPARE(LeadingNumber("13 - Select Card Type").value_or(-1), 13);
    QVERIFY(!LeadingNumber("Enter PIN"));
}

void PanelRulesTest::signaturePointsByConversion_data() {
    QTest::addColumn<int>("conversion");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    // (10,20): bytes 0A 00 14 00.
    QTest::newRow("0") << 0 << QString::fromUtf16(u"\x0A\x00\x14\x00", 4) << 1 << 10 << 20;
    QTest::newRow("1") << 1 << "0:001400" << 1 << 10 << 20;
    QTest::newRow("2") << 2 << "010000020000" << 1 << 10 << 20;
    QTest::newRow("0 partial point ignored")
        << 0 << QString::fromUtf16(u"\x0A\x00\x14\x00\x01\x02", 6) << 1 << 10 << 20;
    QTest::newRow("1 partial point ignored") << 1 << "0:001400030" << 1 << 10 << 20;
    QTest::newRow("1 bad digit") << 1 << "0:00140G" << 0 << 0 << 0;
    QTest::newRow("2 byte above 255") << 2 << "256000020000" << 0 << 0 << 0;
    QTest::newRow("empty") << 0 << "" << 0 << 0 << 0;
    QTest::newRow("unknown conversion") << 3 << "0:001400" << 0 << 0 << 0;
}

void PanelRulesTest::signaturePointsByConversion() {
    QFETCH(int, conversion);
    QFETCH(QString, text);
    QFETCH(int, points);
    const orv::UniqueBstr b = Bstr(text.toStdU16String());
    const std::vector<SignaturePoint> got = SignaturePoints(b.Get(), conversion);
    QCOMPARE(static_cast<int>(got.size()), points);
    if (points > 0) {
        QTEST(got[0].x, "x");
        QTEST(got[0].y, "y");
        QVERIFY(!got[0].penUp);
    }
}

void PanelRulesTest::highBytesComeBackThroughTheCodePage() {
    // x = 0x0180 (384), y = 0x9F81: the bytes 0x80, 0x81 and 0x9F go through the ANSI code page
    // as the service object made them; the raw UTF-16 units would be other numbers.
    const std::string bytes = "\x80\x01\x81\x9F";
    const orv::UniqueBstr text(orv::BstrFromAnsi(bytes));
    const std::vector<SignaturePoint> got = SignaturePoints(text.Get(), 0);
    QCOMPARE(got.size(), size_t(1));
    QCOMPARE(got[0].x, 0x0180);
    QCOMPARE(got[0].y, 0x9F81);
}

void PanelRulesTest::strokesEndAtPenUp() {
    const std::vector<SignaturePoint> points = {
        {10, 20, false}, {30, 40, false}, {0xFFFF, 0xFFFF, true}, {50, 60, false}, {70, 80, false}};
    const std::vector<QLineF> lines = SignatureLines(points, 2.0);
    QCOMPARE(lines.size(), size_t(2));
    QCOMPARE(lines[0], QLineF(20, 40, 60, 80));
    QCOMPARE(lines[1], QLineF(100, 120, 140, 160));
    QVERIFY(SignatureLines({{5, 5, false}}, 1.0).empty());
}

void PanelRulesTest::scaleNeverDividesByZero() {
    QCOMPARE(SignatureScale(320, 320), 1.0);
    QCOMPARE(SignatureScale(320, 640), 0.5);
    QCOMPARE(SignatureScale(320, 0), 1.0);
    QCOMPARE(SignatureScale(320, 3), 320.0 / 3);
    QCOMPARE(SignatureScale(320, -5), 1.0);
    QCOMPARE(SignatureScale(0, 320), 1.0);
}

void PanelRulesTest::tracksAndAccountsAreMasked_data() {
    QTest::addColumn<QString>("track");
    QTest::addColumn<QString>("shown");
    QTest::newRow("track 1") << "%B4111111111111111^DOE/JOHN^2512101?"
                             << "%*411111******1111^***/****^*******?";
    QTest::newRow("track 2") << ";4111111111111111=2512101?" << ";411111******1111=*******?";
    QTest::newRow("short number") << "1234=5678" << "****=****";
    QTest::newRow("empty") << "" << "";
}

void PanelRulesTest::tracksAndAccountsAreMasked() {
    QFETCH(QString, track);
    QFETCH(QString, shown);
    QCOMPARE(MaskTrack(track), shown);
    QCOMPARE(MaskAccount("1234123412341234"), QStringLiteral("123412******1234"));
    QCOMPARE(MaskSecret("0123ABCD"), QStringLiteral("********"));
}

void PanelRulesTest::simulatorCommands_data() {
    using namespace simcmd;
    QTest::addColumn<QString>("got");  // "<none>" when refused
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* name, const std::optional<QString>& got, const char* want) {
        QTest::newRow(name) << got.value_or("<none>") << QString::fromLatin1(want);
    };
    row("pin", Pin("P1", "1234"), "pin P1 1234");
    row("pin cancel", Pin("P1", "Cancel"), "pin P1 cancel");
    row("pin letters", Pin("P1", "12a4"), "<none>");
    row("pin empty", Pin("P1", ""), "<none>");
    row("pin second command", Pin("P1", "1\nreset"), "<none>");
    row("device with blank", Pin("P 1", "1234"), "<none>");
    row("swipe", Swipe("M1", {"%B41^A B^25?", ";41=25?", ""}),
        "swipe M1 \"1=%B41^A B^25?\" \"2=;41=25?\"");
    row("swipe track 2 only", Swipe("M1", {"", ";41=25?"}), "swipe M1 \"2=;41=25?\"");
    row("swipe nothing", Swipe("M1", {"", ""}), "<none>");
    row("swipe quote", Swipe("M1", {"a\"b"}), "<none>");
    row("swipe line break", Swipe("M1", {"a\nreset"}), "<none>");
    row("scan", Scan("SCAN1", "EAN13", "4006381333931"), "scan SCAN1 EAN13 4006381333931");
    row("scan blank label", Scan("SCAN1", "EAN13", "40 06"), "<none>");
    row("key", Key("K1", "ENTER"), "key K1 ENTER");
    row("error", Error("K1", "111"), "error K1 111");
    row("error not a number", Error("K1", "x"), "<none>");
    row("status", Status("P1", "2001"), "status P1 2001");
    row("power off", Power("all", false), "power all off");
    row("power on", Power("S1", true), "power S1 online");
    row("show", Show("terminal"), "show terminal");
    row("sign done", SignDone("S1"), "sign S1 done");
}

void PanelRulesTest::simulatorCommands() {
    QFETCH(QString, got);
    QTEST(got, "expected");
}

void PanelRulesTest::signCommandJoinsStrokes() {
    const std::vector<std::vector<QPoint>> strokes = {{{10, 20}, {30, 40}}, {}, {{50, 60}}};
    QCOMPARE(simcmd::Sign("S1", strokes).value_or("<none>"),
             QStringLiteral("sign S1 10,20 30,40 - 50,60"));
    QVERIFY(!simcmd::Sign("S1", {}));
    QVERIFY(!simcmd::Sign("S1", {{{-1, 5}}}));
}

void PanelRulesTest::fifoWritesNeverBlockAndSayWhy() {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("ctl");
    QVERIFY(WriteToFifo("", "status P1 1").contains("ORV_SIM_CONTROL"));
    QVERIFY(WriteToFifo(fifo, "status P1 1").contains("No such file"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // No reader: refused at once instead of hanging.
    QVERIFY(WriteToFifo(fifo, "status P1 1").contains("nothing reads"));
    QFile plain(dir.filePath("plain"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QVERIFY(WriteToFifo(plain.fileName(), "status P1 1").contains("not a FIFO"));
    QCOMPARE(plain.size(), 0);
    // With a reader the line arrives whole.
    QFile reader(fifo);
    const int fd = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(fd >= 0);
    QCOMPARE(WriteToFifo(fifo, "status P1 1"), QString());
    char buffer[64] = {};
    QCOMPARE(::read(fd, buffer, sizeof buffer), ssize_t(12));
    QCOMPARE(QByteArray(buffer), QByteArray("status P1 1\n"));
    ::close(fd);
}

void PanelRulesTest::answerLogKeepsTheLastScreen() {
    QTemporaryDir dir;
    QFile file(dir.filePath("answers"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("status P1 1 -> OK\nshow L1 -> OK [x] power=2001\n|HELLO|\n|     |\n");
    file.flush();
    AnswerLog log(file.fileName(), false);
    QVERIFY(log.Poll());
    QCOMPARE(log.Last("L1"), QStringLiteral("OK [x] power=2001\n|HELLO|\n|     |"));
    // Half a line waits for its end; a newer answer replaces the older one.
    file.write("show L1 -> OK [y] power=2001\n|WOR");
    file.flush();
    QVERIFY(log.Poll());
    QCOMPARE(log.Last("L1"), QStringLiteral("OK [y] power=2001"));
    file.write("LD|\nshow terminal -> ERR no terminal\n");
    file.flush();
    QVERIFY(log.Poll());
    QCOMPARE(log.Last("L1"), QStringLiteral("OK [y] power=2001\n|WORLD|"));
    QCOMPARE(log.Last("terminal"), QStringLiteral("ERR no terminal"));
    QCOMPARE(log.Last("S1"), QString());
    QVERIFY(!AnswerLog(dir.filePath("missing"), false).Poll());
}

QTEST_MAIN(PanelRulesTest)
#include "panel_rules_test.moc"
