// The lighting page in the running main window, on the emulated mouse: its controls edit
// the working profile's lighting and show it, the colour wheel gives the hue of the page's
// own picture under the click, and Apply carries the lighting to the mouse.

#include <QAccessible>
#include <QColor>
#include <QRegion>
#include <QTest>

#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <utility>

#include "localisation/Languages.h"
#include "pages/lighting/CDlgLEDSet.h"
#include "support/DriverRig.h"
#include "ui/CBitmapEdit.h"
#include "ui/CColorBtn.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/CPngHSliderBar.h"
#include "ui/Skin.h"

using namespace x5k;
using namespace x5k::uitest;

namespace {

using Rgb = QList<int>;

struct LightRig {
    LightRig() {
        rig.window->show();
        rig.window->selectPage(2);
        QCoreApplication::processEvents();
    }
    pages::CDlgLEDSet* page() const { return rig.window->lightingPage(); }
    ProfileImage& profile() { return rig.window->store().image(); }
    Rig rig;
};

// The page alone in one layout, shown in a plain parent.
struct LayoutPage {
    explicit LayoutPage(bool chinese)
        : page(pages::PageContext{&parent, rig.localisation.strings(), chinese, rig.files,
                                  rig.services.dataFolder}) {
        page.connectServices(profile);
        parent.resize(960, 640);
        parent.show();
        page.show();
    }
    Rig rig;
    ui::MessageWindow parent;
    ProfileImage profile = DefaultProfile(false);
    pages::CDlgLEDSet page;
};

// "mode1", "ledOff", "swatch3", "red=10" (a colour slider), "level1=7".
void Act(pages::CDlgLEDSet* page, const QString& step) {
    const QStringList parts = step.split(QLatin1Char('='));
    const QString name = parts[0];
    if (parts.size() == 2) {
        const int value = parts[1].toInt();
        ui::CPngHSliderBar* slider = nullptr;
        if (name == "red") slider = page->componentSlider(0);
        if (name == "green") slider = page->componentSlider(1);
        if (name == "blue") slider = page->componentSlider(2);
        if (name == "level1") slider = page->levelSlider(1);
        if (name == "level2") slider = page->levelSlider(2);
        QVERIFY2(slider && slider->isEnabled(), qPrintable(step));
        slider->setPosFromUser(value);
        return;
    }
    QAbstractButton* button = nullptr;
    if (name.startsWith("mode")) button = page->modeButton(name.mid(4).toInt());
    if (name == "off") button = page->modeButton(5);
    if (name == "ledOn") button = page->ledOnButton();
    if (name == "ledOff") button = page->ledOffButton();
    if (name.startsWith("swatch")) button = page->swatch(name.mid(6).toInt());
    QVERIFY2(button, qPrintable(step));
    button->click();
}

Rgb Shown(pages::CDlgLEDSet* page) {
    Rgb shown;
    for (int c = 0; c < 3; ++c) {
        shown << page->componentSlider(c)->GetPos();
        if (page->valueField(c)->text() != QString::number(shown.back())) return {};
    }
    return shown;
}

int HighlightedSwatch(pages::CDlgLEDSet* page) {
    int found = -1;
    for (int i = 0; i < 26; ++i) {
        if (page->swatch(i)->IsSelected()) found = found == -1 ? i : -2;
    }
    return found;
}

// The smaller angle between two hues, in degrees.
double HueDistance(double a, double b) {
    const double d = std::fmod(std::abs(a - b), 360.0);
    return std::min(d, 360.0 - d);
}

}  // namespace

class CDlgLEDSetTest : public QObject {
    Q_OBJECT

private slots:
    void theControlsEditAndShowTheLighting_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("colour");
        QTest::addColumn<int>("source");
        QTest::addColumn<Rgb>("shown");
        QTest::addColumn<int>("swatch");  // highlighted, -1 none
        QTest::addColumn<bool>("colourEnabled");
        QTest::addColumn<int>("levelEnabled");  // 0 none, 1, 2
        QTest::newRow("swatch 3") << QStringList{"mode1", "swatch3"} << 1 << 0x00EDF9 << 0
                                  << Rgb{249, 237, 0} << 3 << true << 1;
        QTest::newRow("swatch 3, then green 128")
            << QStringList{"mode1", "swatch3", "green=128"} << 1 << 0x0080F9 << 1
            << Rgb{249, 128, 0} << -1 << true << 1;
        QTest::newRow("mode 3 with a swatch colour")
            << QStringList{"mode2", "swatch3", "mode3"} << 3 << 0x00EDF9 << 0 << Rgb{249, 237, 0}
            << 3 << false << 0;
        QTest::newRow("mode 3 with a custom colour")
            << QStringList{"mode2", "blue=200", "mode3"} << 3 << 0xC800FF << 1 << Rgb{0, 0, 0} << -1
            << false << 0;
        QTest::newRow("mode 2") << QStringList{"mode2"} << 2 << 0x0000FF << 1 << Rgb{255, 0, 0}
                                << -1 << true << 2;
        QTest::newRow("off") << QStringList{"mode1", "off"} << 5 << 0x0000FF << 1 << Rgb{0, 0, 0}
                             << -1 << false << 0;
    }
    void theControlsEditAndShowTheLighting() {
        QFETCH(QStringList, steps);
        QFETCH(int, mode);
        QFETCH(int, colour);
        QFETCH(int, source);
        QFETCH(Rgb, shown);
        QFETCH(int, swatch);
        QFETCH(bool, colourEnabled);
        QFETCH(int, levelEnabled);
        LightRig r;
        pages::CDlgLEDSet* page = r.page();
        QVERIFY(page->built());
        for (const QString& step : steps) Act(page, step);
        QCOMPARE(r.profile().get(profile::kLightingMode), mode);
        QCOMPARE(r.profile().get(profile::kLightingColour), colour);
        QCOMPARE(r.profile().get(profile::kColourSource), source);
        QCOMPARE(Shown(page), shown);
        QCOMPARE(HighlightedSwatch(page), swatch);
        QCOMPARE(page->colourDisplay()->Colour(), static_cast<uint32_t>(colour));
        for (int m = 1; m <= 5; ++m) QCOMPARE(page->modeButton(m)->IsChecked(), m == mode);
        for (int c = 0; c < 3; ++c) QCOMPARE(page->componentSlider(c)->isEnabled(), colourEnabled);
        QCOMPARE(page->swatch(0)->isEnabled(), colourEnabled);
        QCOMPARE(page->valueField(0)->isEnabled(), false);
        QCOMPARE(page->levelSlider(1)->isEnabled(), levelEnabled == 1);
        QCOMPARE(page->levelSlider(2)->isEnabled(), levelEnabled == 2);
        // Nothing is sent before Apply.
        QVERIFY(r.rig.mouse.reports().empty());
    }

    void theLevelStaysAcrossModes() {
        LightRig r;
        Act(r.page(), "mode1");
        Act(r.page(), "level1=7");
        Act(r.page(), "mode2");
        Act(r.page(), "mode1");
        QCOMPARE(r.profile().get(profile::kMode1Level), 7);
        QCOMPARE(r.page()->levelSlider(1)->GetPos(), 7);
    }

    void aSwatchIndexOutOfRangeShowsSwatch0AndIsStored() {
        LightRig r;
        r.profile().set(profile::kColourSource, 0);
        r.profile().set(profile::kPresetSwatch, 30);
        r.page()->RefreshLighting();
        QCOMPARE(HighlightedSwatch(r.page()), 0);
        QCOMPARE(r.profile().get(profile::kPresetSwatch), 0);
    }

    // Clicks at known angles and distances from the wheel's centre give that hue and that
    // saturation, so a repainted picture that no longer matches the wheel is caught.
    void theWheelGivesTheHueUnderTheClick_data() {
        QTest::addColumn<double>("angle");   // degrees, anticlockwise from the right
        QTest::addColumn<double>("radius");  // fraction of the half-axes
        for (const double angle : {0.0, 60.0, 120.0, 180.0, 240.0, 300.0, 30.0}) {
            for (const double radius : {0.4, 0.85}) {
                QTest::addRow("%g deg at %g", angle, radius) << angle << radius;
            }
        }
    }
    void theWheelGivesTheHueUnderTheClick() {
        QFETCH(double, angle);
        QFETCH(double, radius);
        LightRig r;
        Act(r.page(), "mode1");
        const QRectF wheel(r.page()->wheelRect());
        const double a = angle * std::numbers::pi / 180.0;
        const QPointF at = wheel.center() + QPointF(radius * wheel.width() / 2 * std::cos(a),
                                                    -radius * wheel.height() / 2 * std::sin(a));
        clickAt(r.page(), QPoint(static_cast<int>(at.x()), static_cast<int>(at.y())));
        QCOMPARE(r.profile().get(profile::kColourSource), 1);
        const QColor picked = ui::CColorBtn::fromColorref(
            static_cast<uint32_t>(r.profile().get(profile::kLightingColour)));
        QVERIFY2(HueDistance(picked.hsvHueF() * 360.0, angle) < 5.0,
                 qPrintable(QStringLiteral("hue %1").arg(picked.hsvHueF() * 360.0)));
        QVERIFY2(std::abs(picked.hsvSaturationF() - radius) < 0.06,
                 qPrintable(QStringLiteral("saturation %1").arg(picked.hsvSaturationF())));
        QCOMPARE(Shown(r.page()), (Rgb{picked.red(), picked.green(), picked.blue()}));
    }

    void theWheelTakesClicksOnlyInTheColourModes_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("picks");
        QTest::newRow("mode 1") << "mode1" << true;
        QTest::newRow("mode 2") << "mode2" << true;
        QTest::newRow("mode 3") << "mode3" << false;
        QTest::newRow("mode 4") << "mode4" << false;
        QTest::newRow("off") << "off" << false;
    }
    void theWheelTakesClicksOnlyInTheColourModes() {
        QFETCH(QString, mode);
        QFETCH(bool, picks);
        LightRig r;
        Act(r.page(), mode);
        const QPoint centre = r.page()->wheelRect().center();
        moveAt(r.page(), centre);
        QCOMPARE(r.page()->cursor().shape() == Qt::CrossCursor, picks);
        clickAt(r.page(), centre);
        QCOMPARE(r.profile().get(profile::kLightingColour) != 0x0000FF, picks);
        // Outside the ellipse, in its bounding corner, the arrow stays.
        moveAt(r.page(), r.page()->wheelRect().topLeft());
        QCOMPARE(r.page()->cursor().shape(), Qt::ArrowCursor);
    }

    void applyCarriesTheLightingToTheMouse_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<uint32_t>("colour");
        QTest::addColumn<QList<int>>("effect");
        QTest::addColumn<bool>("switchedOn");  // 0xA0 rather than 0xB0
        QTest::newRow("swatch 3, mode 1, level 7, LED on")
            << QStringList{"mode1", "swatch3", "level1=7", "ledOn"} << 0x00EDF9u
            << QList<int>{1, 7, 1} << true;
        QTest::newRow("mode 2, LED on")
            << QStringList{"mode2", "ledOn"} << 0x0000FFu << QList<int>{2, 3, 1} << true;
        QTest::newRow("mode 3, LED on")
            << QStringList{"mode3", "ledOn"} << 0x0000FFu << QList<int>{3, 2, 3} << true;
        QTest::newRow("mode 4, LED off")
            << QStringList{"mode4", "ledOff"} << 0x0000FFu << QList<int>{4, 10, 2} << false;
        QTest::newRow("off, LED on")
            << QStringList{"off", "ledOn"} << 0x0000FFu << QList<int>{0, 0, 0} << false;
    }
    void applyCarriesTheLightingToTheMouse() {
        QFETCH(QStringList, steps);
        QFETCH(uint32_t, colour);
        QFETCH(QList<int>, effect);
        QFETCH(bool, switchedOn);
        LightRig r;
        for (const QString& step : steps) Act(r.page(), step);
        r.rig.window->onApply();
        QTRY_VERIFY(r.rig.window->idle());
        const MouseState mouse = r.rig.mouse.state();
        QCOMPARE(mouse.colour, colour);
        QCOMPARE((QList<int>{mouse.effect[0], mouse.effect[1], mouse.effect[2]}), effect);
        QCOMPARE(mouse.lightingOn, switchedOn);
    }

    // Each control sits at its rectangle of the page's layout.
    void everyControlSitsAtItsRectangle_data() {
        QTest::addColumn<bool>("chinese");
        QTest::newRow("English") << false;
        QTest::newRow("Chinese") << true;
    }
    void everyControlSitsAtItsRectangle() {
        QFETCH(bool, chinese);
        LayoutPage shown(chinese);
        pages::CDlgLEDSet& page = shown.page;
        QVERIFY(page.built());
        const layout::PageLayout& layout = page.pageLayout();
        const auto rectOf = [&](const std::string& name) {
            return ui::edges(layout::findControl(layout, name)->rectFor(chinese));
        };
        const std::array<const char*, 5> modes = {"mode1", "mode2", "mode3", "mode4", "off"};
        for (int m = 1; m <= 5; ++m) {
            QCOMPARE(page.modeButton(m)->geometry(), rectOf(modes[static_cast<size_t>(m - 1)]));
        }
        QCOMPARE(page.ledOnButton()->geometry(), rectOf("ledOn"));
        QCOMPARE(page.ledOffButton()->geometry(), rectOf("ledOff"));
        QCOMPARE(page.colourDisplay()->geometry(), rectOf("colour"));
        for (int i = 0; i < 26; ++i) {
            QCOMPARE(page.swatch(i)->geometry(), rectOf("swatch" + std::to_string(i)));
        }
        QCOMPARE(page.levelSlider(1)->geometry(), rectOf("level1"));
        QCOMPARE(page.levelSlider(2)->geometry(), rectOf("level2"));
        const std::array<const char*, 3> components = {"red", "green", "blue"};
        for (int c = 0; c < 3; ++c) {
            const std::string name = components[static_cast<size_t>(c)];
            QCOMPARE(page.componentSlider(c)->geometry(), rectOf(name));
            QCOMPARE(page.valueField(c)->geometry(), rectOf(name + ".value"));
        }
        QCOMPARE(page.wheelRect(), rectOf("wheel"));
        QCOMPARE(page.wheelPicture().size(), rectOf("wheel").size());
    }

    // Each layout's page is that layout's own normal picture, its buttons wear its normal and
    // pressed pictures cut at their own rectangles, its sliders stand on its own tracks, its
    // titles on its own strips, and the pictures differ only at that layout's buttons: no
    // button of the other layout shows through the page.
    void theButtonsWearTheirLayoutsPictures_data() {
        QTest::addColumn<bool>("chinese");
        QTest::newRow("English") << false;
        QTest::newRow("Chinese") << true;
    }
    void theButtonsWearTheirLayoutsPictures() {
        QFETCH(bool, chinese);
        LayoutPage shown(chinese);
        pages::CDlgLEDSet& page = shown.page;
        QVERIFY(page.built());
        const auto picture = [&](layout::State state) {
            const layout::ResourcePicture* resource =
                layout::pageResource("lighting", state, chinese);
            return resource == nullptr ? QImage()
                                       : ui::loadImage(ui::resourcePath(resource->id))
                                             .convertToFormat(QImage::Format_RGB32);
        };
        const QImage normal = picture(layout::State::Normal);
        const QImage down = picture(layout::State::Down);
        QVERIFY(!normal.isNull() && !down.isNull());
        QCOMPARE(page.background().toImage().convertToFormat(QImage::Format_RGB32), normal);

        const std::array<std::pair<const char*, ui::CGDIBitmapBtn*>, 7> buttons = {{
            {"mode1", page.modeButton(1)},
            {"mode2", page.modeButton(2)},
            {"mode3", page.modeButton(3)},
            {"mode4", page.modeButton(4)},
            {"off", page.modeButton(5)},
            {"ledOn", page.ledOnButton()},
            {"ledOff", page.ledOffButton()},
        }};
        QRegion places;
        for (const auto& [name, button] : buttons) {
            const QRect rect =
                ui::edges(layout::findControl(page.pageLayout(), name)->rectFor(chinese));
            places += rect;
            for (const bool checked : {false, true}) {
                button->SetChecked(checked);
                const QImage shown = button->grab().toImage().convertToFormat(QImage::Format_RGB32);
                QVERIFY2(shown == (checked ? down : normal).copy(rect),
                         qPrintable(QStringLiteral("%1 checked %2").arg(name).arg(checked)));
            }
            QVERIFY2(normal.copy(rect) != down.copy(rect), name);
        }
        // The sliders run on the tracks of their own layout's picture.
        const std::array<std::pair<const char*, ui::CPngHSliderBar*>, 5> sliders = {{
            {"level1", page.levelSlider(1)},
            {"level2", page.levelSlider(2)},
            {"red", page.componentSlider(0)},
            {"green", page.componentSlider(1)},
            {"blue", page.componentSlider(2)},
        }};
        for (const auto& [name, slider] : sliders) {
            const QRect rect =
                ui::edges(layout::findControl(page.pageLayout(), name)->rectFor(chinese));
            QImage track(rect.size(), QImage::Format_RGB32);
            track.fill(Qt::black);
            slider->render(&track, QPoint(), QRegion(), QWidget::RenderFlags());
            QVERIFY2(track == normal.copy(rect), name);
        }
        // Each title the page writes has its panel's accent tick in front of it.
        for (const char* title : {"backlight", "proximity", "colourSetting"}) {
            const QRect area =
                ui::edges(layout::findControl(page.pageLayout(), title)->rectFor(chinese));
            const QColor tick = normal.pixelColor(15, area.center().y());
            QVERIFY2(tick.blue() > 150 && tick.blue() > tick.red() + 100, title);
        }
        int stray = 0;
        for (int y = 0; y < normal.height(); ++y) {
            for (int x = 0; x < normal.width(); ++x) {
                if (normal.pixel(x, y) != down.pixel(x, y) && !places.contains(QPoint(x, y))) {
                    ++stray;
                }
            }
        }
        QCOMPARE(stray, 0);
    }

    void theControlsAreNamedInTheInterfaceLanguage() {
        LightRig r;
        pages::CDlgLEDSet* page = r.page();
        const auto name = [](QWidget* widget) {
            return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
        };
        QCOMPARE(
            name(page->modeButton(1)),
            QString::fromStdString(std::string(SectionTitle(r.rig.string("str_led_brealways")))));
        QCOMPARE(name(page->ledOffButton()),
                 QString::fromStdString(r.rig.string("str_led_body_off")));
        QVERIFY(name(page->swatch(3)).endsWith(QStringLiteral(" 4")));
        Act(page, "mode1");
        Act(page, "swatch3");
        QCOMPARE(QAccessible::queryAccessibleInterface(page->colourDisplay())
                     ->text(QAccessible::Description),
                 QStringLiteral("#f9ed00"));
        QVERIFY(!name(page->componentSlider(2)).isEmpty());
        QVERIFY(!name(page->valueField(2)).isEmpty());
        QVERIFY(!name(page->levelSlider(2)).isEmpty());
        Act(page, "mode4");
        QVERIFY(QAccessible::queryAccessibleInterface(page->modeButton(4))->state().checked);
        QVERIFY(!QAccessible::queryAccessibleInterface(page->modeButton(1))->state().checked);
    }
};

X5K_UI_TEST_CLASS(CDlgLEDSetTest);
#include "CDlgLEDSetTest.moc"
