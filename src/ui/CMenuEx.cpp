#include "ui/CMenuEx.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <utility>

#include "localisation/Languages.h"
#include "platform/WindowMessages.h"
#include "ui/MessageWindow.h"
#include "ui/Skin.h"

namespace x5k::ui {
namespace {

constexpr int kCorner = 32;         // the background picture's corners stay unscaled
const QColor kBorder(0, 147, 209);  // the frame of a pop-up without a background
const QColor kHighlightFill(0, 147, 209);
const QColor kHighlightText(245, 245, 245);
const QColor kNormalText(5, 5, 5);
const QColor kSeparator(245, 245, 245);
constexpr int kPictureColumn = 25;  // pictures are centred in the entry's first pixels
constexpr int kTextLeft = 30;       // the text runs from here ...
constexpr int kTextRight = 112;     // ... to here, right of the entry's left edge

// Draws the picture over the target with its corners unscaled, its edges stretched along
// one direction and its middle stretched along both. A picture smaller than two corners
// gives up to half of itself to each corner.
void drawNineSlice(QPainter& painter, const QImage& picture, const QRect& target) {
    const int cw = std::min({kCorner, picture.width() / 2, target.width() / 2});
    const int ch = std::min({kCorner, picture.height() / 2, target.height() / 2});
    const int sw = picture.width();
    const int sh = picture.height();
    const int tw = target.width();
    const int th = target.height();
    const int sx[] = {0, cw, sw - cw, sw};
    const int sy[] = {0, ch, sh - ch, sh};
    const int tx[] = {0, cw, tw - cw, tw};
    const int ty[] = {0, ch, th - ch, th};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            const QRect source(sx[col], sy[row], sx[col + 1] - sx[col], sy[row + 1] - sy[row]);
            const QRect dest(target.left() + tx[col], target.top() + ty[row], tx[col + 1] - tx[col],
                             ty[row + 1] - ty[row]);
            if (source.isEmpty() || dest.isEmpty()) continue;
            painter.drawImage(dest, picture, source);
        }
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// CWndPopup

CWndPopup::CWndPopup() : font_(menuFont(12)) {
    setWindowFlags(Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint);
    // The pop-up is drawn with per-pixel alpha: the background picture's rounded corners
    // show what lies under the pop-up.
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    setCursor(Qt::ArrowCursor);
}

CWndPopup::~CWndPopup() = default;

bool CWndPopup::Popup(MessageWindow* owner, int x, int y, uint32_t resultMessage) {
    if (popped_) return false;
    popped_ = true;
    owner_ = owner;
    resultMessage_ = resultMessage;
    // A child of its owner, so it goes with the owner; as a pop-up window it still sits
    // at screen coordinates.
    if (owner) setParent(owner, windowFlags());
    setAttribute(Qt::WA_DeleteOnClose);
    Prepare();
    move(x, y);
    show();
    return true;
}

void CWndPopup::Prepare() {
    if (prepared_) return;
    prepared_ = true;
    BuildEntries();
    Layout();
}

void CWndPopup::SetBackground(int resourceId) {
    SetBackground(loadResourceImage(resourceId));
}

void CWndPopup::SetBackground(const QImage& picture) {
    background_ =
        picture.isNull() ? QImage() : picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    update();
}

MessageWindow* CWndPopup::owner() const {
    return owner_.data();
}

QImage CWndPopup::renderImage() {
    Prepare();
    QImage image(size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

void CWndPopup::choose(intptr_t value) {
    const QPointer<CWndPopup> self(this);
    if (owner_) owner_->send(resultMessage_, 0, value);
    // The owner usually closes the pop-up while it handles the choice; when it did not,
    // the pop-up closes itself, so a chosen menu never lingers. Either way the close
    // report (0) follows the choice.
    if (self) close();
}

void CWndPopup::paintBackground(QPainter& painter) const {
    const QRect whole = rect();
    if (!background_.isNull()) {
        drawNineSlice(painter, background_, whole);
        return;
    }
    painter.fillRect(whole, kBorder);
    painter.fillRect(whole.adjusted(1, 1, -1, -1), Qt::white);
}

void CWndPopup::closeEvent(QCloseEvent* event) {
    // The owner learns of every close of a pop-up that was opened, exactly once: the
    // language handler ignores 0 but forgets its open menu on it.
    if (popped_ && !closeReported_) {
        closeReported_ = true;
        if (owner_) owner_->send(msg::kSwitchLanguage, 0, 0);
        emit closed();
    }
    event->accept();
}

bool CWndPopup::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::WindowActivate:
            wasActive_ = true;
            break;
        case QEvent::WindowDeactivate:
            // Only a pop-up that was active can lose activation; the close is queued so
            // it does not run inside the window system's activation change.
            if (wasActive_ && isVisible()) {
                QMetaObject::invokeMethod(
                    this, [this] { close(); }, Qt::QueuedConnection);
            }
            break;
        default:
            break;
    }
    return QWidget::event(event);
}

// ---------------------------------------------------------------------------------------
// CMenuEx

CMenuEx::CMenuEx() = default;

void CMenuEx::AddEntry(const QString& text, int resourceId, intptr_t value) {
    AddEntry(text, loadResourceImage(resourceId), value);
}

void CMenuEx::AddEntry(const QString& text, const QImage& picture, intptr_t value) {
    MenuEntry entry;
    entry.value = value;
    entry.picture = picture;
    entry.text = text;
    entries_.push_back(std::move(entry));
    Layout();
}

void CMenuEx::AddSeparator() {
    MenuEntry entry;
    entry.separator = true;
    entries_.push_back(std::move(entry));
    Layout();
}

int CMenuEx::highlighted() const {
    const auto index = tracker_.highlighted();
    return index ? static_cast<int>(*index) : -1;
}

void CMenuEx::setHighlighted(int index) {
    std::optional<std::size_t> entry;
    if (index >= 0) entry = static_cast<std::size_t>(index);
    if (tracker_.highlight(layout_, entry)) update();
}

void CMenuEx::Layout() {
    std::vector<controls::MenuEntryKind> kinds;
    kinds.reserve(entries_.size());
    for (const MenuEntry& entry : entries_) {
        kinds.push_back(entry.separator ? controls::MenuEntryKind::Separator
                                        : controls::MenuEntryKind::Item);
    }
    layout_ = controls::LayOutMenu(kinds);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        entries_[i].rect = edges(layout_.entries[i].rect);
    }
    // A new entry may have moved the highlighted one; start over rather than highlight
    // the wrong row.
    tracker_.highlight(layout_, std::nullopt);
    setFixedSize(layout_.width, layout_.height);
    update();
}

void CMenuEx::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintBackground(painter);
    painter.setFont(menuTextFont());
    const QFontMetrics metrics(menuTextFont());
    const int current = highlighted();
    for (int i = 0; i < static_cast<int>(entries_.size()); ++i) {
        const MenuEntry& entry = entries_[static_cast<std::size_t>(i)];
        if (entry.separator) {
            painter.fillRect(entry.rect, kSeparator);
            continue;
        }
        const bool lit = i == current;
        if (lit) painter.fillRect(entry.rect, kHighlightFill);
        const QRect textArea(entry.rect.left() + kTextLeft, entry.rect.top(),
                             kTextRight - kTextLeft, entry.rect.height());
        painter.setPen(lit ? kHighlightText : kNormalText);
        painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         metrics.elidedText(entry.text, Qt::ElideRight, textArea.width()));
        if (!entry.picture.isNull()) {
            const int x = entry.rect.left() + (kPictureColumn - entry.picture.width()) / 2;
            const int y = entry.rect.top() + (entry.rect.height() - entry.picture.height()) / 2;
            painter.drawImage(QPoint(x, y), entry.picture);
        }
    }
}

void CMenuEx::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (tracker_.move(layout_, at.x(), at.y())) update();
}

void CMenuEx::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (!rect().contains(at)) {
        // A click elsewhere closes a pop-up window; the base class does that.
        CWndPopup::mousePressEvent(event);
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    if (tracker_.press(layout_, at.x(), at.y())) update();
}

void CMenuEx::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    const bool wasLit = tracker_.highlighted().has_value();
    const auto chosen = tracker_.release(layout_, at.x(), at.y());
    if (wasLit != tracker_.highlighted().has_value()) update();
    if (chosen) choose(entries_[*chosen].value);
}

void CMenuEx::leaveEvent(QEvent*) {
    if (tracker_.leave()) update();
}

// ---------------------------------------------------------------------------------------
// CMenuExA

CMenuExA::CMenuExA(QStringList labels) : labels_(std::move(labels)) {}

QStringList CMenuExA::languageLabels() {
    QStringList labels;
    for (const LanguageRow& row : Languages()) {
        labels << fromUtf8(row.label);
    }
    return labels;
}

void CMenuExA::BuildEntries() {
    SetBackground(kBackgroundResource);
    for (int i = 0; i < kLanguageCount; ++i) {
        AddEntry(labels_.value(i), kFirstFlagResource + i, i + 1);
    }
}

}  // namespace x5k::ui
