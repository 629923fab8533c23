#pragma once
// The pages of the Help menu: the MAL and IJVM references and the tutorial, shipped inside
// the program (and installed in the documentation folder) as Markdown.

#include <array>
#include <string_view>

namespace tarveno::ui {

enum class HelpPage { MalReference, IjvmReference, Tutorial };

struct HelpPageInfo {
    std::string_view title; // as the menu and the page chooser name it
    std::string_view file;  // the Markdown file, in docs/ and in the program's resources
};

inline constexpr std::array<HelpPageInfo, 3> helpPages{{
    {"MAL Reference", "mal-reference.md"},
    {"IJVM Reference", "ijvm-reference.md"},
    {"Tutorial", "tutorial.md"},
}};

inline const HelpPageInfo& helpPage(HelpPage p) {
    return helpPages[static_cast<size_t>(p)];
}

} // namespace tarveno::ui
