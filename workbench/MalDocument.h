#pragma once
// The microprogram editor's document: its file, the text last put into the editor, and
// two marks: the text must be compiled again (it changed since it was last checked), and
// the editor holds work that is on no disk.

#include "workbench/EditorFile.h"

#include <string>

namespace tarveno {

struct MalDocument {
    std::string fileName;           // empty until it is opened, saved or compiled
    bool named = false;             // the user gave the name (an unnamed program is compiled as tmp.mal)
    EditorFile file;                // the text last put into the editor, and its file's encoding
    bool needsCompile = true;       // changed since it was last saved for a compile
    bool unsaved = false;           // the user changed it since it was last read or written
    EditorPositions positions;      // editor positions of the compiled file's bytes
    bool editedDuringCheck = false; // the text changed after the checked file was written

    // The user changed the editor's text.
    void edit() { needsCompile = unsaved = editedDuringCheck = true; }
    // The editor holds work that is on no disk: changes since the file was read or
    // written, or any text while the program has no name of the user's.
    bool hasUnsavedWork(const std::string& editorText) const;
    // The question asked before such work would be replaced.
    std::string unsavedQuestion() const;
};

} // namespace tarveno
