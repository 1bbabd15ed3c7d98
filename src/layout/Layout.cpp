#include "layout/Layout.h"

#include <algorithm>
#include <cstddef>

namespace x5k::layout {
namespace {

// A control at the same place in both layouts.
constexpr Control at(std::string_view name, Look look, Rect rect, int hint = 0, Art art = Art::Skin,
                     int id = 0) {
    return Control{name, look, rect, rect, {}, hint, id, art};
}

// A control whose place depends on the layout: the English rectangle first.
constexpr Control at2(std::string_view name, Look look, Rect english, Rect chinese, int hint = 0,
                      Art art = Art::Skin, int id = 0) {
    return Control{name, look, english, chinese, {}, hint, id, art};
}

// A button with a four-cornered outline. Its window covers the outline's bounding box; a
// polygon region leaves out its right and bottom edges, so the largest corner coordinates
// are the box's exclusive edges.
constexpr Control outline(std::string_view name, Look look, std::array<Point, 4> corners, int hint,
                          Art art) {
    Rect box{corners[0].x, corners[0].y, corners[0].x, corners[0].y};
    for (const Point& p : corners) {
        box.left = std::min(box.left, p.x);
        box.top = std::min(box.top, p.y);
        box.right = std::max(box.right, p.x);
        box.bottom = std::max(box.bottom, p.y);
    }
    return Control{name, look, box, box, corners, hint, 0, art};
}

template <std::size_t A, std::size_t B>
constexpr std::array<Control, A + B> join(const std::array<Control, A>& a,
                                          const std::array<Control, B>& b) {
    std::array<Control, A + B> all{};
    std::copy(a.begin(), a.end(), all.begin());
    std::copy(b.begin(), b.end(), all.begin() + A);
    return all;
}

// ---- Main window -------------------------------------------------------------------------

// The eleven region buttons come first, in the order of their hint numbers 1..11: the
// window tests them in that order on every mouse move.
constexpr auto kMain = std::to_array<Control>({
    outline("page1", Look::RegionButton, {{{30, 85}, {189, 85}, {210, 121}, {30, 121}}}, 1,
            Art::Resources),
    outline("page2", Look::RegionButton, {{{193, 85}, {375, 85}, {396, 121}, {214, 121}}}, 2,
            Art::Resources),
    outline("page3", Look::RegionButton, {{{377, 85}, {559, 85}, {579, 121}, {399, 121}}}, 3,
            Art::Resources),
    outline("page4", Look::RegionButton, {{{562, 85}, {743, 85}, {764, 121}, {583, 121}}}, 4,
            Art::Resources),
    outline("page5", Look::RegionButton, {{{747, 85}, {928, 85}, {928, 121}, {768, 121}}}, 5,
            Art::Resources),
    outline("profile1", Look::RegionButton, {{{342, 608}, {435, 608}, {414, 635}, {321, 635}}}, 6,
            Art::Resources),
    outline("profile2", Look::RegionButton, {{{439, 608}, {533, 608}, {512, 635}, {417, 635}}}, 7,
            Art::Resources),
    outline("profile3", Look::RegionButton, {{{536, 608}, {628, 608}, {605, 635}, {513, 635}}}, 8,
            Art::Resources),
    outline("profile4", Look::RegionButton, {{{630, 608}, {723, 608}, {700, 635}, {607, 635}}}, 9,
            Art::Resources),
    outline("profile5", Look::RegionButton, {{{725, 608}, {818, 608}, {795, 635}, {703, 635}}}, 10,
            Art::Resources),
    outline("apply", Look::RegionButton, {{{841, 591}, {940, 591}, {940, 632}, {806, 632}}}, 11,
            Art::Resources),
    at("minimise", Look::Button, {887, 2, 921, 33}),
    at("hide", Look::Button, {922, 2, 956, 33}),
    at("language", Look::Button, {15, 617, 57, 635}),
    at("flag", Look::Picture, {19, 592, 55, 615}, 0, Art::Own, 1010),
    at("pages", Look::Frame, {15, 128, 940, 580}, 0, Art::Drawn),
    at("hint", Look::Label, {67, 598, 300, 628}, 0, Art::Drawn),
});

// ---- Main settings page ------------------------------------------------------------------

// The controls with hints come first, in the order the page tests them on a mouse move.
constexpr auto kSettings = std::to_array<Control>({
    at("dpi0", Look::CheckButton, {69, 66, 111, 80}, 12),
    at("dpi1", Look::CheckButton, {135, 66, 182, 80}, 12),
    at("dpi2", Look::CheckButton, {206, 66, 255, 80}, 12),
    at("dpi3", Look::CheckButton, {277, 66, 325, 80}, 12),
    at("dpi4", Look::CheckButton, {347, 66, 393, 80}, 12),
    at("dpi5", Look::CheckButton, {418, 66, 464, 80}, 12),
    at("dpi6", Look::CheckButton, {486, 66, 534, 80}, 12),
    at("dpi7", Look::CheckButton, {557, 66, 606, 80}, 12),
    at("speed", Look::Slider, {104, 167, 293, 179}, 13, Art::ResourceDown, 2560),
    at("precision", Look::CheckButton, {68, 203, 178, 219}, 14),
    at("height", Look::Slider, {422, 167, 624, 179}, 15, Art::ResourceDown, 2562),
    at("rate125", Look::CheckButton, {67, 303, 120, 317}, 16),
    at("rate500", Look::CheckButton, {134, 303, 190, 317}, 16),
    at("rate1000", Look::CheckButton, {201, 303, 261, 317}, 16),
    // The wheel radios sit at other places in the two layouts, so their looks come from the
    // layout's own tab pictures: the shared skin pictures show neither layout's radios.
    at2("lines", Look::CheckButton, {406, 331, 669, 347}, {406, 331, 558, 345}, 17, Art::Resources),
    at2("screen", Look::CheckButton, {406, 375, 672, 393}, {406, 361, 527, 375}, 18,
        Art::Resources),
    outline("tab0", Look::Tab, {{{19, 408}, {127, 408}, {95, 441}, {19, 441}}}, 65, Art::Resources),
    outline("tab1", Look::Tab, {{{130, 408}, {214, 408}, {182, 441}, {98, 441}}}, 65,
            Art::Resources),
    outline("tab2", Look::Tab, {{{218, 408}, {302, 408}, {270, 441}, {186, 441}}}, 65,
            Art::Resources),
    outline("tab3", Look::Tab, {{{306, 408}, {389, 408}, {357, 441}, {274, 441}}}, 65,
            Art::Resources),
    outline("tab4", Look::Tab, {{{393, 408}, {476, 408}, {444, 441}, {361, 441}}}, 65,
            Art::Resources),
    outline("tab5", Look::Tab, {{{481, 408}, {581, 408}, {549, 441}, {449, 441}}}, 65,
            Art::Resources),
    outline("tab6", Look::Tab, {{{586, 408}, {692, 408}, {660, 441}, {554, 441}}}, 65,
            Art::Resources),
    at("section.dpi", Look::HintArea, {40, 27, 176, 49}, 61, Art::Background),
    at("section.speed", Look::HintArea, {29, 127, 288, 157}, 13, Art::Background),
    at("section.sensor", Look::HintArea, {372, 129, 568, 154}, 62, Art::Background),
    at("section.rate", Look::HintArea, {30, 262, 208, 287}, 63, Art::Background),
    at("section.scroll", Look::HintArea, {374, 263, 661, 287}, 64, Art::Background),
    at("section.buttons", Look::HintArea, {29, 366, 205, 395}, 65, Art::Background),
    at2("lines.edit", Look::Edit, {550, 355, 573, 377}, {574, 333, 590, 358}, 0, Art::ResourceDown,
        2563),
    at2("lines.up", Look::Button, {573, 350, 588, 361}, {594, 330, 607, 340}, 0, Art::Resources),
    at2("lines.down", Look::Button, {573, 361, 588, 372}, {594, 341, 607, 350}, 0, Art::Resources),
    at2("indicator0", Look::Indicator, {759, 159, 782, 181}, {764, 138, 788, 161}),
    at2("indicator1", Look::Indicator, {800, 157, 822, 182}, {798, 148, 820, 170}),
    at2("indicator2", Look::Indicator, {839, 158, 863, 182}, {831, 140, 853, 162}),
    at2("indicator3", Look::Indicator, {725, 215, 751, 240}, {728, 219, 750, 241}),
    at2("indicator4", Look::Indicator, {730, 256, 754, 280}, {734, 254, 755, 275}),
    at2("indicator5", Look::Indicator, {799, 133, 822, 155}, {799, 123, 821, 146}),
    at2("indicator6", Look::Indicator, {798, 185, 822, 208}, {798, 178, 820, 200}),
});

// ---- Assignment pop-up and its sub-pages ---------------------------------------------------

// The pop-up posts no hints.
constexpr auto kPopup = std::to_array<Control>({
    at("close", Look::Button, {383, 1, 411, 24}),
    at("tab1", Look::Tab, {0, 37, 110, 64}),
    at("tab2", Look::Tab, {111, 37, 207, 64}),
    at("tab3", Look::Tab, {208, 37, 303, 64}),
    at("tab4", Look::Tab, {304, 37, 412, 64}),
    at("subpage", Look::Frame, {21, 74, 391, 243}, 0, Art::Drawn),
    at("disable", Look::CheckButton, {23, 258, 42, 277}),
    at("default", Look::Button, {238, 254, 315, 289}),
    at("ok", Look::Button, {316, 254, 393, 289}),
    at("title", Look::Label, {75, 1, 317, 20}, 0, Art::Drawn),
    at("current", Look::Label, {5, 16, 180, 38}, 0, Art::Drawn),
    at("disable.label", Look::Label, {46, 258, 106, 278}, 0, Art::Drawn),
});

constexpr auto kKeys = std::to_array<Control>({
    at("ctrl", Look::CheckButton, {59, 45, 72, 58}),
    at("alt", Look::CheckButton, {59, 70, 72, 83}),
    at("shift", Look::CheckButton, {59, 94, 72, 108}),
    at("windows", Look::CheckButton, {58, 119, 72, 133}),
    at("key", Look::Label, {170, 77, 326, 100}, 0, Art::Drawn),
    // A new key repaints a little more than the name, so no trace of a longer name stays.
    at("key.repaint", Look::Frame, {168, 77, 326, 100}, 0, Art::Drawn),
});

constexpr auto kMacroChoice = std::to_array<Control>({
    at("games", Look::List, {1, 1, 184, 168}, 0, Art::Drawn, 10001),
    at("macros", Look::List, {188, 1, 369, 168}, 0, Art::Drawn, 10002),
});

constexpr auto kBasic = std::to_array<Control>({
    at("functions", Look::List, {0, 0, 372, 171}, 0, Art::Drawn, 101),
});

// Rows 0..3: sound, program, file, folder; each a radio, a painted label, a path box and a
// browse button.
constexpr auto kAdvanced = std::to_array<Control>({
    at("sound", Look::CheckButton, {21, 37, 38, 54}),
    at("sound.label", Look::Label, {41, 36, 127, 56}, 0, Art::Drawn),
    at("sound.path", Look::Edit, {124, 36, 263, 52}, 0, Art::Background),
    at("sound.browse", Look::Button, {273, 33, 349, 55}),
    at("program", Look::CheckButton, {21, 63, 38, 80}),
    at("program.label", Look::Label, {41, 63, 127, 83}, 0, Art::Drawn),
    at("program.path", Look::Edit, {124, 63, 262, 79}, 0, Art::Background),
    at("program.browse", Look::Button, {273, 59, 349, 81}),
    at("file", Look::CheckButton, {21, 88, 38, 105}),
    at("file.label", Look::Label, {41, 89, 127, 109}, 0, Art::Drawn),
    at("file.path", Look::Edit, {124, 89, 262, 105}, 0, Art::Background),
    at("file.browse", Look::Button, {273, 86, 349, 108}),
    at("folder", Look::CheckButton, {21, 114, 38, 131}),
    at("folder.label", Look::Label, {41, 116, 127, 136}, 0, Art::Drawn),
    at("folder.path", Look::Edit, {124, 116, 262, 132}, 0, Art::Background),
    at("folder.browse", Look::Button, {273, 113, 349, 135}),
});

// ---- Macro manager page --------------------------------------------------------------------

// The controls whose places differ by layout, and the editing widgets that are hidden
// until used, take their looks from the layout's own resource pictures: the page's
// skin shows neither layout's, so no hidden or foreign control shows through.
constexpr auto kMacros = std::to_array<Control>({
    at("group", Look::Button, {25, 48, 327, 71}),
    at("macroList", Look::List, {27, 89, 325, 406}, 0, Art::Drawn, 256),
    at("newMacro", Look::Button, {26, 412, 67, 441}, 40),
    at("deleteMacro", Look::Button, {77, 412, 139, 441}, 41),
    at("eventList", Look::List, {345, 51, 626, 406}, 0, Art::Drawn, 257),
    at2("insert", Look::Button, {343, 412, 373, 440}, {361, 412, 391, 441}, 42, Art::Resources),
    at2("deleteEvent", Look::Button, {376, 412, 406, 440}, {394, 412, 424, 441}, 43,
        Art::Resources),
    at2("modify", Look::Button, {409, 412, 439, 440}, {427, 412, 457, 441}, 44, Art::Resources),
    // Hint 45, or 46 while recording.
    at("record", Look::Button, {783, 22, 899, 53}, 45),
    at("noDelays", Look::CheckButton, {646, 58, 834, 76}, 47),
    at("loopCount", Look::Edit, {852, 87, 892, 102}, 48, Art::Drawn, 1001),
    at2("clickPad", Look::Button, {715, 185, 740, 207}, {718, 213, 745, 257}, 49, Art::Resources),
    at2("middlePad", Look::Button, {756, 166, 780, 189}, {754, 205, 782, 256}, 50, Art::Resources),
    at2("menuPad", Look::Button, {802, 186, 825, 209}, {791, 213, 823, 257}, 51, Art::Resources),
    at2("keySelector", Look::CheckButton, {644, 316, 779, 335}, {644, 340, 757, 357}, 52,
        Art::Resources),
    at2("keyField", Look::Edit, {664, 340, 823, 358}, {666, 365, 821, 379}, 52, Art::Drawn, 1002),
    at2("keyOk", Look::Button, {852, 340, 892, 358}, {852, 362, 892, 383}, 52, Art::Resources),
    at2("delaySelector", Look::CheckButton, {644, 364, 790, 382}, {644, 389, 768, 405}, 53,
        Art::Resources),
    at2("delayField", Look::Edit, {664, 389, 823, 407}, {666, 415, 821, 428}, 53, Art::Drawn, 1003),
    at2("delayOk", Look::Button, {852, 389, 892, 407}, {852, 412, 892, 434}, 53, Art::Resources),
    at("macroList.title", Look::HintArea, {24, 19, 120, 40}, 86, Art::Background),
    at("macroList.area", Look::HintArea, {26, 87, 324, 406}, 87, Art::Background),
    at("eventList.title", Look::HintArea, {340, 19, 427, 39}, 88, Art::Background),
    at("eventList.area", Look::HintArea, {342, 49, 625, 407}, 88, Art::Background),
});

// ---- Lighting page ---------------------------------------------------------------------------

// The mode and LED buttons stand at other places in the two layouts, so their looks come
// from the layout's own resource pictures, which also draw the page's ground for that layout
// (title strips, slider tracks, swatch well): the shared skins show neither layout's buttons.
constexpr auto kLightingFixed = std::to_array<Control>({
    at2("mode4", Look::CheckButton, {197, 36, 407, 53}, {197, 36, 309, 52}, 26, Art::Resources),
    at2("mode3", Look::CheckButton, {450, 34, 665, 52}, {368, 36, 481, 52}, 27, Art::Resources),
    at2("off", Look::CheckButton, {710, 34, 828, 54}, {557, 36, 638, 52}, 28, Art::Resources),
    at2("mode2", Look::CheckButton, {196, 70, 286, 87}, {197, 68, 279, 86}, 29, Art::Resources),
    at2("level2", Look::Slider, {571, 72, 713, 83}, {459, 65, 603, 80}, 76, Art::Background, 778),
    at2("mode1", Look::CheckButton, {196, 103, 301, 118}, {197, 103, 279, 120}, 31, Art::Resources),
    at2("level1", Look::Slider, {571, 105, 713, 115}, {459, 99, 603, 114}, 32, Art::Background,
        777),
    at2("ledOn", Look::CheckButton, {325, 133, 394, 153}, {199, 136, 248, 150}, 37, Art::Resources),
    at2("ledOff", Look::CheckButton, {451, 133, 526, 152}, {325, 136, 375, 150}, 38,
        Art::Resources),
    at2("colour", Look::Swatch, {170, 207, 195, 232}, {171, 206, 196, 232}, 83, Art::Drawn),
    at2("red", Look::Slider, {571, 279, 698, 287}, {564, 272, 692, 287}, 39, Art::Background, 769),
    at2("green", Look::Slider, {571, 326, 698, 336}, {564, 319, 692, 334}, 39, Art::Background,
        770),
    at2("blue", Look::Slider, {571, 370, 698, 379}, {564, 354, 692, 379}, 39, Art::Background, 771),
    at("red.value", Look::Edit, {713, 275, 738, 290}, 0, Art::Background, 772),
    at("green.value", Look::Edit, {713, 323, 738, 338}, 0, Art::Background, 773),
    at("blue.value", Look::Edit, {713, 367, 738, 383}, 0, Art::Background, 774),
    // The wheel is part of the normal picture; the rectangle bounds its ellipse.
    at("wheel", Look::Wheel, {771, 264, 891, 383}, 0, Art::Background),
    at("backlight", Look::HintArea, {21, 25, 176, 50}, 75, Art::Background),
    at2("proximity", Look::HintArea, {17, 159, 253, 183}, {21, 138, 171, 167}, 80, Art::Background),
    at2("colourSetting", Look::HintArea, {17, 184, 516, 206}, {25, 166, 404, 195}, 81,
        Art::Background),
    at("currentColour", Look::HintArea, {28, 207, 159, 229}, 82, Art::Background),
    at("presetColours", Look::HintArea, {30, 247, 131, 265}, 84, Art::Background),
    at("customColour", Look::HintArea, {482, 239, 631, 260}, 85, Art::Background),
});

constexpr std::string_view kSwatchNames[] = {
    "swatch0",  "swatch1",  "swatch2",  "swatch3",  "swatch4",  "swatch5",  "swatch6",
    "swatch7",  "swatch8",  "swatch9",  "swatch10", "swatch11", "swatch12", "swatch13",
    "swatch14", "swatch15", "swatch16", "swatch17", "swatch18", "swatch19", "swatch20",
    "swatch21", "swatch22", "swatch23", "swatch24", "swatch25"};

// Seven swatches of 31 x 31 to a row, 40 pixels apart (the last two columns one pixel
// closer), rows 41 pixels apart. The Chinese layout sits further left and 2 pixels higher.
constexpr std::array<Control, 26> swatches() {
    std::array<Control, 26> all{};
    for (int i = 0; i < 26; ++i) {
        const int row = i / 7;
        const int column = i % 7;
        const int shift = column > 4 ? 1 : 0;
        const int top = 258 + 41 * row;
        const int english = 177 + 40 * column - shift;
        const int chinese = 140 + 40 * column - shift;
        all[i] = at2(kSwatchNames[i], Look::Swatch, {english, top, english + 31, top + 31},
                     {chinese, top - 2, chinese + 31, top + 30}, 0, Art::Drawn);
    }
    return all;
}

constexpr auto kLighting = join(kLightingFixed, swatches());

// ---- Statistics page ----------------------------------------------------------------------

constexpr auto kStatisticsFixed = std::to_array<Control>({
    at("trophy", Look::Trophy, {309, 0, 607, 451}, 54, Art::Own),
    at("reset", Look::Button, {703, 379, 832, 410}, 55),
    // Created here; a refresh gives it the width of the level (levelBarRect).
    at("levelBar", Look::Indicator, {630, 62, 901, 74}),
    at2("left", Look::Figure, {152, 85, 227, 106}, {167, 85, 242, 106}, 0, Art::Drawn),
    at2("middle", Look::Figure, {152, 119, 227, 139}, {167, 119, 242, 139}, 0, Art::Drawn),
    at2("right", Look::Figure, {152, 152, 227, 172}, {167, 152, 242, 172}, 0, Art::Drawn),
    at2("clicks", Look::Figure, {152, 183, 227, 203}, {167, 183, 242, 203}, 0, Art::Drawn),
    at2("wheelForward", Look::Figure, {152, 250, 227, 270}, {167, 250, 242, 270}, 0, Art::Drawn),
    at2("wheelBackward", Look::Figure, {152, 284, 227, 304}, {167, 284, 242, 304}, 0, Art::Drawn),
    at2("wheel", Look::Figure, {152, 319, 227, 339}, {167, 319, 242, 339}, 0, Art::Drawn),
    at2("distance", Look::Figure, {152, 384, 227, 404}, {187, 384, 262, 404}, 0, Art::Drawn),
    // What a counted click repaints and what the five-second distance update repaints. Each
    // covers its figures in the layout in use, so a wide number never leaves stale digits.
    at2("figures.repaint", Look::Frame, {151, 84, 228, 405}, {166, 84, 263, 405}, 0, Art::Drawn),
    at2("distance.repaint", Look::Frame, {152, 384, 227, 404}, {187, 384, 262, 404}, 0, Art::Drawn),
});

constexpr std::string_view kCellNames[] = {"cell0",  "cell1",  "cell2", "cell3", "cell4",
                                           "cell5",  "cell6",  "cell7", "cell8", "cell9",
                                           "cell10", "cell11", "cell12"};

// Trophy cells five to a row, 50 pixels apart, rows 58 pixels apart.
constexpr std::array<Control, 13> trophyCells() {
    std::array<Control, 13> all{};
    for (int i = 0; i < 13; ++i) {
        const int column = i % 5;
        const int row = i / 5;
        all[i] = at(kCellNames[i], Look::Indicator,
                    {647 + 50 * column, 132 + 58 * row, 690 + 50 * column, 182 + 58 * row});
    }
    return all;
}

constexpr auto kStatistics = join(kStatisticsFixed, trophyCells());

// ---- Support page -------------------------------------------------------------------------

constexpr auto kSupport = std::to_array<Control>({
    at("update", Look::Button, {405, 264, 520, 293}, 56),
    at("web", Look::Button, {711, 264, 826, 293}, 57),
    at("import", Look::Button, {134, 389, 224, 420}, 58),
    at("export", Look::Button, {234, 389, 324, 420}, 59),
    at("defaults", Look::Button, {785, 388, 873, 417}, 60),
    // Buttons that are never checked, so they only ever show their normal and hover pieces.
    at("programVersion", Look::Button, {77, 110, 274, 141}, 89),
    at("firmwareVersion", Look::Button, {380, 113, 559, 140}, 90),
    // Where the version texts are laid out. The firmware text's box is 515 wide, which would
    // reach past the page; only the part on the page can ever show.
    at("programVersion.text", Look::Label, {127, 169, 374, 361}, 0, Art::Drawn),
    at("firmwareVersion.text", Look::Label, {440, 169, 925, 361}, 0, Art::Drawn),
});

// ---- Message box and progress dialog --------------------------------------------------------

constexpr auto kInfo = std::to_array<Control>({
    at("close", Look::Button, {300, 0, 329, 29}, 0, Art::Resources),
    at("ok", Look::Button, {240, 127, 306, 159}, 0, Art::Resources),
    at("message", Look::Label, {90, 73, 305, 91}, 0, Art::Drawn),
    at("title", Look::Label, {10, 9, 100, 23}, 0, Art::Drawn),
});

constexpr auto kInfoCancel = std::to_array<Control>({
    at("close", Look::Button, {300, 0, 329, 29}, 0, Art::Resources),
    at("ok", Look::Button, {178, 127, 244, 159}, 0, Art::Resources),
    at("cancel", Look::Button, {245, 127, 311, 159}, 0, Art::Resources),
    at("message", Look::Label, {90, 73, 305, 91}, 0, Art::Drawn),
    at("title", Look::Label, {10, 9, 100, 23}, 0, Art::Drawn),
});

constexpr auto kProgress = std::to_array<Control>({
    // The bar's ground and fill are the pieces of the normal and over pictures.
    at("bar", Look::ProgressBar, {35, 47, 295, 56}, 0, Art::Skin, 777),
    // The text's layout box is 310 wide from x 35; the window is 330 wide, so it ends there.
    at("text", Look::Label, {35, 20, 330, 60}, 0, Art::Drawn),
    // Shown only while a firmware image downloads, level with the text and ending with the
    // bar; the text then ends before it.
    at("cancel", Look::Button, {228, 16, 295, 38}, 0, Art::Drawn),
});

// ---- Language menu ------------------------------------------------------------------------

// Entries of 22 pixels stacked from y = 6; the flag sits centred in the entry's first 25
// pixels and the label from 30 pixels in. The background is resource 129.
constexpr auto kLanguageMenu = std::to_array<Control>({
    at("language1", Look::MenuEntry, {6, 6, 110, 28}, 0, Art::Drawn),
    at("language2", Look::MenuEntry, {6, 28, 110, 50}, 0, Art::Drawn),
    at("language3", Look::MenuEntry, {6, 50, 110, 72}, 0, Art::Drawn),
    at("language4", Look::MenuEntry, {6, 72, 110, 94}, 0, Art::Drawn),
    at("language5", Look::MenuEntry, {6, 94, 110, 116}, 0, Art::Drawn),
    at("language6", Look::MenuEntry, {6, 116, 110, 138}, 0, Art::Drawn),
    at("language7", Look::MenuEntry, {6, 138, 110, 160}, 0, Art::Drawn),
    at("language8", Look::MenuEntry, {6, 160, 110, 182}, 0, Art::Drawn),
    at("language9", Look::MenuEntry, {6, 182, 110, 204}, 0, Art::Drawn),
    at("language10", Look::MenuEntry, {6, 204, 110, 226}, 0, Art::Drawn),
    at("language11", Look::MenuEntry, {6, 226, 110, 248}, 0, Art::Drawn),
    at("language12", Look::MenuEntry, {6, 248, 110, 270}, 0, Art::Drawn),
});

// ---- Pages ----------------------------------------------------------------------------------

// The five pages of the main window fill its page area (15,128)-(940,580): 925 x 452.
constexpr int kPageWidth = 925;
constexpr int kPageHeight = 452;

constexpr PageLayout kPages[] = {
    {"main", "skins/Main_Normal.bmp", "skins/Main_Over.bmp", "skins/Main_Down.bmp", 960, 640,
     kMain},
    {"settings", "skins/X5K_Main_Normal.bmp", "skins/X5K_Main_Over.bmp", "skins/X5K_Main_Down.bmp",
     kPageWidth, kPageHeight, kSettings},
    {"popup", "skins/setting/Setting_Normal.bmp", "skins/setting/Setting_Over.bmp",
     "skins/setting/Setting_Down.bmp", 412, 300, kPopup},
    // The sub-pages take the pop-up's sub-page area (370 x 169); the basic page is 2 pixels
    // larger each way so its list of 372 x 171 fits whole.
    {"keys", "skins/combo/Combo_Normal.bmp", "skins/combo/Combo_Over.bmp",
     "skins/combo/Combo_Down.bmp", 370, 169, kKeys},
    {"macro", "skins/macro/Macro_Normal.bmp", "skins/macro/Macro_Over.bmp",
     "skins/macro/Macro_Down.bmp", 370, 169, kMacroChoice},
    {"basic", "skins/base/Base_Normal.bmp", "skins/base/Base_Over.bmp", "skins/base/Base_Down.bmp",
     372, 171, kBasic},
    {"advanced", "skins/advanced/Advanced_Normal.bmp", "skins/advanced/Advanced_Over.bmp",
     "skins/advanced/Advanced_Down.bmp", 370, 169, kAdvanced},
    {"macros", "skins/Macro_normal.bmp", "skins/Macro_over.bmp", "skins/Macro_down.bmp", kPageWidth,
     kPageHeight, kMacros},
    {"lighting", "skins/Light/LedSet_normal.bmp", "skins/Light/LedSet_over.bmp",
     "skins/Light/LedSet_down.bmp", kPageWidth, kPageHeight, kLighting},
    {"statistics", "skins/Sts_Normal.bmp", "skins/Sts_Over.bmp", "skins/Sts_Down.bmp", kPageWidth,
     kPageHeight, kStatistics},
    {"support", "skins/support_normal.bmp", "skins/support_over.bmp", "skins/support_down.bmp",
     kPageWidth, kPageHeight, kSupport},
    // The message box is drawn from resources 1004..1009 (OK only and with Cancel).
    {"info", "", "", "", 330, 160, kInfo},
    {"info_cancel", "", "", "", 330, 160, kInfoCancel},
    // The progress dialog has no pressed look.
    {"progress", "skins/ProgressBar/Progress_Normal.png", "skins/ProgressBar/Progress_Over.png", "",
     330, 80, kProgress},
    // 116 wide; 12 entries of 22 from y = 6 plus 3 below: the size of resource 129.
    {"language_menu", "", "", "", 116, 273, kLanguageMenu},
};

// ---- Numbered resources -----------------------------------------------------------------------

constexpr int kFlagWidth = 36;  // the indicator pictures fill control 1010 of the main window
constexpr int kFlagHeight = 23;

constexpr ResourcePicture kResources[] = {
    {128, 256, 256, "application icon", "", State::None, Variant::Any},
    {129, 116, 273, "language menu background", "language_menu", State::Normal, Variant::Any},
    {130, 19, 11, "menu flag: Chinese", "language_menu", State::None, Variant::Any},
    {131, 19, 11, "menu flag: English", "language_menu", State::None, Variant::Any},
    {132, 19, 11, "menu flag: French", "language_menu", State::None, Variant::Any},
    {133, 19, 11, "menu flag: Korean", "language_menu", State::None, Variant::Any},
    {134, 19, 11, "menu flag: German", "language_menu", State::None, Variant::Any},
    {135, 19, 11, "menu flag: Italian", "language_menu", State::None, Variant::Any},
    {136, 19, 11, "menu flag: Spanish", "language_menu", State::None, Variant::Any},
    {137, 19, 11, "menu flag: Dutch", "language_menu", State::None, Variant::Any},
    {138, 19, 11, "menu flag: Portuguese", "language_menu", State::None, Variant::Any},
    {139, 19, 11, "menu flag: Russian", "language_menu", State::None, Variant::Any},
    {140, 19, 11, "menu flag: Ukrainian", "language_menu", State::None, Variant::Any},
    {141, 19, 11, "menu flag: Trad.Chinese", "language_menu", State::None, Variant::Any},
    {142, kFlagWidth, kFlagHeight, "language indicator: Chinese", "main", State::None,
     Variant::Any},
    {143, kFlagWidth, kFlagHeight, "language indicator: English", "main", State::None,
     Variant::Any},
    {144, kFlagWidth, kFlagHeight, "language indicator: French", "main", State::None, Variant::Any},
    {145, kFlagWidth, kFlagHeight, "language indicator: Korean", "main", State::None, Variant::Any},
    {146, kFlagWidth, kFlagHeight, "language indicator: German", "main", State::None, Variant::Any},
    {147, kFlagWidth, kFlagHeight, "language indicator: Italian", "main", State::None,
     Variant::Any},
    {148, kFlagWidth, kFlagHeight, "language indicator: Spanish", "main", State::None,
     Variant::Any},
    {149, kFlagWidth, kFlagHeight, "language indicator: Dutch", "main", State::None, Variant::Any},
    {150, kFlagWidth, kFlagHeight, "language indicator: Portuguese", "main", State::None,
     Variant::Any},
    {151, kFlagWidth, kFlagHeight, "language indicator: Russian", "main", State::None,
     Variant::Any},
    {152, kFlagWidth, kFlagHeight, "language indicator: Ukrainian", "main", State::None,
     Variant::Any},
    {153, kFlagWidth, kFlagHeight, "language indicator: Trad.Chinese", "main", State::None,
     Variant::Any},
    // The region buttons take pictures c, c + 2, c + 1, c as normal, pressed, hover and
    // disabled: c = 154 in Chinese, 157 otherwise.
    {154, 960, 640, "main window region buttons, normal (Chinese)", "main", State::Normal,
     Variant::Chinese},
    {155, 960, 640, "main window region buttons, hover (Chinese)", "main", State::Over,
     Variant::Chinese},
    {156, 960, 640, "main window region buttons, pressed (Chinese)", "main", State::Down,
     Variant::Chinese},
    {157, 960, 640, "main window region buttons, normal", "main", State::Normal, Variant::English},
    {158, 960, 640, "main window region buttons, hover", "main", State::Over, Variant::English},
    {159, 960, 640, "main window region buttons, pressed", "main", State::Down, Variant::English},
    // The pressed pictures also give the sliders' and the lines box's grounds; all three show
    // the layout's wheel radios in that look (pressed is checked).
    {160, kPageWidth, kPageHeight,
     "settings tabs and wheel radios pressed, slider and edit grounds (Chinese)", "settings",
     State::Down, Variant::Chinese},
    {161, kPageWidth, kPageHeight, "settings tabs and wheel radios, normal (Chinese)", "settings",
     State::Normal, Variant::Chinese},
    {162, kPageWidth, kPageHeight, "settings tabs and wheel radios, hover (Chinese)", "settings",
     State::Over, Variant::Chinese},
    {163, kPageWidth, kPageHeight,
     "settings tabs and wheel radios pressed, slider and edit grounds", "settings", State::Down,
     Variant::English},
    {164, kPageWidth, kPageHeight, "settings tabs and wheel radios, normal", "settings",
     State::Normal, Variant::English},
    {165, kPageWidth, kPageHeight, "settings tabs and wheel radios, hover", "settings", State::Over,
     Variant::English},
    // The macro page's buttons, pads and editing widgets at the layout's places.
    {167, kPageWidth, kPageHeight, "macro page controls, normal (Chinese)", "macros", State::Normal,
     Variant::Chinese},
    {168, kPageWidth, kPageHeight, "macro page controls, hover (Chinese)", "macros", State::Over,
     Variant::Chinese},
    {169, kPageWidth, kPageHeight, "macro page controls, pressed (Chinese)", "macros", State::Down,
     Variant::Chinese},
    {170, kPageWidth, kPageHeight, "macro page controls, normal", "macros", State::Normal,
     Variant::English},
    {171, kPageWidth, kPageHeight, "macro page controls, hover", "macros", State::Over,
     Variant::English},
    {172, kPageWidth, kPageHeight, "macro page controls, pressed", "macros", State::Down,
     Variant::English},
    // The lighting page whole as the layout shows it, its mode and LED buttons in each look.
    {173, kPageWidth, kPageHeight, "lighting page and buttons, normal (Chinese)", "lighting",
     State::Normal, Variant::Chinese},
    {174, kPageWidth, kPageHeight, "lighting page and buttons, hover (Chinese)", "lighting",
     State::Over, Variant::Chinese},
    {175, kPageWidth, kPageHeight, "lighting page and buttons, pressed (Chinese)", "lighting",
     State::Down, Variant::Chinese},
    {176, kPageWidth, kPageHeight, "lighting page and buttons, normal", "lighting", State::Normal,
     Variant::English},
    {177, kPageWidth, kPageHeight, "lighting page and buttons, hover", "lighting", State::Over,
     Variant::English},
    {178, kPageWidth, kPageHeight, "lighting page and buttons, pressed", "lighting", State::Down,
     Variant::English},
    // Nine cells of 18 x 18 in a row; rows normal, hover, pressed.
    {166, 163, 54, "scroll-bar skin", "", State::None, Variant::Any},
    {1004, 330, 160, "message box with Cancel, pressed", "info_cancel", State::Down, Variant::Any},
    {1005, 330, 160, "message box OK only, pressed", "info", State::Down, Variant::Any},
    {1006, 330, 160, "message box with Cancel, normal", "info_cancel", State::Normal, Variant::Any},
    {1007, 330, 160, "message box OK only, normal", "info", State::Normal, Variant::Any},
    {1008, 330, 160, "message box with Cancel, hover", "info_cancel", State::Over, Variant::Any},
    {1009, 330, 160, "message box OK only, hover", "info", State::Over, Variant::Any},
    {1011, 16, 16, "notification menu icon: Exit", "", State::None, Variant::Any},
    {1012, 16, 16, "notification menu icon: Config", "", State::None, Variant::Any},
};

// ---- Skin pictures ------------------------------------------------------------------------------

constexpr SkinPicture kSkins[] = {
    {"skins/Main_Normal.bmp", 960, 640, "main window"},
    {"skins/Main_Over.bmp", 960, 640, "main window, hover"},
    {"skins/Main_Down.bmp", 960, 640, "main window, pressed"},
    {"skins/X5K_Main_Normal.bmp", kPageWidth, kPageHeight, "main settings page"},
    {"skins/X5K_Main_Over.bmp", kPageWidth, kPageHeight, "main settings page, hover"},
    {"skins/X5K_Main_Down.bmp", kPageWidth, kPageHeight, "main settings page, pressed"},
    {"skins/setting/Setting_Normal.bmp", 412, 300, "assignment pop-up"},
    {"skins/setting/Setting_Over.bmp", 412, 300, "assignment pop-up, hover"},
    {"skins/setting/Setting_Down.bmp", 412, 300, "assignment pop-up, pressed"},
    {"skins/combo/Combo_Normal.bmp", 370, 169, "key page"},
    {"skins/combo/Combo_Over.bmp", 370, 169, "key page, hover"},
    {"skins/combo/Combo_Down.bmp", 370, 169, "key page, pressed"},
    {"skins/macro/Macro_Normal.bmp", 370, 169, "macro choice page"},
    {"skins/macro/Macro_Over.bmp", 370, 169, "macro choice page, hover"},
    {"skins/macro/Macro_Down.bmp", 370, 169, "macro choice page, pressed"},
    {"skins/base/Base_Normal.bmp", 372, 171, "basic functions page"},
    {"skins/base/Base_Over.bmp", 372, 171, "basic functions page, hover"},
    {"skins/base/Base_Down.bmp", 372, 171, "basic functions page, pressed"},
    {"skins/advanced/Advanced_Normal.bmp", 370, 169, "advanced page"},
    {"skins/advanced/Advanced_Over.bmp", 370, 169, "advanced page, hover"},
    {"skins/advanced/Advanced_Down.bmp", 370, 169, "advanced page, pressed"},
    {"skins/Macro_normal.bmp", kPageWidth, kPageHeight, "macro manager page"},
    {"skins/Macro_over.bmp", kPageWidth, kPageHeight, "macro manager page, hover"},
    {"skins/Macro_down.bmp", kPageWidth, kPageHeight, "macro manager page, pressed"},
    {"skins/Light/LedSet_normal.bmp", kPageWidth, kPageHeight, "lighting page"},
    {"skins/Light/LedSet_over.bmp", kPageWidth, kPageHeight, "lighting page, hover"},
    {"skins/Light/LedSet_down.bmp", kPageWidth, kPageHeight, "lighting page, pressed"},
    {"skins/Sts_Normal.bmp", kPageWidth, kPageHeight, "statistics page, unlit"},
    {"skins/Sts_Over.bmp", kPageWidth, kPageHeight, "statistics page, hover"},
    {"skins/Sts_Down.bmp", kPageWidth, kPageHeight, "statistics page, lit and pressed"},
    {"skins/support_normal.bmp", kPageWidth, kPageHeight, "support page"},
    {"skins/support_over.bmp", kPageWidth, kPageHeight, "support page, hover"},
    {"skins/support_down.bmp", kPageWidth, kPageHeight, "support page, pressed"},
    {"skins/ProgressBar/Progress_Normal.png", 330, 80, "progress dialog and empty bar"},
    {"skins/ProgressBar/Progress_Over.png", 330, 80, "progress dialog with the filled bar"},
    // The thumb is bottom-aligned in its track: as high as the settings page's tracks.
    {"skins/Slider.png", 10, 12, "slider thumb"},
    {"skins/up_normal.png", 16, 16, "list icon: key release"},
    {"skins/up_select.png", 16, 16, "list icon: key release, selected"},
    {"skins/down_normal.png", 16, 16, "list icon: key press"},
    {"skins/down_select.png", 16, 16, "list icon: key press, selected"},
    {"skins/delay_normal.png", 16, 16, "list icon: delay"},
    {"skins/delay_select.png", 16, 16, "list icon: delay, selected"},
    // One row of the group menu, 24 high as the menu's entries.
    {"skins/Menu/MenuNorL.BMP", 160, 24, "group menu entry"},
    {"skins/Menu/MenuOverL.BMP", 160, 24, "group menu entry, hover"},
    {"skins/Menu/MenuDownL.BMP", 160, 24, "group menu entry, pressed"},
    {"skins/Menu/MenuNorHaveSub.BMP", 160, 24, "group menu entry with submenu"},
    {"skins/Menu/MenuOverHaveSub.BMP", 160, 24, "group menu entry with submenu, hover"},
    {"skins/Menu/MenuDownHaveSub.BMP", 160, 24, "group menu entry with submenu, pressed"},
    // The trophy pictures replace the trophy display's looks whole: 298 x 451.
    {"skins/trophy/trophy0Down.bmp", 298, 451, "trophy of level 0"},
    {"skins/trophy/trophy1Down.bmp", 298, 451, "trophy of level 1"},
    {"skins/trophy/trophy2Down.bmp", 298, 451, "trophy of level 2"},
    {"skins/trophy/trophy3Down.bmp", 298, 451, "trophy of level 3"},
    {"skins/trophy/trophy4Down.bmp", 298, 451, "trophy of level 4"},
    {"skins/trophy/trophy5Down.bmp", 298, 451, "trophy of level 5"},
    {"skins/trophy/trophy6Down.bmp", 298, 451, "trophy of level 6"},
    {"skins/trophy/trophy7Down.bmp", 298, 451, "trophy of level 7"},
    {"skins/trophy/trophy8Down.bmp", 298, 451, "trophy of level 8"},
    {"skins/trophy/trophy9Down.bmp", 298, 451, "trophy of level 9"},
    {"skins/trophy/trophy10Down.bmp", 298, 451, "trophy of level 10"},
    {"skins/trophy/trophy11Down.bmp", 298, 451, "trophy of level 11"},
    {"skins/trophy/trophy12Down.bmp", 298, 451, "trophy of level 12"},
};

}  // namespace

std::span<const PageLayout> pages() {
    return kPages;
}

const PageLayout* findPage(std::string_view name) {
    for (const PageLayout& page : kPages) {
        if (page.name == name) return &page;
    }
    return nullptr;
}

const Control* findControl(const PageLayout& page, std::string_view name) {
    for (const Control& control : page.controls) {
        if (control.name == name) return &control;
    }
    return nullptr;
}

std::span<const ResourcePicture> resourcePictures() {
    return kResources;
}

const ResourcePicture* findResource(int id) {
    for (const ResourcePicture& picture : kResources) {
        if (picture.id == id) return &picture;
    }
    return nullptr;
}

const ResourcePicture* pageResource(std::string_view page, State state, bool chinese) {
    if (state == State::None) return nullptr;
    const Variant wanted = chinese ? Variant::Chinese : Variant::English;
    for (const ResourcePicture& picture : kResources) {
        if (picture.page == page && picture.state == state &&
            (picture.variant == Variant::Any || picture.variant == wanted)) {
            return &picture;
        }
    }
    return nullptr;
}

std::span<const SkinPicture> skinPictures() {
    return kSkins;
}

}  // namespace x5k::layout
