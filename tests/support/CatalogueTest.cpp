// The two message catalogues: complete, with well-formed placeholders; and the choice of
// language from the environment.

#include "support/Catalogue.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

using namespace tarveno;

namespace {

// The placeholders a text uses; a brace that opens no known placeholder is reported as "?".
std::set<std::string> placeholders(std::string_view text) {
    static const std::set<std::string> known{"name", "label", "text", "file", "number"};
    std::set<std::string> out;
    for (size_t at = text.find('{'); at != std::string_view::npos; at = text.find('{', at + 1)) {
        const size_t close = text.find('}', at);
        const std::string key(text.substr(at + 1, close == std::string_view::npos ? 0 : close - at - 1));
        out.insert(known.count(key) ? key : "?");
    }
    return out;
}

} // namespace

TEST(Catalogue, EveryMessageExistsInBothLanguagesWithKnownPlaceholders) {
    for (int i = 0; i < static_cast<int>(Text::Count); ++i) {
        const auto code = static_cast<Text>(i);
        const std::string_view course = textOf(code, Language::Course);
        const std::string_view english = textOf(code, Language::English);
        EXPECT_FALSE(course.empty()) << i;
        EXPECT_FALSE(english.empty()) << i;
        EXPECT_EQ(placeholders(course).count("?"), 0u) << course;
        EXPECT_EQ(placeholders(english).count("?"), 0u) << english;
        // English is plain ASCII, and never names a function of the program.
        for (const char c : english)
            EXPECT_TRUE(c >= 0x20 && c < 0x7F) << english;
        EXPECT_EQ(english.find("::"), std::string_view::npos) << english;
        EXPECT_EQ(english.find("()"), std::string_view::npos) << english;
    }
}

TEST(Catalogue, MessagesAreComposedInTheCurrentLanguage) {
    EXPECT_EQ(currentLanguage(), Language::Course);
    // A value that looks like a placeholder stays as it is.
    const TextArguments labelInMain{.name = "main", .label = "{name}"};
    EXPECT_EQ(message(Text::UnknownLabel, labelInMain),
              "Errore nel metodo main. L'etichetta {name} non esiste.");
    EXPECT_EQ(message(Text::BadNumberBox, {.text = "12x"}),
              "Errore: il numero 12x non \xE8 valido. Il programma sar\xE0 adesso terminato.");
    EXPECT_EQ(textPlaceholderOffset(Text::BadNumberBox, {.text = "12x"}), 18u);
    setLanguage(Language::English);
    EXPECT_EQ(message(Text::UnknownLabel, labelInMain), "label {name} is not defined in method main");
    EXPECT_EQ(textPlaceholderOffset(Text::BadNumberBox, {.text = "12x"}), 0u);
    setLanguage(Language::Course);
}

TEST(Catalogue, TheUsersLanguageDecidesByTheUsualPrecedence) {
    const auto with = [](const char* language, const char* all, const char* messages, const char* lang) {
        const auto put = [](const char* name, const char* value) {
            if (value)
                setenv(name, value, 1);
            else
                unsetenv(name);
        };
        put("LANGUAGE", language);
        put("LC_ALL", all);
        put("LC_MESSAGES", messages);
        put("LANG", lang);
        return languageFromEnvironment();
    };
    EXPECT_EQ(with(nullptr, nullptr, nullptr, nullptr), Language::Course);
    EXPECT_EQ(with(nullptr, nullptr, nullptr, "C"), Language::Course);
    EXPECT_EQ(with(nullptr, nullptr, nullptr, "POSIX"), Language::Course);
    EXPECT_EQ(with(nullptr, nullptr, nullptr, "it_IT.UTF-8"), Language::Course);
    EXPECT_EQ(with(nullptr, nullptr, nullptr, "en_GB.UTF-8"), Language::English);
    EXPECT_EQ(with("", "", "", "en_US.UTF-8"), Language::English); // empty counts as unset
    EXPECT_EQ(with(nullptr, "C", nullptr, "en_US.UTF-8"), Language::Course);
    EXPECT_EQ(with(nullptr, nullptr, "en_US.UTF-8", "it_IT.UTF-8"), Language::English);
    EXPECT_EQ(with("en", "it_IT.UTF-8", nullptr, nullptr), Language::English);
    EXPECT_EQ(with(nullptr, nullptr, nullptr, nullptr), Language::Course);
    EXPECT_EQ(languageNamed("en"), Language::English);
    EXPECT_EQ(languageNamed("course"), Language::Course);
    EXPECT_EQ(languageNamed("fr"), std::nullopt);
}
