#include "ui/model/FileDialogs.h"

namespace tarveno::ui {

namespace {

std::string trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t");
    return std::string(s.substr(first, last - first + 1));
}

} // namespace

std::vector<std::string> nameFilters(std::string_view barFilter) {
    std::vector<std::string> parts;
    size_t from = 0;
    for (;;) {
        const auto bar = barFilter.find('|', from);
        parts.push_back(trimmed(barFilter.substr(from, bar == std::string_view::npos ? bar : bar - from)));
        if (bar == std::string_view::npos) break;
        from = bar + 1;
    }
    std::vector<std::string> filters;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string description = parts[i];
        std::string pattern = parts[i + 1] == "*.*" ? "*" : parts[i + 1];
        // The description names its pattern in parentheses; the toolkit reads the pattern
        // from them.
        const auto open = description.rfind('(');
        if (open != std::string::npos) description = trimmed(description.substr(0, open));
        filters.push_back(description + " (" + pattern + ")");
    }
    return filters;
}

} // namespace tarveno::ui
