#pragma once
// Where everything sits on the program's windows. Every page is a picture with controls at
// fixed rectangles; the windows place their controls from these tables, and the build-time
// painter draws the pictures from the same tables, so a rectangle is written down once.
//
// Rectangles are Windows rectangles: left and top inclusive, right and bottom exclusive.
// A page has two layouts: the Chinese one (used while the interface was Simplified Chinese
// when the page was created) and the English one (every other language). Most controls sit
// at the same place in both.

#include <array>
#include <span>
#include <string_view>

namespace x5k::layout {

struct Point {
    int x = 0;
    int y = 0;
    friend constexpr bool operator==(const Point&, const Point&) = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;   // exclusive
    int bottom = 0;  // exclusive

    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
    constexpr bool contains(Point p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    // The rectangle lies wholly inside other (an empty rectangle lies anywhere inside).
    constexpr bool inside(const Rect& other) const {
        return left >= other.left && top >= other.top && right <= other.right &&
               bottom <= other.bottom;
    }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// What a control is, so the windows pick the right skinned class and the painter draws a
// fitting look.
enum class Look {
    Button,        // push button
    CheckButton,   // two-state button: check box, radio, toggle
    RegionButton,  // button with a four-cornered outline (main window)
    Tab,           // tab of a page; with corners when its outline is slanted
    Swatch,        // a plain colour field
    Slider,        // slider track; the thumb picture is skins/Slider.png
    ProgressBar,   // bar that fills from the left
    Edit,          // text box
    List,          // skinned list box with its scroll bar
    Label,         // text the page draws itself
    Picture,       // a picture of its own (the language flag)
    Indicator,     // lit or unlit piece of the page picture
    Figure,        // a number the page draws right-aligned
    HintArea,      // an area of the background that only shows a hint when hovered
    Wheel,         // the colour wheel; the rectangle bounds its ellipse
    Trophy,        // the trophy display
    Frame,         // an area other windows or repaints use: page area, sub-page area
    MenuEntry,     // an entry of a pop-up menu
};

// Where the looks of a control come from.
enum class Art {
    Skin,          // pieces of the page's normal, over and down skin pictures at its rectangle
    Background,    // only what the page's normal picture shows there (titles, frames, tracks)
    Resources,     // pieces of the page's numbered resource pictures, one per state
    ResourceDown,  // the piece of the page's pressed resource picture (slider and edit grounds)
    Own,           // pictures of its own: a flag, a trophy
    Drawn,         // painted by code over the background: texts, figures, colours, lists
};

struct Control {
    std::string_view name;  // stable identifier within its page, e.g. "profile3"
    Look look = Look::Button;
    Rect rect;                       // English layout
    Rect chineseRect;                // Chinese layout; equal to rect when the same
    std::array<Point, 4> corners{};  // outlined buttons: top-left, top-right, bottom-right,
                                     // bottom-left; all zero for rectangular controls
    int hint = 0;                    // hint number posted while hovered (0 none)
    int id = 0;                      // control identifier where the page gives one (0 none)
    Art art = Art::Skin;

    constexpr const Rect& rectFor(bool chinese) const { return chinese ? chineseRect : rect; }
    constexpr bool outlined() const { return corners[0] != corners[2]; }
};

struct PageLayout {
    std::string_view name;                // "main", "settings", "popup", "keys", ...
    std::string_view normal, over, down;  // skin files below the program folder, '/'
                                          // separated; empty where the page has none
    int width = 0;                        // size of the page's normal picture
    int height = 0;
    std::span<const Control> controls;

    constexpr Rect bounds() const { return {0, 0, width, height}; }
};

// The pages in a fixed order: main, settings, popup, keys, macro, basic, advanced, macros,
// lighting, statistics, support, info, info_cancel, progress, language_menu.
std::span<const PageLayout> pages();
const PageLayout* findPage(std::string_view name);
const Control* findControl(const PageLayout& page, std::string_view name);

// The picture a numbered resource shows: Normal, Over and Down are the three looks of a
// page-sized set; None is a picture of its own.
enum class State { None, Normal, Over, Down };
enum class Variant { Any, Chinese, English };

// A numbered bitmap resource, the file res/<id>.png of the program folder.
struct ResourcePicture {
    int id = 0;
    int width = 0;
    int height = 0;
    std::string_view what;
    std::string_view page;  // the page whose controls it shows or that uses it; empty: several
    State state = State::None;
    Variant variant = Variant::Any;
};

std::span<const ResourcePicture> resourcePictures();
const ResourcePicture* findResource(int id);
// The page-sized resource of that page that shows the given look in the given layout; null
// when the page has none (pages drawn from skin files).
const ResourcePicture* pageResource(std::string_view page, State state, bool chinese);

// A picture file below the program folder.
struct SkinPicture {
    std::string_view path;  // "skins/Main_Normal.bmp"
    int width = 0;
    int height = 0;
    std::string_view what;
};

// Every skin picture a window reads: the pages' three looks and the further pictures
// (slider thumb, list icons, trophies, menu skins, progress pictures).
std::span<const SkinPicture> skinPictures();

// The mark a main-window region button carries beside its caption: the page buttons the
// glyph of their page near their left end, Apply a check mark near its right end. The
// captions keep clear of it. Empty for the profile buttons and every other control.
constexpr Rect regionMark(const Control& control) {
    const Rect& box = control.rect;
    const int middle = (box.top + box.bottom) / 2;
    if (control.look != Look::RegionButton) return {};
    if (control.name.starts_with("page")) {
        return {box.left + 16, middle - 11, box.left + 38, middle + 11};
    }
    if (control.name == "apply") return {box.right - 28, middle - 10, box.right - 8, middle + 10};
    return {};
}

// The language menu opens with its left edge 4 pixels left of the language button and its
// top 287 pixels above the button's bottom edge (main-window client coordinates).
constexpr Point languageMenuOrigin(const Rect& languageButton) {
    return {languageButton.left - 4, languageButton.bottom - 287};
}

// The statistics page's level bar after a refresh: 273 pixels wide at full length, one
// thirteenth of that for each level reached (21 pixels at level 0).
constexpr Rect levelBarRect(int level) {
    const int steps = level < 0 ? 1 : (level + 1 > 13 ? 13 : level + 1);
    return {631, 62, 631 + steps * 273 / 13, 77};
}

}  // namespace x5k::layout
