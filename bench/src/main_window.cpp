#include "main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "device_panels.h"
#include "device_tab.h"
#include "log_box.h"
#include "message_pump.h"
#include "opos_names.h"
#include "panel_rules.h"
#include "sim_dock.h"

namespace probedesk {

QString VersionText() {
    return QStringLiteral("Version %1.%2")
        .arg(PROBEDESK_VERSION_MAJOR)
        .arg(PROBEDESK_VERSION_MINOR);
}

QString ProductName() {
    return QStringLiteral("OPOS ProbeDesk");
}

Splash::Splash(QWidget* parent)
    : QDialog(parent), frame_(new QFrame(this)), timer_(new QTimer(this)) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(ProductName());
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    setModal(true);
    frame_->setObjectName(QStringLiteral("Frame1"));
    frame_->setFrameShape(QFrame::Box);
    auto* product = new QLabel(ProductName(), frame_);
    product->setObjectName(QStringLiteral("lblProductName"));
    QFont big = product->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    product->setFont(big);
    auto* version = new QLabel(VersionText(), frame_);
    version->setObjectName(QStringLiteral("lblVersion"));
    auto* note = new QLabel(tr("OPOS controls of the Orvane ZR88xx terminals"), frame_);
    auto* inner = new QVBoxLayout(frame_);
    inner->setContentsMargins(40, 30, 40, 30);
    for (QLabel* label : {product, version, note}) {
        label->setAlignment(Qt::AlignCenter);
        label->installEventFilter(this);
        inner->addWidget(label);
    }
    frame_->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(frame_);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setSingleShot(true);
    timer_->setInterval(kTimeoutMs);
    timer_->setTimerType(Qt::PreciseTimer);  // a coarse timer may end it up to 5 % early
    connect(timer_, &QTimer::timeout, this, &QDialog::accept);
}

void Splash::showEvent(QShowEvent* event) {
    // The time counts from when the splash can be seen.
    timer_->start();
    QDialog::showEvent(event);
}

void Splash::keyPressEvent(QKeyEvent* event) {
    event->accept();
    accept();
}

bool Splash::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAboutORV"));
    setWindowTitle(tr("About OPOS ProbeDesk"));
    setModal(true);
    auto* product = new QLabel(ProductName(), this);
    auto* version = new QLabel(VersionText(), this);
    version->setObjectName(QStringLiteral("lblProgramVersion"));
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(product);
    layout->addWidget(version);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

MainWindow::MainWindow(bool createControls, QWidget* parent)
    : QMainWindow(parent), log_(new LogBox), tabs_(new QTabWidget), pump_(new MessagePump(this)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(tr("OPOS ProbeDesk"));
    NameTables();  // the OPOS name tables, filled once as the window loads
    tabs_->setObjectName(QStringLiteral("tabOPOSDevices"));
    for (const DeviceClass& deviceClass : DeviceClasses()) {
        DeviceTab* tab = MakeDeviceTab(deviceClass, log_, tabs_);
        tabs_->addTab(tab, tr(deviceClass.tab));
        deviceTabs_.push_back(tab);
    }
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(tabs_);
    splitter->addWidget(log_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    setCentralWidget(splitter);
    dock_ = new SimDock(log_, this);
    addDockWidget(Qt::RightDockWidgetArea, dock_);
    BuildMenus();
    RestoreSettings();
    connect(pump_, &MessagePump::quitRequested, this, &QWidget::close);
    if (!pump_->Active())
        log_->Line(tr("No message queue for this thread: control events cannot arrive"));
    if (createControls)
        for (DeviceTab* tab : deviceTabs_) tab->CreateControl();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* exit = file->addAction(tr("E&xit"));
    exit->setObjectName(QStringLiteral("mnuOnExitApplication"));
    exit->setShortcut(QKeySequence::Quit);
    connect(exit, &QAction::triggered, this, &QWidget::close);
    QMenu* help = menuBar()->addMenu(tr("&Help"));
    QAction* about = help->addAction(tr("&About OPOS ProbeDesk..."));
    about->setObjectName(QStringLiteral("mnuOnAbout"));
    connect(about, &QAction::triggered, this, &MainWindow::ShowAbout);
}

void MainWindow::ShowAbout() {
    AboutBox about(this);
    about.exec();
}

DeviceTab* MainWindow::Tab(const QString& caption) const {
    for (int i = 0; i < tabs_->count(); ++i)
        if (tabs_->tabText(i) == caption) return deviceTabs_[static_cast<size_t>(i)];
    return nullptr;
}

void MainWindow::RestoreSettings() {
    QSettings settings;
    if (const QByteArray geometry = settings.value(QStringLiteral("window/geometry")).toByteArray();
        !geometry.isEmpty())
        restoreGeometry(geometry);
    else
        resize(1000, 760);
    for (DeviceTab* tab : deviceTabs_) {
        const QString key = QStringLiteral("devices/") + tab->objectName();
        const QString name = settings.value(key).toString();
        if (!name.isEmpty()) tab->ServiceId()->setText(name);
    }
    log_->FileName()->setText(settings.value(QStringLiteral("log/file")).toString());
}

void MainWindow::SaveSettings() const {
    QSettings settings;
    settings.setValue(QStringLiteral("window/geometry"), saveGeometry());
    for (DeviceTab* tab : deviceTabs_)
        settings.setValue(QStringLiteral("devices/") + tab->objectName(), tab->ServiceId()->text());
    settings.setValue(QStringLiteral("log/file"), log_->FileName()->text());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    SaveSettings();
    event->accept();
}

namespace {

QString Slug(const QString& caption) {
    QString slug = caption.simplified().toLower();
    slug.replace(QRegularExpression(QStringLiteral("[^a-z0-9]+")), QStringLiteral("-"));
    return slug;
}

}  // namespace

int WriteScreenshots(MainWindow& window, const QString& folder) {
    if (!QDir().mkpath(folder)) return -1;
    const QDir dir(folder);
    int written = 0;
    const auto save = [&](QWidget& widget, const QString& name) {
        QApplication::processEvents();
        if (widget.grab().save(dir.filePath(name + QStringLiteral(".png")))) ++written;
    };
    window.show();
    for (size_t i = 0; i < window.DeviceTabs().size(); ++i) {
        DeviceTab* tab = window.DeviceTabs()[i];
        window.Tabs()->setCurrentIndex(static_cast<int>(i));
        for (int p = 0; p < tab->Strip()->count(); ++p) {
            tab->Strip()->setCurrentIndex(p);
            save(window, Slug(window.Tabs()->tabText(static_cast<int>(i))) + QLatin1Char('_') +
                             Slug(tab->Strip()->tabText(p)));
        }
        tab->Strip()->setCurrentIndex(0);
    }
    // A drawn signature: a sample PointArray (one byte per character through the ANSI code page,
    // as the service object sends it) through the panel's own decoding and drawing.
    for (size_t i = 0; i < window.DeviceTabs().size(); ++i) {
        auto* sig = qobject_cast<SignaturePanel*>(window.DeviceTabs()[i]);
        if (!sig) continue;
        window.Tabs()->setCurrentIndex(static_cast<int>(i));
        std::string bytes;
        const auto point = [&bytes](int x, int y) {
            for (int v : {x & 0xFF, x >> 8, y & 0xFF, y >> 8}) bytes += static_cast<char>(v);
        };
        for (int x = 20; x <= 300; x += 10) point(x, 120 + ((x / 10) % 4 - 2) * ((x / 40) % 5) * 9);
        point(0xFFFF, 0xFFFF);
        point(60, 200);
        point(260, 200);
        const orv::UniqueBstr text(orv::BstrFromAnsi(bytes));
        sig->Picture()->Clear();
        sig->Picture()->Draw(SignatureLines(SignaturePoints(text.Get(), 0), 1.0));
        save(window, QStringLiteral("signature-drawn"));
        sig->Picture()->Clear();
    }
    window.Tabs()->setCurrentIndex(0);
    Splash splash;
    splash.show();
    splash.Timer()->stop();
    save(splash, QStringLiteral("splash"));
    splash.hide();
    AboutBox about(&window);
    about.show();
    save(about, QStringLiteral("about"));
    about.hide();
    return written;
}

}  // namespace probedesk
