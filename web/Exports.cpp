// The module's functions, as the page's worker calls them: one per command of the session
// and of its parts, with the arguments the window passes. Texts come in as UTF-8 and every
// answer is a JSON text (see WebWorkbench.h) that stays valid until the next call.

#include "support/Catalogue.h"
#include "web/WebWorkbench.h"

#include <emscripten/emscripten.h>

#include <cmath>
#include <memory>

namespace {

using tarveno::Back;
using tarveno::IjvmOpening;
using tarveno::Outcome;
using tarveno::RunKind;
using tarveno::SaveMode;
using tarveno::Session;
using tarveno::Source;
using tarveno::web::WebWorkbench;

std::unique_ptr<WebWorkbench> workbench;
std::string answer;

// The workbench, made by the first call that needs it (tarveno_start, normally).
WebWorkbench& bench() {
    if (!workbench) workbench = std::make_unique<WebWorkbench>();
    return *workbench;
}

const char* keep(std::string text) {
    answer = std::move(text);
    return answer.c_str();
}

template <class Command> const char* perform(Command command, bool brief = false) {
    return keep(bench().perform(command, brief));
}

std::string text(const char* s) {
    return s ? std::string(s) : std::string();
}

// A count from the page, which passes numbers as doubles: whole, and within [low, high].
double bounded(double value, double low, double high) {
    return value >= low && value <= high ? std::floor(value) : low;
}

IjvmOpening opening(int how) {
    return how == 2 ? IjvmOpening::OnInterpreter : how == 1 ? IjvmOpening::Placed : IjvmOpening::Unplaced;
}

} // namespace

extern "C" {

// english: 1 for English messages, 0 for the course texts.
EMSCRIPTEN_KEEPALIVE const char* tarveno_start(int english) {
    tarveno::setLanguage(english ? tarveno::Language::English : tarveno::Language::Course);
    return keep(bench().state());
}

EMSCRIPTEN_KEEPALIVE void tarveno_set_language(int english) {
    tarveno::setLanguage(english ? tarveno::Language::English : tarveno::Language::Course);
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_geometry() {
    return keep(WebWorkbench::geometry());
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_state() {
    return keep(bench().state());
}

EMSCRIPTEN_KEEPALIVE void tarveno_set_editor_text(const char* editor) {
    bench().setEditorText(text(editor));
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_microprogram_edited() {
    return perform([](Session& s) {
        s.microprogramEdited();
        return Outcome{};
    });
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_compile_and_load() {
    return perform([](Session& s) { return s.compileAndLoad(); });
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_micro_step() {
    return perform([](Session& s) { return s.microStep(); });
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_sub_cycle() {
    return perform([](Session& s) { return s.run().subCycle(); });
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_reset() {
    return perform([](Session& s) { return s.reset(); });
}

// kind: 0 a Run to the halt address, 1 one IJVM instruction.
EMSCRIPTEN_KEEPALIVE const char* tarveno_start_run(int kind) {
    return perform(
        [kind](Session& s) { return s.startRun(kind == 1 ? RunKind::IjvmStep : RunKind::ToHalt); });
}

// At most steps microinstructions of the Run started; {"running":true} while it goes on.
EMSCRIPTEN_KEEPALIVE const char* tarveno_run_slice(double steps) {
    const auto count = static_cast<uint64_t>(bounded(steps, 1, 1e15));
    return perform([count](Session& s) { return s.run().slice(count); }, true);
}

EMSCRIPTEN_KEEPALIVE void tarveno_stop() {
    bench().session().run().stop();
}

// how: 0 one microinstruction, 1 one IJVM instruction.
EMSCRIPTEN_KEEPALIVE const char* tarveno_step_back(int how) {
    return perform([how](Session& s) {
        return s.run().stepBack(how == 1 ? Back::IjvmInstruction : Back::Microinstruction);
    });
}

// index: 0 decimal, 1 hexadecimal.
EMSCRIPTEN_KEEPALIVE const char* tarveno_set_radix(int index) {
    return perform([index](Session& s) { return s.run().setRadix(index); });
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_memory() {
    return perform([](Session& s) { return s.run().memory(); });
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_new_program() {
    return perform([](Session& s) { return s.newProgram(); });
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_open_microprogram(const char* name) {
    return perform([n = text(name)](Session& s) { return s.openMicroprogram(n); });
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_save() {
    return perform([](Session& s) { return s.save(); });
}

// saveAs: 1 for Save As (the next step compiles the file under its new name).
EMSCRIPTEN_KEEPALIVE const char* tarveno_save_to(const char* name, int saveAs) {
    return perform([n = text(name), saveAs](Session& s) {
        return s.saveTo(n, saveAs ? SaveMode::SaveAs : SaveMode::Save);
    });
}

// how: 0 unplaced, 1 placed on the microprogram loaded, 2 on the shipped interpreter.
EMSCRIPTEN_KEEPALIVE const char* tarveno_ask_ijvm_file(int how) {
    return perform([how](Session& s) { return s.askIjvmFile(opening(how)); });
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_open_ijvm(const char* name, int how) {
    return perform([n = text(name), how](Session& s) { return s.openIjvm(n, opening(how)); });
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_assemble_and_place(const char* source) {
    return perform([t = text(source)](Session& s) { return s.assembleAndPlace(t); });
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_skeleton() {
    return perform([](Session& s) { return s.skeleton(); });
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_ijvm_edited() {
    return perform([](Session& s) {
        s.ijvm().edit();
        return Outcome{};
    });
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_ijvm_save(const char* source) {
    return perform([t = text(source)](Session& s) { return s.ijvm().save(t); });
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_ijvm_save_as(const char* name, const char* source) {
    return perform([n = text(name), t = text(source)](Session& s) { return s.ijvm().saveAs(n, t); });
}

// The IJVM editor as a reload left it: its file (none: "") and the text it held.
EMSCRIPTEN_KEEPALIVE const char* tarveno_restore_ijvm(const char* name, const char* source) {
    return keep(bench().restoreIjvm(text(name), text(source)));
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_select_diagnostic(int row) {
    return perform([row](Session& s) { return s.ijvm().selectDiagnostic(row); });
}

// source: 0 the microprogram, 1 the IJVM program; line counts from 0.
EMSCRIPTEN_KEEPALIVE const char* tarveno_toggle_breakpoint(int source, int line) {
    return perform([source, line](Session& s) {
        return s.breakpoints().toggle(source == 1 ? Source::Ijvm : Source::Microprogram, line);
    });
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_clear_breakpoints() {
    return perform([](Session& s) { return s.breakpoints().clear(); });
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_set_standard_input(const char* number) {
    return perform([t = text(number)](Session& s) { return s.run().setStandardInput(t); });
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_memory_page(double firstWord, int radix) {
    return keep(bench().memoryPage(static_cast<uint32_t>(bounded(firstWord, 0, 4294967295.0)),
                                   radix == 16 ? 16 : 10));
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_go_at(const char* address) {
    return keep(WebWorkbench::goAt(text(address)));
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_write_word(const char* address, const char* word) {
    return keep(bench().writeWord(text(address), text(word)));
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_write_bytes(const char* address, const char* b0, const char* b1,
                                                     const char* b2, const char* b3) {
    const std::string bytes[4] = {text(b0), text(b1), text(b2), text(b3)};
    return keep(bench().writeBytes(text(address), {bytes[0], bytes[1], bytes[2], bytes[3]}));
}

EMSCRIPTEN_KEEPALIVE const char* tarveno_report_selection(int line) {
    return keep(bench().reportSelection(line));
}

} // extern "C"
