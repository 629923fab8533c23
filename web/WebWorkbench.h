#pragma once
// The workbench as the web page drives it: one Session in the WebAssembly module, each
// command answered as one JSON text with the outcome, the drawing steps of its refresh
// (each with what it draws, computed by the window's view model) and the state the page
// shows. The page's scripts only paint what this answers, so the page shows what the
// window shows. The checker, a program of its own beside the window, runs here in the
// module, on the same files and with the same report.
//
// Files live in the module's memory file system: the user's and the shipped examples in
// one folder, the working folder, so the report names them as the user knows them.

#include "ui/model/IjvmViews.h"
#include "web/Json.h"
#include "workbench/Session.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tarveno::web {

// The folders under the root given: "files", the working folder, holds the user's files;
// "tarveno" the checker's report and the copy of the IJVM source.
inline constexpr const char* filesFolder = "files";
inline constexpr const char* ownFolder = "tarveno";

// The largest rows a table of the IJVM views sends; the stack sends its top, the output
// its last values.
inline constexpr int32_t maxTableRows = 2000;

class WebWorkbench final : public SessionHost {
  public:
    // The folders are made under root ("/" in the module), and the working folder is
    // entered.
    explicit WebWorkbench(const std::string& root = "/");
    WebWorkbench(const WebWorkbench&) = delete;
    WebWorkbench& operator=(const WebWorkbench&) = delete;

    std::string editorText() override { return editorText_; }
    // The page's microprogram editor, sent before each command.
    void setEditorText(std::string text) { editorText_ = std::move(text); }

    // Runs a command of the session, then the checker when the command asks for it, and
    // answers the outcome, the drawing steps and the state. While a Run goes on, brief
    // answers only {"running":true}.
    std::string perform(const std::function<Outcome(Session&)>& command, bool brief = false);
    // The state alone, as after a command that changed nothing.
    std::string state() {
        return perform([](Session&) { return Outcome{}; });
    }

    // The places, lines and rows the pictures and the form are drawn from.
    static std::string geometry();
    // The memory viewer's page of 100 words from firstWord: {"lines":[...]}, none before a
    // compile.
    std::string memoryPage(uint32_t firstWord, int radix) const;
    // "Go at": {"word":N}, or the failure of a malformed number.
    static std::string goAt(std::string_view text);
    // "Write Word" and "Write Byte": the numbers typed, written through the session.
    std::string writeWord(std::string_view address, std::string_view word);
    std::string writeBytes(std::string_view address, const std::array<std::string_view, 4>& bytes);
    // The IJVM editor as a reload left it: the file it showed ("" for none), read again,
    // and the text it held, which is the user's change when it differs from the file's.
    std::string restoreIjvm(const std::string& fileName, const std::string& text);
    // The finding a click on a line of the report chooses: {"span":[start,end]} or {}.
    std::string reportSelection(int line) const;

    Session& session() { return session_; }

  private:
    // The checker asked for by the outcome, run here; the session goes on with the rest of
    // the command, and the two outcomes are shown as one.
    Outcome checkWhenAsked(Outcome o);
    // Brings the IJVM views up to date as the window does after an outcome: true when
    // they changed.
    bool followIjvm(const Outcome& o);

    void writeOutcome(Json& j, const Outcome& o) const;
    void writePaint(Json& j, Refresh refresh) const;
    void writeMicroprogram(Json& j, const Outcome& o);
    void writeIjvm(Json& j, const Outcome& o, bool viewChanged);
    void writeIjvmView(Json& j);
    void writeRun(Json& j) const;

    std::string editorText_;
    Session session_;
    ui::IjvmWindowView ijvmView_;
};

} // namespace tarveno::web
