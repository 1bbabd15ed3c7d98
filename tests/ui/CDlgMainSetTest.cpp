// The main settings page in the running main window, on the emulated mouse: its controls
// edit the working profile, Apply carries that to the mouse and the profile file, a
// damaged profile is shown as far as it can be and left alone until the user changes
// something, the lines box is brought into range, the tabs open the pop-up and store what
// it gives, and the pointer over a tab lights the tab's indicator.

#include <QAccessible>
#include <QList>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>

#include <array>
#include <optional>
#include <string>

#include "functions/Assignment.h"
#include "localisation/Localisation.h"
#include "pages/mainset/CDlgMainSet.h"
#include "support/DriverRig.h"
#include "ui/CBitmapEdit.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/CIrrButton.h"
#include "ui/CPngHSliderBar.h"

using namespace x5k;
using namespace x5k::uitest;

namespace {

using Dpi = QList<int>;

pages::CDlgMainSet* Page(Rig& rig) {
    return rig.window->settingsPage();
}

// Clicks the page's control of that layout name; "name*N" clicks it N times.
void Click(pages::CDlgMainSet* page, const QString& what) {
    const QStringList parts = what.split(QLatin1Char('*'));
    const std::string name = parts[0].toStdString();
    const int times = parts.size() > 1 ? parts[1].toInt() : 1;
    QAbstractButton* button = nullptr;
    if (name.starts_with("dpi")) button = page->resolutionBox(name.back() - '0');
    if (name == "rate125") button = page->rateRadio(0);
    if (name == "rate500") button = page->rateRadio(1);
    if (name == "rate1000") button = page->rateRadio(2);
    if (name == "precision") button = page->precisionBox();
    if (name == "lines") button = page->linesRadio();
    if (name == "screen") button = page->screenRadio();
    if (name == "lines.up") button = page->linesUp();
    if (name == "lines.down") button = page->linesDown();
    QVERIFY2(button, name.c_str());
    for (int i = 0; i < times; ++i) button->click();
}

Dpi DpiList(const ProfileImage& profile) {
    Dpi list;
    for (int slot = 0; slot < profile::kResolutionSlots; ++slot) {
        list << profile.get(profile::Resolution(slot));
    }
    return list;
}

void SetDpiList(ProfileImage& profile, const Dpi& list) {
    for (int slot = 0; slot < profile::kResolutionSlots; ++slot) {
        profile.set(profile::Resolution(slot), slot < list.size() ? list[slot] : 0);
    }
}

QList<bool> BoxesShown(pages::CDlgMainSet* page) {
    QList<bool> boxes;
    for (int box = 0; box < 8; ++box) boxes << page->resolutionBox(box)->IsChecked();
    return boxes;
}

}  // namespace

class CDlgMainSetTest : public QObject {
    Q_OBJECT

private slots:
    void theControlsEditTheWorkingProfile_data() {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<Dpi>("dpi");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("precision");
        const Dpi shipped{750, 1000, 1500, 2000, 3000, 0, 0, 0};
        QTest::newRow("nothing") << QStringList{} << shipped << 1 << 3 << 0;
        QTest::newRow("five on: a box that is off stays off")
            << QStringList{"dpi0"} << shipped << 1 << 3 << 0;
        QTest::newRow("3000 off, 750 off, 3000 on: box order")
            << QStringList{"dpi7", "dpi1", "dpi7"} << Dpi{1000, 1500, 2000, 3000, 0, 0, 0, 0} << 1
            << 3 << 0;
        QTest::newRow("the last box on stays on")
            << QStringList{"dpi1", "dpi2", "dpi4", "dpi6", "dpi7", "dpi7"}
            << Dpi{3000, 0, 0, 0, 0, 0, 0, 0} << 1 << 3 << 0;
        QTest::newRow("500") << QStringList{"rate500"} << shipped << 2 << 3 << 0;
        QTest::newRow("125, then by screen")
            << QStringList{"rate125", "screen"} << shipped << 8 << -1 << 0;
        QTest::newRow("by screen and back to lines")
            << QStringList{"screen", "lines"} << shipped << 1 << 3 << 0;
        QTest::newRow("steps") << QStringList{"lines.up*2", "lines.down"} << shipped << 1 << 4 << 0;
        QTest::newRow("no step above 30") << QStringList{"lines.up*40"} << shipped << 1 << 30 << 0;
        QTest::newRow("no step below 1") << QStringList{"lines.down*5"} << shipped << 1 << 1 << 0;
        QTest::newRow("precision") << QStringList{"precision"} << shipped << 1 << 3 << 1;
        QTest::newRow("precision twice") << QStringList{"precision*2"} << shipped << 1 << 3 << 0;
    }
    void theControlsEditTheWorkingProfile() {
        QFETCH(QStringList, clicks);
        QFETCH(Dpi, dpi);
        QFETCH(int, rate);
        QFETCH(int, lines);
        QFETCH(int, precision);
        Rig rig;
        pages::CDlgMainSet* page = Page(rig);
        QVERIFY(page->built());
        for (const QString& click : clicks) Click(page, click);
        const ProfileImage& profile = rig.window->store().image();
        QCOMPARE(DpiList(profile), dpi);
        QCOMPARE(profile.get(profile::kReportRate), rate);
        QCOMPARE(profile.get(profile::kScrollLines), lines);
        QCOMPARE(profile.get(profile::kPrecision), precision);
        // What the page shows is what the profile holds.
        for (int box = 0; box < 8; ++box) {
            const int value = std::array{500, 750, 1000, 1250, 1500, 1750, 2000, 3000}[box];
            QCOMPARE(page->resolutionBox(box)->IsChecked(), dpi.contains(value));
        }
        QCOMPARE(page->linesEdit()->isEnabled(), lines != -1);
        QCOMPARE(page->screenRadio()->IsChecked(), lines == -1);
        if (lines != -1) QCOMPARE(page->linesEdit()->text(), QString::number(lines));
        // Nothing is sent or saved before Apply.
        QVERIFY(rig.mouse.reports().empty());
    }

    void theSlidersStoreTheirPositions() {
        Rig rig;
        pages::CDlgMainSet* page = Page(rig);
        page->speedSlider()->setPosFromUser(17);
        page->heightSlider()->setPosFromUser(40);  // beyond the track: its end
        QCOMPARE(rig.window->store().image().get(profile::kPointerSpeed), 17);
        QCOMPARE(rig.window->store().image().get(profile::kSensorHeight), 30);
    }

    void applyCarriesThePageToTheMouseAndTheProfileFile() {
        Rig rig;
        pages::CDlgMainSet* page = Page(rig);
        for (const char* click : {"dpi7", "dpi1", "dpi7", "rate500"}) Click(page, click);
        rig.window->onApply();
        QTRY_VERIFY(rig.window->idle());
        const MouseState mouse = rig.mouse.state();
        QCOMPARE(mouse.reportRate, uint8_t{2});
        // 1000, 1500, 2000 and 3000 DPI, then unused levels.
        QCOMPARE(mouse.resolutionTable[0], uint8_t{0x04});
        QCOMPARE(mouse.resolutionTable[3], uint8_t{0x0C});
        QCOMPARE(mouse.resolutionTable[4], kUnusedResolution);
        ProfileImage saved;
        QTRY_COMPARE(rig.files.readInto(rig.dataFile("Profile/Profile1.cfg"), saved.bytes()),
                     FileError::None);
        QTRY_COMPARE(DpiList(saved), (Dpi{1000, 1500, 2000, 3000, 0, 0, 0, 0}));
        QCOMPARE(saved.get(profile::kReportRate), 2);
    }

    void aDamagedProfileShowsWhatItCanAndStaysUntilAClick_data() {
        QTest::addColumn<Dpi>("stored");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QList<bool>>("boxes");
        QTest::addColumn<int>("rateRadio");  // -1 none
        QTest::addColumn<QString>("linesShown");
        QTest::addColumn<Dpi>("afterClickOn500");
        const QList<bool> none(8, false);
        QTest::newRow("all zero") << Dpi{} << 1 << 3 << none << 2 << "3"
                                  << Dpi{500, 0, 0, 0, 0, 0, 0, 0};
        QTest::newRow("values no box stands for")
            << Dpi{600, 1000, 5000} << 2 << 3
            << QList<bool>{false, false, true, false, false, false, false, false} << 1 << "3"
            << Dpi{500, 1000, 0, 0, 0, 0, 0, 0};
        QTest::newRow("more than five levels")
            << Dpi{500, 750, 1000, 1250, 1500, 1750, 2000, 3000} << 8 << 3
            << QList<bool>{true, true, true, true, true, false, false, false} << 0 << "3"
            << Dpi{750, 1000, 1250, 1500, 0, 0, 0, 0};
        QTest::newRow("rate 4, lines 45")
            << Dpi{750} << 4 << 45
            << QList<bool>{false, true, false, false, false, false, false, false} << -1 << "30"
            << Dpi{500, 750, 0, 0, 0, 0, 0, 0};
        QTest::newRow("lines 0") << Dpi{750} << 1 << 0 << QList<bool>{false, true,  false, false,
                                                                      false, false, false, false}
                                 << 2 << "1" << Dpi{500, 750, 0, 0, 0, 0, 0, 0};
    }
    void aDamagedProfileShowsWhatItCanAndStaysUntilAClick() {
        QFETCH(Dpi, stored);
        QFETCH(int, rate);
        QFETCH(int, lines);
        QFETCH(QList<bool>, boxes);
        QFETCH(int, rateRadio);
        QFETCH(QString, linesShown);
        QFETCH(Dpi, afterClickOn500);
        Rig rig;
        pages::CDlgMainSet* page = Page(rig);
        ProfileImage& profile = rig.window->store().image();
        SetDpiList(profile, stored);
        profile.set(profile::kReportRate, rate);
        profile.set(profile::kScrollLines, lines);
        const ProfileImage before = profile;
        page->RefreshFromProfile();
        QCOMPARE(BoxesShown(page), boxes);
        for (int radio = 0; radio < 3; ++radio) {
            QCOMPARE(page->rateRadio(radio)->IsChecked(), radio == rateRadio);
        }
        QCOMPARE(page->linesEdit()->text(), linesShown);
        // Showing, hovering and waiting write nothing.
        page->validateTimer().setInterval(0);
        moveAt(page, QPoint(80, 72));
        QCoreApplication::processEvents();
        QVERIFY(profile == before);
        // A click repairs the list by the rules.
        Click(page, QStringLiteral("dpi0"));
        QCOMPARE(DpiList(profile), afterClickOn500);
        // Out-of-range lines are clamped when the profile is applied.
        page->commitEdits(profile);
        QCOMPARE(profile.get(profile::kScrollLines), linesShown.toInt());
    }

    void theLinesBoxIsBroughtIntoRange_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("leading zeros") << "007"
                                       << "7";
        QTest::newRow("above 30") << "45"
                                  << "30";
        QTest::newRow("empty") << ""
                               << "1";
        QTest::newRow("zero") << "0"
                              << "1";
        QTest::newRow("30") << "30"
                            << "30";
        QTest::newRow("letters are not taken") << "1x2"
                                               << "12";
    }
    void theLinesBoxIsBroughtIntoRange() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        for (const bool byApply : {false, true}) {
            Rig rig;
            pages::CDlgMainSet* page = Page(rig);
            page->validateTimer().setInterval(byApply ? 60'000 : 1);
            ui::CBitmapEdit* edit = page->linesEdit();
            edit->setFocus();
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(edit, Qt::Key_Backspace);
            QTest::keyClicks(edit, typed);
            if (byApply) {
                rig.window->onApply();
            } else {
                QTRY_COMPARE(page->validateTimer().isActive(), false);
            }
            QCOMPARE(edit->text(), shown);
            QCOMPARE(rig.window->store().image().get(profile::kScrollLines), shown.toInt());
            if (byApply) QTRY_VERIFY(rig.window->idle());
        }
    }

    void theTabsOpenThePopUpAndStoreItsResult_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<int>("code");  // 0: the pop-up ends like Cancel
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("functionAfter");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<int>("boxes");
        QTest::newRow("volume up on the forward button") << 3 << 37 << 0 << 37 << true << 0;
        QTest::newRow("the wheel's forward step disabled") << 5 << 7 << 121 << 121 << true << 0;
        QTest::newRow("cancel") << 2 << 0 << 0 << 2 << false << 0;
        QTest::newRow("the only click refused") << 0 << 37 << 0 << 1 << false << 1;
        QTest::newRow("sniper refused on a wheel step") << 6 << 142 << 0 << 22 << false << 1;
        QTest::newRow("the default of the wheel's forward step")
            << 6 << 22 << 0 << 22 << false << 0;
    }
    void theTabsOpenThePopUpAndStoreItsResult() {
        QFETCH(int, tab);
        QFETCH(int, code);
        QFETCH(int, kind);
        QFETCH(int, functionAfter);
        QFETCH(bool, modified);
        QFETCH(int, boxes);
        Rig rig;
        pages::CDlgMainSet* page = Page(rig);
        std::optional<std::pair<int, std::string>> asked;
        page->setPopupRunner([&](QWidget*, int button, const std::string& name) {
            asked.emplace(button, name);
            assign::DialogOutcome outcome;
            if (code != 0) outcome = AssignmentResult{button, code, kind, 0, {}};
            return outcome;
        });
        ui::CIrrButton* button = page->buttonTab(tab);
        const QString shownBefore = button->text();
        const QPoint inside = button->BoundingBox().center() - button->pos();
        clickAt(button, inside);
        QCoreApplication::sendPostedEvents();
        QVERIFY(asked.has_value());
        QCOMPARE(asked->first, tab);
        QCOMPARE(QString::fromStdString(asked->second), shownBefore);
        const ProfileImage& profile = rig.window->store().image();
        QCOMPARE(profile.get(profile::FunctionCode(tab)), functionAfter);
        QCOMPARE(button->IsChecked(), modified);
        QCOMPARE(static_cast<int>(rig.messages.shown().size()), boxes);
        QCOMPARE(button->text().toStdString(), profile.text(profile::DisplayName(tab)));
    }

    void thePointerOverATabLightsItsIndicatorOnly() {
        Rig rig;
        pages::CDlgMainSet* page = Page(rig);
        rig.window->activateWindow();
        QTRY_VERIFY(rig.window->isActiveWindow());
        ui::CIrrButton* tab = page->buttonTab(2);
        const QRect box = tab->BoundingBox();
        moveAt(tab, QPoint(box.width() / 2, box.height() / 2));
        for (int button = 0; button < 7; ++button)
            QCOMPARE(page->indicatorLit(button), button == 2);
        // The tab's slanted ends, 17 pixels at either side, light nothing.
        moveAt(page, QPoint(box.left() + 10, box.center().y()));
        QVERIFY(!page->indicatorLit(2));
        moveAt(tab, QPoint(box.width() / 2, box.height() / 2));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(page, &leave);
        QVERIFY(!page->indicatorLit(2));
    }

    void hoveringPostsTheHintOfTheControlUnderThePointer() {
        Rig rig;
        pages::CDlgMainSet* page = Page(rig);
        moveAt(page->resolutionBox(3), QPoint(5, 5));
        QCoreApplication::sendPostedEvents();
        QCOMPARE(rig.window->hintText().toStdString(), rig.string("str_dpiwant"));
        moveAt(page->buttonTab(3), page->buttonTab(3)->rect().center());
        QCoreApplication::sendPostedEvents();
        QCOMPARE(rig.window->hintText().toStdString(), rig.string("str_mouse_key"));
    }

    void everyControlHasANameInTheLanguageShown() {
        Rig rig;
        pages::CDlgMainSet* page = Page(rig);
        rig.window->post(msg::kSwitchLanguage, Localisation::kFromStartUp, 5);  // German
        QCoreApplication::sendPostedEvents();
        for (QWidget* control : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
            QVERIFY(accessible);
            QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(),
                     control->metaObject()->className());
        }
        QCOMPARE(page->precisionBox()->accessibleName().toStdString(),
                 rig.string("str_improveAccuracy"));
        QVERIFY(page->precisionBox()->accessibleName() !=
                QStringLiteral("Enhance pointer precision"));
        QAccessibleInterface* box = QAccessible::queryAccessibleInterface(page->resolutionBox(0));
        QCOMPARE(box->role(), QAccessible::CheckBox);
        QVERIFY(!box->state().checked);
        QVERIFY(QAccessible::queryAccessibleInterface(page->resolutionBox(1))->state().checked);
        QCOMPARE(QAccessible::queryAccessibleInterface(page->rateRadio(2))->role(),
                 QAccessible::RadioButton);
    }
};

X5K_UI_TEST_CLASS(CDlgMainSetTest);

#include "CDlgMainSetTest.moc"
