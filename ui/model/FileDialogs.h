#pragma once
// The file dialogs of the window: the title and filter each command sets up, and the
// filters as the toolkit takes them.

#include <string>
#include <string_view>
#include <vector>

namespace tarveno::ui {

// A file dialog's title and filter: pairs of description and pattern separated by bars.
struct FileQuestion {
    std::string_view title;
    std::string_view filter;
};

inline constexpr FileQuestion openMicroprogramQuestion{"Open mal File",
                                                       "MAL files (*.mal) | *.mal | All files (*.*)|*.*"};
inline constexpr FileQuestion saveMicroprogramQuestion{"SaveAs Mic1 File",
                                                       "Mic1 files (*.mal)|*.mal |All files (*.*)|*.*"};
inline constexpr FileQuestion openIjvmQuestion{
    "Open IJVM File", "IJVM files (*.jvm)|*.jvm |JAS files (*.jas) |*.jas |All files (*.*)   |*.*"};
inline constexpr FileQuestion exportTraceQuestion{"Export Trace",
                                                  "CSV files (*.csv)|*.csv|All files (*.*)|*.*"};
inline constexpr FileQuestion saveIjvmQuestion{"Save IJVM File",
                                               "IJVM files (*.jvm)|*.jvm|All files (*.*)|*.*"};
inline constexpr FileQuestion testSuiteQuestion{"Run Test Suite",
                                                "Test suites (*.toml)|*.toml|All files (*.*)|*.*"};

// A bar filter as name filters "description (patterns)": blanks around the parts are
// dropped and "*.*" means every file.
std::vector<std::string> nameFilters(std::string_view barFilter);

} // namespace tarveno::ui
