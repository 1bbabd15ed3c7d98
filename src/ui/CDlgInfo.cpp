#include "ui/CDlgInfo.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTextBoundaryFinder>

#include "platform/WindowMessages.h"
#include "ui/Accessibility.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/QtUserMessages.h"
#include "ui/Skin.h"

namespace x5k::ui {

namespace {

QColor textColour() {
    return QColor::fromRgb(static_cast<QRgb>(controls::kInfoTextRgb));
}

// The part of the screen a box may cover: the primary screen without its panels.
QRect workArea() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

}  // namespace

CDlgInfo::CDlgInfo(QWidget* parent) : MessageWindow(parent) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWindowTitle(QStringLiteral("ZintuX5KInfoDlg"));
    // The box draws its title and message: screen readers hear them as an alert.
    setAccessibleRole(this, QAccessible::AlertMessage);
    setFixedSize(controls::kInfoBoxWidth, controls::kInfoBoxHeight);
    countdownTimer_.setInterval(controls::kCountdownTickMs);
    connect(&countdownTimer_, &QTimer::timeout, this, &CDlgInfo::CountdownTick);
}

CDlgInfo::~CDlgInfo() {
    // A box destroyed while its modal loop still runs must not leave the loop waiting.
    if (loop_ != nullptr) loop_->quit();
}

void CDlgInfo::SetMessageText(const QString& text) {
    text_ = text;
    setAccessibleDescription(text);
    update();
}

std::span<const MessageWindow::MessageEntry> CDlgInfo::messageTable() const {
    static const MessageEntry table[] = {
        on(msg::kClose, &CDlgInfo::onClose),
    };
    return table;
}

intptr_t CDlgInfo::onClose(uintptr_t, intptr_t) {
    EndDialog(controls::kInfoResultCancel);
    return 0;
}

void CDlgInfo::buildButtons() {
    delete ok_;
    delete cancel_;
    delete close_;
    ok_ = cancel_ = close_ = nullptr;

    const controls::InfoLayout layout = controls::infoLayout(withCancel_);
    // Each button shows its piece of the three whole-box pictures; it has no picture of
    // its own for the disabled look, so it keeps the normal piece.
    const auto make = [this](const controls::BoxRect& where) {
        const QRect rect = edges(where);
        auto* button = new CGDIBitmapBtn(this, rect);
        button->SetImages(rect, normal_, hover_, pressed_, normal_);
        button->SetCaptionColours(textColour(), Qt::white, Qt::white);
        return button;
    };
    close_ = make(layout.closeButton);
    ok_ = make(layout.okButton);
    ok_->SetCaption(QString::fromStdString(controls::okCaption(chinese_)));
    if (layout.cancelButton) {
        cancel_ = make(*layout.cancelButton);
        cancel_->SetCaption(QString::fromStdString(controls::cancelCaption(chinese_)));
        connect(cancel_, &QAbstractButton::clicked, this,
                [this] { EndDialog(controls::kInfoResultCancel); });
    }
    connect(ok_, &QAbstractButton::clicked, this, [this] { EndDialog(controls::kInfoResultOk); });
    connect(close_, &QAbstractButton::clicked, this,
            [this] { EndDialog(controls::kInfoResultCancel); });
}

void CDlgInfo::Open() {
    const controls::InfoLayout layout = controls::infoLayout(withCancel_);
    normal_ = loadResource(layout.normalResource);
    hover_ = loadResource(layout.hoverResource);
    pressed_ = loadResource(layout.pressedResource);
    setBackground(normal_);
    // The window takes the size of its picture; without the picture it keeps the size the
    // picture is drawn for, so the buttons still sit inside it.
    if (!normal_.isNull()) setFixedSize(normal_.size());
    buildButtons();
    setAccessibleName(QString::fromStdString(controls::tipsTitle(chinese_)));
    close_->setAccessibleName(QString::fromStdString(controls::closeButtonName(chinese_)));

    const QRect area = workArea();
    const controls::BoxPoint origin = timed_
                                          ? controls::countdownOrigin(area.width(), area.height())
                                          : controls::centredOrigin(area.width(), area.height());
    move(area.topLeft() + QPoint(origin.x, origin.y));

    result_.reset();
    running_ = true;
    if (timed_) {
        countdown_ = controls::InfoCountdown(chinese_);
        ok_->SetCaption(QString::fromStdString(countdown_.start()));
        countdownTimer_.start();
    }
    show();
    raise();
    activateWindow();
}

int CDlgInfo::DoModal() {
    setWindowModality(Qt::ApplicationModal);
    Open();
    if (running_) {
        // The window may be destroyed while its loop runs (its owner goes away at
        // shutdown); the destructor then ends the loop and nothing of it is touched after.
        const QPointer<CDlgInfo> alive(this);
        QEventLoop loop;
        loop_ = &loop;
        loop.exec(QEventLoop::DialogExec);
        if (alive == nullptr) return controls::kInfoResultCancel;
        loop_ = nullptr;
    }
    if (running_) EndDialog(controls::kInfoResultCancel);
    return result_.value_or(controls::kInfoResultCancel);
}

void CDlgInfo::EndDialog(int result) {
    if (!running_) return;
    running_ = false;
    countdownTimer_.stop();
    result_ = result;
    hide();
    emit finished(result);
    if (loop_ != nullptr) loop_->quit();
}

void CDlgInfo::CountdownTick() {
    if (!running_ || !timed_) return;
    const controls::InfoCountdown::Tick tick = countdown_.tick();
    if (tick.close) {
        // The box closes at once; nothing waits on the user-interface thread.
        EndDialog(controls::kInfoResultCancel);
        return;
    }
    ok_->SetCaption(QString::fromStdString(tick.caption));
}

void CDlgInfo::closeEvent(QCloseEvent* event) {
    // Closing the window by any other way answers as Cancel does.
    EndDialog(controls::kInfoResultCancel);
    event->accept();
}

QString CDlgInfo::FitWords(const QString& text, const QFontMetrics& metrics, int width) {
    QString fitted;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = finder.toNextBoundary();
        if (end < 0 || end <= start) end = text.size();
        const QString run = text.mid(start, end - start);
        // The spaces and line ends after a word may hang past the edge; only the word
        // itself has to fit.
        qsizetype wordEnd = run.size();
        while (wordEnd > 0 && run.at(wordEnd - 1).isSpace()) --wordEnd;
        const QString word = run.left(wordEnd);
        if (metrics.horizontalAdvance(word) > width) {
            fitted += metrics.elidedText(word, Qt::ElideRight, width) + run.mid(wordEnd);
        } else {
            fitted += run;
        }
        start = end;
    }
    return fitted;
}

void CDlgInfo::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (background().isNull()) {
        painter.fillRect(rect(), QColor(240, 240, 240));
    } else {
        painter.drawPixmap(QPoint(0, 0), background());
    }
    painter.setFont(dialogFont(14, 300));
    painter.setPen(textColour());
    const QRect message = edges(controls::infoLayout(withCancel_).message);
    painter.drawText(message, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextDontClip,
                     FitWords(text_, painter.fontMetrics(), message.width()));
    painter.drawText(edges(controls::infoLayout(withCancel_).title),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QString::fromStdString(controls::tipsTitle(chinese_)));
}

namespace {

int runBox(const QString& text, bool withCancel, bool timed, bool chinese) {
    return CallOnUiThread(
        [=] {
            CDlgInfo box;
            box.SetMessageText(text);
            box.SetWithCancel(withCancel);
            box.SetTimed(timed);
            box.SetChinese(chinese);
            return box.DoModal();
        },
        controls::kInfoResultCancel);
}

}  // namespace

int ShowInfoDialog(const QString& text, bool withCancel, bool chinese) {
    return runBox(text, withCancel, false, chinese);
}

int ShowCountdownNotice(const QString& text, bool chinese) {
    return runBox(text, false, true, chinese);
}

}  // namespace x5k::ui
