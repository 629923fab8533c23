#include "web/WebWorkbench.h"

#include "checker/MalChecker.h"
#include "core/MachineDescription.h"
#include "core/Microinstruction.h"
#include "support/FatalError.h"
#include "support/ReplacingFile.h"
#include "ui/model/DatapathView.h"
#include "ui/model/MemoryPage.h"
#include "ui/model/PaintSteps.h"
#include "ui/model/Places.h"
#include "ui/model/Readouts.h"
#include "workbench/EditorFile.h"
#include "workbench/FileRules.h"

#include <cstring>
#include <filesystem>

namespace tarveno::web {

namespace {

namespace fs = std::filesystem;

SessionFiles webFiles(const std::string& root) {
    const fs::path files = fs::path(root) / filesFolder;
    std::error_code ec;
    fs::create_directories(files, ec);
    fs::create_directories(fs::path(root) / ownFolder, ec);
    // Names relative to the working folder are the names the user gave.
    fs::current_path(files, ec);
    const std::string own = (fs::path(root) / ownFolder).string();
    // No shipped folder to protect: every file here is the browser's own copy, and the
    // user's changes leave it only as a download.
    return {own + "/output", own + "/tmp.swp", "tmp.mal", own + "/cache", "", "ijvm.mal"};
}

const char* refreshName(Refresh r) {
    switch (r) {
    case Refresh::None:
        return "None";
    case Refresh::Full:
        return "Full";
    case Refresh::Phase0:
        return "Phase0";
    case Refresh::Phase1:
        return "Phase1";
    case Refresh::Phase2:
        return "Phase2";
    case Refresh::Phase3:
        return "Phase3";
    }
    return "None";
}

const char* askName(Ask a) {
    switch (a) {
    case Ask::Nothing:
        return "Nothing";
    case Ask::SaveFileName:
        return "SaveFileName";
    case Ask::SaveAsFileName:
        return "SaveAsFileName";
    case Ask::IjvmFileName:
        return "IjvmFileName";
    case Ask::IjvmProgramToPlace:
        return "IjvmProgramToPlace";
    case Ask::LoadInterpreter:
        return "LoadInterpreter";
    case Ask::IjvmSaveFileName:
        return "IjvmSaveFileName";
    case Ask::MemoryViewer:
        return "MemoryViewer";
    case Ask::Checker:
        return "Checker";
    case Ask::TestSuiteFile:
        return "TestSuiteFile";
    }
    return "Nothing";
}

void writeSpan(Json& j, const std::optional<EditorSpan>& span) {
    if (!span) {
        j.null();
        return;
    }
    j.beginArray().value(span->start).value(span->end).endArray();
}

void writeRect(Json& j, const ui::Rect& r) {
    j.beginArray().value(r.x).value(r.y).value(r.width).value(r.height).endArray();
}

void writeColour(Json& j, const std::optional<ui::Rgb>& c) {
    if (!c) {
        j.null();
        return;
    }
    static constexpr char hex[] = "0123456789abcdef";
    std::string text = "#";
    for (const uint8_t v : {c->r, c->g, c->b}) {
        text += hex[v >> 4];
        text += hex[v & 15];
    }
    j.value(text);
}

void writePlace(Json& j, const ui::Place& p) {
    j.beginObject().field("name", p.name).field("text", p.text).key("rect");
    writeRect(j, p.rect);
    j.key("font")
        .beginObject()
        .field("px", p.font.pixels)
        .field("bold", p.font.bold)
        .field("narrow", p.font.face == ui::Face::SansNarrow)
        .endObject();
    j.key("colour");
    writeColour(j, p.textColour);
    j.key("background");
    writeColour(j, p.background);
    j.endObject();
}

void writePolyline(Json& j, const ui::Polyline& line) {
    j.beginArray();
    for (const ui::Point& p : line.view())
        j.value(p.x).value(p.y);
    j.endArray();
}

void writeLines(Json& j, const std::vector<ui::Polyline>& lines) {
    j.beginArray();
    for (const ui::Polyline& l : lines)
        writePolyline(j, l);
    j.endArray();
}

void writeLineStep(Json& j, const char* group, const ui::LineStep& step, bool keepRed) {
    j.beginObject().field("step", "lines").field("group", group).field("keepRed", keepRed).key("black");
    writeLines(j, step.black);
    j.key("red");
    writeLines(j, step.red);
    j.endObject();
}

void writeFlow(Json& j, const std::vector<ui::FlowRect>& rects) {
    // One row a pixel high each: x, y, width, the pause after it and whether it starts
    // its rectangle, flat.
    j.beginObject().field("step", "flow").key("rows").beginArray();
    for (const ui::FlowRow& r : ui::flowRows(rects))
        j.value(r.row.x).value(r.row.y).value(r.row.width).value(r.delayMs).value(r.startsRect ? 1 : 0);
    j.endArray().endObject();
}

void writeFailure(Json& j, const std::exception& e) {
    const FailureText f = failureText(e);
    j.field("failureCaption", f.caption).field("failure", f.text);
}

// The answer of a command that failed before it reached the session.
std::string failureAnswer(const std::exception& e) {
    Json j;
    j.beginObject();
    writeFailure(j, e);
    j.endObject();
    return j.text();
}

} // namespace

WebWorkbench::WebWorkbench(const std::string& root) : session_(*this, webFiles(root)) {}

Outcome WebWorkbench::checkWhenAsked(Outcome o) {
    while (o.ask.what == Ask::Checker) {
        // What quorc does with its two arguments: the report written whole, its first
        // character "E" exactly when the source has errors.
        const CheckerRequest request = session_.checkerRequest();
        std::string failure;
        try {
            const CheckResult result = checkMalFile(request.source);
            if (const int error = writeFileReplacing(request.report, formatReport(result, request.source)))
                failure = "The MAL checker could not write its report: " + std::string(std::strerror(error));
        } catch (const std::exception& e) {
            failure = failureText(e).text;
        }
        Outcome then = session_.checkerFinished(failure);
        // The editor and the clock were shown before the checker ran; the rest is the
        // command's end.
        then.redraw.views |= o.redraw.views;
        if (then.tell.status.empty()) then.tell.status = o.tell.status;
        if (!then.ijvmSelection) then.ijvmSelection = o.ijvmSelection;
        o = std::move(then);
    }
    return o;
}

bool WebWorkbench::followIjvm(const Outcome& o) {
    const Workbench& bench = session_.workbench();
    bool changed = false;
    if (o.redraw.has(View::IjvmCleared)) {
        ijvmView_.clear();
        changed = true;
    }
    if (o.redraw.has(View::IjvmImage) && bench.hasMachine()) {
        ijvmView_.place(bench.ijvmProgram(), bench.machine());
        changed = true;
    }
    // Every step, phase and Reset; a Run's only at its end.
    if ((o.redraw.pictures != Refresh::None || o.redraw.has(View::Memory)) && !session_.run().running())
        changed = true;
    if (!changed) return false;
    if (session_.ijvm().placed && bench.hasMachine())
        ijvmView_.refresh(bench.machine(), bench.ijvmProgram(), session_.run().counts());
    else
        ijvmView_.clear();
    return true;
}

std::string WebWorkbench::perform(const std::function<Outcome(Session&)>& command, bool brief) {
    Outcome o = checkWhenAsked(command(session_));
    const bool running = session_.run().running();
    if (brief && running && o.redraw.views == 0 && !o.failed()) return R"({"running":true})";
    const bool ijvmChanged = followIjvm(o);

    Json j;
    j.beginObject();
    j.key("outcome");
    writeOutcome(j, o);
    // A Run draws when it ends; a failure shows what the machine did before it.
    j.key("paint");
    writePaint(j, running ? Refresh::None : o.redraw.pictures);
    writeMicroprogram(j, o);
    writeIjvm(j, o, ijvmChanged);
    writeRun(j);
    j.endObject();
    return j.text();
}

void WebWorkbench::writeOutcome(Json& j, const Outcome& o) const {
    j.beginObject()
        .field("pictures", refreshName(o.redraw.pictures))
        .field("views", o.redraw.views)
        .key("ask")
        .beginObject()
        .field("what", askName(o.ask.what))
        .field("reason", o.ask.reason)
        .endObject()
        .key("tell")
        .beginObject()
        .field("notice", o.tell.notice)
        .field("status", o.tell.status)
        .field("failureCaption", o.tell.failureCaption)
        .field("failure", o.tell.failure)
        .endObject()
        .key("ijvmSelection");
    writeSpan(j, o.ijvmSelection);
    j.endObject();
}

void WebWorkbench::writePaint(Json& j, Refresh refresh) const {
    j.beginArray();
    const Workbench& bench = session_.workbench();
    if (!bench.hasMachine()) {
        j.endArray();
        return;
    }
    const Machine& m = bench.machine();
    using ui::PaintStep;
    for (const ui::Paint& p : ui::paintSteps(refresh)) {
        switch (p.step) {
        case PaintStep::InstructionBits: {
            const auto bits = ui::instructionBits(m);
            j.beginObject().field("step", "bits").field("bits", std::string_view(bits.data(), bits.size()));
            j.endObject();
            break;
        }
        case PaintStep::ClearMarks:
            j.beginObject().field("step", "clearMarks").endObject();
            break;
        case PaintStep::BSourceMark: {
            const auto readout = ui::bSourceReadout(field(m.mir, Field::B));
            j.beginObject().field("step", "bSourceMark").key("readout");
            if (readout)
                j.value(static_cast<int64_t>(*readout));
            else
                j.null();
            j.endObject();
            break;
        }
        case PaintStep::BLine:
            writeLineStep(j, "b", ui::bLineStep(ui::executedWord(m)), false);
            break;
        case PaintStep::CLines:
            writeLineStep(j, "c", ui::cLinesStep(ui::executedWord(m)), false);
            break;
        case PaintStep::ShiftAndJmpcMarks:
            writeLineStep(j, "marks", ui::shiftAndJmpcStep(ui::executedWord(m)), false);
            break;
        case PaintStep::NAndZMarks:
            writeLineStep(j, "marks", ui::nAndZStep(m.n != 0, m.z != 0), true);
            break;
        case PaintStep::BBusValue:
            j.beginObject().field("step", "bBus").field("text", ui::busText(m.bBus)).endObject();
            break;
        case PaintStep::ABFlow:
            writeFlow(j, ui::abFlowRects(field(m.mir, Field::B), p.value));
            break;
        case PaintStep::AluText:
            j.beginObject().field("step", "alu").field("text", ui::aluCaption(m)).endObject();
            break;
        case PaintStep::CBusValue:
            j.beginObject().field("step", "cBus").field("text", ui::busText(m.cBus)).endObject();
            break;
        case PaintStep::CFlow:
            writeFlow(j, ui::cFlowRects(field(m.mir, Field::C), p.value));
            break;
        case PaintStep::ClockRepaint:
            j.beginObject().field("step", "clockRepaint").endObject();
            break;
        case PaintStep::ClockMark:
            j.beginObject().field("step", "clockMark").key("rects").beginArray();
            for (const ui::Rect& r : ui::clockMarkRects(p.value))
                writeRect(j, r);
            j.endArray().endObject();
            break;
        case PaintStep::CWriteMarks:
            j.beginObject().field("step", "cWriteMarks").key("readouts").beginArray();
            for (const size_t i : ui::cWriteReadouts(field(m.mir, Field::C)))
                j.value(static_cast<int64_t>(i));
            j.endArray().endObject();
            break;
        case PaintStep::RegisterValues: {
            const ui::ValueTexts t = ui::valueTexts(m, session_.run().radix());
            j.beginObject().field("step", "values").key("registers").beginArray();
            for (const std::string& r : t.registers)
                j.value(r);
            j.endArray()
                .field("bBus", t.bBus)
                .field("cBus", t.cBus)
                .field("n", t.n)
                .field("z", t.z)
                .field("mpc", t.mpc)
                .endObject();
            break;
        }
        case PaintStep::SourceSelection:
            j.beginObject().field("step", "select").key("span");
            writeSpan(j, session_.sourceSelection());
            j.endObject();
            break;
        }
    }
    j.endArray();
}

void WebWorkbench::writeMicroprogram(Json& j, const Outcome& o) {
    const MalDocument& d = session_.mal();
    j.key("mal")
        .beginObject()
        .field("fileName", d.fileName)
        .field("named", d.named)
        .field("needsCompile", d.needsCompile)
        .field("unsavedWork", d.hasUnsavedWork(editorText_));
    if (o.redraw.has(View::MalEditor)) j.field("text", d.file.text);
    j.endObject();

    if (o.redraw.has(View::Report)) {
        const CheckerReport& r = session_.report();
        j.key("report").beginObject().field("shown", r.shown()).field("text", r.shown() ? r.text() : "");
        j.key("findings").beginArray();
        for (const Finding& f : r.findings()) {
            j.beginObject().field("line", f.reportLine).field("error", f.error).key("word");
            writeSpan(j, f.word);
            j.key("statement");
            writeSpan(j, f.statement);
            j.endObject();
        }
        j.endArray().endObject();
    }

    j.key("breakpoints").beginObject();
    for (const auto& [name, source] : {std::pair{"mal", Source::Microprogram}, {"ijvm", Source::Ijvm}}) {
        j.key(name).beginArray();
        for (const int line : session_.breakpoints().lines(source))
            j.value(line);
        j.endArray();
    }
    j.endObject();
}

void WebWorkbench::writeIjvm(Json& j, const Outcome& o, bool viewChanged) {
    const IjvmDocument& d = session_.ijvm();
    j.key("ijvm")
        .beginObject()
        .field("fileName", d.fileName)
        .field("unsaved", d.unsaved)
        .field("differs", d.differs)
        .field("placed", d.placed);
    if (o.redraw.has(View::IjvmEditor)) j.field("text", d.file.text);
    if (o.redraw.has(View::Diagnostics)) {
        j.key("diagnostics").beginArray();
        for (size_t i = 0; i < d.diagnostics.size(); ++i) {
            j.beginObject().field("message", d.diagnostics[i]).key("span");
            writeSpan(j, i < d.diagnosticSpans.size() ? std::optional(d.diagnosticSpans[i]) : std::nullopt);
            j.endObject();
        }
        j.endArray();
    }
    if (viewChanged) {
        j.key("view");
        writeIjvmView(j);
    }
    j.endObject();
}

void WebWorkbench::writeIjvmView(Json& j) {
    Session& s = session_;
    const Workbench& bench = s.workbench();
    const bool placed = s.ijvm().placed && bench.hasMachine();
    j.beginObject();
    std::string status = placed ? ijvmView_.registers()
                                : "No IJVM program is placed: open one, or assemble and place the source";
    if (bench.hasMachine()) status += "      executed: " + ui::IjvmWindowView::executed(s.run().counts());
    j.field("status", status);

    // The source of the instruction PC stands at, while the editor shows the program placed.
    std::optional<EditorSpan> current;
    if (const ui::ListingLine* line = ijvmView_.pcLine(); line && line->sourceStart >= 0)
        current = s.ijvm().editorSpan(line->sourceStart, line->sourceLength);
    j.key("current");
    writeSpan(j, current);
    j.field("pcRow", ijvmView_.pcRow());
    const int32_t* cell =
        bench.hasMachine() ? bench.machine().peekWord(machine::standardInputAddress) : nullptr;
    j.field("input", cell ? *cell : 0);

    static constexpr std::pair<const char*, ui::IjvmTable> tables[] = {
        {"methodArea", ui::IjvmTable::MethodArea}, {"constantPool", ui::IjvmTable::ConstantPool},
        {"stack", ui::IjvmTable::Stack},           {"output", ui::IjvmTable::Output},
        {"counts", ui::IjvmTable::Counts},
    };
    j.key("tables").beginObject();
    for (const auto& [name, table] : tables) {
        const int32_t rows = ijvmView_.rows(table);
        const int32_t columns = ui::IjvmWindowView::columns(table);
        // The output's last values; every other table from its first row (the stack's top).
        const int32_t first = table == ui::IjvmTable::Output && rows > maxTableRows ? rows - maxTableRows : 0;
        const int32_t last = std::min(rows, first + maxTableRows);
        j.key(name).beginObject().field("total", rows).field("first", first).key("headings").beginArray();
        for (int32_t c = 0; c < columns; ++c)
            j.value(ui::IjvmWindowView::heading(table, c));
        j.endArray().key("rows").beginArray();
        for (int32_t r = first; r < last; ++r) {
            j.beginArray();
            for (int32_t c = 0; c < columns; ++c)
                j.value(ijvmView_.cell(table, r, c));
            j.endArray();
        }
        // Each row's background (0xRRGGBB) and whether a register marks it.
        j.endArray().key("backgrounds").beginArray();
        for (int32_t r = first; r < last; ++r)
            j.value(ijvmView_.background(table, r));
        j.endArray().key("marked").beginArray();
        for (int32_t r = first; r < last; ++r)
            if (ijvmView_.marked(table, r)) j.value(r - first);
        j.endArray().endObject();
    }
    j.endObject().endObject();
}

void WebWorkbench::writeRun(Json& j) const {
    const RunController& run = session_.run();
    j.key("run")
        .beginObject()
        .field("running", run.running())
        .field("busy", run.busy())
        .field("loaded", run.loaded())
        .field("phase", run.phase())
        .field("radix", run.radix())
        .field("micro", run.counts().micro)
        .field("ijvm", run.counts().ijvm)
        .field("hasMachine", session_.workbench().hasMachine())
        .endObject();
}

std::string WebWorkbench::memoryPage(uint32_t firstWord, int radix) const {
    Json j;
    j.beginObject();
    if (session_.workbench().hasMachine()) {
        j.key("lines").beginArray();
        for (const std::string& line : ui::memoryLines(session_.workbench().machine(), firstWord, radix))
            j.value(line);
        j.endArray();
    }
    j.endObject();
    return j.text();
}

std::string WebWorkbench::goAt(std::string_view text) {
    Json j;
    j.beginObject();
    try {
        j.field("word", ui::typedWordAddress(text));
    } catch (const std::exception& e) {
        writeFailure(j, e);
    }
    j.endObject();
    return j.text();
}

std::string WebWorkbench::writeWord(std::string_view address, std::string_view word) {
    try {
        const ui::MemoryWrite w = ui::wordWrite(address, word);
        return perform([&](Session& s) { return s.run().writeMemoryWord(w.wordAddress, w.value); });
    } catch (const std::exception& e) {
        return failureAnswer(e);
    }
}

std::string WebWorkbench::writeBytes(std::string_view address, const std::array<std::string_view, 4>& bytes) {
    try {
        const ui::MemoryWrite w = ui::byteWrite(address, bytes);
        return perform([&](Session& s) { return s.run().writeMemoryWord(w.wordAddress, w.value); });
    } catch (const std::exception& e) {
        return failureAnswer(e);
    }
}

std::string WebWorkbench::restoreIjvm(const std::string& fileName, const std::string& text) {
    return perform([&](Session& s) {
        Outcome o;
        IjvmDocument& d = s.ijvm();
        std::error_code ec;
        if (!fileName.empty() && fs::is_regular_file(fileName, ec)) {
            try {
                d.file = decodeFile(FileRules::read(fileName));
                d.fileName = fileName;
            } catch (const std::exception&) {
                // Unreadable, it is no file of the editor's: the text stays, unnamed.
            }
        }
        if (d.file.text != text) {
            d.file.text = text;
            d.edit();
        }
        o.redraw.add(View::IjvmEditor);
        return o;
    });
}

std::string WebWorkbench::reportSelection(int line) const {
    Json j;
    j.beginObject();
    if (const auto span = session_.report().lineSelection(line)) {
        j.key("span");
        writeSpan(j, span);
    }
    j.endObject();
    return j.text();
}

std::string WebWorkbench::geometry() {
    namespace p = ui::places;
    Json j;
    j.beginObject();
    j.key("form").beginObject().field("caption", p::mainWindow.caption).key("client");
    writeRect(j, ui::clientArea(p::mainWindow));
    j.key("background");
    writeColour(j, p::mainWindow.background);
    j.endObject();

    j.key("places").beginObject();
    for (const ui::Place* place : {&p::datapathPicture,
                                   &p::flowSurface,
                                   &p::clockPicture,
                                   &p::clockMarks,
                                   &p::fileTitle,
                                   &p::fileNameLabel,
                                   &p::microprogramEditor,
                                   &p::reportPane,
                                   &p::editorArea,
                                   &p::buttonPanel,
                                   &p::memoryButton,
                                   &p::subCycleButton,
                                   &p::micButton,
                                   &p::resetButton,
                                   &p::compileButton,
                                   &p::radixBox,
                                   &p::aluPanel,
                                   &p::cBusTitle,
                                   &p::cBusLabel,
                                   &p::bBusLabel,
                                   &p::nLabel,
                                   &p::zLabel,
                                   &p::mpcLabel}) {
        j.key(place->name);
        writePlace(j, *place);
    }
    j.endObject();

    // The register readouts top to bottom, with the register each shows.
    j.key("registers").beginArray();
    for (size_t i = 0; i < p::registerLabels.size(); ++i) {
        j.beginObject().field("register", registerNames[p::readoutRegisters[i]]).key("place");
        writePlace(j, p::registerLabels[i]);
        j.endObject();
    }
    j.endArray();
    j.key("bits").beginArray();
    for (size_t i = 0; i < p::bitNames.size(); ++i)
        writePlace(j, p::bitLabel(i));
    j.endArray();

    // What the datapath diagram is drawn from: its size, the enable lines and marks in
    // black, the flow rows of each B source and C target, and the control word's columns.
    j.key("datapath")
        .beginObject()
        .field("width", ui::datapathWidth)
        .field("height", ui::datapathHeight)
        .key("flowOffset")
        .beginArray()
        .value(ui::flowOffset.x)
        .value(ui::flowOffset.y)
        .endArray();
    j.key("bSources").beginArray();
    for (uint32_t code = 0; code < 16; ++code) {
        const ui::Polyline* line = ui::bEnableLine(code);
        if (!line) continue;
        j.beginObject()
            .field("code", code)
            .field("register", registerNames[code >= B_MBRU ? size_t{MBR} : size_t{code}])
            .field("flowRow", ui::bFlowRow(code))
            .key("line");
        writePolyline(j, *line);
        j.endObject();
    }
    j.endArray().key("cTargets").beginArray();
    for (int bit = MAR; bit <= H; ++bit) {
        j.beginObject().field("register", registerNames[bit]).field("flowRow", ui::cFlowRow(bit)).key("line");
        writePolyline(j, ui::cEnableLine(bit));
        j.endObject();
    }
    j.endArray().key("marks").beginArray();
    for (int m = 0; m < ui::markCount; ++m)
        writePolyline(j, ui::markLine(m));
    j.endArray().key("bitColumns").beginArray();
    for (const int c : p::bitColumns)
        j.value(c);
    j.endArray().field("noBFlowRow", ui::noBFlowRow).endObject();
    j.key("clock").beginObject().field("width", ui::clockWidth).field("height", ui::clockHeight).endObject();

    j.key("colours").beginObject();
    for (const auto& [name, c] : std::initializer_list<std::pair<const char*, ui::Rgb>>{
             {"pictureInk", ui::colour::pictureInk},
             {"navy", ui::colour::navy},
             {"bBus", ui::colour::bBus},
             {"aBus", ui::colour::aBus},
             {"registerFill", ui::colour::registerFill},
             {"aluFill", ui::colour::aluFill},
             {"mirFill", ui::colour::mirFill},
             {"mpcFill", ui::colour::mpcFill},
             {"guideGrey", ui::colour::guideGrey},
             {"unmarked", ui::unmarked},
             {"bSourceMark", ui::bSourceMark},
             {"cWriteMark", ui::cWriteMark},
             {"aluShown", ui::aluShown},
             {"flow", ui::colour::blue},
             {"lit", ui::colour::red},
             {"report", ui::colour::report},
             {"noticeBackground", ui::colour::scrollBar},
         }) {
        j.key(name);
        writeColour(j, c);
    }
    j.endObject();
    j.field("memoryPageWords", ui::memoryPageWords);
    j.endObject();
    return j.text();
}

} // namespace tarveno::web
