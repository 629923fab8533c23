#pragma once
// The checker's report of the last compile as the window shows it: its text (with a note
// above it on where the microprogram file went), whether it is shown, and its findings
// placed in the editor's text, each with the report line that names it.

#include "workbench/EditorFile.h"
#include "workbench/Outcome.h"

#include <optional>
#include <string>
#include <vector>

namespace tarveno {

// One finding of the report, placed in the editor.
struct Finding {
    int reportLine = 0;   // the report's line that names it (0-based)
    bool error = true;    // otherwise a warning
    EditorSpan word;      // the reported text: the word at its line and column
    EditorSpan statement; // its whole line
};

class CheckerReport {
  public:
    // Whether the report file begins with an error ("E"); a missing report ends the
    // command with its message.
    static bool reportsError(const std::string& reportFile);

    // Takes the report text; its findings are placed in source (the compiled bytes), whose
    // editor positions are given.
    void read(const std::string& text, const std::string& source, const EditorPositions& positions);
    // The report shows the checker's own words only: what it wrote when it failed.
    void showFailure(const std::string& errorOutput);
    void hide() {
        shown_ = false;
        findings_.clear();
    }
    void clear() {
        text_.clear();
        note_.clear();
        findings_.clear();
    }
    // A line above the report, and the report shown for it.
    void setNote(std::string note) { note_ = std::move(note); }
    void show(bool shown) { shown_ = shown; }

    // The warnings the report's first line counts ("warnings: N").
    int warnings() const;
    bool shown() const { return shown_; }
    bool hasNote() const { return !note_.empty(); }
    // The text shown: the note, then the report.
    std::string text() const { return note_.empty() ? text_ : note_ + "\n" + text_; }
    const std::vector<Finding>& findings() const { return findings_; }
    // The text a click on line of the shown report selects: the finding it names, if any.
    std::optional<EditorSpan> lineSelection(int line) const;

  private:
    std::string text_;
    std::string note_;
    bool shown_ = false;
    std::vector<Finding> findings_;
};

} // namespace tarveno
