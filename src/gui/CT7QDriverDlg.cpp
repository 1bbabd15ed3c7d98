#include "gui/CT7QDriverDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QTextLayout>
#include <QWheelEvent>
#include <QWindow>

#include <cstdio>
#include <string_view>

#include "functions/Assignment.h"
#include "gui/MainWindowRules.h"
#include "layout/Layout.h"
#include "pages/lighting/CDlgLEDSet.h"
#include "pages/macros/CDlgMacro.h"
#include "pages/mainset/CDlgMainSet.h"
#include "pages/statistics/CDlgSts.h"
#include "pages/support/CDlgSupport.h"
#include "profiles/Folders.h"
#include "ui/Accessibility.h"
#include "ui/CDlgProgress.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/CIrrButton.h"
#include "ui/CMenuEx.h"
#include "ui/CXPMenu.h"
#include "ui/DownloadProgress.h"
#include "ui/QtMessagePoster.h"
#include "ui/Skin.h"

namespace x5k::gui {
namespace {

using namespace x5k::mainwindow;

const layout::PageLayout& MainLayout() {
    return *layout::findPage("main");
}

QRect ControlRect(std::string_view name) {
    return ui::edges(layout::findControl(MainLayout(), name)->rect);
}

// The hint line: "MS Shell Dlg" 14 px light, light grey, wrapped at word boundaries and
// ended with an ellipsis where it does not fit.
const QColor kHintColour(0xBE, 0xBE, 0xBE);
constexpr int kNoticeBalloonMs = 10000;

void DrawWrappedText(QPainter& painter, const QRect& box, const QString& text) {
    const QFontMetrics metrics(painter.font());
    QTextLayout layout(text, painter.font());
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    int y = 0;
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLineWidth(box.width());
        const int next = y + metrics.lineSpacing();
        const bool lastThatFits = next + metrics.lineSpacing() > box.height();
        if (lastThatFits && line.textStart() + line.textLength() < text.size()) {
            // The rest does not fit: this line ends the text with an ellipsis.
            const QString rest = text.mid(line.textStart());
            painter.drawText(QPoint(box.left(), box.top() + y + metrics.ascent()),
                             metrics.elidedText(rest, Qt::ElideRight, box.width()));
            break;
        }
        line.setPosition(QPointF(0, y));
        line.draw(&painter, box.topLeft());
        y = next;
        if (lastThatFits) break;
    }
    layout.endLayout();
}

// How often the support page's timer 5 looks at a running update check.
constexpr int kUpdateTimerMs = 100;

// Told once, when the window would go to the notification area and cannot.
constexpr std::string_view kNoTrayEnglish =
    "This desktop shows no notification icons, so the X5K driver minimises instead of hiding. "
    "Right-click its window for \"Config\" and \"Exit\".";
constexpr std::string_view kNoTrayChinese =
    "此桌面没有通知区域，X5K驱动程序将最小化而不是隐藏。在窗口上单击右键可选择\"Config\"和\"Exit\""
    "。";

}  // namespace

CT7QDriverDlg::CT7QDriverDlg(DriverServices& services, Localisation& localisation,
                             InputHooks& hooks, ui::QtMessagePoster& poster)
    : services_(services),
      localisation_(localisation),
      hooks_(hooks),
      poster_(poster),
      device_(services.hid, services.clock) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
    setAttribute(Qt::WA_DeleteOnClose, false);
    updaterTimer_.setSingleShot(true);
    updaterTimer_.setInterval(kUpdaterDelayMs);
    connect(&updaterTimer_, &QTimer::timeout, this, &CT7QDriverDlg::startUpdater);
    poster_.registerWindow(Window::MainWindow, this);
    // The flasher is started as the notification icon's Exit closes: by a close request.
    updateHost_ = std::make_unique<supportpage::SharedUpdateHost>(
        localisation_.chineseInterface(),
        [&poster] { poster.post(Window::MainWindow, msg::kClose, 0, 0); },
        mainwindow::IsStartableProgram);
    // Timer 5: the check is looked at every tenth of a second until it ends or its two
    // seconds are over.
    updateTimer_.setInterval(kUpdateTimerMs);
    connect(&updateTimer_, &QTimer::timeout, this, [this] {
        if (!updateCheck_ || !updateCheck_->timerRunning()) {
            updateTimer_.stop();
            return;
        }
        if (updateCheck_->tick()) updateTimer_.stop();
    });
}

CT7QDriverDlg::~CT7QDriverDlg() {
    // Nothing is routed to a window on its way out; a worker waiting for it is released
    // before it is stopped.
    poster_.unregisterWindow(Window::MainWindow);
    stopStatsSources();
    beginShutdown();
    if (worker_) worker_->stop();
    // The update worker leaves a download at its next progress report; it is waited for
    // before the window it reports to goes.
    stopUpdateCheck();
    updateCheck_.reset();
    hooks_.RemoveHooks();
}

std::optional<StartUp> CT7QDriverDlg::onInitDialog() {
    // The steps that may show a box run a message loop meanwhile, where a close request
    // (Ctrl+C, the session ending) can be handled; the start-up stops after such a step
    // once the window is closing.
    // 1. The window's icon.
    setWindowIcon(QIcon(ui::loadResource(kApplicationIcon)));
    // 2. First-run seeding.
    SeedDataFolder(services_.files, services_.programFolder, services_.dataFolder);
    // 3. The first language and its flag.
    flagPicture_ = localisation_.applyFirstRunLanguage();
    // 4. The title.
    setWindowTitle(ui::fromUtf8(kTitle));
    // 5. The macro table.
    // The file is written on the store's own thread; what a write has to tell comes back
    // to this window's thread to be shown.
    macros_ = std::make_unique<MacroStore>(services_.files, services_.clock, services_.messages,
                                           localisation_.strings(), services_.dataFolder, [this] {
                                               QMetaObject::invokeMethod(
                                                   this,
                                                   [this] {
                                                       if (macros_) macros_->showSaveProblems();
                                                   },
                                                   Qt::QueuedConnection);
                                           });
    macros_->loadFile();
    macroSource_ = std::make_unique<MacroTableSource>(macros_->table());
    if (closing_) return std::nullopt;
    // 6. The pictures, the window's size and place, the buttons.
    setBackground(ui::loadSkin(QStringLiteral("Main_Normal.bmp")));
    const QSize size = background().isNull() ? QSize(MainLayout().width, MainLayout().height)
                                             : background().size();
    setFixedSize(size);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    }
    createButtons();
    // 7. The pages, page 1 selected.
    createPages();
    selectPage(1);
    // 8. The notification icon.
    addTrayIcon();
    // 9. The configuration.
    store_ =
        std::make_unique<ConfigStore>(services_.files, services_.messages, localisation_.strings(),
                                      localisation_.chineseInterface(), services_.dataFolder);
    store_->setObserver(this);
    connectSettingsPage();
    connectMacroPage();
    connectLightingPage();
    connectStatisticsPage();
    connectSupportPage();
    store_->loadConfiguration();
    if (closing_) return std::nullopt;
    // 10. Arrival and removal come from the hot-plug monitor the application watches.
    // 11. The macro page shows group 21.
    macroPage()->ShowGroup(21);
    // 12. Loading the configuration made the current entry's macro identifiers the
    // working ones.
    // 13. The language flag at its place.
    flag_->setGeometry(ControlRect("flag"));
    flag_->setPixmap(ui::loadResource(flagPicture_));
    // 14. The remembered language, switched to once the window runs.
    const int language = localisation_.readLanguageChoice();
    if (closing_) return std::nullopt;
    post(msg::kSwitchLanguage, Localisation::kFromStartUp, language);
    // 15. The device.
    link_ = std::make_unique<DeviceLink>(
        device_, services_.clock, services_.messages, services_.shell, poster_,
        static_cast<DeviceLinkObserver&>(*this), localisation_.chineseInterface(), idle_,
        services_.programFolder);
    const StartUp result =
        services_.loaderCheck ? link_->startUp(*services_.loaderCheck) : link_->startUp();
    // A close request may have come while a message of the start-up was shown.
    if (result == StartUp::Connected && !closing_) {
        // Out of sight, the icon is the way in; without one a hidden window could not be
        // reached, so it starts minimised instead. Nothing is said about it at a session's
        // start: hiding it later still tells once.
        if (!startHidden_) {
            showWindow();
        } else if (!trayShown()) {
            showMinimized();
        }
        updaterTimer_.start();
    }
    return result;
}

void CT7QDriverDlg::createButtons() {
    // The eleven buttons share one copy of each whole-window picture. The pressed one is
    // also the look of the selected tab and profile, so it is there for the first paint;
    // the hover picture is read once the window shows (loadLookPictures).
    regionBase_ = RegionPictureBase(chinese());
    const QPixmap regionNormal = ui::loadResource(regionBase_);
    const QPixmap regionPressed = ui::loadResource(regionBase_ + 2);
    for (size_t i = 0; i < regions_.size(); ++i) {
        const layout::Control* control = layout::findControl(MainLayout(), kRegionButtons[i]);
        QPolygon outline;
        for (const layout::Point& corner : control->corners) outline << QPoint(corner.x, corner.y);
        auto* button = new ui::CIrrButton(this, QString(), outline);
        button->SetImages(regionNormal, regionPressed, regionNormal, regionNormal);
        const int n = static_cast<int>(i);
        // The commands run once the press has been handled: Apply waits in the progress
        // dialog, and a press still under way then would leave the button down.
        if (n < kFirstProfileButton) {
            button->SetCheckMode(true);
            ui::setAccessibleRole(button, QAccessible::PageTab);
            connect(
                button, &ui::CIrrButton::commandPressed, this, [this, n] { selectPage(n + 1); },
                Qt::QueuedConnection);
        } else if (n < kApplyButton) {
            button->SetCheckMode(true);
            connect(
                button, &ui::CIrrButton::commandPressed, this,
                [this, n] { onProfileButton(n - kFirstProfileButton + 1); }, Qt::QueuedConnection);
        } else {
            connect(button, &ui::CIrrButton::commandPressed, this, &CT7QDriverDlg::onApply,
                    Qt::QueuedConnection);
        }
        regions_[i] = button;
    }

    // The title-bar and language buttons show pieces of the three window pictures.
    const QPixmap normal = background();
    const auto makeButton = [&](std::string_view name) {
        const QRect rect = ControlRect(name);
        auto* button = new ui::CGDIBitmapBtn(this, rect);
        button->SetImages(rect, normal, normal, normal, normal);
        return button;
    };
    minimise_ = makeButton("minimise");
    hide_ = makeButton("hide");
    language_ = makeButton("language");
    connect(minimise_, &QAbstractButton::clicked, this, &CT7QDriverDlg::onMinimise);
    connect(hide_, &QAbstractButton::clicked, this, &CT7QDriverDlg::onHide);
    connect(language_, &QAbstractButton::clicked, this, &CT7QDriverDlg::onLanguageButton);

    flag_ = new QLabel(this);
    flag_->setObjectName(QStringLiteral("flag"));
    flag_->setGeometry(ControlRect("flag"));
    flag_->setAttribute(Qt::WA_TransparentForMouseEvents);

    progress_ = new ui::CDlgProgress(this);
    poster_.registerWindow(Window::ProgressDialog, progress_);
}

void CT7QDriverDlg::loadLookPictures() {
    const QPixmap hover = ui::loadResource(regionBase_ + 1);
    for (ui::CIrrButton* button : regions_) button->SetHoverImage(hover);
    const QPixmap over = ui::loadSkin(QStringLiteral("Main_Over.bmp"));
    const QPixmap down = ui::loadSkin(QStringLiteral("Main_Down.bmp"));
    for (ui::CGDIBitmapBtn* button : {minimise_, hide_, language_}) {
        button->SetImages(button->geometry(), QPixmap(), over, down, QPixmap());
    }
}

namespace {

// What makes each page, in tab order.
template <class Page>
pages::PageWindow* MakePage(const pages::PageContext& context) {
    return new Page(context);
}
using PageFactory = pages::PageWindow* (*)(const pages::PageContext&);
constexpr std::array<PageFactory, kPageCount> kPageFactories = {
    &MakePage<pages::CDlgMainSet>, &MakePage<pages::CDlgLEDSet>, &MakePage<pages::CDlgMacro>,
    &MakePage<pages::CDlgSts>, &MakePage<pages::CDlgSupport>};

}  // namespace

void CT7QDriverDlg::createPages() {
    const pages::PageContext context{this, localisation_.strings(), chinese(), services_.files,
                                     services_.dataFolder};
    const QRect area = ControlRect("pages");
    for (size_t i = 0; i < pages_.size(); ++i) {
        pages_[i] = kPageFactories[i](context);
        pages_[i]->setGeometry(area);
        pages_[i]->setVisible(i == 0);
    }
    poster_.registerWindow(Window::MacroPage, macroPage());
    poster_.registerWindow(Window::StatisticsPage, statisticsPage());
    // The buttons and pages take their captions, names and tooltips once all are made:
    // the remembered language may be none, and then no switch renames them.
    applyTexts();
}

void CT7QDriverDlg::connectSettingsPage() {
    // A layout that types nothing names every key by its fixed name.
    struct NoLayout final : KeyboardLayout {
        std::optional<char32_t> characterOf(uint32_t) const override { return std::nullopt; }
    };
    static const NoLayout kNoLayout;
    assign::DialogFolders folders{QDir::homePath().toStdString(),
                                  [](const std::filesystem::path& folder) {
                                      std::error_code error;
                                      return std::filesystem::is_directory(folder, error);
                                  }};
    pages::AssignmentServices popup{localisation_.strings(),
                                    chinese(),
                                    services_.keyboard ? *services_.keyboard : kNoLayout,
                                    services_.keyEvents,
                                    false,
                                    &hooks_,
                                    &poster_,
                                    macros_->table(),
                                    std::move(folders)};
    settingsPage()->connectServices(pages::SettingsServices{
        store_->image(), store_->workingMacroIds(), services_.messages, macros_->nameLookup(),
        std::move(popup), [this] { return chinese(); }, services_.hooksReadKeyboard});
}

void CT7QDriverDlg::connectMacroPage() {
    pages::CDlgMacro* page = macroPage();
    page->connectServices(pages::MacroServices{
        macropage::PageContext{*macros_, hooks_, poster_, services_.clock, services_.messages,
                               store_->block(), store_->image()},
        services_.keyEvents, services_.hooksReadKeyboard, [this] { return chinese(); }});
    // The page's notes go to the hint line, where the user looks while using it.
    connect(page, &pages::CDlgMacro::notice, this, [this](const QString& text) {
        hint_ = text;
        update(ControlRect("hint"));
    });
}

void CT7QDriverDlg::connectLightingPage() {
    lightingPage()->connectServices(store_->image());
}

void CT7QDriverDlg::connectStatisticsPage() {
    pages::CDlgSts* page = statisticsPage();
    page->connectServices(pages::StatisticsServices{services_.messages, services_.clock,
                                                    [this] { return chinese(); }});
    // The page's note on what it cannot count goes to the hint line, like the macro page's.
    connect(page, &pages::CDlgSts::notice, this, [this](const QString& text) {
        hint_ = text;
        update(ControlRect("hint"));
    });
}

void CT7QDriverDlg::connectSupportPage() {
    pages::CDlgSupport* page = supportPage();
    page->connectServices(pages::SupportServices{services_.messages, services_.shell,
                                                 store_->image(), [this] { return chinese(); }});
    // An imported profile is shown at once on every page, as after any other replacement.
    connect(page, &pages::CDlgSupport::profileImported, this,
            &CT7QDriverDlg::refreshPagesFromProfile);
    connect(page, &pages::CDlgSupport::updateRequested, this, &CT7QDriverDlg::onUpdateRequested);
}

void CT7QDriverDlg::startUpdateCheck() {
    if (updateCheck_) return;
    supportpage::UpdateSettings settings = services_.updateSettings.value_or(
        supportpage::BuiltInUpdateSettings(services_.programFolder, services_.dataFolder));
    Downloader* downloader = services_.downloader;
    if (downloader == nullptr) {
        // Nothing can be fetched: the button says there is no server, and nothing else.
        struct Offline final : Downloader {
            DownloadResult get(const std::string&, size_t, const Progress&,
                               const Cancel&) override {
                return {DownloadStatus::Failed, {}, "no downloader"};
            }
        };
        offline_ = std::make_unique<Offline>();
        downloader = offline_.get();
        settings.server.clear();
    }
    updateProgress_ =
        std::make_unique<ui::DownloadProgress>(this, localisation_.chineseInterface());
    setUpdateTexts();
    updateCheck_ = std::make_unique<supportpage::UpdateCheck>(
        std::move(settings), supportpage::UpdateServices{
                                 services_.clock, *downloader, services_.messages, services_.files,
                                 services_.shell, *updateHost_, updateProgress_.get()});
    updateCheck_->launch();
}

void CT7QDriverDlg::stopUpdateCheck() {
    updateTimer_.stop();
    if (updateCheck_) updateCheck_->stop();
}

void CT7QDriverDlg::setUpdateTexts() {
    updateHost_->setTexts(supportpage::UpdateTextsFor(chinese(), localisation_.strings()));
}

void CT7QDriverDlg::onUpdateRequested() {
    if (closing_ || !updateCheck_) return;
    updateCheck_->start();
    if (updateCheck_->timerRunning()) updateTimer_.start();
}

namespace {

// Hands what the display's source sees to the statistics page, as the hooks' path does.
class PostingStatsSink final : public StatsInputSink {
public:
    explicit PostingStatsSink(MessagePoster& poster) : poster_(poster) {}
    void mouseCode(uint32_t code) override {
        poster_.post(Window::StatisticsPage, msg::kStatsMouseEvent, code, 0);
    }
    void cursorSample(int32_t x, int32_t y) override {
        // Each coordinate as its 32-bit pattern; the page reads them back signed.
        poster_.post(Window::StatisticsPage, msg::kStatsCursorSample,
                     static_cast<uintptr_t>(static_cast<uint32_t>(x)),
                     static_cast<intptr_t>(static_cast<uint32_t>(y)));
    }

private:
    MessagePoster& poster_;
};

// The presses and wheel steps that reach the program's own windows. Every input event
// reaches its window (a QWindow) once before Qt hands it on to the widgets, where it may
// be handed from child to parent, so only the window's copy counts.
class OwnInputCounter final : public QObject {
public:
    explicit OwnInputCounter(MessagePoster& poster) : poster_(poster) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!watched->isWindowType()) return false;
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:  // the second press of a double click
                if (const std::optional<uint32_t> code =
                        PressCode(static_cast<QMouseEvent*>(event)->button())) {
                    post(*code);
                }
                break;
            case QEvent::Wheel:
                for (const uint32_t code :
                     wheel_.add(static_cast<QWheelEvent*>(event)->angleDelta().y())) {
                    post(code);
                }
                break;
            default:
                break;
        }
        return false;
    }

private:
    static std::optional<uint32_t> PressCode(Qt::MouseButton button) {
        switch (button) {
            case Qt::LeftButton:
                return statistics::kLeftDown;
            case Qt::MiddleButton:
                return statistics::kMiddleDown;
            case Qt::RightButton:
                return statistics::kRightDown;
            default:
                return std::nullopt;
        }
    }
    void post(uint32_t code) {
        poster_.post(Window::StatisticsPage, msg::kStatsMouseEvent, code, 0);
    }

    MessagePoster& poster_;
    WheelSteps wheel_;
};

}  // namespace

void CT7QDriverDlg::startStatsSources() {
    if (statsSources_ || closing_) return;
    const bool readsPointer = services_.hooksReadPointer && services_.hooksReadPointer();
    bool displayStarted = false;
    if (services_.statsInput) {
        statsSink_ = std::make_unique<PostingStatsSink>(poster_);
        displayStarted =
            services_.statsInput->start(*statsSink_, DisplayCountsClicks(readsPointer));
    }
    statsSources_ = ChooseStatsSources(readsPointer, displayStarted);
    if (statsSources_->clicks == ClickSource::OwnWindows) {
        ownInputCounter_ = std::make_unique<OwnInputCounter>(poster_);
        qApp->installEventFilter(ownInputCounter_.get());
    }
    if (const auto text = StatsLimitNotice(*statsSources_, chinese())) {
        statisticsPage()->setLimitNotice(QString::fromStdString(*text));
    }
}

void CT7QDriverDlg::stopStatsSources() {
    if (services_.statsInput) services_.statsInput->stop();
    // The filter goes with its object, whether or not the application is still there.
    ownInputCounter_.reset();
}

pages::PageWindow* CT7QDriverDlg::page(int n) const {
    return n >= 1 && n <= kPageCount ? pages_[static_cast<size_t>(n - 1)] : nullptr;
}

pages::CDlgMainSet* CT7QDriverDlg::settingsPage() const {
    return static_cast<pages::CDlgMainSet*>(page(1));
}
pages::CDlgLEDSet* CT7QDriverDlg::lightingPage() const {
    return static_cast<pages::CDlgLEDSet*>(page(2));
}
pages::CDlgMacro* CT7QDriverDlg::macroPage() const {
    return static_cast<pages::CDlgMacro*>(page(kMacroPage));
}
pages::CDlgSts* CT7QDriverDlg::statisticsPage() const {
    return static_cast<pages::CDlgSts*>(page(4));
}
pages::CDlgSupport* CT7QDriverDlg::supportPage() const {
    return static_cast<pages::CDlgSupport*>(page(5));
}

void CT7QDriverDlg::addTrayIcon() {
    // The icon is made even where no notification area shows right now: it docks by
    // itself when a panel comes up later. Whether the window can hide is asked when it
    // is to hide.
    tray_ = new QSystemTrayIcon(QIcon(ui::loadResource(kApplicationIcon)), this);
    tray_->setToolTip(ui::fromUtf8(kTitle));
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason why) {
                // Notification areas that speak the StatusNotifierItem protocol report a click
                // and never a double click, so a click shows the window too.
                if (why == QSystemTrayIcon::DoubleClick || why == QSystemTrayIcon::Trigger) {
                    post(msg::kTrayIcon, 0, kDoubleClick);
                }
                if (why == QSystemTrayIcon::Context) post(msg::kTrayIcon, 0, kRightButtonUp);
            });
    tray_->show();
    tray_->showMessage(ui::fromUtf8(kRunningBalloonTitle), ui::fromUtf8(kTitle),
                       QSystemTrayIcon::Information, 5000);
}

bool CT7QDriverDlg::trayShown() const {
    return tray_ && services_.trayAvailable && services_.trayAvailable();
}

void CT7QDriverDlg::applyTexts() {
    // The pictures carry no words: the region buttons show the texts of their tooltips.
    for (size_t i = 0; i < regions_.size(); ++i) {
        const QString text =
            QString::fromStdString(localisation_.strings().get(kRegionTooltipKeys[i]));
        regions_[i]->setText(text);
        regions_[i]->setToolTip(text);
    }
    for (size_t i = 0; i < pages_.size(); ++i) {
        if (!pages_[i]) continue;
        // A page is known by the name of its tab.
        pages_[i]->setAccessibleName(regions_[i]->text());
        pages_[i]->applyTooltips();
    }
    // The title-bar and language buttons and the flag show no words at all.
    const auto name = [this](WindowButton button) {
        return ui::fromUtf8(windowButtonName(button, chinese()));
    };
    minimise_->setAccessibleName(name(WindowButton::Minimise));
    hide_->setAccessibleName(name(WindowButton::Hide));
    language_->setAccessibleName(name(WindowButton::Language));
    flag_->setAccessibleName(ui::fromUtf8(flagName(flagPicture_)));
    setUpdateTexts();
}

void CT7QDriverDlg::selectPage(int n) {
    const PageSelection selection = mainwindow::SelectPage(n);
    if (!selection.valid) return;
    for (size_t i = 0; i < pages_.size(); ++i) {
        if (selection.left[i]) pages_[i]->leavePage();
    }
    for (size_t i = 0; i < pages_.size(); ++i) {
        regions_[i]->SetChecked(selection.shown[i]);
        pages_[i]->setVisible(selection.shown[i]);
    }
    for (int i = kFirstProfileButton; i <= kApplyButton; ++i) {
        regions_[static_cast<size_t>(i)]->setEnabled(selection.profileButtonsEnabled);
    }
    page_ = n;
    if (selection.refresh && store_) page(n)->showProfile();
}

void CT7QDriverDlg::onProfileButton(int n) {
    if (n < 1 || n > kProfileCount) return;
    std::array<bool, kProfileCount> only{};
    only[static_cast<size_t>(n - 1)] = true;
    setProfileHighlights(only);
    if (!store_->switchProfile(n - 1)) {
        // The profile could not be read and the previous one stays current: so does its
        // button's highlight.
        std::array<bool, kProfileCount> current{};
        current[static_cast<size_t>(store_->currentEntry())] = true;
        setProfileHighlights(current);
    }
}

void CT7QDriverDlg::onApply() {
    for (pages::PageWindow* page : pages_) page->commitEdits(store_->image());
    startApply();
}

void CT7QDriverDlg::startApply() {
    // The progress dialog shows from the trigger on, before the worker clears the flag.
    // Once the program closes, the worker has stopped: nothing would end the dialog.
    if (closing_ || !idle_ || !worker_ || progress_->IsRunning()) return;
    // The mouse gets the macros the file holds.
    if (macros_) macros_->flush();
    progress_->SetChinese(chinese());
    applyPending_ = true;
    worker_->trigger();
    progress_->DoModal();
    releaseApplyButton();
}

void CT7QDriverDlg::onMinimise() {
    showMinimized();
    homeTheHooks();
}

void CT7QDriverDlg::onHide() {
    if (pages::CDlgMacro* macros = macroPage()) macros->closeGroupMenu();
    hideOrMinimise();
    homeTheHooks();
}

void CT7QDriverDlg::homeTheHooks() {
    // With the window out of sight no page records or captures keys.
    hooks_.SetForwarding(false, false);
    hooks_.SetTarget(Window::MainWindow);
}

void CT7QDriverDlg::hideOrMinimise() {
    // Out of sight the program may be ended without a goodbye: the counts are kept now.
    if (pages::CDlgSts* statistics = statisticsPage()) statistics->saveWhenHidden();
    if (trayShown()) {
        hide();
        return;
    }
    // Without a notification icon a hidden window could not be reached again.
    if (!trayNoticeGiven_) {
        trayNoticeGiven_ = true;
        showNotice(chinese() ? kNoTrayChinese : kNoTrayEnglish);
    }
    showMinimized();
}

void CT7QDriverDlg::onLanguageButton() {
    if (languageMenu_) return;
    auto* menu = new ui::CMenuExA(ui::CMenuExA::languageLabels());
    languageMenu_ = menu;
    const layout::Point origin =
        layout::languageMenuOrigin(layout::findControl(MainLayout(), "language")->rect);
    const QPoint global = mapToGlobal(QPoint(origin.x, origin.y));
    if (!menu->Popup(this, global.x(), global.y(), msg::kSwitchLanguage)) {
        delete menu;
        languageMenu_.clear();
    }
}

void CT7QDriverDlg::showWindow() {
    showNormal();
    raise();
    activateWindow();
}

std::span<const ui::MessageWindow::MessageEntry> CT7QDriverDlg::messageTable() const {
    static const MessageEntry table[] = {
        on(msg::kSwitchLanguage, &CT7QDriverDlg::onSwitchLanguage),
        on(msg::kTrayIcon, &CT7QDriverDlg::onTrayIcon),
        on(msg::kApplySucceeded, &CT7QDriverDlg::onApplySucceeded),
        on(msg::kApplyFailed, &CT7QDriverDlg::onApplyFailed),
        on(msg::kHookNotify, &CT7QDriverDlg::onHookNotify),
        on(msg::kPageHover, &CT7QDriverDlg::onPageHover),
        on(msg::kRestoreDefaults, &CT7QDriverDlg::onRestoreDefaults),
        on(msg::kClose, &CT7QDriverDlg::onCloseRequest),
    };
    return table;
}

intptr_t CT7QDriverDlg::onSwitchLanguage(uintptr_t wParam, intptr_t lParam) {
    if (closing_) return 0;
    if (lParam == 0) {
        // The menu closed without a choice.
        languageMenu_.clear();
        return 0;
    }
    const Localisation::Switch change = localisation_.selectLanguage(
        static_cast<uint32_t>(wParam), static_cast<int32_t>(lParam), !languageMenu_.isNull());
    if (!change.handled) return 0;
    if (change.indicatorBitmap != 0) {
        flagPicture_ = change.indicatorBitmap;
        flag_->setPixmap(ui::loadResource(flagPicture_));
    }
    applyTexts();
    if (change.closeMenu) {
        if (languageMenu_) languageMenu_->close();
        languageMenu_.clear();
    }
    // Texts the windows draw themselves are read again at their next paint.
    update();
    for (pages::PageWindow* page : pages_) page->update();
    return 0;
}

intptr_t CT7QDriverDlg::onTrayIcon(uintptr_t, intptr_t lParam) {
    if (closing_) return 0;
    switch (TrayEventOf(lParam)) {
        case TrayEvent::Show:
            refreshPagesFromProfile();
            showWindow();
            break;
        case TrayEvent::Menu:
            openTrayMenu(QCursor::pos());
            break;
        case TrayEvent::Ignore:
            break;
    }
    return 0;
}

void CT7QDriverDlg::openTrayMenu(QPoint globalPosition) {
    ui::CXPMenu menu(this);
    menu.AddEntry(kConfigCommand, kConfigIcon, QStringLiteral("Config"));
    menu.AddEntry(kExitCommand, kExitIcon, QStringLiteral("Exit"));
    activateWindow();
    onTrayCommand(menu.Track(globalPosition));
}

void CT7QDriverDlg::onTrayCommand(int command) {
    if (command == kConfigCommand) {
        refreshPagesFromProfile();
        showWindow();
    } else if (command == kExitCommand) {
        post(msg::kClose, 0, 0);
    }
}

intptr_t CT7QDriverDlg::onApplySucceeded(uintptr_t, intptr_t) {
    applyPending_ = false;
    if (!store_) return 0;
    store_->saveAfterApply();
    idle_ = true;
    tellPointerProblems();
    if (closeAfterApply_) shutdown();
    return 0;
}

void CT7QDriverDlg::tellPointerProblems() {
    // What the desktop did not take is told when it changes, not after every apply.
    const std::vector<std::string> problems = services_.pointer.notApplied();
    if (problems.empty() || problems == pointerProblemsShown_) return;
    pointerProblemsShown_ = problems;
    std::string text = "Not every pointer setting could be applied on this desktop:";
    for (const std::string& line : problems) text += "\n" + line;
    services_.messages.showInfoBox(text);
}

intptr_t CT7QDriverDlg::onApplyFailed(uintptr_t, intptr_t lParam) {
    applyPending_ = false;
    services_.messages.showInfoDialog(ApplyFailureText(static_cast<int>(lParam)), BoxButtons::Ok);
    idle_ = true;
    releaseApplyButton();
    if (closeAfterApply_) shutdown();
    return 0;
}

intptr_t CT7QDriverDlg::onHookNotify(uintptr_t wParam, intptr_t lParam) {
    if (closing_) return 0;
    poster_.post(Window::StatisticsPage, msg::kStatsMouseEvent, wParam, lParam);
    const std::optional<int> button = ButtonOfHookCode(static_cast<uint32_t>(wParam));
    if (!button || !store_) return 0;
    if (store_->image().get(profile::FunctionCode(*button)) == kHostActionFunction) {
        RunHostAction(store_->image(), *button, services_.shell, services_.sound);
    }
    return 0;
}

intptr_t CT7QDriverDlg::onPageHover(uintptr_t, intptr_t lParam) {
    if (closing_) return 0;
    static const ProfileImage kNoProfile;
    hint_ = QString::fromStdString(HintText(static_cast<int>(lParam), localisation_.strings(),
                                            store_ ? store_->image() : kNoProfile, chinese()));
    update(ControlRect("hint"));
    return 0;
}

intptr_t CT7QDriverDlg::onRestoreDefaults(uintptr_t, intptr_t) {
    if (closing_ || !store_) return 0;
    store_->restoreDefaults();
    refreshPagesFromProfile();
    startApply();
    return 0;
}

intptr_t CT7QDriverDlg::onCloseRequest(uintptr_t, intptr_t) {
    // A running apply is let finish, so that the files match what the mouse holds when
    // the program ends: its result message closes the program. Once that message has
    // been handled the program closes at once, even while the dialog still shows 100 %.
    if (applyPending_) {
        closeAfterApply_ = true;
        return 0;
    }
    shutdown();
    return 0;
}

void CT7QDriverDlg::shutdown() {
    if (closing_) return;
    closing_ = true;
    if (languageMenu_) languageMenu_->close();
    // 1. The notification icon goes.
    delete tray_;
    tray_ = nullptr;
    // 2. The pages go out of use and the statistics are saved. The widgets themselves go
    // with the window, after the application's loop: the request may come while a page
    // waits in a box of its own.
    for (pages::PageWindow* going : pages_) {
        if (!going) continue;
        going->hide();
        going->saveState();
    }
    poster_.unregisterWindow(Window::MacroPage);
    poster_.unregisterWindow(Window::StatisticsPage);
    // The last macro change reaches the file before the program ends.
    if (macros_) macros_->flush();
    // 3-5. The apply worker is woken with its run flag cleared and waited for; one waiting
    // for this window is released first. The update-check worker is woken with its run
    // flag cleared; a download in progress ends at its next progress report.
    beginShutdown();
    if (worker_) worker_->stop();
    stopUpdateCheck();
    hooks_.RemoveHooks();
    stopStatsSources();
    updaterTimer_.stop();
    hide();
    // 6. The application's loop ends; the connection closes with the window.
    emit closed();
}

void CT7QDriverDlg::onSessionEnd() {
    for (pages::PageWindow* page : pages_) {
        if (page) page->saveState();
    }
    if (macros_) macros_->flush();
}

void CT7QDriverDlg::onDeviceChange(DeviceChange change, const std::string& name) {
    if (!link_ || closing_) return;
    if (change == DeviceChange::Arrival) {
        link_->onArrival(name);
    } else {
        link_->onRemoval(name);
    }
}

void CT7QDriverDlg::startUpdater() {
    updaterTimer_.stop();
    if (updaterStarted_) return;
    updaterStarted_ = true;
    // The updater is a program of its own beside this one, started only when it is there
    // and may run: handing a missing file or a Windows program to the desktop's opener
    // would show the user an error or start something else.
    const std::filesystem::path updater = services_.programFolder / kUpdaterProgram;
    if (!mainwindow::IsStartableProgram(updater)) return;
    services_.shell.start(updater.string(), {});
}

// ---- Observers -------------------------------------------------------------------------

void CT7QDriverDlg::setProfileHighlights(const std::array<bool, kProfileCount>& highlighted) {
    for (int e = 0; e < kProfileCount; ++e) {
        regions_[static_cast<size_t>(kFirstProfileButton + e)]->SetChecked(
            highlighted[static_cast<size_t>(e)]);
    }
}

void CT7QDriverDlg::refreshPagesFromProfile() {
    for (pages::PageWindow* page : pages_) {
        if (page) page->showProfile();
    }
}

void CT7QDriverDlg::setFirmwareVersionText(const std::string& text) {
    if (pages::CDlgSupport* support = supportPage()) {
        support->m_strFirmwareVersion = QString::fromStdString(text);
    }
    updateHost_->setFirmwareVersion(text);
}

void CT7QDriverDlg::startWorkers() {
    if (closing_) return;
    worker_ = std::make_unique<ApplyWorker>(ApplyWorker::Services{device_, *store_, *macroSource_,
                                                                  hooks_, services_.pointer,
                                                                  poster_, services_.clock, idle_});
    worker_->start();
    startUpdateCheck();
}

void CT7QDriverDlg::releaseApplyButton() {
    regions_[kApplyButton]->setDown(false);
}

bool CT7QDriverDlg::installHooks() {
    if (closing_) return false;
    const bool installed = hooks_.InstallHooks(Window::MainWindow);
    hooks_.SetForwarding(false, false);
    hooks_.SetMouseNotify(true);
    startStatsSources();
    if (!accessNoticeGiven_ && services_.inputAccessProblem) {
        if (const std::optional<std::string> problem = services_.inputAccessProblem()) {
            accessNoticeGiven_ = true;
            // Told once the window is up, without holding up the start.
            QTimer::singleShot(0, this, [this, text = *problem] {
                std::fprintf(stderr, "x5k-driver: %s\n", text.c_str());
                if (tray_) {
                    tray_->showMessage(ui::fromUtf8(kTitle), QString::fromStdString(text),
                                       QSystemTrayIcon::Warning, kNoticeBalloonMs);
                } else {
                    showNotice(text);
                }
            });
        }
    }
    return installed;
}

void CT7QDriverDlg::showNotice(std::string_view text) {
    // A window of its own, so it stays in sight when the main window is minimised.
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Info"),
                                ui::fromUtf8(text), QMessageBox::Ok);
    box->setObjectName(QStringLiteral("notice"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(this, &QObject::destroyed, box, &QObject::deleteLater);
    box->show();
}

void CT7QDriverDlg::removeHooks() {
    hooks_.RemoveHooks();
}

// ---- Window events ---------------------------------------------------------------------

void CT7QDriverDlg::paintEvent(QPaintEvent* event) {
    MessageWindow::paintEvent(event);
    if (!looksQueued_) {
        // The buttons' hover and pressed looks are read right after the window is first
        // on screen, while the user looks at it and well before a pointer reaches a button.
        looksQueued_ = true;
        QTimer::singleShot(0, this, &CT7QDriverDlg::loadLookPictures);
    }
    if (hint_.isEmpty()) return;
    QPainter painter(this);
    painter.setFont(ui::dialogFont(14, 300));
    painter.setPen(kHintColour);
    DrawWrappedText(painter, ControlRect("hint"), hint_);
}

void CT7QDriverDlg::followPointer(QPoint position) {
    if (!hint_.isEmpty()) {
        hint_.clear();
        update(ControlRect("hint"));
    }
    for (const int hint : HoverHints({position.x(), position.y()})) {
        post(msg::kPageHover, 0, hint);
    }
}

void CT7QDriverDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        // The background drags the window, as a caption would.
        if (windowHandle() && windowHandle()->startSystemMove()) return;
        dragOffset_ = event->globalPosition().toPoint() - pos();
        return;
    }
    if (event->button() == Qt::RightButton && !trayShown()) {
        openTrayMenu(event->globalPosition().toPoint());
        return;
    }
    MessageWindow::mousePressEvent(event);
}

void CT7QDriverDlg::mouseMoveEvent(QMouseEvent* event) {
    if (dragOffset_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - *dragOffset_);
        return;
    }
    followPointer(event->position().toPoint());
    MessageWindow::mouseMoveEvent(event);
}

void CT7QDriverDlg::mouseReleaseEvent(QMouseEvent* event) {
    dragOffset_.reset();
    MessageWindow::mouseReleaseEvent(event);
}

void CT7QDriverDlg::childMouseMoved(QWidget* child, QPoint position) {
    // A page's own background is not the window's: the page posts its own hints there.
    if (!qobject_cast<pages::PageWindow*>(child)) followPointer(position);
    MessageWindow::childMouseMoved(child, position);
}

void CT7QDriverDlg::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    // Alt+F4 and the window system's close only hide the window.
    event->ignore();
    onHide();
}

std::unique_ptr<QSocketNotifier> WatchHandOvers(ProgramInstance& instance, CT7QDriverDlg& window) {
    if (instance.role() != ProgramInstance::Role::Primary || instance.fd() < 0) return nullptr;
    auto watch = std::make_unique<QSocketNotifier>(instance.fd(), QSocketNotifier::Read);
    QObject::connect(watch.get(), &QSocketNotifier::activated, &window, [&instance, &window] {
        // Only the show request is taken from a later start.
        for (const HandOver& message : instance.takeMessages()) {
            if (message != kShowRunningInstance) continue;
            window.post(message.message, message.wParam, message.lParam);
        }
    });
    return watch;
}

}  // namespace x5k::gui
