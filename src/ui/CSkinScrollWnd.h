#pragma once
// The wrapper that gives a scrollable control skinned scroll bars. Attach() puts a frame
// ("SkinScrollBarFrame") at the control's place, moves the control into its clipping
// area ("LIMIT") and lays the skinned bars where the control's own bars would be: the
// vertical one at the right edge (the left one in right-to-left layouts), the horizontal
// one along the bottom, each one cell of the skin wide. The bars follow the control's
// scroll positions, and their commands scroll the control.

#include <QFrame>
#include <QImage>
#include <QPointer>

#include "ui/CSkinScrollBar.h"

class QAbstractScrollArea;
class QScrollBar;

namespace x5k::ui {

class CSkinScrollWnd : public QFrame {
    Q_OBJECT

public:
    static constexpr int kHorizontalBarId = 100;
    static constexpr int kVerticalBarId = 101;
    static constexpr int kLimitId = 200;

    explicit CSkinScrollWnd(QWidget* parent = nullptr);

    // Wraps the control: the frame takes the control's parent, rectangle and border, and
    // the control fills the area beside the bars. A bar is shown when the control had
    // its bar switched on (always or as needed) and is enabled only while there is
    // something to scroll. Returns false for no control or a second attach.
    bool Attach(QAbstractScrollArea* control, const QImage& skin);

    QAbstractScrollArea* control() const { return control_; }
    QWidget* limit() const { return limit_; }
    CSkinScrollBar* verticalBar() const { return vertical_; }
    CSkinScrollBar* horizontalBar() const { return horizontal_; }

    // Copies the control's scroll positions into the bars and enables each bar only when
    // there is something to scroll.
    void refreshBars();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layoutParts();
    void scheduleRefresh();
    void barCommand(Qt::Orientation orientation, int code, int position);
    static void copyInto(CSkinScrollBar* bar, const QScrollBar* source);

    QPointer<QAbstractScrollArea> control_;
    QWidget* limit_ = nullptr;
    CSkinScrollBar* horizontal_ = nullptr;
    CSkinScrollBar* vertical_ = nullptr;
    bool showVertical_ = false;
    bool showHorizontal_ = false;
    bool refreshQueued_ = false;
};

}  // namespace x5k::ui
