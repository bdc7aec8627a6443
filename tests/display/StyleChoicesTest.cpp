// The styles the preferences offer, and what choosing one stores as "CustomChatStyle".
#include "display/StyleChoices.h"
#include "display/TranscriptPage.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace talv {
namespace {

std::vector<std::string> titles(const StyleChoices& choices) {
    std::vector<std::string> result;
    for (const StyleChoice& choice : choices.items) result.push_back(choice.title);
    return result;
}

std::optional<std::string> selectedTitle(const StyleChoices& choices) {
    if (!choices.selected) return std::nullopt;
    return choices.items[*choices.selected].title;
}

TEST(StyleChoices, BuiltInThenUserStylesAndTheRulesOfTheStoredChoice) {
    UserDefaults& defaults = UserDefaults::standard();
    const fs::path mine = userStylesDirectory() / "Mine.talStyle";
    fs::create_directories(mine);
    fs::create_directories(userStylesDirectory() / "Notes");  // not a style
    ASSERT_TRUE(defaults.removeObjectForKey("CustomChatStyle"));

    StyleChoices choices = prepareStyleChoices(defaults);
    EXPECT_EQ(titles(choices), (std::vector<std::string>{"Bubbles", "Compact", "Default", "Mine"}));
    EXPECT_EQ(selectedTitle(choices), "Default");
    EXPECT_EQ(choices.items[2].value, std::nullopt);
    EXPECT_EQ(choices.items[1].value, "Compact.talStyle") << "a built-in style is stored by its folder name";
    EXPECT_EQ(choices.items[3].value, mine.string()) << "a user style by its path";

    ASSERT_TRUE(chooseChatStyle(defaults, choices.items[3]));
    EXPECT_EQ(selectedTitle(prepareStyleChoices(defaults)), "Mine");
    ASSERT_TRUE(chooseChatStyle(defaults, choices.items[2]));
    EXPECT_FALSE(defaults.objectForKey("CustomChatStyle")) << "choosing the default removes the setting";

    // A path elsewhere is forgotten; a missing user style stays stored and selects nothing.
    ASSERT_TRUE(defaults.setObject("CustomChatStyle", "/elsewhere/Old.talStyle"));
    EXPECT_EQ(selectedTitle(prepareStyleChoices(defaults)), "Default");
    EXPECT_FALSE(defaults.objectForKey("CustomChatStyle"));
    const std::string removed = (userStylesDirectory() / "Removed.talStyle").string();
    ASSERT_TRUE(defaults.setObject("CustomChatStyle", removed));
    EXPECT_EQ(selectedTitle(prepareStyleChoices(defaults)), std::nullopt);
    EXPECT_EQ(defaults.stringForKey("CustomChatStyle"), removed);
    ASSERT_TRUE(defaults.removeObjectForKey("CustomChatStyle"));
}

}  // namespace
}  // namespace talv
