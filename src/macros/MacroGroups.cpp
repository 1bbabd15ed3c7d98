#include "macros/MacroGroups.h"

#include <array>

#include "macros/MacroRecord.h"

namespace x5k {
namespace {

struct GroupTexts {
    std::string_view menuEnglish;
    std::string_view menuChinese;
    std::string_view buttonEnglish;
    std::string_view buttonChinese;
};

// Blanks are part of the texts: users see them, and the menu and the button differ in
// a few of them.
// clang-format off
constexpr std::array<GroupTexts, 21> kGroups = {{
    {"Battlefield 3 ", "战地 3 ", "Battlefield 3", "战地 3"},
    {"Star Wars: The Old Republic", "星球大战:旧共和国", "Star Wars: The Old Republic", "星球大战:旧共和国"},
    {"Counter-Strike: Global Offensive", "反恐精英:全球攻势", "Counter-Strike: Global Offensive", "反恐精英:全球攻势"},
    {"Elder Scrolls V: Skyrim", "上古卷轴5：天际", "Elder Scrolls V: Skyrim", "上古卷轴5：天际"},
    {"Team Fortress 2", "军团要塞2", "Team Fortress 2", "军团要塞 2"},
    {"Batman Arkham City", "蝙蝠侠：阿甘之城", "Batman Arkham City", "蝙蝠侠：阿甘之城"},
    {"Civilization 5 ", "文明 5 ", "Civilization 5 ", "文明 5 "},
    {"World of Tanks", "坦克世界", "World of Tanks", "坦克世界"},
    {"Borderlands 2", "无主之地 2", "Borderlands 2", "无主之地 2"},
    {"Anno 2070", "纪元 2070：雷诺起源", "Anno 2070", "纪元 2070：雷诺起源"},
    {"League of Legends", "英雄联盟(LOL)", "League of Legends", "英雄联盟(LOL)"},
    {"Football Manager 2013 (EA)", "足球经理 2013 (EA)", "Football Manager 2013 (EA)", "足球经理 2013 (EA)"},
    {"Dota 2 ", "远古遗迹守卫2（Dota 2） ", "Dota 2 ", "远古遗迹守卫2（Dota 2）"},
    {"Battlefield 4", "战地 4", "Battlefield 4", "战地 4"},
    {"World of Warplanes", "战机世界", "World of Warplanes", "战机世界"},
    {"Football Manager 2013 (SEGA)", "足球经理 2013 (SEGA)", "Football Manager 2013 (SEGA)", "足球经理 2013 (SEGA)"},
    {"Minecraft", "我的世界", "Minecraft", "我的世界"},
    {"Neverwinter", "无冬之夜", "Neverwinter", "无冬之夜"},
    {"Path of Exile", "流亡黯道", "Path of Exile", "流亡黯道"},
    {"War Thunder", "战争雷霆", "War Thunder", "战争雷霆"},
    {"Customize", "玩家自定义", "Customisze", "玩家自定义"},
}};
// clang-format on
static_assert(kGroups.size() == macro::kGroupCount);

const GroupTexts* Find(int group) {
    if (group < 1 || group > macro::kGroupCount) return nullptr;
    return &kGroups[static_cast<size_t>(group - 1)];
}

}  // namespace

std::string_view MacroGroupMenuText(int group, bool chinese) {
    const GroupTexts* texts = Find(group);
    if (!texts) return {};
    return chinese ? texts->menuChinese : texts->menuEnglish;
}

std::string_view MacroGroupButtonText(int group, bool chinese) {
    const GroupTexts* texts = Find(group);
    if (!texts) return {};
    return chinese ? texts->buttonChinese : texts->buttonEnglish;
}

}  // namespace x5k
