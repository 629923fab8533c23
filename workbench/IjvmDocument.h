#pragma once
// The IJVM program's document: its file and the text last put into the IJVM editor, the
// diagnostics of the last assembly with the text each concerns, and whether the program
// shown is the one placed in main memory. Its own saves and the choice of a diagnostic
// are commands of it; assembling and placing are the session's.

#include "ijvm/Program.h"
#include "workbench/EditorFile.h"
#include "workbench/Outcome.h"

#include <optional>
#include <string>
#include <vector>

namespace tarveno {

class FileRules;

class IjvmDocument {
  public:
    IjvmDocument(CommandGate& gate, const FileRules& files) : gate_(gate), files_(files) {}

    std::string fileName;
    EditorFile file;
    EditorPositions positions;               // editor positions of the placed program's bytes
    std::vector<std::string> diagnostics;    // the messages of the last assembly, for display
    std::vector<EditorSpan> diagnosticSpans; // the text each concerns, in the text assembled
    bool placed = false;                     // an assembled image is in main memory, ready to run
    bool unsaved = false;                    // the user changed the text since it was read or written
    bool edited = false;                     // the user changed the text since it was assembled
    bool differs = false;                    // a program is placed, and the text shown is not its source

    // The user changed the editor's text.
    void edit() {
        unsaved = edited = true;
        differs = placed;
    }
    std::string unsavedQuestion() const;
    // A span of the placed program's source bytes in the IJVM editor; none once the editor
    // shows another text (the spans no longer fit it).
    std::optional<EditorSpan> editorSpan(int32_t start, int32_t length) const;

    // The editor's text (UTF-8) saved to its file; a name is asked for when it has none or
    // the file cannot take it.
    Outcome save(const std::string& text);
    Outcome saveAs(const std::string& name, const std::string& text);
    // The diagnostic on row of the list: its text is selected in the editor.
    Outcome selectDiagnostic(int row);

    // The diagnostics of program, whose source is bytes.
    void takeDiagnostics(Outcome& o, const IjvmProgram& program, const std::string& bytes);
    // No diagnostics: the text they concerned is gone.
    void clearDiagnostics(Outcome& o);

  private:
    void write(const std::string& name, const std::string& text);

    CommandGate& gate_;
    const FileRules& files_;
};

} // namespace tarveno
