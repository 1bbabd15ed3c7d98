// What screen readers and desktop test tools see of the owner-drawn controls: each
// control's name, role, state after a click or toggle, its default action, a slider's
// value and range, a list's rows and a menu's entries.

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QSignalSpy>
#include <QTest>

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "support/UiTest.h"
#include "ui/Accessibility.h"
#include "ui/CBitmapEdit.h"
#include "ui/CColorBtn.h"
#include "ui/CDlgInfo.h"
#include "ui/CDlgProgress.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/CIrrButton.h"
#include "ui/CListBoxEx.h"
#include "ui/CMenuEx.h"
#include "ui/CPngHProgressBar.h"
#include "ui/CPngHSliderBar.h"
#include "ui/CSkinScrollBar.h"
#include "ui/MenuExComponent.h"

using namespace x5k::ui;
using x5k::uitest::HandledMessage;
using x5k::uitest::RecordingWindow;
namespace msg = x5k::msg;

Q_DECLARE_METATYPE(std::vector<HandledMessage>)

namespace {

QAccessibleInterface* accessible(QObject* object) {
    QAccessibleInterface* found = QAccessible::queryAccessibleInterface(object);
    if (found == nullptr) qFatal("no accessible interface");
    return found;
}

// The default action, as a tool runs it.
QStringList actionsOf(QAccessibleInterface* control) {
    QAccessibleActionInterface* actions = control->actionInterface();
    return actions != nullptr ? actions->actionNames() : QStringList();
}
void runDefaultAction(QAccessibleInterface* control) {
    const QStringList names = actionsOf(control);
    if (!names.isEmpty()) control->actionInterface()->doAction(names.first());
}

// The slanted shape of the main window's tabs.
QPolygon slantedTab() {
    return QPolygon({QPoint(30, 85), QPoint(189, 85), QPoint(210, 121), QPoint(30, 121)});
}

struct ButtonCase {
    const char* row;
    // Builds the control on the page; its clicks (a region button's commands) are counted.
    std::function<QAbstractButton*(QWidget* page)> make;
    QString name;
    QString description;
    QAccessible::Role role;
    QString action;  // empty: none is offered
    int clicks;      // after the default action ran
    bool checked;    // after the default action ran
    bool selected;
};

CGDIBitmapBtn* pictureButton(QWidget* page) {
    return new CGDIBitmapBtn(page, QRect(10, 10, 40, 20));
}

const std::vector<ButtonCase>& buttonCases() {
    static const std::vector<ButtonCase> cases = {
        {"caption and tooltip",
         [](QWidget* page) {
             CGDIBitmapBtn* button = pictureButton(page);
             button->SetCaption(QStringLiteral("Browse"));
             button->SetTooltip(QStringLiteral("Choose a program"), true);
             return button;
         },
         "Browse", "Choose a program", QAccessible::PushButton,
         QAccessibleActionInterface::pressAction(), 1, false, false},
        {"tooltip only, inactive",
         [](QWidget* page) {
             CGDIBitmapBtn* button = pictureButton(page);
             button->SetTooltip(QStringLiteral("Reset statistics"), false);
             return button;
         },
         "Reset statistics", "", QAccessible::PushButton, QAccessibleActionInterface::pressAction(),
         1, false, false},
        {"an explicit name wins",
         [](QWidget* page) {
             CGDIBitmapBtn* button = pictureButton(page);
             button->SetCaption(QStringLiteral("x"));
             button->setAccessibleName(QStringLiteral("Close"));
             return button;
         },
         "Close", "", QAccessible::PushButton, QAccessibleActionInterface::pressAction(), 1, false,
         false},
        {"toggles on click: check box",
         [](QWidget* page) {
             CGDIBitmapBtn* button = pictureButton(page);
             button->SetCaption(QStringLiteral("Disable"));
             button->SetCheckMode(true, true);
             return button;
         },
         "Disable", "", QAccessible::CheckBox, QAccessibleActionInterface::toggleAction(), 1, true,
         false},
        {"checked by its page: radio button",
         [](QWidget* page) {
             CGDIBitmapBtn* button = pictureButton(page);
             button->SetCaption(QStringLiteral("Basic"));
             button->SetCheckMode(true, false);
             QObject::connect(button, &QAbstractButton::clicked, button,
                              [button] { button->SetChecked(true); });
             return button;
         },
         "Basic", "", QAccessible::RadioButton, QAccessibleActionInterface::pressAction(), 1, true,
         false},
        {"disabled: no action",
         [](QWidget* page) {
             CGDIBitmapBtn* button = pictureButton(page);
             button->SetCaption(QStringLiteral("Apply"));
             button->setEnabled(false);
             return button;
         },
         "Apply", "", QAccessible::PushButton, QString(), 0, false, false},
        {"region button",
         [](QWidget* page) { return new CIrrButton(page, QStringLiteral("Apply"), slantedTab()); },
         "Apply", "", QAccessible::PushButton, QAccessibleActionInterface::pressAction(), 1, false,
         false},
        {"region button as a page tab",
         [](QWidget* page) {
             auto* button = new CIrrButton(page, QStringLiteral("Lighting"), slantedTab());
             button->SetCheckMode(true);
             setAccessibleRole(button, QAccessible::PageTab);
             QObject::connect(button, &CIrrButton::commandPressed, button,
                              [button] { button->SetChecked(true); });
             return button;
         },
         "Lighting", "", QAccessible::PageTab, QAccessibleActionInterface::pressAction(), 1, true,
         true},
        {"colour swatch named by its colour",
         [](QWidget* page) {
             auto* swatch = new CColorBtn(page, QRect(10, 10, 16, 16));
             swatch->SetColour(0x0000FF);
             QObject::connect(swatch, &QAbstractButton::clicked, swatch,
                              [swatch] { swatch->SetSelected(true); });
             return swatch;
         },
         "#ff0000", "", QAccessible::PushButton, QAccessibleActionInterface::pressAction(), 1,
         false, true},
    };
    return cases;
}

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void buttons_data() {
        QTest::addColumn<int>("index");
        for (size_t i = 0; i < buttonCases().size(); ++i) {
            QTest::newRow(buttonCases()[i].row) << static_cast<int>(i);
        }
    }
    void buttons() {
        QFETCH(int, index);
        const ButtonCase& expected = buttonCases()[static_cast<size_t>(index)];
        RecordingWindow page;
        page.resize(300, 200);
        page.show();
        QAbstractButton* button = expected.make(&page);
        auto* region = qobject_cast<CIrrButton*>(button);
        QSignalSpy clicks(button,
                          region != nullptr ? SIGNAL(commandPressed()) : SIGNAL(clicked(bool)));
        QAccessibleInterface* control = accessible(button);

        QCOMPARE(control->text(QAccessible::Name), expected.name);
        QCOMPARE(control->text(QAccessible::Description), expected.description);
        QCOMPARE(control->role(), expected.role);
        QCOMPARE(control->state().disabled, !button->isEnabled());
        QVERIFY(!control->state().checked);
        QVERIFY(!control->state().selected);
        QVERIFY(!control->state().focusable);  // the pages are driven by the mouse
        QCOMPARE(actionsOf(control),
                 expected.action.isEmpty() ? QStringList() : QStringList{expected.action});

        runDefaultAction(control);
        QCOMPARE(clicks.count(), expected.clicks);
        QCOMPARE(control->state().checked, expected.checked);
        QCOMPARE(control->state().selected, expected.selected);
        QVERIFY(!control->state().pressed);
        // The pointer never was over the button: no hover look stays behind.
        QVERIFY(!control->state().hotTracked);
    }

    void pressReportsReachTheMacroPageAsFromTheMouse() {
        RecordingWindow page;
        page.show();
        CGDIBitmapBtn* button = pictureButton(&page);
        button->SetPressNotify(true);
        runDefaultAction(accessible(button));
        QCoreApplication::sendPostedEvents();
        const auto self = reinterpret_cast<intptr_t>(button);
        QCOMPARE(page.handled(),
                 (std::vector<HandledMessage>{{msg::kButtonPress, msg::kLeftButtonDown, self},
                                              {msg::kButtonPress, msg::kLeftButtonUp, self}}));
    }

    void sliderValueAndRange_data() {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("set");
        QTest::addColumn<int>("value");
        QTest::addColumn<std::vector<HandledMessage>>("posted");
        constexpr int id = 2561;
        QTest::newRow("inside") << true << 3 << 3
                                << std::vector<HandledMessage>{{msg::kSliderPosition, 3, id}};
        QTest::newRow("above the range")
            << true << 9 << 5 << std::vector<HandledMessage>{{msg::kSliderPosition, 5, id}};
        QTest::newRow("below the range")
            << true << -2 << 1 << std::vector<HandledMessage>{{msg::kSliderPosition, 1, id}};
        QTest::newRow("disabled") << false << 4 << 2 << std::vector<HandledMessage>{};
    }
    void sliderValueAndRange() {
        QFETCH(bool, enabled);
        QFETCH(int, set);
        QFETCH(int, value);
        QFETCH(std::vector<HandledMessage>, posted);
        RecordingWindow page;
        page.resize(300, 100);
        CPngHSliderBar slider;
        slider.Init(QStringLiteral("missing.png"), 10, 10, 210, 22, &page, 2561);
        slider.SetRange(1, 5);
        slider.SetPos(2);
        slider.setToolTip(QStringLiteral("Pointer speed"));
        slider.setEnabled(enabled);

        QAccessibleInterface* control = accessible(&slider);
        QCOMPARE(control->role(), QAccessible::Slider);
        QCOMPARE(control->text(QAccessible::Name), QStringLiteral("Pointer speed"));
        QCOMPARE(control->childCount(), 0);  // the thumb is part of the slider
        QAccessibleValueInterface* values = control->valueInterface();
        QVERIFY(values != nullptr);
        QCOMPARE(values->minimumValue().toInt(), 1);
        QCOMPARE(values->maximumValue().toInt(), 5);
        QCOMPARE(values->currentValue().toInt(), 2);
        values->setCurrentValue(set);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(slider.GetPos(), value);
        QCOMPARE(values->currentValue().toInt(), value);
        QCOMPARE(control->text(QAccessible::Value), QString::number(value));
        QCOMPARE(page.handled(), posted);
    }

    void progressBarShowsItsValueOnly() {
        RecordingWindow page;
        CPngHProgressBar bar(&page, QRect(0, 0, 100, 10), 7);
        bar.SetRange(0, 100);
        bar.SetPos(40);
        QAccessibleInterface* control = accessible(&bar);
        QCOMPARE(control->role(), QAccessible::ProgressBar);
        QVERIFY(control->state().readOnly);
        QAccessibleValueInterface* values = control->valueInterface();
        QVERIFY(values != nullptr);
        QCOMPARE(values->currentValue().toInt(), 40);
        QCOMPARE(values->maximumValue().toInt(), 100);
        values->setCurrentValue(90);
        QCOMPARE(bar.GetPos(), 40);
    }

    void listRowsAreItemsWithTheirSelection() {
        RecordingWindow page;
        CListBoxEx list(&page);
        list.resize(200, 100);
        list.AddItem(0, QStringLiteral("Macro 1"), 1);
        list.AddItem(2, QStringLiteral("A down"), 2);
        list.AddItem(4, QStringLiteral("Delay 50 ms"), 3);
        list.SetCurSel(1);
        list.setToolTip(QStringLiteral("Macro list"));

        QAccessibleInterface* control = accessible(&list);
        QCOMPARE(control->role(), QAccessible::List);
        QCOMPARE(control->text(QAccessible::Name), QStringLiteral("Macro list"));
        QStringList names;
        QList<bool> selected;
        for (int i = 0; i < control->childCount(); ++i) {
            QAccessibleInterface* row = control->child(i);
            if (row->role() != QAccessible::ListItem) continue;
            names << row->text(QAccessible::Name);
            selected << row->state().selected;
        }
        QCOMPARE(names, (QStringList{"Macro 1", "A down", "Delay 50 ms"}));
        QCOMPARE(selected, (QList<bool>{false, true, false}));
    }

    void tooltipNamesFollowUntilANameIsGiven_data() {
        QTest::addColumn<bool>("edit");
        QTest::newRow("edit") << true;
        QTest::newRow("list") << false;
    }
    void tooltipNamesFollowUntilANameIsGiven() {
        QFETCH(bool, edit);
        RecordingWindow page;
        std::unique_ptr<QWidget> control;
        if (edit) {
            control = std::make_unique<CBitmapEdit>(&page, QRect(0, 0, 80, 16));
        } else {
            control = std::make_unique<CListBoxEx>(&page);
        }
        QAccessibleInterface* shown = accessible(control.get());
        QCOMPARE(shown->role(), edit ? QAccessible::EditableText : QAccessible::List);
        control->setToolTip(QStringLiteral("Name"));
        QCOMPARE(shown->text(QAccessible::Name), QStringLiteral("Name"));
        control->setToolTip(QStringLiteral("Nom"));  // the language changed
        QCOMPARE(shown->text(QAccessible::Name), QStringLiteral("Nom"));
        control->setAccessibleName(QStringLiteral("Given"));
        control->setToolTip(QStringLiteral("Name"));
        QCOMPARE(shown->text(QAccessible::Name), QStringLiteral("Given"));
    }

    void popupMenusOfferTheirEntries_data() {
        QTest::addColumn<bool>("languageMenu");
        QTest::newRow("custom pop-up") << true;
        QTest::newRow("group menu") << false;
    }
    void popupMenusOfferTheirEntries() {
        QFETCH(bool, languageMenu);
        RecordingWindow owner;
        QPointer<QWidget> menu;
        QList<QAccessible::Role> roles;
        uint32_t result = 0;
        if (languageMenu) {
            auto* popup = new CMenuEx;
            popup->AddEntry(QStringLiteral("Chinese"), QImage(), 1);
            popup->AddSeparator();
            popup->AddEntry(QStringLiteral("English"), QImage(), 2);
            popup->Popup(&owner, 100, 100, msg::kSwitchLanguage);
            menu = popup;
            roles = {QAccessible::MenuItem, QAccessible::Separator, QAccessible::MenuItem};
            result = msg::kSwitchLanguage;
        } else {
            menu = new MenuExWindow(&owner, 24, {Qt::black, Qt::white, Qt::blue}, {},
                                    {{11, QStringLiteral("Chinese"), false},
                                     {12, QStringLiteral("Tactics"), true},
                                     {13, QStringLiteral("English"), false}});
            menu->show();
            roles = {QAccessible::MenuItem, QAccessible::MenuItem, QAccessible::MenuItem};
            result = msg::kMenuChoice;
        }
        QAccessibleInterface* shown = accessible(menu);
        QCOMPARE(shown->role(), QAccessible::PopupMenu);
        QCOMPARE(shown->childCount(), 3);
        QList<QAccessible::Role> seen;
        for (int i = 0; i < 3; ++i) {
            seen << shown->child(i)->role();
            QCOMPARE(shown->child(i), shown->child(i));  // the same item each time
            QCOMPARE(shown->indexOfChild(shown->child(i)), i);
            QCOMPARE(shown->child(i)->parent(), shown);
        }
        QCOMPARE(seen, roles);
        QCOMPARE(shown->child(2)->text(QAccessible::Name), QStringLiteral("English"));
        QCOMPARE(shown->child(1)->state().hasPopup, !languageMenu);
        QCOMPARE(
            actionsOf(shown->child(1)),
            languageMenu ? QStringList() : QStringList{QAccessibleActionInterface::pressAction()});
        const QPoint middle = shown->child(2)->rect().center();
        QCOMPARE(shown->childAt(middle.x(), middle.y()), shown->child(2));

        if (languageMenu) {
            static_cast<CMenuEx*>(menu.data())->setHighlighted(2);
        } else {
            static_cast<MenuExWindow*>(menu.data())->setHighlighted(2);
        }
        QVERIFY(shown->child(2)->state().selected);
        QVERIFY(!shown->child(0)->state().selected);
        QCOMPARE(shown->focusChild(), shown->child(2));

        runDefaultAction(shown->child(2));
        const intptr_t value = languageMenu ? 2 : 13;
        QVERIFY(!owner.handled().empty());
        QCOMPARE(owner.handled().front(), (HandledMessage{result, 0, value}));
        delete menu.data();
    }

    void theMessageBoxIsReadAsAnAlert_data() {
        QTest::addColumn<bool>("chinese");
        QTest::addColumn<QStringList>("names");  // the box, then OK, Cancel and close
        QTest::newRow("English") << false << QStringList{"Tips", "OK", "Cancel", "Close"};
        QTest::newRow("Chinese") << true << QStringList{"提示", "确定", "取消", "关闭"};
    }
    void theMessageBoxIsReadAsAnAlert() {
        QFETCH(bool, chinese);
        QFETCH(QStringList, names);
        CDlgInfo box;
        box.SetMessageText(QStringLiteral("The X5K gaming mouse is found."));
        box.SetWithCancel(true);
        box.SetChinese(chinese);
        box.Open();
        QAccessibleInterface* shown = accessible(&box);
        QCOMPARE(shown->role(), QAccessible::AlertMessage);
        QCOMPARE(shown->text(QAccessible::Description),
                 QStringLiteral("The X5K gaming mouse is found."));
        QStringList seen{shown->text(QAccessible::Name)};
        for (QObject* button : std::initializer_list<QObject*>{box.OkButton(), box.CancelButton(),
                                                               box.CloseButton()}) {
            seen << accessible(button)->text(QAccessible::Name);
        }
        QCOMPARE(seen, names);
        runDefaultAction(accessible(box.CancelButton()));
        QCOMPARE(box.Result(), std::optional<int>(2));
    }

    void theProgressDialogIsNamedByItsText() {
        CDlgProgress dialog;
        QAccessibleInterface* shown = accessible(&dialog);
        QCOMPARE(shown->role(), QAccessible::Dialog);
        const QString english = shown->text(QAccessible::Name);
        QVERIFY(!english.isEmpty());
        dialog.SetChinese(true);
        QVERIFY(shown->text(QAccessible::Name) != english);
    }

    void scrollBarAsksItsOwnerToScroll_data() {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("set");
        QTest::addColumn<QList<QList<int>>>("commands");
        QTest::newRow("inside") << true << 40 << QList<QList<int>>{{4, 40}, {8, 0}};
        // Ten of a hundred rows show: the last position is 90.
        QTest::newRow("past the end") << true << 200 << QList<QList<int>>{{4, 90}, {8, 0}};
        QTest::newRow("disabled") << false << 40 << QList<QList<int>>{};
    }
    void scrollBarAsksItsOwnerToScroll() {
        QFETCH(bool, enabled);
        QFETCH(int, set);
        QFETCH(QList<QList<int>>, commands);
        CSkinScrollBar bar(Qt::Vertical);
        bar.resize(18, 200);
        bar.SetScrollInfo({.min = 0, .max = 99, .page = 10, .pos = 5});
        bar.setEnabled(enabled);
        QSignalSpy spy(&bar, &CSkinScrollBar::scrollCommand);
        QAccessibleInterface* control = accessible(&bar);
        QCOMPARE(control->role(), QAccessible::ScrollBar);
        QAccessibleValueInterface* values = control->valueInterface();
        QCOMPARE(values->minimumValue().toInt(), 0);
        QCOMPARE(values->maximumValue().toInt(), 90);
        QCOMPARE(values->currentValue().toInt(), 5);
        values->setCurrentValue(set);
        QList<QList<int>> sent;
        for (const QList<QVariant>& command : spy)
            sent << QList<int>{command[0].toInt(), command[1].toInt()};
        QCOMPARE(sent, commands);
        // The bar never moves itself: its owner sets the new position.
        QCOMPARE(values->currentValue().toInt(), 5);
    }
};

X5K_UI_TEST_CLASS(AccessibilityTest);
#include "AccessibilityTest.moc"
