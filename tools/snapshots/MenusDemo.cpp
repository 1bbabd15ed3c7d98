// The program's menus, open: the language pop-up with the third language highlighted, the
// notification icon's menu with "Exit" selected, and the macro page's group menu with a
// group under the pointer. The pop-ups are top-level windows, so each is drawn into a
// picture and laid out on one dark board.

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QWidget>

#include <array>
#include <memory>
#include <utility>
#include <vector>

#include "Demos.h"
#include "controls/MenuLayout.h"
#include "ui/CMenuEx.h"
#include "ui/CXPMenu.h"
#include "ui/MenuExComponent.h"
#include "ui/Skin.h"

namespace {

using x5k::snapshots::Language;

const QColor kAnthracite(0x29, 0x2b, 0x2f);

struct Shot {
    QString caption;
    QImage picture;
};

class Board : public QWidget {
public:
    explicit Board(std::vector<Shot> shots) : shots_(std::move(shots)) {
        int width = kMargin;
        int height = 0;
        for (const Shot& shot : shots_) {
            width += shot.picture.width() + kMargin;
            height = std::max(height, shot.picture.height());
        }
        setFixedSize(width, height + kCaption + 2 * kMargin);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), kAnthracite);
        painter.setFont(x5k::ui::dialogFont(12, 400));
        painter.setPen(QColor(200, 200, 200));
        int x = kMargin;
        for (const Shot& shot : shots_) {
            painter.drawText(QRect(x, kMargin, shot.picture.width() + kMargin, kCaption),
                             Qt::AlignLeft | Qt::AlignVCenter, shot.caption);
            painter.drawImage(QPoint(x, kMargin + kCaption), shot.picture);
            x += shot.picture.width() + kMargin;
        }
    }

private:
    static constexpr int kMargin = 20;
    static constexpr int kCaption = 20;
    std::vector<Shot> shots_;
};

// A flag-like picture of three stripes, for when the program's flags are not painted yet.
QImage syntheticFlag(int index) {
    static const std::array<std::array<QColor, 3>, 12> stripes = {{
        {QColor(222, 41, 16), QColor(255, 222, 0), QColor(222, 41, 16)},
        {QColor(1, 33, 105), QColor(255, 255, 255), QColor(200, 16, 46)},
        {QColor(0, 35, 149), QColor(255, 255, 255), QColor(237, 41, 57)},
        {QColor(255, 255, 255), QColor(205, 46, 58), QColor(0, 71, 160)},
        {QColor(0, 0, 0), QColor(221, 0, 0), QColor(255, 206, 0)},
        {QColor(0, 146, 70), QColor(255, 255, 255), QColor(206, 43, 55)},
        {QColor(170, 21, 27), QColor(241, 191, 0), QColor(170, 21, 27)},
        {QColor(174, 28, 40), QColor(255, 255, 255), QColor(33, 70, 139)},
        {QColor(0, 102, 0), QColor(255, 255, 0), QColor(255, 0, 0)},
        {QColor(255, 255, 255), QColor(0, 57, 166), QColor(213, 43, 30)},
        {QColor(0, 87, 183), QColor(0, 87, 183), QColor(255, 215, 0)},
        {QColor(254, 0, 0), QColor(0, 0, 149), QColor(254, 0, 0)},
    }};
    QImage flag(19, 11, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&flag);
    const auto& colours = stripes[static_cast<std::size_t>(index)];
    for (int i = 0; i < 3; ++i) {
        painter.fillRect(QRect(0, i * 11 / 3, 19, (i + 1) * 11 / 3 - i * 11 / 3 + 1), colours[i]);
    }
    return flag;
}

QImage languageMenu() {
    const QStringList labels = x5k::ui::CMenuExA::languageLabels();
    std::unique_ptr<x5k::ui::CMenuEx> menu;
    if (!x5k::ui::loadResourceImage(x5k::ui::CMenuExA::kFirstFlagResource).isNull()) {
        menu = std::make_unique<x5k::ui::CMenuExA>(labels);
    } else {
        menu = std::make_unique<x5k::ui::CMenuEx>();
        menu->SetBackground(x5k::ui::CMenuExA::kBackgroundResource);
        for (int i = 0; i < labels.size(); ++i) menu->AddEntry(labels[i], syntheticFlag(i), i + 1);
    }
    menu->Prepare();
    menu->setHighlighted(2);
    return menu->renderImage();
}

QImage groupMenu(bool chinese) {
    const x5k::controls::MenuItemArray groups = x5k::controls::BuildMacroGroupMenu(chinese);
    std::array<QString, 8> paths;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        paths[i] = x5k::ui::skinPath(QString::fromLatin1(x5k::ui::kGroupMenuSkins[i]));
    }
    x5k::ui::MenuExWindow* menu = x5k::ui::CreateMenuEx(
        nullptr, 24, QPoint(0, 0), 0x676153, 0xFFFFFF, 0xB98C15, paths[0], paths[1], paths[2],
        paths[3], paths[4], paths[5], paths[6], paths[7], groups.items.data(), groups.count);
    if (!menu) return {};
    menu->setHighlighted(4);
    const QImage picture = menu->grab().toImage();
    x5k::ui::DestroyMenuEx();
    return picture;
}

X5K_SNAPSHOT_DEMO("menus", [](Language language) -> std::unique_ptr<QWidget> {
    const bool chinese = language == Language::Chinese;
    std::vector<Shot> shots = {
        {QStringLiteral("Language menu"), languageMenu()},
        {QStringLiteral("Tray menu"), x5k::snapshots::TrayMenuPicture(1)},
        {QStringLiteral("Group menu"), groupMenu(chinese)},
    };
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return std::make_unique<Board>(std::move(shots));
});

}  // namespace

namespace x5k::snapshots {

QImage TrayMenuPicture(int selected) {
    ui::CXPMenu menu;
    menu.AddEntry(0x6000, 1012, QStringLiteral("Config"));
    menu.AddEntry(0x6001, 1011, QStringLiteral("Exit"));
    menu.popup(QPoint(0, 0));
    menu.setActiveAction(menu.actions().at(selected));
    const QImage picture = menu.grab().toImage();
    menu.close();
    return picture;
}

}  // namespace x5k::snapshots
