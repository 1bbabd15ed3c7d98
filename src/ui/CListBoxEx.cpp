#include "ui/CListBoxEx.h"

#include <QAbstractItemModel>
#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>

#include "controls/ListRows.h"
#include "platform/WindowMessages.h"
#include "ui/Accessibility.h"
#include "ui/MessageWindow.h"
#include "ui/Skin.h"

namespace x5k::ui {
namespace {

constexpr int kValueRole = Qt::UserRole;
constexpr int kFontPixels = 14;
constexpr int kFontWeight = 400;

// Paints the rows as the system's owner-drawn list box did: a solid fill, the kind icon
// at (5, 1) and the single-line text, vertically centred and cut with an ellipsis.
class RowDelegate : public QStyledItemDelegate {
public:
    explicit RowDelegate(CListBoxEx* list) : QStyledItemDelegate(list), list_(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QRect row = option.rect;
        const bool selected = (option.state & QStyle::State_Selected) != 0;
        const bool enabled = (option.state & QStyle::State_Enabled) != 0;
        painter->save();
        painter->fillRect(row, selected ? list_->selectionColour() : list_->backgroundColour());

        const uint32_t value = index.data(kValueRole).toUInt();
        const int kind = list_->showsIcons() ? controls::RowKind(value) : controls::kRowPlain;
        const QPixmap icon = list_->rowIcon(kind, selected);
        if (!icon.isNull()) {
            painter->drawPixmap(
                QRect(row.left() + controls::kRowIconLeft, row.top() + controls::kRowIconTop,
                      controls::kRowIconSize, controls::kRowIconSize),
                icon);
        }

        const int textLeft = row.left() + controls::RowTextLeft(kind, list_->showsIcons());
        const QRect textRect(textLeft, row.top(), std::max(row.right() + 1 - textLeft, 0),
                             row.height());
        QColor colour = selected ? list_->selectedTextColour() : list_->textColour();
        if (!enabled) colour = list_->palette().color(QPalette::Active, QPalette::Dark);
        painter->setPen(colour);
        painter->setFont(list_->font());
        const QString text = QFontMetrics(list_->font())
                                 .elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight,
                                             textRect.width());
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return QSize(option.rect.width(), list_->itemHeight());
    }

private:
    CListBoxEx* list_;
};

}  // namespace

// Marks selection changes made by the program itself, which notify nobody: the system's
// list box reports only the user's changes.
class CListBoxEx::Quiet {
public:
    explicit Quiet(CListBoxEx* list) : list_(list) { ++list_->quiet_; }
    ~Quiet() { --list_->quiet_; }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

private:
    CListBoxEx* list_;
};

CListBoxEx::CListBoxEx(QWidget* parent) : QListWidget(parent) {
    nameFromTooltip(this);
    const QPalette& colours = palette();
    text_ = colours.color(QPalette::Active, QPalette::WindowText);
    selectedText_ = colours.color(QPalette::Active, QPalette::HighlightedText);
    selection_ = colours.color(QPalette::Active, QPalette::Highlight);
    setFont(dialogFont(kFontPixels, kFontWeight));
    setItemDelegate(new RowDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    // Rows end in an ellipsis; the list never scrolls sideways.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMouseTracking(true);

    connections_.push_back(
        connect(this, &QListWidget::itemSelectionChanged, this, &CListBoxEx::onSelectionChanged));
    connections_.push_back(
        connect(model(), &QAbstractItemModel::rowsAboutToBeRemoved, this,
                [this](const QModelIndex&, int first, int last) { rowsRemoving(first, last); }));
    connections_.push_back(
        connect(model(), &QAbstractItemModel::rowsInserted, this,
                [this](const QModelIndex&, int first, int last) { rowsAdded(first, last); }));
    connections_.push_back(
        connect(model(), &QAbstractItemModel::modelAboutToBeReset, this, [this] { cancelEdit(); }));
}

CListBoxEx::~CListBoxEx() {
    // The base class empties the model after this destructor ran; nothing of this class
    // may run then, and an open editor must not commit into a list being destroyed.
    for (const QMetaObject::Connection& connection : connections_) disconnect(connection);
    if (editor_ != nullptr) editor_->removeEventFilter(this);
    editor_ = nullptr;
}

int CListBoxEx::AddItem(int kind, const QString& text, uint32_t value, bool editNow) {
    const int row = InsertItem(-1, kind, text, value);
    showIcons_ = kind != controls::kRowPlain;
    if (editNow) EditItem(row);
    return row;
}

int CListBoxEx::InsertItem(int index, int kind, const QString& text, uint32_t value) {
    const int row = index < 0 || index > count() ? count() : index;
    auto* item = new QListWidgetItem(text);
    item->setData(kValueRole, controls::RowItemValue(kind, value));
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    {
        Quiet quiet(this);
        insertItem(row, item);
    }
    selectQuietly(row);
    scrollToItem(item);
    return row;
}

int CListBoxEx::ReplaceItem(int index, int kind, const QString& text, uint32_t value) {
    if (index < 0 || index >= count()) return -1;
    {
        Quiet quiet(this);
        delete takeItem(index);
    }
    return InsertItem(index, kind, text, value);
}

int CListBoxEx::DeleteItem(int index) {
    if (index < 0 || index >= count()) return -1;
    Quiet quiet(this);
    delete takeItem(index);
    return count();
}

int CListBoxEx::GetCurSel() const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

bool CListBoxEx::SetCurSel(int index) {
    if (index < -1 || index >= count()) return false;
    selectQuietly(index);
    if (index >= 0) scrollToItem(item(index));
    return true;
}

void CListBoxEx::selectQuietly(int row) {
    Quiet quiet(this);
    if (row < 0) {
        clearSelection();
        return;
    }
    setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

uint32_t CListBoxEx::GetItemData(int index) const {
    const QListWidgetItem* row = item(index);
    return row == nullptr ? kNoItem : row->data(kValueRole).toUInt();
}

QString CListBoxEx::GetText(int index) const {
    const QListWidgetItem* row = item(index);
    return row == nullptr ? QString() : row->text();
}

void CListBoxEx::SetColours(const QColor& background, const QColor& selection) {
    background_ = background;
    selection_ = selection;
    // The space below the last row shows the same background.
    QPalette colours = palette();
    colours.setColor(QPalette::Base, background);
    setPalette(colours);
    viewport()->update();
}

void CListBoxEx::SetTextColours(const QColor& text, const QColor& selectedText) {
    text_ = text;
    selectedText_ = selectedText;
    viewport()->update();
}

void CListBoxEx::SetItemHeight(int pixels) {
    itemHeight_ = std::max(pixels, 1);
    scheduleDelayedItemsLayout();
    viewport()->update();
}

void CListBoxEx::SetNotifyTarget(QWidget* target) {
    notifyTarget_ = target;
}

QColor CListBoxEx::backgroundColour() const {
    // Without a background of its own the list shows the colour of inactive borders,
    // the window colour here.
    return background_.isValid() ? background_
                                 : palette().color(QPalette::Active, QPalette::Window);
}

QPixmap CListBoxEx::rowIcon(int kind, bool selected) const {
    const std::string_view file = controls::RowIconFile(kind, selected);
    if (file.empty()) return {};
    const QString name = QString::fromLatin1(file.data(), static_cast<qsizetype>(file.size()));
    const auto cached = icons_.constFind(name);
    if (cached != icons_.constEnd()) return *cached;
    // Read once; a missing picture stays missing (a null entry) until the list goes away.
    const QPixmap icon = loadSkin(name);
    icons_.insert(name, icon);
    return icon;
}

MessageWindow* CListBoxEx::ownerWindow() const {
    // The skinned scroll-bar frame puts the list inside windows of its own, so the
    // window that owns the list is the nearest message window above it.
    for (QWidget* widget = parentWidget(); widget != nullptr; widget = widget->parentWidget()) {
        if (auto* window = qobject_cast<MessageWindow*>(widget)) return window;
    }
    return nullptr;
}

MessageWindow* CListBoxEx::notifyWindow() const {
    return qobject_cast<MessageWindow*>(notifyTarget_.data());
}

void CListBoxEx::onSelectionChanged() {
    if (quiet_ > 0) return;
    const int row = GetCurSel();
    if (row < 0) return;
    MessageWindow* target = notifyWindow();
    if (target == nullptr) target = ownerWindow();
    if (target != nullptr) {
        target->post(msg::kListSelectionChanged, static_cast<uintptr_t>(controlId_), row);
    }
}

void CListBoxEx::mousePressEvent(QMouseEvent* event) {
    // As the system's list box: only the left button selects, and a press below the last
    // row keeps the selection.
    if (event->button() != Qt::LeftButton || itemAt(event->position().toPoint()) == nullptr) {
        setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    QListWidget::mousePressEvent(event);
}

void CListBoxEx::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    if (!editingAllowed_ || event->button() != Qt::LeftButton) return;
    const QListWidgetItem* target = itemAt(event->position().toPoint());
    if (target != nullptr) EditItem(row(target));
}

bool CListBoxEx::EditItem(int index) {
    if (index < 0 || index >= count()) return false;
    // Closing an open editor keeps its text, as losing the focus to the new one would.
    commitEdit();
    // The commit posts nothing that changes rows, so the index still names the row.
    QListWidgetItem* target = item(index);
    scrollToItem(target);

    auto* field = new QLineEdit(viewport());
    field->setFont(font());
    field->setFrame(true);
    // The editor takes the list's own colours, so a dark list gets a readable editor.
    QPalette colours = field->palette();
    colours.setColor(QPalette::Base, backgroundColour());
    colours.setColor(QPalette::Text, text_);
    colours.setColor(QPalette::Highlight, selection_);
    colours.setColor(QPalette::HighlightedText, selectedText_);
    field->setPalette(colours);
    // At most 20 characters can be typed; a longer name already on the row is shown whole
    // rather than cut, so taking it back unchanged loses nothing.
    field->setMaxLength(std::max<int>(controls::kRowEditMaxLength, target->text().size()));
    field->setText(target->text());
    field->setGeometry(visualItemRect(target));
    field->selectAll();
    field->installEventFilter(this);
    editor_ = field;
    editRow_ = index;
    field->show();
    field->setFocus(Qt::OtherFocusReason);
    return true;
}

QString CListBoxEx::dropEditor() {
    QLineEdit* field = editor_;
    editor_ = nullptr;
    editRow_ = -1;
    if (field == nullptr) return {};
    const QString text = field->text();
    // Forget the editor before hiding it: hiding takes its focus away, and that loss must
    // not commit a second time.
    field->removeEventFilter(this);
    const bool hadFocus = field->hasFocus();
    field->hide();
    field->deleteLater();
    if (hadFocus && isVisible()) setFocus(Qt::OtherFocusReason);
    return text;
}

void CListBoxEx::commitEdit() {
    if (editor_ == nullptr) return;
    const int row = editRow_;
    const QString text = dropEditor();
    QListWidgetItem* target = item(row);
    if (target == nullptr) return;
    target->setText(text);  // the item value stays as it was
    selectQuietly(row);
    viewport()->update();
    MessageWindow* window = ownerWindow();
    if (window == nullptr) window = notifyWindow();
    if (window != nullptr) {
        window->post(msg::kListEditEnded, static_cast<uintptr_t>(controlId_), row);
    }
}

void CListBoxEx::cancelEdit() {
    if (editor_ == nullptr) return;
    const int row = editRow_;
    dropEditor();
    if (row >= 0 && row < count()) selectQuietly(row);
    viewport()->update();
}

void CListBoxEx::rowsRemoving(int first, int last) {
    if (editor_ == nullptr) return;
    if (editRow_ >= first && editRow_ <= last) {
        // The row being renamed goes away: its editor closes with nothing to keep.
        dropEditor();
    } else if (editRow_ > last) {
        editRow_ -= last - first + 1;
    }
}

void CListBoxEx::rowsAdded(int first, int last) {
    if (editor_ != nullptr && editRow_ >= first) editRow_ += last - first + 1;
}

bool CListBoxEx::eventFilter(QObject* watched, QEvent* event) {
    if (watched != editor_ || editor_ == nullptr) return QListWidget::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Space) {
                // The pages swallow Space so that no button is pressed from the keyboard;
                // in a name it is a character, so the editor takes it directly, past the
                // page's filter.
                static_cast<QObject*>(editor_.data())->event(event);
                return true;
            }
            const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
            if (!enter && key != Qt::Key_Escape) break;
            // The editor acts when the key is released; the press is kept from the page,
            // which would otherwise take Enter or Escape for itself.
            if (event->type() == QEvent::KeyRelease) {
                if (enter) {
                    commitEdit();
                } else {
                    cancelEdit();
                }
            }
            return true;
        }
        case QEvent::FocusOut:
            // The editor's own context menu takes the focus for a moment only.
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) commitEdit();
            break;
        default:
            break;
    }
    return QListWidget::eventFilter(watched, event);
}

}  // namespace x5k::ui
