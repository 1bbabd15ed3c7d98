#include "ui/CSkinScrollWnd.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QLayout>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

namespace x5k::ui {

using controls::ScrollCode;

CSkinScrollWnd::CSkinScrollWnd(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("SkinScrollBarFrame"));
    limit_ = new QWidget(this);
    limit_->setObjectName(QStringLiteral("LIMIT"));
    horizontal_ = new CSkinScrollBar(Qt::Horizontal, this);
    horizontal_->setObjectName(QStringLiteral("SkinScrollBar%1").arg(kHorizontalBarId));
    vertical_ = new CSkinScrollBar(Qt::Vertical, this);
    vertical_->setObjectName(QStringLiteral("SkinScrollBar%1").arg(kVerticalBarId));
    horizontal_->hide();
    vertical_->hide();
    connect(horizontal_, &CSkinScrollBar::scrollCommand, this,
            [this](int code, int position) { barCommand(Qt::Horizontal, code, position); });
    connect(vertical_, &CSkinScrollBar::scrollCommand, this,
            [this](int code, int position) { barCommand(Qt::Vertical, code, position); });
}

bool CSkinScrollWnd::Attach(QAbstractScrollArea* control, const QImage& skin) {
    if (control == nullptr || control_ != nullptr) return false;
    QWidget* owner = control->parentWidget();
    const QRect place = control->geometry();
    const bool wasShown = !control->isHidden();

    // The frame takes the control's place, in a layout as well as by rectangle.
    if (owner != nullptr && owner->layout() != nullptr) {
        delete owner->layout()->replaceWidget(control, this);
    } else {
        setParent(owner);
    }
    setGeometry(place);
    if (owner != nullptr) stackUnder(control);

    // The border moves from the control to the frame, so the bars sit inside it.
    setFrameShape(control->frameShape());
    setFrameShadow(control->frameShadow());
    setLineWidth(control->lineWidth());
    setMidLineWidth(control->midLineWidth());
    control->setFrameShape(QFrame::NoFrame);

    // The control's own bars are switched off: Qt's scroll areas then hide them but keep
    // their range, page and value up to date, which is all the skinned bars read. (The
    // system's list box instead was widened past a clipping window to push its bars out
    // of sight.) The bars the control had switched on decide which skinned bars show.
    showVertical_ = control->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
    showHorizontal_ = control->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
    control->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    control->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    control_ = control;
    control->setParent(limit_);
    control->move(0, 0);
    if (wasShown) control->show();
    horizontal_->SetSkin(skin);
    vertical_->SetSkin(skin);

    // The bars follow the control's scroll bars as they change, rather than polling them:
    // a range change may come before the page step it belongs to, so a second copy runs
    // once the control has finished laying out.
    for (QScrollBar* source : {control->verticalScrollBar(), control->horizontalScrollBar()}) {
        connect(source, &QScrollBar::rangeChanged, this, [this] {
            refreshBars();
            scheduleRefresh();
        });
        connect(source, &QScrollBar::valueChanged, this, [this] { refreshBars(); });
    }
    control->installEventFilter(this);

    layoutParts();
    refreshBars();
    scheduleRefresh();
    if (wasShown) show();
    return true;
}

void CSkinScrollWnd::layoutParts() {
    const QRect area = contentsRect();
    const int cell = vertical_->cellSize();
    const int barWidth = showVertical_ ? std::min(cell, area.width()) : 0;
    const int barHeight = showHorizontal_ ? std::min(cell, area.height()) : 0;
    const bool rightToLeft = control_ != nullptr && control_->isRightToLeft();
    const QRect inner(area.x() + (rightToLeft ? barWidth : 0), area.y(), area.width() - barWidth,
                      area.height() - barHeight);

    vertical_->setGeometry(rightToLeft ? area.x() : area.x() + area.width() - barWidth, area.y(),
                           barWidth, inner.height());
    horizontal_->setGeometry(inner.x(), area.y() + area.height() - barHeight, inner.width(),
                             barHeight);
    vertical_->setVisible(showVertical_);
    horizontal_->setVisible(showHorizontal_);
    limit_->setGeometry(inner);
    if (control_ != nullptr) control_->setGeometry(QRect(QPoint(0, 0), inner.size()));
}

void CSkinScrollWnd::copyInto(CSkinScrollBar* bar, const QScrollBar* source) {
    const controls::ScrollInfo info = controls::ScrollInfoFromSteps(
        source->minimum(), source->maximum(), source->pageStep(), source->value());
    bar->SetScrollInfo(info);
    bar->setEnabled(info.scrollable());
}

void CSkinScrollWnd::refreshBars() {
    if (control_ == nullptr) return;
    copyInto(vertical_, control_->verticalScrollBar());
    copyInto(horizontal_, control_->horizontalScrollBar());
}

void CSkinScrollWnd::scheduleRefresh() {
    if (refreshQueued_) return;
    refreshQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        refreshQueued_ = false;
        refreshBars();
    });
}

void CSkinScrollWnd::barCommand(Qt::Orientation orientation, int code, int position) {
    if (control_ == nullptr) return;
    QScrollBar* target = orientation == Qt::Vertical ? control_->verticalScrollBar()
                                                     : control_->horizontalScrollBar();
    // The control scrolls by its own line and page steps, as it would for its own bar.
    switch (static_cast<ScrollCode>(code)) {
        case ScrollCode::LineUp:
            target->triggerAction(QAbstractSlider::SliderSingleStepSub);
            break;
        case ScrollCode::LineDown:
            target->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            break;
        case ScrollCode::PageUp:
            target->triggerAction(QAbstractSlider::SliderPageStepSub);
            break;
        case ScrollCode::PageDown:
            target->triggerAction(QAbstractSlider::SliderPageStepAdd);
            break;
        case ScrollCode::ThumbTrack:
        case ScrollCode::ThumbPosition:
            target->setValue(position);
            break;
        case ScrollCode::Top:
            target->triggerAction(QAbstractSlider::SliderToMinimum);
            break;
        case ScrollCode::Bottom:
            target->triggerAction(QAbstractSlider::SliderToMaximum);
            break;
        case ScrollCode::EndScroll:
            break;
    }
    // While the thumb is dragged the bar shows its own track position.
    if (static_cast<ScrollCode>(code) != ScrollCode::ThumbTrack) refreshBars();
}

void CSkinScrollWnd::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    layoutParts();
    scheduleRefresh();
}

bool CSkinScrollWnd::eventFilter(QObject* watched, QEvent* event) {
    if (watched == control_) {
        switch (event->type()) {
            case QEvent::LayoutDirectionChange:
                layoutParts();
                break;
            case QEvent::Resize:
            case QEvent::Show:
                scheduleRefresh();
                break;
            default:
                break;
        }
    }
    return QFrame::eventFilter(watched, event);
}

}  // namespace x5k::ui
