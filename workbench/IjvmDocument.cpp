#include "workbench/IjvmDocument.h"

#include "support/Encoding.h"
#include "support/FatalError.h"
#include "support/List.h"
#include "workbench/FileRules.h"

namespace tarveno {

std::string IjvmDocument::unsavedQuestion() const {
    if (fileName.empty()) return "The new IJVM program has not been saved. Save it?";
    return "The IJVM program " + FileRules::quoted(fileName) + " has changes that are not saved. Save them?";
}

std::optional<EditorSpan> IjvmDocument::editorSpan(int32_t start, int32_t length) const {
    if (edited || differs || start < 0 || length < 0) return std::nullopt;
    return EditorSpan{positions.at(start), positions.at(int64_t{start} + length)};
}

Outcome IjvmDocument::save(const std::string& text) {
    return gate_.run([&](Outcome& o) {
        if (fileName.empty() || !files_.writable(fileName)) {
            o.ask.what = Ask::IjvmSaveFileName;
            if (!fileName.empty()) o.ask.reason = FileRules::cannotWriteReason(fileName);
            return;
        }
        write(fileName, text);
    });
}

Outcome IjvmDocument::saveAs(const std::string& name, const std::string& text) {
    return gate_.run([&](Outcome&) {
        write(name, text);
        fileName = name;
    });
}

void IjvmDocument::write(const std::string& name, const std::string& text) {
    FileRules::write(name, encodeFile(text, file));
    unsaved = false;
}

Outcome IjvmDocument::selectDiagnostic(int row) {
    return gate_.run([&](Outcome& o) {
        // A row beyond the diagnostics shows its fault.
        if (row < 0 || static_cast<size_t>(row) >= diagnosticSpans.size()) fatal(listIndexMessage());
        o.ijvmSelection = diagnosticSpans[static_cast<size_t>(row)];
    });
}

void IjvmDocument::clearDiagnostics(Outcome& o) {
    diagnostics.clear();
    diagnosticSpans.clear();
    o.redraw.add(View::Diagnostics);
}

void IjvmDocument::takeDiagnostics(Outcome& o, const IjvmProgram& program, const std::string& bytes) {
    clearDiagnostics(o);
    const EditorPositions at(bytes);
    program.diagnostics.forEach([&](const Diagnostic& d) {
        diagnostics.push_back(messageToUtf8(d.message));
        diagnosticSpans.push_back({at.at(d.start), at.at(int64_t{d.start} + d.length)});
    });
    o.redraw.add(View::Diagnostics);
}

} // namespace tarveno
