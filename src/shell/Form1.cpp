// SPDX-License-Identifier: MIT
#include "Form1.h"

#include "Icons.h"
#include "IniFile.h"
#include "PingWidgets.h"
#include "ShellText.h"
#include "Twips.h"
#include "reachability/PingMonitor.h"
#include "reachability/PingText.h"
#include "controls/SystemColours.h"
#include "script_engine/TarnTelnet.h"
#include "statistics/StatsCollector.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QFileInfo>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>

// The icons live in this static library: name them so the linker keeps them.
static void initResources() {
    Q_INIT_RESOURCE(resources);
}

namespace {

constexpr int PingPeriodMs = 1000;
constexpr int StatsPeriodMs = 60000;
constexpr int WindowFontPoints = 8;
constexpr int ClientWidthTwips = 4920;
constexpr int ClientHeightTwips = 6600;

Qt::CheckState checkState(const QString& value) {
    switch (modMisc::WholeNumber(value).value_or(0)) {
    case 1:
        return Qt::Checked;
    case 2:
        return Qt::PartiallyChecked;
    default:
        return Qt::Unchecked;
    }
}

// Arial, or Liberation Sans with its metrics where Arial is missing: the
// layout's fixed widths fit no wider face.
QFont layoutFont(int points) {
    QFont font(QStringLiteral("Arial"), points);
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    return font;
}

QString checkValue(Qt::CheckState state) {
    return QString::number(state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0);
}

} // namespace

Form1::Folders Form1::Folders::standard() {
    return {QCoreApplication::applicationDirPath(), QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)};
}

Form1::Form1(QWidget* parent) : Form1(Folders::standard(), std::make_unique<SystemTrayBackend>(), {}, parent) {}

Form1::Form1(Folders folders, std::unique_ptr<TrayBackend> tray, std::unique_ptr<PingProbe> probe, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_folders(std::move(folders)), m_sysTray(std::move(tray)),
      m_probe(probe ? std::move(probe) : std::make_unique<IcmpProbe>()) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(ShellText::AppTitle);
    initResources();
    imgNormal = Icons::load(QStringLiteral("normal"));
    imgUP = Icons::load(QStringLiteral("up"));
    imgDOWN = Icons::load(QStringLiteral("down"));
    setWindowIcon(imgNormal);
    // The layout's widths fit a small sans face; the desktop's default is often wider.
    setFont(layoutFont(WindowFontPoints));
    createControls();
    setFixedSize(twips(ClientWidthTwips), twips(ClientHeightTwips));
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());

    m_pingWidgets = std::make_unique<PingWidgets>(*this);
    m_pingMonitor =
        std::make_unique<PingMonitor>(tmrPing, *m_probe, *m_pingWidgets, *m_pingWidgets, ShellText::AppTitle);

    connect(cmdToggle, &QPushButton::clicked, this, &Form1::cmdToggle_Click);
    connect(mnToggle, &QAction::triggered, this, &Form1::mnToggle_Click);
    connect(cmdSendToTray, &QPushButton::clicked, this, &Form1::cmdSendToTray_Click);
    connect(mnOpen, &QAction::triggered, this, &Form1::mnOpen_Click);
    connect(mnExit, &QAction::triggered, this, &Form1::mnExit_Click);
    connect(&m_sysTray.backend(), &TrayBackend::activated, this, &Form1::trayIcon_Activated);
    // The window comes back as from Open: there is no icon left to restore it from.
    connect(&m_sysTray.backend(), &TrayBackend::hostLost, this, &Form1::mnOpen_Click);
    // Logging off or shutting down ends the program without a close event.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &Form1::Form_QueryUnload);

    Form_Load();

    // Created once AppFolder is known: the statistics files lie there.
    m_stats = new StatsCollector(
        *TarnTelnet1, tmrStats, [] { return QDateTime::currentDateTime(); }, AppFolder,
        [this] {
            return StatsCollector::RouterLogin{txtRouter->text(), txtUser->text(), txtPass->text()};
        },
        this);
    connect(m_stats, &StatsCollector::recordShown, this, &Form1::showStatsRecord);

    // Starting and stopping pinging run the schedule's steps; a change of reachability collects at once.
    PingMonitor* monitor = m_pingMonitor.get();
    connect(monitor, &PingMonitor::startingSchedule, m_stats,
            [this] { m_stats->StartSchedule(txtStats->text(), chkStats->isChecked()); });
    connect(monitor, &PingMonitor::stoppingSchedule, m_stats, [this] { m_stats->StopSchedule(chkStats->isChecked()); });
    connect(monitor, &PingMonitor::pingStateTextChanged, m_stats, &StatsCollector::setPingStateText);
    connect(monitor, &PingMonitor::reachabilityChanged, m_stats, &StatsCollector::ReachabilityChanged);
}

Form1::~Form1() = default;

int Form1::twips(int value) const {
    const QScreen* screen = this->screen();
    return Twips::toPixels(value, screen ? screen->logicalDotsPerInch() : 96.0);
}

void Form1::place(QWidget* control, int left, int top, int width, int height) {
    control->setGeometry(twips(left), twips(top), twips(width), twips(height));
}

void Form1::createControls() {
    auto textBox = [this](const char* name, const QString& text, int left, int top, int width) {
        auto* box = new QLineEdit(text, this);
        box->setObjectName(QLatin1String(name));
        place(box, left, top, width, 285);
        return box;
    };
    auto label = [this](const char* name, const QString& text, int left, int top, int width, int height) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        place(l, left, top, width, height);
        return l;
    };
    auto button = [this](const char* name, const QString& text, int left, int top) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        place(b, left, top, 1455, 375);
        return b;
    };

    txtPing = textBox("txtPing", ShellText::DefaultPingIP, 1680, 120, 1455);
    txtInterval = textBox("txtInterval", ShellText::DefaultPingInterval, 1680, 480, 1455);
    txtUser = textBox("txtUser", ShellText::DefaultRouterUsername, 1680, 960, 1575);
    txtPass = textBox("txtPass", ShellText::DefaultRouterPassword, 1680, 1320, 1575);
    txtRouter = textBox("txtRouter", ShellText::DefaultRouterIP, 1680, 1680, 1575);
    cmdToggle = button("cmdToggle", PingText::StartPinging, 3360, 120);
    cmdSendToTray = button("cmdSendToTray", ShellText::SendToTray, 3360, 6120);

    txtOut = new QPlainTextEdit(this);
    txtOut->setObjectName(QStringLiteral("txtOut"));
    txtOut->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtOut->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtOut->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtOut->setTabChangesFocus(true);
    // Records are not the user's edits: undo must not take them back, nor keep a copy of each.
    txtOut->setUndoRedoEnabled(false);
    place(txtOut, 120, 2400, 4695, 3615);

    TarnTelnet1 = new TarnTelnet(this);
    TarnTelnet1->setObjectName(QStringLiteral("TarnTelnet1"));

    lblGen[0] = label("lblGen_0", ShellText::LabelPingIP, 120, 120, 1215, 255);
    lblGen[1] = label("lblGen_1", ShellText::LabelInterval, 120, 480, 1455, 255);
    lblGen[2] = label("lblGen_2", ShellText::LabelUsername, 120, 960, 1455, 255);
    lblGen[3] = label("lblGen_3", ShellText::LabelPassword, 120, 1320, 1455, 255);
    lblGen[4] = label("lblGen_4", ShellText::LabelRouterIP, 120, 1680, 1215, 255);

    // The ping displays: a single-line border and centred text; the monitor sets lblPing's background.
    lblPing = label("lblPing", QString(), 3360, 960, 1455, 255);
    lblCount = label("lblCount", ShellText::CountZero, 3360, 600, 1455, 375);
    for (QLabel* display : {lblPing, lblCount}) {
        display->setFrameStyle(QFrame::Box | QFrame::Plain);
        display->setAlignment(Qt::AlignCenter);
        display->setAutoFillBackground(true);
        display->setBackgroundRole(QPalette::Window);
        display->setForegroundRole(QPalette::WindowText);
        display->hide();
    }
    // The system window colour, as SimpleProgress reads it, not the form's grey.
    lblCount->setBackgroundRole(SystemColours::Window);
    lblCount->setForegroundRole(SystemColours::WindowText);
    QFont countFont = layoutFont(12);
    countFont.setWeight(QFont::Normal);
    lblCount->setFont(countFont);

    chkStats = new QCheckBox(ShellText::StatsCheckCaption, this);
    chkStats->setObjectName(QStringLiteral("chkStats"));
    chkStats->setChecked(true);
    // The caption must fit the box's fixed width: a hair narrower, closer to its tick.
    QFont narrower = chkStats->font();
    narrower.setStretch(96);
    chkStats->setFont(narrower);
    chkStats->setStyleSheet(QStringLiteral("QCheckBox { spacing: 4px; }"));
    place(chkStats, 120, 2040, 2295, 255);
    txtStats = textBox("txtStats", ShellText::DefaultStatsCheckInterval, 3960, 2040, 855);
    lblGen[5] = label("lblGen_5", ShellText::LabelStatsInterval, 2640, 2055, 1335, 255);

    QWidget* const tabOrder[] = {txtPing,   txtInterval,   txtUser, txtPass,  txtRouter,
                                 cmdToggle, cmdSendToTray, txtOut,  chkStats, txtStats};
    for (std::size_t i = 0; i + 1 < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i], tabOrder[i + 1]);

    mnSysTray = new QMenu(ShellText::MenuCaption, this);
    mnSysTray->setObjectName(QStringLiteral("mnSysTray"));
    mnOpen = mnSysTray->addAction(ShellText::MenuOpen);
    mnOpen->setObjectName(QStringLiteral("mnOpen"));
    mnToggle = mnSysTray->addAction(PingText::MenuStartPinging);
    mnToggle->setObjectName(QStringLiteral("mnToggle"));
    mnExit = mnSysTray->addAction(ShellText::MenuExit);
    mnExit->setObjectName(QStringLiteral("mnExit"));
    mnSysTray->setDefaultAction(mnOpen);

    tmrPing = new QTimer(this);
    tmrPing->setObjectName(QStringLiteral("tmrPing"));
    tmrPing->setInterval(PingPeriodMs);
    tmrStats = new QTimer(this);
    tmrStats->setObjectName(QStringLiteral("tmrStats"));
    tmrStats->setInterval(StatsPeriodMs);
}

Settings Form1::readControls() const {
    return {txtPing->text(), txtInterval->text(), txtUser->text(),
            txtPass->text(), txtRouter->text(),   checkValue(chkStats->checkState()),
            txtStats->text()};
}

void Form1::fillControls(const Settings& settings) {
    txtPing->setText(settings.PingIP);
    txtInterval->setText(settings.PingInterval);
    txtUser->setText(settings.RouterUsername);
    txtPass->setText(settings.RouterPassword);
    txtRouter->setText(settings.RouterIP);
    chkStats->setCheckState(checkState(settings.StatsCheck));
    txtStats->setText(settings.StatsCheckInterval);
}

void Form1::Form_Load() {
    AppFolder = modMisc::ChooseAppFolder(m_folders.program, m_folders.userData);
    SettingsPath = AppFolder + ShellText::SettingsFileName;
    const QString programSettings = modMisc::WithTrailingBackslash(m_folders.program) + ShellText::SettingsFileName;
    if (programSettings != SettingsPath && Settings::carryOver(programSettings, SettingsPath))
        txtOut->appendPlainText(ShellText::SettingsCarriedOver.arg(programSettings, SettingsPath));
    if (const auto settings = Settings::load(SettingsPath))
        fillControls(*settings);
    else if (QFileInfo::exists(SettingsPath))
        txtOut->appendPlainText(ShellText::SettingsUnreadable.arg(SettingsPath));
}

void Form1::Form_QueryUnload() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_sysTray.RemoveTrayIcon();
    readControls().save(SettingsPath);
    emit unloaded();
}

void Form1::WriteSettingsAtExit() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    readControls().save(SettingsPath);
}

void Form1::closeEvent(QCloseEvent* event) {
    Form_QueryUnload();
    event->accept();
}

void Form1::cmdToggle_Click() {
    m_pingMonitor->Toggle();
}

void Form1::mnToggle_Click() {
    cmdToggle_Click();
}

// Appended as a new line at the end, never by rewriting the whole text, so that a
// record costs the same after months of them. An empty box takes the record alone.
void Form1::showStatsRecord(const QString& record) {
    txtOut->appendPlainText(record);
}

void Form1::cmdSendToTray_Click() {
    if (m_sysTray.IconInTray())
        return;
    if (!m_sysTray.backend().isAvailable()) {
        // No notification area to come back from: stay on the task bar instead.
        showMinimized();
        return;
    }
    m_sysTray.AddTrayIcon(*this, ShellText::AppTitle);
    hide();
    setWindowState(windowState() | Qt::WindowMinimized);
}

void Form1::mnOpen_Click() {
    showNormal();
    m_sysTray.RemoveTrayIcon();
    activateWindow();
    raise();
}

void Form1::mnExit_Click() {
    close();
}

void Form1::trayIcon_Activated(QSystemTrayIcon::ActivationReason reason) {
    if (!m_sysTray.IconInTray())
        return;
    switch (reason) {
    case QSystemTrayIcon::DoubleClick:
        // Back on the screen, but the focus stays where the user has it.
        setAttribute(Qt::WA_ShowWithoutActivating, true);
        showNormal();
        setAttribute(Qt::WA_ShowWithoutActivating, false);
        m_sysTray.RemoveTrayIcon();
        break;
    case QSystemTrayIcon::Context:
        mnSysTray->popup(QCursor::pos());
        break;
    default:
        break;
    }
}
