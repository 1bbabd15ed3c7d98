#include "ui/CXPMenu.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>

#include "ui/Skin.h"

namespace x5k::ui {
namespace {

const QColor kSelectedFill(177, 185, 207);
const QColor kSelectedText(0, 59, 145);
const QColor kFill(219, 216, 209);
const QColor kNormalText(0, 0, 0);
// The menu's outline; the system draws a plain dark frame around every pop-up menu.
const QColor kMenuFrame(128, 128, 128);

// Sizes every entry as the program measures it, whatever the desktop's style would ask.
class EntryStyle : public QProxyStyle {
public:
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        if (type == CT_MenuItem) {
            return QSize(CXPMenu::kItemWidth + CXPMenu::kCheckMarkWidth, CXPMenu::kItemHeight);
        }
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    }
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        switch (metric) {
            case PM_MenuPanelWidth:
                return 1;
            case PM_MenuHMargin:
            case PM_MenuVMargin:
            case PM_MenuDesktopFrameWidth:
                return 1;
            default:
                return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }
};

}  // namespace

CXPMenu::CXPMenu(QWidget* parent) : QMenu(parent), style_(std::make_unique<EntryStyle>()) {
    setStyle(style_.get());
    setFont(menuFont(14, 500));
    connect(this, &QMenu::triggered, this,
            [this](QAction* action) { emit commandChosen(commandOf(action)); });
}

CXPMenu::~CXPMenu() {
    // The widget does not own its style; hand it back to the application's before the
    // entry style goes.
    setStyle(nullptr);
}

QAction* CXPMenu::AddEntry(int command, int iconResource, const QString& text) {
    return AddEntry(command, loadResourceImage(iconResource), text);
}

QAction* CXPMenu::AddEntry(int command, const QImage& icon, const QString& text) {
    QAction* action = addAction(text);
    action->setData(command);
    items_.push_back({action, icon.isNull()
                                  ? QImage()
                                  : icon.scaled(kIconSize, kIconSize, Qt::IgnoreAspectRatio,
                                                Qt::SmoothTransformation)});
    return action;
}

int CXPMenu::Track(QPoint globalPosition) {
    return commandOf(exec(globalPosition));
}

int CXPMenu::commandOf(const QAction* action) {
    return action ? action->data().toInt() : 0;
}

void CXPMenu::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kFill);
    painter.setPen(kMenuFrame);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setFont(font());
    const QFontMetrics metrics(font());
    for (const Item& item : items_) {
        if (!item.action->isVisible()) continue;
        const QRect entry = actionGeometry(item.action);
        if (!entry.isValid()) continue;
        const bool selected = activeAction() == item.action && item.action->isEnabled();
        if (selected) {
            painter.setPen(kSelectedText);
            painter.setBrush(kSelectedFill);
            painter.drawRect(entry.adjusted(0, 0, -1, -1));
            painter.setBrush(Qt::NoBrush);
        } else {
            painter.fillRect(entry, kFill);
        }
        if (!item.icon.isNull()) {
            const int x = entry.left() + (kIconColumn - kIconSize) / 2;
            const int y = entry.top() + (entry.height() - kIconSize) / 2;
            painter.drawImage(QPoint(x, y), item.icon);
        }
        const QRect textArea(entry.left() + kIconColumn + kTextGap, entry.top(),
                             entry.width() - kIconColumn - kTextGap, entry.height());
        painter.setPen(selected ? kSelectedText : kNormalText);
        painter.drawText(textArea, Qt::AlignCenter | Qt::TextSingleLine,
                         metrics.elidedText(item.action->text(), Qt::ElideRight, textArea.width()));
    }
}

}  // namespace x5k::ui
