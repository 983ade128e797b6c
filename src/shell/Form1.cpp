// SPDX-License-Identifier: MIT
#include "Form1.h"

#include "FormLayout.h"
#include "FormView.h"
#include "ShellText.h"
#include "Twips.h"
#include "controls/SystemColours.h"
#include "monitor/MonitorText.h"
#include "notify/Notifier.h"
#include "reachability/PingMonitor.h"
#include "reachability/PingText.h"
#include "statistics/StatsText.h"
#include "text/OwnFile.h"
#include "text/StatsCsv.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

// The icons live in this static library: name them so the linker keeps them.
// Outside any namespace, where the resource's registration function lies.
static IconSet loadIcons() {
    Q_INIT_RESOURCE(resources);
    return IconSet{};
}

namespace {

constexpr int WindowFontPoints = 8;
// The statistics logs hold no secret: readable by others, as new ones are made under the usual umask.
constexpr unsigned StatsFileMode = 0644;
constexpr int CountFontPoints = 12;

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

QString checkValue(Qt::CheckState state) {
    return QString::number(state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0);
}

// Arial, or Liberation Sans with its metrics where Arial is missing: the
// layout's fixed widths fit no wider face.
QFont layoutFont(int points) {
    QFont font(QStringLiteral("Arial"), points);
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    return font;
}

QWidget* makeControl(const FormLayout::Control& control, QWidget* parent) {
    using FormLayout::Kind;
    const QString& text = *control.text;
    switch (control.kind) {
    case Kind::TextBox:
        return new QLineEdit(text, parent);
    case Kind::OutputBox: {
        auto* box = new QPlainTextEdit(text, parent);
        box->setLineWrapMode(QPlainTextEdit::NoWrap);
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->setTabChangesFocus(true);
        // Records are not the user's edits: undo must not take them back, nor keep a copy of each.
        box->setUndoRedoEnabled(false);
        return box;
    }
    case Kind::Button: {
        auto* button = new QPushButton(text, parent);
        button->setAutoDefault(false);
        return button;
    }
    case Kind::CheckBox: {
        auto* box = new QCheckBox(text, parent);
        box->setChecked(true);
        // The caption must fit the box's fixed width: a hair narrower, closer to its tick.
        QFont narrower = box->font();
        narrower.setStretch(96);
        box->setFont(narrower);
        box->setStyleSheet(QStringLiteral("QCheckBox { spacing: 4px; }"));
        return box;
    }
    case Kind::Label:
        return new QLabel(text, parent);
    case Kind::Display: {
        // A single-line border and centred text; the monitor sets lblPing's background.
        auto* display = new QLabel(text, parent);
        display->setFrameStyle(QFrame::Box | QFrame::Plain);
        display->setAlignment(Qt::AlignCenter);
        display->setAutoFillBackground(true);
        display->setBackgroundRole(QPalette::Window);
        display->setForegroundRole(QPalette::WindowText);
        display->hide();
        return display;
    }
    }
    return nullptr;
}

} // namespace

Form1::Form1(QWidget* parent)
    : Form1(modMisc::AppFolders::standard(), std::make_unique<SystemTrayBackend>(), {}, {}, parent) {}

Form1::Form1(modMisc::AppFolders folders, std::unique_ptr<TrayBackend> tray, std::unique_ptr<PingProbe> probe,
             MonitorCore::Periods periods, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_icons(loadIcons()), m_folders(std::move(folders)), m_appFolder(m_folders.chosen()),
      m_settingsPath(m_appFolder + MonitorText::SettingsFileName), m_sysTray(std::move(tray)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(MonitorText::AppTitle);
    setWindowIcon(m_icons.imgNormal);
    // The layout's widths fit a small sans face; the desktop's default is often wider.
    setFont(layoutFont(WindowFontPoints));
    createControls();
    setFixedSize(twips(FormLayout::ClientWidth), twips(FormLayout::ClientHeight));
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());

    m_view = std::make_unique<FormView>(FormControls{txtPing, txtInterval, txtUser, txtPass, txtRouter, cmdToggle,
                                                     mnToggle, lblPing, lblCount, chkStats, txtStats},
                                        *this, m_icons, m_sysTray);
    m_core = std::make_unique<MonitorCore>(m_appFolder, *m_view, *m_view, *m_view, std::move(probe), periods, this);
    connect(&m_core->Stats(), &StatsCollector::recordShown, this, &Form1::showStatsRecord);
    // Notices are no records: they show in brackets.
    connect(m_core.get(), &MonitorCore::noticed, this,
            [this](const QString& line) { txtOut->appendPlainText(u'[' + line + u']'); });

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
}

Form1::~Form1() = default;

int Form1::twips(int value) const {
    const QScreen* screen = this->screen();
    return Twips::toPixels(value, screen ? screen->logicalDotsPerInch() : 96.0);
}

void Form1::createControls() {
    QList<QWidget*> tabOrder;
    for (const FormLayout::Control& control : FormLayout::Controls) {
        QWidget* widget = makeControl(control, this);
        widget->setObjectName(QLatin1String(control.name));
        widget->setGeometry(twips(control.left), twips(control.top), twips(control.width), twips(control.height));
        if (widget->focusPolicy() != Qt::NoFocus)
            tabOrder << widget;
    }
    for (qsizetype i = 0; i + 1 < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i], tabOrder[i + 1]);

    txtPing = findChild<QLineEdit*>(QStringLiteral("txtPing"));
    txtInterval = findChild<QLineEdit*>(QStringLiteral("txtInterval"));
    txtUser = findChild<QLineEdit*>(QStringLiteral("txtUser"));
    txtPass = findChild<QLineEdit*>(QStringLiteral("txtPass"));
    txtRouter = findChild<QLineEdit*>(QStringLiteral("txtRouter"));
    cmdToggle = findChild<QPushButton*>(QStringLiteral("cmdToggle"));
    cmdSendToTray = findChild<QPushButton*>(QStringLiteral("cmdSendToTray"));
    txtOut = findChild<QPlainTextEdit*>(QStringLiteral("txtOut"));
    for (std::size_t i = 0; i < lblGen.size(); ++i)
        lblGen[i] = findChild<QLabel*>(QStringLiteral("lblGen_%1").arg(i));
    lblPing = findChild<QLabel*>(QStringLiteral("lblPing"));
    lblCount = findChild<QLabel*>(QStringLiteral("lblCount"));
    chkStats = findChild<QCheckBox*>(QStringLiteral("chkStats"));
    txtStats = findChild<QLineEdit*>(QStringLiteral("txtStats"));

    // The system window colour, as SimpleProgress reads it, not the form's grey.
    lblCount->setBackgroundRole(SystemColours::Window);
    lblCount->setForegroundRole(SystemColours::WindowText);
    QFont countFont = layoutFont(CountFontPoints);
    countFont.setWeight(QFont::Normal);
    lblCount->setFont(countFont);

    mnSysTray = new QMenu(ShellText::MenuCaption, this);
    mnSysTray->setObjectName(QStringLiteral("mnSysTray"));
    mnOpen = mnSysTray->addAction(ShellText::MenuOpen);
    mnOpen->setObjectName(QStringLiteral("mnOpen"));
    mnToggle = mnSysTray->addAction(PingText::MenuStartPinging);
    mnToggle->setObjectName(QStringLiteral("mnToggle"));
    mnExit = mnSysTray->addAction(ShellText::MenuExit);
    mnExit->setObjectName(QStringLiteral("mnExit"));
    mnSysTray->setDefaultAction(mnOpen);
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

// An earlier version kept the files beside the program, where a rebuild or an
// upgrade deletes them: each one the chosen folder lacks is copied there, once.
void Form1::carryOverFrom(const QString& programFolder) {
    const QDir from(programFolder);
    QStringList copied;
    if (Settings::carryOver(from.filePath(MonitorText::SettingsFileName), m_settingsPath))
        copied << MonitorText::SettingsFileName;
    for (const QString& name : {StatsCsv::FileName, StatsText::TextFileName}) {
        if (OwnFile::CopyNew(from.filePath(name), m_appFolder + name, StatsFileMode))
            copied << name;
    }
    if (!copied.isEmpty())
        m_core->Report(ShellText::FilesCarriedOver.arg(copied.join(QStringLiteral(", ")), from.path(), m_appFolder));
}

void Form1::Form_Load() {
    if (m_folders.given.isEmpty() && modMisc::WithTrailingBackslash(m_folders.program) != m_appFolder)
        carryOverFrom(m_folders.program);
    if (const auto settings = Settings::load(m_settingsPath))
        fillControls(*settings);
    else if (QFileInfo::exists(m_settingsPath))
        m_core->Report(ShellText::SettingsUnreadable.arg(m_settingsPath));
    m_core->UseSettingsFile(m_settingsPath);

    // What the desktop does not show, the tray's balloon does while the window sits there.
    Notifier& notifier = StartNotifier(*m_core, m_settingsPath, QDBusConnection::sessionBus());
    connect(notifier.desktop(), &DesktopNotifier::notShown, this,
            [this](const QString& title, const QString& body, const QString& iconName) {
                m_sysTray.ShowMessage(title, body, Icons::load(iconName));
            });
}

// Every way out comes here once: the close box, Exit, a termination signal, the
// session ending, the display going away.
void Form1::Form_QueryUnload() {
    if (std::exchange(m_unloaded, true))
        return;
    if (!m_displayLost)
        m_sysTray.RemoveTrayIcon();
    if (!readControls().save(m_settingsPath))
        m_core->Report(ShellText::SettingsNotWritten.arg(m_settingsPath));
    emit unloaded();
}

void Form1::UnloadWithoutDisplay() {
    m_displayLost = true;
    Form_QueryUnload();
}

void Form1::closeEvent(QCloseEvent* event) {
    Form_QueryUnload();
    event->accept();
}

void Form1::StartPinging() {
    if (!m_core->Monitor().Running())
        cmdToggle_Click();
}

void Form1::SendToTray() {
    cmdSendToTray_Click();
    if (m_sysTray.IconInTray())
        return;
    // Qt tells of no tray coming: asked once a second, while the window stays minimised.
    auto* wait = new QTimer(this);
    wait->setInterval(std::chrono::seconds(1));
    connect(wait, &QTimer::timeout, this, [this, wait, deadline = QDeadlineTimer(TrayWait)] {
        if (isMinimized() && m_sysTray.backend().isAvailable())
            cmdSendToTray_Click();
        else if (isMinimized() && !deadline.hasExpired())
            return;
        wait->deleteLater();
    });
    wait->start();
}

void Form1::Restore() {
    mnOpen_Click();
}

void Form1::cmdToggle_Click() {
    m_core->Monitor().Toggle();
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
    m_sysTray.AddTrayIcon(*this, MonitorText::AppTitle);
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
