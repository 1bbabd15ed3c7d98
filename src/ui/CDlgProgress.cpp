#include "ui/CDlgProgress.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>

#include "controls/InfoCountdown.h"
#include "platform/WindowMessages.h"
#include "ui/Accessibility.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/CPngHProgressBar.h"
#include "ui/Skin.h"

namespace x5k::ui {

namespace {

// Alt+F4 would close the window through the window manager; the key itself is swallowed
// too, for platforms that hand it to the window first.
bool isAltF4(const QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    return key->key() == Qt::Key_F4 && (key->modifiers() & Qt::AltModifier);
}

bool isEscapePress(const QEvent* event) {
    return event->type() == QEvent::KeyPress &&
           static_cast<const QKeyEvent*>(event)->key() == Qt::Key_Escape;
}

// The Cancel caption in the text's grey, white under the pointer.
const QColor kCancelIdle = QColor::fromRgba(controls::kProgressTextArgb);

}  // namespace

CDlgProgress::CDlgProgress(QWidget* parent) : MessageWindow(parent) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWindowTitle(QStringLiteral("ZintuX5KProcessDlg"));
    // Screen readers know the dialog by the text it draws.
    setAccessibleRole(this, QAccessible::Dialog);
    const controls::ProgressLayout layout = controls::progressLayout();
    setFixedSize(layout.width, layout.height);
    bar_ = new CPngHProgressBar(this, edges(layout.bar), layout.barId);
    bar_->SetRange(0, controls::kProgressDone);
    cancel_ = new CGDIBitmapBtn(this, edges(layout.cancel));
    cancel_->SetCaptionColours(kCancelIdle, Qt::white, Qt::white);
    cancel_->hide();
    setAccessibleRole(cancel_, QAccessible::Button);
    connect(cancel_, &QAbstractButton::clicked, this, &CDlgProgress::cancel);
    SetChinese(false);
    closeTimer_.setSingleShot(true);
    closeTimer_.setInterval(controls::kProgressCloseDelayMs);
    connect(&closeTimer_, &QTimer::timeout, this, &CDlgProgress::CloseDelayEnded);
}

CDlgProgress::~CDlgProgress() {
    if (loop_ != nullptr) loop_->quit();
}

void CDlgProgress::SetChinese(bool chinese) {
    chinese_ = chinese;
    setAccessibleName(QString::fromStdString(controls::progressText(chinese)));
    const QString caption = QString::fromStdString(controls::cancelCaption(chinese));
    cancel_->SetCaption(caption);
    cancel_->setAccessibleName(caption);
    update();
}

void CDlgProgress::SetCancellable(bool cancellable) {
    cancellable_ = cancellable;
    cancel_->setVisible(cancellable);
}

std::span<const MessageWindow::MessageEntry> CDlgProgress::messageTable() const {
    static const MessageEntry table[] = {
        on(msg::kProgress, &CDlgProgress::onProgress),
        on(msg::kClose, &CDlgProgress::onClose),
    };
    return table;
}

void CDlgProgress::Open() {
    background_ = loadImage(skinPath(QStringLiteral("ProgressBar/Progress_Normal.png")));
    fill_ = loadImage(skinPath(QStringLiteral("ProgressBar/Progress_Over.png")));
    if (!background_.isNull()) setFixedSize(background_.size());
    bar_->SetImages(edges(controls::progressLayout().bar), background_, fill_);
    bar_->SetRange(0, controls::kProgressDone);
    bar_->SetPos(0);
    // The button shows its piece of the ground, with only its caption drawn over it.
    const QRect cancelRect = edges(controls::progressLayout().cancel);
    const QPixmap ground = QPixmap::fromImage(background_);
    cancel_->SetImages(cancelRect, ground, ground, ground, ground);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        const controls::BoxPoint origin = controls::centredOrigin(area.width(), area.height());
        move(area.topLeft() + QPoint(origin.x, origin.y));
    }
    closeTimer_.stop();
    closingItself_ = false;
    running_ = true;
    show();
    // The apply was started from the main window, but the user may have switched to
    // another program meanwhile: the progress must still be seen.
    raise();
    activateWindow();
}

int CDlgProgress::DoModal() {
    setWindowModality(Qt::ApplicationModal);
    Open();
    if (running_) {
        // The window may be destroyed while its loop runs (its owner goes away at
        // shutdown); the destructor then ends the loop and nothing of it is touched after.
        const QPointer<CDlgProgress> alive(this);
        QEventLoop loop;
        loop_ = &loop;
        loop.exec(QEventLoop::DialogExec);
        if (alive == nullptr) return controls::kInfoResultCancel;
        loop_ = nullptr;
    }
    if (running_) finish();
    return controls::kInfoResultCancel;
}

intptr_t CDlgProgress::onProgress(uintptr_t wParam, intptr_t) {
    // The value goes to the bar as it came; the bar shows anything outside 0..100 as empty.
    const auto percent = static_cast<int>(static_cast<intptr_t>(wParam));
    bar_->SetPos(percent);
    if (isVisible()) repaint();
    // Only exactly 100 ends the apply. The wait before the close is a timer, so the
    // window keeps painting and handling messages meanwhile.
    if (static_cast<intptr_t>(wParam) == controls::kProgressDone && running_) closeTimer_.start();
    return 1;
}

void CDlgProgress::CloseDelayEnded() {
    post(msg::kClose, 0, 0);
}

void CDlgProgress::Close() {
    finish();
}

void CDlgProgress::cancel() {
    if (!running_ || !cancellable_) return;
    finish();
    emit cancelled();
}

intptr_t CDlgProgress::onClose(uintptr_t, intptr_t) {
    finish();
    return 0;
}

void CDlgProgress::finish() {
    if (!running_) return;
    running_ = false;
    closeTimer_.stop();
    closingItself_ = true;
    close();
    closingItself_ = false;
    // The pictures are needed only while the window shows.
    background_ = QImage();
    fill_ = QImage();
    emit finished(controls::kInfoResultCancel);
    if (loop_ != nullptr) loop_->quit();
}

bool CDlgProgress::event(QEvent* event) {
    if (cancellable_ && isEscapePress(event)) {
        event->accept();
        cancel();
        return true;
    }
    if (isAltF4(event)) {
        event->accept();
        return true;
    }
    return MessageWindow::event(event);
}

void CDlgProgress::closeEvent(QCloseEvent* event) {
    // A download the user closes is cancelled.
    if (running_ && !closingItself_ && cancellable_) {
        cancel();
        event->accept();
        return;
    }
    // While the mouse is being written only the window itself may close.
    if (running_ && !closingItself_) {
        event->ignore();
        return;
    }
    event->accept();
}

void CDlgProgress::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (background_.isNull()) {
        painter.fillRect(rect(), QColor(240, 240, 240));
    } else {
        painter.drawImage(QPoint(0, 0), background_);
    }
    // 8 points in the dialog face, which carries the CJK fallback for the Chinese text.
    QFont font = dialogFont(11, 400);
    font.setPointSize(8);
    painter.setFont(font);
    painter.setPen(QColor::fromRgba(controls::kProgressTextArgb));
    QRect text = edges(controls::progressLayout().text);
    if (cancellable_) text.setRight(cancel_->geometry().left() - 4);
    painter.drawText(text,
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                     QString::fromStdString(controls::progressText(chinese_)));
}

}  // namespace x5k::ui
