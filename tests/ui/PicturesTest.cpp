// The painted pictures the shared windows and controls read from the program folder: each
// has the size and pixel format its window expects, the texts those windows draw over
// them stay readable, and the parts the controls stretch or cut fit together.

#include <QImage>
#include <QTest>

#include <cmath>
#include <set>
#include <vector>

#include "layout/Layout.h"
#include "support/UiTest.h"
#include "ui/Skin.h"

using x5k::ui::edges;

namespace {

QImage picture(const QString& relative) {
    return x5k::ui::loadImage(x5k::ui::programFolder() + QLatin1Char('/') + relative)
        .convertToFormat(QImage::Format_ARGB32);
}

double luminance(QColor c) {
    const auto channel = [](double v) {
        v /= 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

// The contrast ratio of two colours as used for text legibility (1 to 21).
double contrast(QColor a, QColor b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

const QColor kCaption(83, 97, 103);
const QColor kWhite(255, 255, 255);

}  // namespace

class PicturesTest : public QObject {
    Q_OBJECT

private slots:
    void sizeAndFormat_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("opaque");
        QTest::newRow("application icon") << "res/128.png" << QSize(256, 256) << false;
        QTest::newRow("language menu") << "res/129.png" << QSize(116, 273) << false;
        for (int i = 0; i < 12; ++i) {
            const QString menu = QStringLiteral("res/%1.png").arg(130 + i);
            const QString indicator = QStringLiteral("res/%1.png").arg(142 + i);
            QTest::newRow(qPrintable(menu)) << menu << QSize(19, 11) << false;
            QTest::newRow(qPrintable(indicator)) << indicator << QSize(36, 23) << true;
        }
        QTest::newRow("scroll-bar skin") << "res/166.png" << QSize(163, 54) << false;
        for (int id = 1004; id <= 1009; ++id) {
            const QString box = QStringLiteral("res/%1.png").arg(id);
            QTest::newRow(qPrintable(box)) << box << QSize(330, 160) << true;
        }
        QTest::newRow("exit icon") << "res/1011.png" << QSize(16, 16) << false;
        QTest::newRow("config icon") << "res/1012.png" << QSize(16, 16) << false;
        QTest::newRow("progress background")
            << "skins/ProgressBar/Progress_Normal.png" << QSize(330, 80) << false;
        QTest::newRow("progress fill")
            << "skins/ProgressBar/Progress_Over.png" << QSize(330, 80) << false;
        QTest::newRow("slider thumb") << "skins/Slider.png" << QSize(10, 12) << false;
        for (const char* row : {"up", "down", "delay"}) {
            for (const char* look : {"normal", "select"}) {
                const QString icon = QStringLiteral("skins/%1_%2.png").arg(row, look);
                QTest::newRow(qPrintable(icon)) << icon << QSize(16, 16) << false;
            }
        }
        for (const char* skin : {"MenuNorL", "MenuOverL", "MenuDownL", "MenuNorHaveSub",
                                 "MenuOverHaveSub", "MenuDownHaveSub"}) {
            const QString file = QStringLiteral("skins/Menu/%1.BMP").arg(skin);
            QTest::newRow(skin) << file << QSize(160, 24) << true;
        }
    }
    void sizeAndFormat() {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        QFETCH(bool, opaque);
        const QImage image = x5k::ui::loadImage(x5k::ui::programFolder() + QLatin1Char('/') + path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QCOMPARE(image.size(), size);
        // The bitmap resources are 24-bit: a window that reads them as bitmaps has no
        // alpha to blend with.
        if (opaque) QVERIFY(!image.hasAlphaChannel());
    }

    // The message box paints its normal picture and cuts each button from the hover and
    // pressed pictures: those must match the normal picture outside the buttons, show a
    // different look inside each, and keep the captions readable.
    void messageBoxButtons_data() {
        QTest::addColumn<int>("normal");
        QTest::addColumn<int>("looks");
        QTest::addColumn<QRect>("button");
        QTest::addColumn<bool>("closeButton");
        const QRect close = edges(300, 0, 329, 29);
        for (const int look : {1008, 1004}) {
            const QString suffix =
                look == 1008 ? QStringLiteral(" hover") : QStringLiteral(" pressed");
            QTest::newRow(qPrintable("OK with Cancel" + suffix))
                << 1006 << look << edges(178, 127, 244, 159) << false;
            QTest::newRow(qPrintable("Cancel" + suffix))
                << 1006 << look << edges(245, 127, 311, 159) << false;
            QTest::newRow(qPrintable("close with Cancel" + suffix))
                << 1006 << look << close << true;
        }
        for (const int look : {1009, 1005}) {
            const QString suffix =
                look == 1009 ? QStringLiteral(" hover") : QStringLiteral(" pressed");
            QTest::newRow(qPrintable("OK alone" + suffix))
                << 1007 << look << edges(240, 127, 306, 159) << false;
            QTest::newRow(qPrintable("close alone" + suffix)) << 1007 << look << close << true;
        }
    }
    void messageBoxButtons() {
        QFETCH(int, normal);
        QFETCH(int, looks);
        QFETCH(QRect, button);
        QFETCH(bool, closeButton);
        const QImage base = picture(QStringLiteral("res/%1.png").arg(normal));
        const QImage other = picture(QStringLiteral("res/%1.png").arg(looks));
        QVERIFY(!base.isNull() && !other.isNull());
        QVERIFY(x5k::ui::piece(base, button) != x5k::ui::piece(other, button));
        if (!closeButton) {
            const QPoint centre = button.center();
            QVERIFY(contrast(base.pixelColor(centre), kCaption) >= 3.0);
            QVERIFY(contrast(other.pixelColor(centre), kWhite) >= 3.0);
        }
        // Away from every button both pictures are the same, so a cut button sits
        // seamlessly on the normal picture.
        for (const QPoint p : {QPoint(5, 5), QPoint(150, 60), QPoint(40, 84), QPoint(100, 140),
                               QPoint(176, 143), QPoint(320, 100)})
            QCOMPARE(other.pixel(p), base.pixel(p));
    }

    // The title and the message are drawn by the window in the caption colour.
    void messageBoxTextAreas_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QRect>("area");
        for (const int id : {1006, 1007}) {
            QTest::newRow(qPrintable(QStringLiteral("%1 title").arg(id)))
                << id << edges(10, 9, 100, 23);
            QTest::newRow(qPrintable(QStringLiteral("%1 message").arg(id)))
                << id << edges(90, 73, 305, 91);
        }
    }
    void messageBoxTextAreas() {
        QFETCH(int, id);
        QFETCH(QRect, area);
        const QImage image = picture(QStringLiteral("res/%1.png").arg(id));
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                QVERIFY2(contrast(image.pixelColor(x, y), kCaption) >= 4.0,
                         qPrintable(QStringLiteral("at %1,%2").arg(x).arg(y)));
    }

    // The menus write near-black entries on the language menu and caption-coloured ones on
    // the group menu's normal entries, white on its hovered and pressed entries.
    void menuTexts_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QColor>("text");
        QTest::addColumn<double>("least");
        QTest::newRow("language menu entries")
            << "res/129.png" << edges(6, 6, 110, 270) << QColor(5, 5, 5) << 7.0;
        for (const char* skin : {"MenuNorL", "MenuNorHaveSub"})
            QTest::newRow(skin) << QStringLiteral("skins/Menu/%1.BMP").arg(skin)
                                << edges(4, 3, 140, 21) << kCaption << 4.5;
        for (const char* skin : {"MenuOverL", "MenuDownL", "MenuOverHaveSub", "MenuDownHaveSub"})
            QTest::newRow(skin) << QStringLiteral("skins/Menu/%1.BMP").arg(skin)
                                << edges(4, 3, 140, 21) << kWhite << 3.0;
    }
    void menuTexts() {
        QFETCH(QString, path);
        QFETCH(QRect, area);
        QFETCH(QColor, text);
        QFETCH(double, least);
        const QImage image = picture(path);
        QVERIFY(!image.isNull());
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                QVERIFY2(contrast(image.pixelColor(x, y), text) >= least,
                         qPrintable(QStringLiteral("at %1,%2").arg(x).arg(y)));
    }

    // The language menu is a layered window: its rounded corners must let the desktop
    // through.
    void languageMenuCorners() {
        const QImage image = picture(QStringLiteral("res/129.png"));
        for (const QPoint corner : {QPoint(0, 0), QPoint(115, 0), QPoint(0, 272), QPoint(115, 272)})
            QCOMPARE(qAlpha(image.pixel(corner)), 0);
        QCOMPARE(qAlpha(image.pixel(58, 136)), 255);
    }

    // Cells the scroll bar and the group menu stretch must not change along the stretch,
    // or the stretched part smears.
    void stretchedCells_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QRect>("cell");
        QTest::addColumn<bool>("alongY");
        const char* states[] = {"normal", "hover", "pressed"};
        for (int row = 0; row < 3; ++row) {
            const auto cell = [row](int column) { return QRect(column * 18, row * 18, 18, 18); };
            QTest::newRow(qPrintable(QStringLiteral("vertical thumb %1").arg(states[row])))
                << "res/166.png" << cell(2) << true;
            QTest::newRow(qPrintable(QStringLiteral("vertical track %1").arg(states[row])))
                << "res/166.png" << cell(3) << true;
            QTest::newRow(qPrintable(QStringLiteral("horizontal thumb %1").arg(states[row])))
                << "res/166.png" << cell(6) << false;
            QTest::newRow(qPrintable(QStringLiteral("horizontal track %1").arg(states[row])))
                << "res/166.png" << cell(7) << false;
        }
        for (const char* skin : {"MenuNorL", "MenuOverL", "MenuDownL", "MenuNorHaveSub",
                                 "MenuOverHaveSub", "MenuDownHaveSub"})
            QTest::newRow(skin) << QStringLiteral("skins/Menu/%1.BMP").arg(skin)
                                << QRect(4, 0, 136, 24) << false;
    }
    void stretchedCells() {
        QFETCH(QString, path);
        QFETCH(QRect, cell);
        QFETCH(bool, alongY);
        const QImage image = picture(path);
        QVERIFY(!image.isNull());
        for (int y = cell.top(); y <= cell.bottom(); ++y) {
            for (int x = cell.left(); x <= cell.right(); ++x) {
                const QPoint first = alongY ? QPoint(x, cell.top()) : QPoint(cell.left(), y);
                QVERIFY2(image.pixel(x, y) == image.pixel(first),
                         qPrintable(QStringLiteral("at %1,%2").arg(x).arg(y)));
            }
        }
    }

    // The thumb window drops every pixel of the colour at (0, 0). That colour must only
    // lie outside the thumb's outline (reachable from the picture's border), or the thumb
    // gets holes.
    void sliderThumbKeyColour() {
        const QImage image = picture(QStringLiteral("skins/Slider.png"));
        QVERIFY(!image.isNull());
        const QRgb key = image.pixel(0, 0);
        const int w = image.width(), h = image.height();
        std::vector<bool> reached(static_cast<size_t>(w * h), false);
        std::vector<QPoint> todo;
        for (int x = 0; x < w; ++x) todo.insert(todo.end(), {QPoint(x, 0), QPoint(x, h - 1)});
        for (int y = 0; y < h; ++y) todo.insert(todo.end(), {QPoint(0, y), QPoint(w - 1, y)});
        while (!todo.empty()) {
            const QPoint p = todo.back();
            todo.pop_back();
            if (p.x() < 0 || p.y() < 0 || p.x() >= w || p.y() >= h) continue;
            const auto index = static_cast<size_t>(p.y() * w + p.x());
            if (reached[index] || image.pixel(p) != key) continue;
            reached[index] = true;
            todo.insert(todo.end(),
                        {p + QPoint(1, 0), p - QPoint(1, 0), p + QPoint(0, 1), p - QPoint(0, 1)});
        }
        int thumbPixels = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                if (image.pixel(x, y) != key) {
                    ++thumbPixels;
                    continue;
                }
                QVERIFY2(reached[static_cast<size_t>(y * w + x)],
                         qPrintable(
                             QStringLiteral("key colour inside the thumb at %1,%2").arg(x).arg(y)));
            }
        }
        QVERIFY(thumbPixels >= w * h * 3 / 4);
    }

    // The settings page's wheel radios sit elsewhere in each layout. Each layout's tab
    // pictures show its own two radios in their three looks and nothing at the other
    // layout's places; the shared skin pictures show neither layout's radios, so the skin
    // reads the same in all three looks there.
    void wheelRadios_data() {
        QTest::addColumn<bool>("chinese");
        QTest::addColumn<int>("normal");
        QTest::addColumn<int>("hover");
        QTest::addColumn<int>("pressed");
        QTest::newRow("Chinese layout") << true << 161 << 162 << 160;
        QTest::newRow("English layout") << false << 164 << 165 << 163;
    }
    void wheelRadios() {
        QFETCH(bool, chinese);
        QFETCH(int, normal);
        QFETCH(int, hover);
        QFETCH(int, pressed);
        const auto* page = x5k::layout::findPage("settings");
        const QImage skin = picture(QStringLiteral("skins/X5K_Main_Normal.bmp"));
        const QImage looks[] = {picture(QStringLiteral("res/%1.png").arg(normal)),
                                picture(QStringLiteral("res/%1.png").arg(hover)),
                                picture(QStringLiteral("res/%1.png").arg(pressed))};
        for (const char* name : {"lines", "screen"}) {
            const auto* radio = x5k::layout::findControl(*page, name);
            const QRect own = edges(radio->rectFor(chinese));
            QVERIFY2(looks[0].copy(own) != skin.copy(own), name);
            QVERIFY2(looks[1].copy(own) != looks[0].copy(own), name);
            QVERIFY2(looks[2].copy(own) != looks[0].copy(own), name);
            QVERIFY2(looks[2].copy(own) != looks[1].copy(own), name);
            for (const bool layout : {false, true}) {
                const QRect place = edges(radio->rectFor(layout));
                for (const char* skinName : {"X5K_Main_Over.bmp", "X5K_Main_Down.bmp"}) {
                    QVERIFY2(picture(QStringLiteral("skins/") + skinName).copy(place) ==
                                 skin.copy(place),
                             qPrintable(QStringLiteral("%1 in %2").arg(name, skinName)));
                }
            }
        }
        // The other layout's screen radio lies clear of this layout's controls.
        const QRect other = edges(x5k::layout::findControl(*page, "screen")->rectFor(!chinese));
        for (const QImage& look : looks) QVERIFY(look.copy(other) == skin.copy(other));
    }

    // Each language has its own flag in the menu and in the indicator.
    void flagsAreDistinct_data() {
        QTest::addColumn<int>("first");
        QTest::newRow("menu flags") << 130;
        QTest::newRow("indicator flags") << 142;
    }
    void flagsAreDistinct() {
        QFETCH(int, first);
        std::set<QByteArray> seen;
        for (int i = 0; i < 12; ++i) {
            const QImage image = picture(QStringLiteral("res/%1.png").arg(first + i));
            QVERIFY(!image.isNull());
            QVERIFY2(seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()),
                                            image.sizeInBytes()))
                         .second,
                     qPrintable(QStringLiteral("flag %1 repeats another").arg(first + i)));
        }
    }

    // The statistics page's rows of left, middle and right button presses carry a mouse
    // icon (22 x 22 at x = 30, a pixel above the row) with that button lit, so the three
    // rows read apart.
    void statisticsButtonIconsDiffer() {
        const x5k::layout::PageLayout* page = x5k::layout::findPage("statistics");
        QVERIFY(page != nullptr);
        const QImage normal =
            picture(QString::fromUtf8(page->normal.data(), qsizetype(page->normal.size())));
        QVERIFY(!normal.isNull());
        std::set<QByteArray> seen;
        for (const char* row : {"left", "middle", "right"}) {
            const x5k::layout::Control* control = x5k::layout::findControl(*page, row);
            QVERIFY(control != nullptr);
            const int top = std::min(control->rect.top, control->chineseRect.top);
            const QImage icon = normal.copy(30, top - 1, 22, 22);
            // The drawing without the page's gradient behind it: which pixels are lit.
            const int ground = qGray(icon.pixel(0, 0));
            QByteArray lit;
            for (int y = 0; y < icon.height(); ++y)
                for (int x = 0; x < icon.width(); ++x)
                    lit.append(qGray(icon.pixel(x, y)) > ground + 40 ? '#' : '.');
            QVERIFY2(seen.insert(lit).second, row);
        }
    }

    // The progress dialog writes its grey line at (35, 20) and cuts the fill at the bar.
    void progressDialog() {
        const QImage normal = picture(QStringLiteral("skins/ProgressBar/Progress_Normal.png"));
        const QImage over = picture(QStringLiteral("skins/ProgressBar/Progress_Over.png"));
        QVERIFY(!normal.isNull() && !over.isNull());
        const QRect text(35, 20, 250, 16);
        for (int y = text.top(); y <= text.bottom(); ++y)
            for (int x = text.left(); x <= text.right(); ++x)
                QVERIFY(contrast(normal.pixelColor(x, y), QColor(0x80, 0x80, 0x80)) >= 3.0);
        const QRect bar = edges(35, 47, 295, 56);
        QVERIFY(x5k::ui::piece(normal, bar) != x5k::ui::piece(over, bar));
        // The fill is cut column by column from the left: every column shows the fill.
        for (int x = bar.left(); x <= bar.right(); ++x)
            QVERIFY(over.pixelColor(x, bar.center().y()).blue() >
                    normal.pixelColor(x, bar.center().y()).blue() + 40);
    }

    // Every picture the windows' layout tables name is painted, at the size the windows
    // take from it.
    void everyNamedPictureIsPainted() {
        for (const auto& skin : x5k::layout::skinPictures()) {
            const QString path = QString::fromUtf8(skin.path.data(), qsizetype(skin.path.size()));
            QCOMPARE(picture(path).size(), QSize(skin.width, skin.height));
        }
        for (const auto& resource : x5k::layout::resourcePictures()) {
            const QString path = QStringLiteral("res/%1.png").arg(resource.id);
            QCOMPARE(picture(path).size(), QSize(resource.width, resource.height));
        }
    }

    // A button cut from a page's normal, hover and pressed pictures shows three different
    // looks, so the user sees the pointer over it and the press.
    void pageControlsHaveThreeLooks() {
        for (const auto& page : x5k::layout::pages()) {
            if (page.normal.empty()) continue;
            const auto load = [](std::string_view file) {
                return picture(QString::fromUtf8(file.data(), qsizetype(file.size())));
            };
            const QImage normal = load(page.normal), over = load(page.over), down = load(page.down);
            for (const auto& control : page.controls) {
                if (control.art != x5k::layout::Art::Skin) continue;
                const QRect rect = edges(control.rect);
                const QByteArray where =
                    QByteArray(page.name.data(), qsizetype(page.name.size())) + '.' +
                    QByteArray(control.name.data(), qsizetype(control.name.size()));
                // Lamps and lit cells (indicators, the level bar) need only lit and unlit.
                QVERIFY2(x5k::ui::piece(normal, rect) != x5k::ui::piece(down, rect), where);
                if (control.look != x5k::layout::Look::Button &&
                    control.look != x5k::layout::Look::CheckButton)
                    continue;
                QVERIFY2(x5k::ui::piece(normal, rect) != x5k::ui::piece(over, rect), where);
                QVERIFY2(x5k::ui::piece(over, rect) != x5k::ui::piece(down, rect), where);
            }
        }
    }

    // The region buttons and slanted tabs take their looks from whole numbered pictures,
    // one set per layout: each shows three different looks inside its outline.
    void outlinedButtonsHaveThreeLooks() {
        using x5k::layout::State;
        int checked = 0;
        for (const auto& page : x5k::layout::pages()) {
            for (const bool chinese : {false, true}) {
                const auto* n = x5k::layout::pageResource(page.name, State::Normal, chinese);
                const auto* o = x5k::layout::pageResource(page.name, State::Over, chinese);
                const auto* d = x5k::layout::pageResource(page.name, State::Down, chinese);
                if (n == nullptr || o == nullptr || d == nullptr) continue;
                const QImage normal = picture(QStringLiteral("res/%1.png").arg(n->id));
                const QImage over = picture(QStringLiteral("res/%1.png").arg(o->id));
                const QImage down = picture(QStringLiteral("res/%1.png").arg(d->id));
                for (const auto& control : page.controls) {
                    if (control.art != x5k::layout::Art::Resources) continue;
                    const QRect rect = edges(control.rectFor(chinese));
                    const QByteArray name(control.name.data(), qsizetype(control.name.size()));
                    QVERIFY2(x5k::ui::piece(normal, rect) != x5k::ui::piece(over, rect), name);
                    QVERIFY2(x5k::ui::piece(normal, rect) != x5k::ui::piece(down, rect), name);
                    QVERIFY2(x5k::ui::piece(over, rect) != x5k::ui::piece(down, rect), name);
                    ++checked;
                }
            }
        }
        QVERIFY(checked >= 2 * (11 + 7));  // page, profile and Apply buttons; seven tabs
    }
};

X5K_UI_TEST_CLASS(PicturesTest);

#include "PicturesTest.moc"
