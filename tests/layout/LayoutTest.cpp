#include "layout/Layout.h"

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>

namespace x5k::layout {

// Readable failure messages.
void PrintTo(const Rect& r, std::ostream* os) {
    *os << "(" << r.left << "," << r.top << "," << r.right << "," << r.bottom << ")";
}
void PrintTo(const Point& p, std::ostream* os) {
    *os << "(" << p.x << "," << p.y << ")";
}

namespace {

std::string describe(const PageLayout& page, const Control& control, bool chinese) {
    return std::string(page.name) + "/" + std::string(control.name) +
           (chinese ? " (Chinese)" : " (English)");
}

const Control& control(std::string_view page, std::string_view name) {
    const PageLayout* layout = findPage(page);
    if (layout == nullptr) throw std::runtime_error("no page " + std::string(page));
    const Control* found = findControl(*layout, name);
    if (found == nullptr) throw std::runtime_error("no control " + std::string(name));
    return *found;
}

// ---- Every table --------------------------------------------------------------------------

TEST(PageLayouts, EveryControlIsANonEmptyRectangleInsideItsPage) {
    for (const PageLayout& page : pages()) {
        ASSERT_GT(page.width, 0) << page.name;
        ASSERT_GT(page.height, 0) << page.name;
        EXPECT_FALSE(page.controls.empty()) << page.name;
        for (const Control& c : page.controls) {
            for (const bool chinese : {false, true}) {
                SCOPED_TRACE(describe(page, c, chinese));
                const Rect& r = c.rectFor(chinese);
                EXPECT_GT(r.width(), 0);
                EXPECT_GT(r.height(), 0);
                EXPECT_TRUE(r.inside(page.bounds()))
                    << r.left << "," << r.top << "," << r.right << "," << r.bottom;
            }
        }
    }
}

TEST(PageLayouts, NamesAreUniqueWithinAPageAndPagesAreUnique) {
    std::set<std::string_view> pageNames;
    for (const PageLayout& page : pages()) {
        EXPECT_TRUE(pageNames.insert(page.name).second) << page.name;
        std::set<std::string_view> names;
        for (const Control& c : page.controls) {
            EXPECT_FALSE(c.name.empty()) << page.name;
            EXPECT_TRUE(names.insert(c.name).second) << page.name << "/" << c.name;
        }
    }
    EXPECT_EQ(findPage("nowhere"), nullptr);
    EXPECT_EQ(findControl(*findPage("main"), "nothing"), nullptr);
}

// A window clips an outlined button to a polygon through its corners: a corner outside the
// box or a twisted corner order gives a button that cannot be clicked where it is drawn.
TEST(PageLayouts, OutlinesLieInTheirBoxAndAreConvex) {
    int outlines = 0;
    for (const PageLayout& page : pages()) {
        for (const Control& c : page.controls) {
            if (!c.outlined()) continue;
            ++outlines;
            SCOPED_TRACE(describe(page, c, false));
            EXPECT_EQ(c.rect, c.chineseRect);
            for (const Point& p : c.corners) {
                EXPECT_TRUE(p.x >= c.rect.left && p.x <= c.rect.right && p.y >= c.rect.top &&
                            p.y <= c.rect.bottom)
                    << p.x << "," << p.y;
            }
            // Top-left, top-right, bottom-right, bottom-left turn the same way at every corner
            // (clockwise on the screen, where y grows downwards).
            for (int i = 0; i < 4; ++i) {
                const Point a = c.corners[i];
                const Point b = c.corners[(i + 1) % 4];
                const Point d = c.corners[(i + 2) % 4];
                const long cross = long(b.x - a.x) * (d.y - b.y) - long(b.y - a.y) * (d.x - b.x);
                EXPECT_GT(cross, 0) << "at corner " << (i + 1) % 4;
            }
        }
    }
    EXPECT_EQ(outlines, 11 + 7);  // the main window's region buttons and the settings tabs
}

// ---- Figures as the pages give them -------------------------------------------------------

struct Spot {
    const char* page;
    const char* control;
    Rect english;
    Rect chinese;
    int hint;
    int id;
};

class SpotCheck : public ::testing::TestWithParam<Spot> {};

TEST_P(SpotCheck, SitsWhereThePageSays) {
    const Spot& spot = GetParam();
    const Control& c = control(spot.page, spot.control);
    EXPECT_EQ(c.rect, spot.english);
    EXPECT_EQ(c.chineseRect, spot.chinese);
    EXPECT_EQ(c.hint, spot.hint);
    EXPECT_EQ(c.id, spot.id);
}

INSTANTIATE_TEST_SUITE_P(
    Figures, SpotCheck,
    ::testing::Values(
        Spot{"main", "apply", {806, 591, 940, 632}, {806, 591, 940, 632}, 11, 0},
        Spot{"main", "profile3", {513, 608, 628, 635}, {513, 608, 628, 635}, 8, 0},
        Spot{"main", "hide", {922, 2, 956, 33}, {922, 2, 956, 33}, 0, 0},
        Spot{"main", "flag", {19, 592, 55, 615}, {19, 592, 55, 615}, 0, 1010},
        Spot{"settings", "lines.edit", {550, 355, 573, 377}, {574, 333, 590, 358}, 0, 2563},
        Spot{"settings", "indicator2", {839, 158, 863, 182}, {831, 140, 853, 162}, 0, 0},
        Spot{"settings", "screen", {406, 375, 672, 393}, {406, 361, 527, 375}, 18, 0},
        Spot{"settings", "section.speed", {29, 127, 288, 157}, {29, 127, 288, 157}, 13, 0},
        Spot{"popup", "tab4", {304, 37, 412, 64}, {304, 37, 412, 64}, 0, 0},
        Spot{"advanced", "folder.browse", {273, 113, 349, 135}, {273, 113, 349, 135}, 0, 0},
        Spot{"macro", "macros", {188, 1, 369, 168}, {188, 1, 369, 168}, 0, 10002},
        Spot{"macros", "insert", {343, 412, 373, 440}, {361, 412, 391, 441}, 42, 0},
        Spot{"macros", "delayField", {664, 389, 823, 407}, {666, 415, 821, 428}, 53, 1003},
        Spot{"lighting", "mode4", {197, 36, 407, 53}, {197, 36, 309, 52}, 26, 0},
        Spot{"lighting", "blue", {571, 370, 698, 379}, {564, 354, 692, 379}, 39, 771},
        // Row 0, column 5: the last two columns sit one pixel closer.
        Spot{"lighting", "swatch5", {376, 258, 407, 289}, {339, 256, 370, 288}, 0, 0},
        Spot{"lighting", "swatch25", {337, 381, 368, 412}, {300, 379, 331, 411}, 0, 0},
        // Cell 12: column 2, row 2.
        Spot{"statistics", "cell12", {747, 248, 790, 298}, {747, 248, 790, 298}, 0, 0},
        Spot{"statistics", "distance", {152, 384, 227, 404}, {187, 384, 262, 404}, 0, 0},
        Spot{"statistics", "trophy", {309, 0, 607, 451}, {309, 0, 607, 451}, 54, 0},
        Spot{"support", "firmwareVersion", {380, 113, 559, 140}, {380, 113, 559, 140}, 90, 0},
        Spot{"info", "ok", {240, 127, 306, 159}, {240, 127, 306, 159}, 0, 0},
        Spot{"info_cancel", "ok", {178, 127, 244, 159}, {178, 127, 244, 159}, 0, 0},
        Spot{"info_cancel", "cancel", {245, 127, 311, 159}, {245, 127, 311, 159}, 0, 0},
        Spot{"progress", "bar", {35, 47, 295, 56}, {35, 47, 295, 56}, 0, 777}));

TEST(PageLayouts, OutlineCornersAreThoseGiven) {
    const Control& tab = control("settings", "tab0");
    const std::array<Point, 4> corners{{{19, 408}, {127, 408}, {95, 441}, {19, 441}}};
    EXPECT_EQ(tab.corners, corners);
    EXPECT_EQ(tab.rect, (Rect{19, 408, 127, 441}));
    const Control& page5 = control("main", "page5");
    const std::array<Point, 4> page5Corners{{{747, 85}, {928, 85}, {928, 121}, {768, 121}}};
    EXPECT_EQ(page5.corners, page5Corners);
}

// The main window tests its region buttons in order and posts hints 1..11.
TEST(PageLayouts, MainWindowHintsFollowTheButtonOrder) {
    const char* order[] = {"page1",    "page2",    "page3",    "page4",    "page5", "profile1",
                           "profile2", "profile3", "profile4", "profile5", "apply"};
    const PageLayout& main = *findPage("main");
    for (int i = 0; i < 11; ++i) {
        SCOPED_TRACE(order[i]);
        EXPECT_EQ(main.controls[i].name, order[i]);
        EXPECT_EQ(main.controls[i].hint, i + 1);
    }
}

// ---- How the windows fit together ------------------------------------------------------------

TEST(PageLayouts, ChildPagesFillTheirFrames) {
    const Rect pagesArea = control("main", "pages").rect;
    for (const char* name : {"settings", "lighting", "macros", "statistics", "support"}) {
        SCOPED_TRACE(name);
        const PageLayout& page = *findPage(name);
        EXPECT_EQ(page.width, pagesArea.width());
        EXPECT_EQ(page.height, pagesArea.height());
    }
    // The sub-pages open at the top-left of the pop-up's sub-page area; they stay inside the
    // pop-up and leave its bottom row (disable box, default and OK buttons) uncovered.
    const PageLayout& popup = *findPage("popup");
    const Rect area = control("popup", "subpage").rect;
    for (const char* name : {"keys", "macro", "basic", "advanced"}) {
        SCOPED_TRACE(name);
        const PageLayout& sub = *findPage(name);
        const Rect placed{area.left, area.top, area.left + sub.width, area.top + sub.height};
        EXPECT_TRUE(placed.inside(popup.bounds()));
        for (const char* below : {"disable", "default", "ok"}) {
            EXPECT_LE(placed.bottom, control("popup", below).rect.top) << below;
        }
    }
}

TEST(PageLayouts, LanguageMenuOpensAboveItsButtonInsideTheWindow) {
    const PageLayout& main = *findPage("main");
    const Rect button = control("main", "language").rect;
    const Point origin = languageMenuOrigin(button);
    EXPECT_EQ(origin, (Point{11, 348}));
    const PageLayout& menu = *findPage("language_menu");
    const Rect placed{origin.x, origin.y, origin.x + menu.width, origin.y + menu.height};
    EXPECT_TRUE(placed.inside(main.bounds()));
    EXPECT_LT(placed.top, button.top);
    const ResourcePicture& background = *findResource(129);
    EXPECT_EQ(menu.width, background.width);
    EXPECT_EQ(menu.height, background.height);
}

// A counted click repaints the figure column and the timer repaints the distance: whatever
// the layout, those areas must cover the figures or stale digits stay on the page.
TEST(PageLayouts, StatisticsRepaintsCoverTheirFigures) {
    const PageLayout& page = *findPage("statistics");
    const Control& column = control("statistics", "figures.repaint");
    const Control& distance = control("statistics", "distance.repaint");
    int figures = 0;
    for (const Control& c : page.controls) {
        if (c.look != Look::Figure) continue;
        ++figures;
        for (const bool chinese : {false, true}) {
            SCOPED_TRACE(describe(page, c, chinese));
            EXPECT_TRUE(c.rectFor(chinese).inside(column.rectFor(chinese)));
        }
    }
    EXPECT_EQ(figures, 8);
    for (const bool chinese : {false, true}) {
        EXPECT_TRUE(
            control("statistics", "distance").rectFor(chinese).inside(distance.rectFor(chinese)));
    }
}

TEST(PageLayouts, LevelBarGrowsWithTheLevelAndStaysOnThePage) {
    const PageLayout& page = *findPage("statistics");
    EXPECT_EQ(levelBarRect(0), (Rect{631, 62, 652, 77}));
    EXPECT_EQ(levelBarRect(5).width(), 126);
    EXPECT_EQ(levelBarRect(12).width(), 273);
    EXPECT_EQ(levelBarRect(40).width(), 273);
    for (int level = 0; level <= 12; ++level) {
        EXPECT_TRUE(levelBarRect(level).inside(page.bounds())) << level;
    }
}

// ---- Pictures -------------------------------------------------------------------------------

TEST(ResourcePictures, EachNumberIsPresentOnce) {
    std::set<int> expected{1004, 1005, 1006, 1007, 1008, 1009, 1011, 1012};
    for (int id = 128; id <= 178; ++id) expected.insert(id);
    std::map<int, int> seen;
    for (const ResourcePicture& picture : resourcePictures()) ++seen[picture.id];
    for (const int id : expected) EXPECT_EQ(seen[id], 1) << id;
    EXPECT_EQ(seen.size(), expected.size());
}

struct ResourceSize {
    int first;
    int last;
    int width;
    int height;
};

class ResourceSizes : public ::testing::TestWithParam<ResourceSize> {};

TEST_P(ResourceSizes, FitWhereTheyAreShown) {
    for (int id = GetParam().first; id <= GetParam().last; ++id) {
        const ResourcePicture* picture = findResource(id);
        ASSERT_NE(picture, nullptr) << id;
        EXPECT_EQ(picture->width, GetParam().width) << id;
        EXPECT_EQ(picture->height, GetParam().height) << id;
        EXPECT_FALSE(picture->what.empty()) << id;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sets, ResourceSizes,
    ::testing::Values(
        ResourceSize{129, 129, 116, 273}, ResourceSize{130, 141, 19, 11},
        // The language indicator fills control 1010.
        ResourceSize{142, 153, control("main", "flag").rect.width(),
                     control("main", "flag").rect.height()},
        ResourceSize{154, 159, findPage("main")->width, findPage("main")->height},
        ResourceSize{160, 165, findPage("settings")->width, findPage("settings")->height},
        ResourceSize{166, 166, 163, 54},
        ResourceSize{167, 172, findPage("macros")->width, findPage("macros")->height},
        ResourceSize{173, 178, findPage("lighting")->width, findPage("lighting")->height},
        ResourceSize{1004, 1009, 330, 160}, ResourceSize{1011, 1012, 16, 16}));

struct PageSet {
    const char* page;
    bool chinese;
    int normal;
    int over;
    int down;
};

class PageResources : public ::testing::TestWithParam<PageSet> {};

// The region buttons take c, c + 2, c + 1 as normal, pressed and hover (c = 154 Chinese,
// 157 otherwise); the settings tabs 161/160/162 and 164/163/165; the message box its pair.
TEST_P(PageResources, GiveEachLookItsNumber) {
    const PageSet& set = GetParam();
    const auto id = [&](State state) {
        const ResourcePicture* picture = pageResource(set.page, state, set.chinese);
        return picture == nullptr ? 0 : picture->id;
    };
    EXPECT_EQ(id(State::Normal), set.normal);
    EXPECT_EQ(id(State::Over), set.over);
    EXPECT_EQ(id(State::Down), set.down);
}

INSTANTIATE_TEST_SUITE_P(Looks, PageResources,
                         ::testing::Values(PageSet{"main", true, 154, 155, 156},
                                           PageSet{"main", false, 157, 158, 159},
                                           PageSet{"settings", true, 161, 162, 160},
                                           PageSet{"settings", false, 164, 165, 163},
                                           PageSet{"macros", true, 167, 168, 169},
                                           PageSet{"macros", false, 170, 171, 172},
                                           PageSet{"lighting", true, 173, 174, 175},
                                           PageSet{"lighting", false, 176, 177, 178},
                                           PageSet{"info_cancel", true, 1006, 1008, 1004},
                                           PageSet{"info_cancel", false, 1006, 1008, 1004},
                                           PageSet{"info", false, 1007, 1009, 1005},
                                           PageSet{"support", false, 0, 0, 0}));

// A control cut from numbered pictures needs its page to have all three in both layouts, and
// a control cut from skins needs the page's skin files.
TEST(PageLayouts, EveryControlFindsThePicturesItIsCutFrom) {
    for (const PageLayout& page : pages()) {
        for (const Control& c : page.controls) {
            for (const bool chinese : {false, true}) {
                SCOPED_TRACE(describe(page, c, chinese));
                if (c.art == Art::Resources || c.art == Art::ResourceDown) {
                    EXPECT_NE(pageResource(page.name, State::Down, chinese), nullptr);
                    if (c.art == Art::Resources) {
                        EXPECT_NE(pageResource(page.name, State::Normal, chinese), nullptr);
                        EXPECT_NE(pageResource(page.name, State::Over, chinese), nullptr);
                    }
                }
                if (c.art == Art::Skin) {
                    EXPECT_FALSE(page.normal.empty());
                    EXPECT_FALSE(page.over.empty());
                }
            }
        }
    }
}

TEST(SkinPictures, ListEveryPageSkinAtThePageSize) {
    std::map<std::string_view, const SkinPicture*> byPath;
    for (const SkinPicture& skin : skinPictures()) {
        EXPECT_TRUE(byPath.emplace(skin.path, &skin).second) << skin.path;
        EXPECT_EQ(skin.path.substr(0, 6), "skins/") << skin.path;
        EXPECT_GT(skin.width, 0) << skin.path;
        EXPECT_GT(skin.height, 0) << skin.path;
    }
    for (const PageLayout& page : pages()) {
        for (const std::string_view path : {page.normal, page.over, page.down}) {
            if (path.empty()) continue;
            SCOPED_TRACE(std::string(page.name) + " " + std::string(path));
            ASSERT_TRUE(byPath.contains(path));
            EXPECT_EQ(byPath[path]->width, page.width);
            EXPECT_EQ(byPath[path]->height, page.height);
        }
    }
    const Rect trophy = control("statistics", "trophy").rect;
    for (int level = 0; level <= 12; ++level) {
        const std::string path = "skins/trophy/trophy" + std::to_string(level) + "Down.bmp";
        ASSERT_TRUE(byPath.contains(path)) << path;
        EXPECT_EQ(byPath[path]->width, trophy.width());
        EXPECT_EQ(byPath[path]->height, trophy.height());
    }
}

}  // namespace
}  // namespace x5k::layout
