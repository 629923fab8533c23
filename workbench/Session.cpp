#include "workbench/Session.h"

#include "core/MachineDescription.h"
#include "ijvm/LoadProgram.h"
#include "support/Conversions.h"
#include "support/Encoding.h"
#include "support/FatalError.h"
#include "support/FileBytes.h"
#include "support/ReplacingFile.h"
#include "workbench/IjvmSkeleton.h"
#include "workbench/Trace.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace tarveno {

namespace {

const std::string windowCaption = "TARVENO";

// A command ends here with a message for the user, under the window's caption.
struct CommandFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void failWith(const std::string& message) {
    throw CommandFailure(message);
}

std::string reason(int error = errno) {
    return std::strerror(error);
}

std::string quoted(const std::string& fileName) {
    std::string q = "\"";
    q.append(displayText(fileName)).append("\"");
    return q;
}

std::string readFile(const std::string& name) {
    FileBytes file = readFileBytes(name);
    if (file.error) failWith("Cannot open file " + quoted(name) + ". " + reason(file.error));
    return std::move(file.bytes);
}

// The file is replaced whole: a failure part-way leaves the user's file as it was.
void writeFile(const std::string& name, const std::string& bytes) {
    if (const int error = writeFileReplacing(name, bytes))
        failWith("Cannot write file " + quoted(name) + ". " + reason(error));
}

Refresh phaseRefresh(int phase) {
    static constexpr Refresh phases[4] = {Refresh::Phase0, Refresh::Phase1, Refresh::Phase2, Refresh::Phase3};
    return phases[phase];
}

} // namespace

std::string loadedNotice(int warnings) {
    std::string notice(hasBeenLoadedNotice);
    if (warnings == 1) notice += ", with 1 warning";
    if (warnings > 1) notice += ", with " + std::to_string(warnings) + " warnings";
    return notice;
}

FailureText failureText(const std::exception& failure) {
    if (const auto* fatal = dynamic_cast<const FatalError*>(&failure)) {
        if (const std::string& m = fatal->userMessage(); !m.empty()) {
            // The system's words are Windows-1252, the number the user typed is the user's.
            const auto [at, length] = fatal->userText();
            if (at + length > m.size()) return {"IJVM Error:", messageToUtf8(m)};
            return {"IJVM Error:", messageToUtf8(m.substr(0, at)) + displayText(m.substr(at, length)) +
                                       messageToUtf8(m.substr(at + length))};
        }
        return {windowCaption, messageToUtf8(fatal->message())};
    }
    return {windowCaption, displayText(failure.what())};
}

Session::Session(SessionHost& host, SessionFiles files) : host_(host), files_(std::move(files)) {}

template <class Body> Answer Session::command(Body&& body) {
    Answer a;
    // While a Run, an IJVM step or the checker is on, only stopping it acts.
    if (busy()) return a;
    // A command that waited for Save As goes on only with the Save As that follows it.
    afterSaveAs_ = {};
    try {
        body(a);
    } catch (const std::exception& e) {
        FailureText f = failureText(e);
        a.refresh = Refresh::None;
        a.notice.clear();
        a.ask = Ask::Nothing;
        if (checking_) {
            // The command failed before the checker started: nothing waits for it.
            checking_ = false;
            afterCheck_ = {};
        }
        a.failureCaption = std::move(f.caption);
        a.failure = std::move(f.text);
    }
    return a;
}

bool Session::requireLoaded(Answer& a) {
    if (loaded_) return true;
    a.notice = mustBeLoadedNotice;
    return false;
}

void Session::restartPhases(Answer& a) {
    phase_ = 0;
    a.phaseRestarted = true;
}

// ---- Compile and load ----

void Session::saveAndCompileIfModified(Answer& a, Continuation then) {
    if (document_.fileName.empty()) document_.fileName = files_.unnamedFile;
    if (!document_.modified) {
        then(a);
        return;
    }
    // Only text the user changed is written; an unchanged file, read-only or not, is
    // compiled as it is.
    if (document_.unsaved || !document_.named) {
        if (!saveEditor(a)) {
            afterSaveAs_ = [this, then](Answer& b) { saveAndCompileIfModified(b, then); };
            return;
        }
    }
    compileMicroprogram(a, std::move(then));
}

void Session::compileMicroprogram(Answer& a, Continuation then) {
    loaded_ = false;
    restartPhases(a);
    if (document_.fileName.empty()) return;
    // Until the checker has passed it, the text must be compiled again.
    document_.modified = true;
    // The editor shows exactly the bytes that are compiled.
    compiledBytes_ = readFile(document_.fileName);
    document_.file = decodeFile(compiledBytes_);
    document_.positions = EditorPositions(compiledBytes_);
    document_.unsaved = false;
    a.editorReloaded = true;
    findings_.clear();
    compileNote_.clear();

    // A report left by an earlier run must not pass for this one's.
    std::remove(files_.report.c_str());
    checkerRequest_ = {document_.fileName, files_.report};
    editedDuringCheck_ = false;
    afterCheck_ = std::move(then);
    checking_ = true;
    a.ask = Ask::Checker;
}

Answer Session::checkerFinished(const std::string& failure, const std::string& errorOutput) {
    if (!checking_) return {};
    checking_ = false;
    Continuation then = std::exchange(afterCheck_, {});
    return command([&](Answer& a) {
        a.reportChanged = true;
        try {
            if (!failure.empty()) failWith(failure);
            if (finishCompile()) {
                // A compile that succeeds loads the program, whichever command asked for it.
                loaded_ = true;
                a.refresh = Refresh::Full;
                if (ijvm_.placed && placedOnSerial_ == microprogramSerial_) {
                    // The interpreter compiled again runs the IJVM program placed before.
                    placeImage();
                    startHistory();
                    a.ijvmPlaced = true;
                } else if (ijvm_.placed) {
                    // Another microprogram: it starts on a clean machine.
                    ijvm_.placed = ijvm_.differs = false;
                    a.ijvmViewsCleared = true;
                }
            }
        } catch (...) {
            // What the checker said on its way out is all there is to read.
            reportShown_ = !errorOutput.empty();
            report_ = displayText(errorOutput);
            throw;
        }
        if (then) then(a);
    });
}

bool Session::finishCompile() {
    const bool errors = reportedError();
    bool loaded = false;
    report_ = decodeFile(readFile(files_.report)).text;
    readFindings();
    // A report with errors also counts as compiled: the text is not checked again until
    // it changes. A microprogram that cannot be assembled or loaded is tried again.
    if (!errors) {
        const std::string& source = document_.fileName;
        loaded =
            workbench_.compileAndLoad(source, microprogramFile(source, compileNote_), Check::Skip).loaded;
    }
    if (loaded) {
        loadedSource_ = compiledBytes_;
        startHistory();
        placeBreakpoints();
    }
    // Text typed while the checker ran is not what was compiled.
    document_.modified = std::exchange(editedDuringCheck_, false);
    // The report is shown when it has something to say: errors, warnings, or where the
    // microprogram file went.
    if (!compileNote_.empty()) report_ = compileNote_ + "\n" + report_;
    reportShown_ = errors || !compileNote_.empty() || reportedWarnings() > 0;
    return loaded;
}

namespace {

bool isWordByte(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// A positive count written in decimal, or 0 for anything else.
int countIn(std::string_view digits) {
    int n = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    return error == std::errc() && end == digits.data() + digits.size() && n > 0 ? n : 0;
}

// "FILE:LINE:COLUMN: error: ..." or "...: warning: ...": false when the report line names
// no place.
bool parseFindingLine(std::string_view line, int& lineNumber, int& column, bool& error) {
    size_t kind = line.find(": error: ");
    error = kind != std::string_view::npos;
    if (!error) kind = line.find(": warning: ");
    if (kind == std::string_view::npos) return false;
    const std::string_view place = line.substr(0, kind);
    const size_t c = place.rfind(':');
    if (c == std::string_view::npos || c == 0) return false;
    const size_t l = place.rfind(':', c - 1);
    if (l == std::string_view::npos) return false;
    lineNumber = countIn(place.substr(l + 1, c - l - 1));
    column = countIn(place.substr(c + 1));
    return lineNumber > 0 && column > 0;
}

} // namespace

void Session::readFindings() {
    findings_.clear();
    // Where each line of the compiled file starts, in bytes.
    std::vector<size_t> lineStarts{0};
    for (size_t i = 0; i < compiledBytes_.size(); ++i)
        if (compiledBytes_[i] == '\n') lineStarts.push_back(i + 1);
    int index = 0;
    for (size_t from = 0; from <= report_.size(); ++index) {
        const size_t to = std::min(report_.find('\n', from), report_.size());
        int line = 0, column = 0;
        bool error = true;
        if (parseFindingLine(std::string_view(report_).substr(from, to - from), line, column, error) &&
            static_cast<size_t>(line) <= lineStarts.size()) {
            const size_t begin = lineStarts[static_cast<size_t>(line) - 1];
            size_t end = compiledBytes_.find('\n', begin);
            if (end == std::string::npos) end = compiledBytes_.size();
            if (end > begin && compiledBytes_[end - 1] == '\r') --end;
            const size_t at = std::min(begin + static_cast<size_t>(column) - 1, end);
            size_t wordEnd = at;
            while (wordEnd < end && isWordByte(compiledBytes_[wordEnd]))
                ++wordEnd;
            if (wordEnd == at && at < end) ++wordEnd; // a mark, not a word: that one character
            auto span = [&](size_t a, size_t b) {
                return EditorSpan{document_.positions.at(static_cast<int64_t>(a)),
                                  document_.positions.at(static_cast<int64_t>(b))};
            };
            findings_.push_back({index, error, span(at, wordEnd), span(begin, end)});
        }
        from = to + 1;
    }
}

std::optional<EditorSpan> Session::reportLineSelection(int line) const {
    // The report pane shows the note line first, when there is one.
    if (!compileNote_.empty()) --line;
    // A finding's line, and the source and caret lines under it, all stand for it.
    const Finding* chosen = nullptr;
    for (const Finding& f : findings_)
        if (f.reportLine <= line) chosen = &f;
    if (!chosen) return std::nullopt;
    return chosen->word;
}

bool Session::reportedError() const {
    std::ifstream report(files_.report, std::ios::binary);
    // A missing report ends the command, not the program.
    if (!report)
        failWith("The checker's report " + displayText(files_.report) + " could not be read: " + reason());
    char first = 0;
    return report.get(first) && first == 'E';
}

int Session::reportedWarnings() const {
    // The report's first line ends in "warnings: N".
    const std::string_view first = std::string_view(report_).substr(0, report_.find('\n'));
    const size_t at = first.rfind("warnings: ");
    return at == std::string_view::npos ? 0 : countIn(first.substr(at + 10));
}

bool Session::isProtected(const std::filesystem::path& folder) const {
    std::error_code ec;
    return !files_.protectedFolder.empty() &&
           std::filesystem::equivalent(folder, std::filesystem::path(files_.protectedFolder), ec);
}

std::string Session::microprogramFile(const std::string& source, std::string& note) const {
    namespace fs = std::filesystem;
    const std::string beside = microprogramFileFor(source);
    std::error_code ec;
    const fs::path folder = fs::absolute(fs::path(beside), ec).parent_path();
    if (!isProtected(folder) && ::access(folder.c_str(), W_OK) == 0) return beside;
    fs::create_directories(files_.cacheFolder, ec);
    const std::string cached = (fs::path(files_.cacheFolder) / fs::path(beside).filename()).string();
    note = "The microprogram file is " + displayText(cached) + ": the source's folder cannot be written.";
    return cached;
}

bool Session::writableFile(const std::string& fileName) const {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path path = fs::absolute(fs::path(fileName), ec);
    if (isProtected(path.parent_path())) return false;
    if (::access(path.c_str(), F_OK) == 0) return ::access(path.c_str(), W_OK) == 0;
    return ::access(path.parent_path().c_str(), W_OK) == 0;
}

// Writes the editor to the document's file; a file that cannot take it (read-only, or a
// shipped example) is not touched, and Save As is asked for with the reason.
bool Session::saveEditor(Answer& a) {
    if (!writableFile(document_.fileName)) {
        a.ask = Ask::SaveAsFileName;
        a.askReason = displayText(std::filesystem::path(document_.fileName).filename().string()) +
                      " cannot be written: save your changes under another name";
        return false;
    }
    writeEditor(document_.fileName);
    return true;
}

void Session::writeEditor(const std::string& fileName) {
    writeFile(fileName, encodeFile(host_.editorText(), document_.file));
    document_.unsaved = false;
}

Answer Session::compileAndLoad() {
    return command([&](Answer& a) {
        saveAndCompileIfModified(a, [this](Answer& b) {
            if (reportedError() || !workbench_.hasMachine()) return;
            b.refresh = Refresh::Full;
            b.notice = loadedNotice(reportShown_ ? reportedWarnings() : 0);
            loaded_ = true;
        });
    });
}

// ---- Stepping ----

Answer Session::mic() {
    return command([&](Answer& a) {
        phase_ = 0;
        saveAndCompileIfModified(a, [this](Answer& b) {
            if (!requireLoaded(b)) return;
            history().microStep(machine(), counts_);
            b.refresh = Refresh::Full;
        });
    });
}

Answer Session::subCycle() {
    return command([&](Answer& a) {
        // The whole microinstruction runs at phase 0; the later phases only show it.
        if (phase_ == 0) {
            if (!requireLoaded(a)) return;
            history().microStep(machine(), counts_);
        }
        a.refresh = phaseRefresh(phase_);
        phase_ = (phase_ + 1) % 4;
    });
}

Answer Session::reset() {
    return command([&](Answer& a) {
        restartPhases(a);
        if (!requireLoaded(a)) return;
        if (ijvm_.placed) {
            // The IJVM program starts again: memory as it was placed, its registers set.
            machine().mainMemory = placedMemory_;
            machine().reset();
            placeImage();
        } else {
            machine().reset();
        }
        machine().memoryWord(machine::standardInputAddress) = 0;
        startHistory();
        a.refresh = Refresh::Full;
    });
}

Answer Session::startRun() {
    return startRunning(Running::Run);
}

Answer Session::startIjvmStep() {
    return startRunning(Running::IjvmStep);
}

Answer Session::startRunning(Running what) {
    return command([&](Answer& a) {
        phase_ = 0;
        saveAndCompileIfModified(a, [this, what](Answer& b) {
            if (!requireLoaded(b)) return;
            running_ = what;
            stopRequested_ = false;
            leaveBreakpoint_ = what == Running::Run;
        });
    });
}

Answer Session::runSlice(uint64_t steps) {
    Answer a;
    if (!running()) return a;
    const Running what = running_;
    // Ending here, however it ends, gives the window its commands back.
    running_ = Running::Nothing;
    a = command([&](Answer& b) {
        if (!stopRequested_) {
            RunLimits limits{steps, nullptr};
            limits.maxMemoryBytes = memoryBound_;
            limits.breakpoints = &breakpoints_;
            History& h = history();
            ControlPath& m = machine();
            // A Run from a breakpoint goes on: its own microinstruction first.
            if (std::exchange(leaveBreakpoint_, false) && m.mpc != ControlPath::haltAddress &&
                breakpoints_.at(m.mpc, m.registers[PC]))
                h.microStep(m, counts_);
            const StopReason why =
                what == Running::Run ? h.run(m, counts_, limits) : h.ijvmStep(m, counts_, limits);
            if (why == StopReason::Bound) {
                running_ = what;
                return;
            }
            if (why == StopReason::Breakpoint) b.status = breakpointStatus();
            if (why == StopReason::MemoryBound)
                b.notice = "Run stopped: main memory passed its bound of " +
                           std::to_string(memoryBound_ >> 20) + " MB.";
        }
        b.refresh = Refresh::Full;
    });
    // A failure inside the Run leaves the machine as of its last microinstruction: show it.
    if (a.failed() && workbench_.hasMachine()) a.refresh = Refresh::Full;
    return a;
}

void Session::stopRun() {
    if (running()) stopRequested_ = true;
}

Answer Session::setRadix(int index) {
    return command([&](Answer& a) {
        if (index == 0) radix_ = 10;
        if (index == 1) radix_ = 16;
        if (requireLoaded(a)) a.refresh = Refresh::Full;
    });
}

Answer Session::memory() {
    return command([&](Answer& a) {
        if (requireLoaded(a)) a.ask = Ask::MemoryViewer;
    });
}

std::optional<EditorSpan> Session::sourceSelection() const {
    if (!workbench_.hasMachine()) return std::nullopt;
    const uint32_t mpc = workbench_.machine().mpc;
    // Beyond the source map (MPC 512 and more) nothing is selected.
    if (mpc >= SourceMap::size) return std::nullopt;
    const SourceSpan span = workbench_.sourceMap().at(mpc);
    return EditorSpan{document_.positions.at(span.start),
                      document_.positions.at(int64_t{span.start} + span.length)};
}

// ---- Files ----

bool Session::hasUnsavedWork() {
    if (document_.unsaved) return true;
    if (document_.named) return false;
    const std::string text = host_.editorText();
    return text.find_first_not_of(" \t\r\n") != std::string::npos;
}

std::string Session::unsavedQuestion() const {
    if (!document_.named) return "The new microprogram has not been saved. Save it?";
    return "The microprogram " + quoted(std::filesystem::path(document_.fileName).filename().string()) +
           " has changes that are not saved. Save them?";
}

Answer Session::newProgram() {
    return command([&](Answer& a) {
        ++microprogramSerial_;
        document_.fileName.clear();
        document_.named = false;
        document_.file = EditorFile{}; // a new file is UTF-8 with line feeds
        document_.modified = true;
        document_.unsaved = false;
        a.editorReloaded = true;
        reportShown_ = false;
        findings_.clear();
        a.reportChanged = true;
    });
}

Answer Session::openMicroprogram(const std::string& fileName) {
    return command([&](Answer& a) {
        ++microprogramSerial_;
        document_.fileName = fileName;
        document_.named = true;
        compileMicroprogram(a, {});
    });
}

Answer Session::save() {
    return command([&](Answer& a) {
        // An unnamed program is kept where the user says, not in the window's own folder.
        if (!document_.named)
            a.ask = Ask::SaveFileName;
        else
            saveEditor(a);
    });
}

Answer Session::saveNamed(const std::string& fileName) {
    return command([&](Answer&) {
        writeEditor(fileName);
        document_.fileName = fileName;
        document_.named = true;
    });
}

Answer Session::saveAs(const std::string& fileName) {
    Continuation resume = std::exchange(afterSaveAs_, {});
    return command([&](Answer& a) {
        writeEditor(fileName);
        document_.fileName = fileName;
        document_.named = true;
        // The next step or compile compiles the file under its new name.
        document_.modified = true;
        // The command that asked for the name goes on.
        if (resume) resume(a);
    });
}

// ---- IJVM ----

void Session::clearIjvmViews(Answer& a) {
    a.ijvmViewsCleared = true;
    // The skeleton may come before any compile: then there is no cell to zero.
    if (workbench_.hasMachine()) {
        machine().memoryWord(machine::standardInputAddress) = 0;
        machineChanged();
    }
}

Answer Session::openIjvmRequest() {
    return command([&](Answer& a) {
        // With no machine yet there is nothing to assemble into: the command is refused
        // with the not-compiled notice, before any file is asked for.
        if (!workbench_.hasMachine())
            a.notice = mustBeLoadedNotice;
        else
            a.ask = Ask::IjvmFileName;
    });
}

Answer Session::openIjvmProgram(const std::string& fileName) {
    return command([&](Answer& a) {
        if (!workbench_.hasMachine()) return;
        workbench_.openIjvmProgram(fileName);
        ijvm_.placed = ijvm_.differs = false;
        ijvm_.edited = false;
        const std::string bytes = readFile(fileName);
        readIjvmDiagnostics(a, workbench_.ijvmProgram(), bytes);
        ijvm_.fileName = fileName;
        ijvm_.file = decodeFile(bytes);
        ijvm_.positions = EditorPositions(bytes);
        ijvm_.unsaved = false;
        a.ijvmEditorReloaded = true;
        EditorFile swap = ijvm_.file;
        writeFile(files_.swapFile, encodeFile(ijvm_.file.text, swap));
        loaded_ = false;
        restartPhases(a); // the machine was reset
        clearIjvmViews(a);
        ijvmSource_ = bytes;
        startHistory();
        placeBreakpoints();
    });
}

void Session::readIjvmDiagnostics(Answer& a, const IjvmProgram& program, const std::string& bytes) {
    ijvm_.diagnostics.clear();
    ijvm_.diagnosticSpans.clear();
    const EditorPositions positions(bytes);
    program.diagnostics.forEach([&](const Diagnostic& d) {
        ijvm_.diagnostics.push_back(messageToUtf8(d.message));
        ijvm_.diagnosticSpans.push_back({positions.at(d.start), positions.at(int64_t{d.start} + d.length)});
    });
    a.diagnosticsChanged = true;
}

Answer Session::skeleton() {
    return command([&](Answer& a) {
        clearIjvmViews(a);
        std::string text;
        for (size_t i = 0; i < ijvmSkeleton.size(); ++i) {
            if (i > 0) text += '\n';
            text += windows1252ToUtf8(ijvmSkeleton[i]);
        }
        ijvm_.file.text = text;
        ijvm_.differs = ijvm_.placed;
        a.ijvmEditorReloaded = true;
    });
}

Answer Session::setStandardInput(const std::string& text) {
    return command([&](Answer&) {
        // The number is checked even with no machine yet; it is then stored nowhere.
        const int32_t value = atolong(text);
        if (workbench_.hasMachine()) {
            machine().memoryWord(machine::standardInputAddress) = value;
            machineChanged();
        }
    });
}

Answer Session::selectDiagnostic(int row) {
    return command([&](Answer& a) {
        // A row beyond the diagnostics shows its fault.
        if (row < 0 || static_cast<size_t>(row) >= ijvm_.diagnosticSpans.size()) fatal(listIndexMessage);
        a.ijvmSelection = ijvm_.diagnosticSpans[static_cast<size_t>(row)];
    });
}

// ---- Running IJVM programs ----

Answer Session::placeIjvmRequest() {
    return command([&](Answer& a) {
        if (workbench_.hasMachine()) {
            a.ask = Ask::IjvmProgramToPlace;
        } else if (!files_.interpreter.empty() && std::filesystem::exists(files_.interpreter)) {
            a.ask = Ask::LoadInterpreter;
            a.askReason = "No microprogram is loaded to interpret IJVM programs. Load the IJVM "
                          "interpreter " +
                          quoted(std::filesystem::path(files_.interpreter).filename().string()) + " first?";
        } else {
            a.notice = mustBeLoadedNotice;
        }
    });
}

Answer Session::placeIjvmProgram(const std::string& fileName) {
    return command([&](Answer& a) {
        if (workbench_.hasMachine()) placeFile(a, fileName);
    });
}

Answer Session::loadInterpreterAndPlace(const std::string& fileName) {
    return command([&](Answer& a) {
        ++microprogramSerial_;
        document_.fileName = files_.interpreter;
        document_.named = true;
        compileMicroprogram(a, [this, fileName](Answer& b) {
            if (reportedError() || !workbench_.hasMachine()) return;
            loaded_ = true;
            placeFile(b, fileName);
        });
    });
}

void Session::placeFile(Answer& a, const std::string& fileName) {
    const std::string bytes = readFile(fileName);
    assembleIjvm(a, fileName, bytes);
    ijvm_.fileName = fileName;
    ijvm_.file = decodeFile(bytes);
    ijvm_.unsaved = false;
    a.ijvmEditorReloaded = true;
}

Answer Session::assembleAndPlace(const std::string& text) {
    return command([&](Answer& a) {
        if (!workbench_.hasMachine()) {
            a.notice = mustBeLoadedNotice;
            return;
        }
        // Assembled from the window's own copy: the user's file is written by a save only.
        EditorFile copy = ijvm_.file;
        const std::string bytes = encodeFile(text, copy);
        writeFile(files_.swapFile, bytes);
        assembleIjvm(a, files_.swapFile, bytes);
        ijvm_.file.text = text;
    });
}

void Session::assembleIjvm(Answer& a, const std::string& fileName, const std::string& bytes) {
    IjvmProgram program = assembleProgram(fileName);
    readIjvmDiagnostics(a, program, bytes);
    ijvm_.edited = false;
    if (program.diagnostics.count() > 0) {
        // Nothing is placed: the machine goes on with the program it holds, if any.
        ijvm_.differs = ijvm_.placed;
        return;
    }
    // The image goes into the machine as it is: a compile or a step that waited would
    // replace what the user sees run.
    workbench_.placeIjvmProgram(std::move(program));
    ijvm_.positions = EditorPositions(bytes);
    ijvm_.placed = true;
    ijvm_.differs = false;
    placedOnSerial_ = microprogramSerial_;
    restartPhases(a); // the machine was reset
    clearIjvmViews(a);
    placedMemory_ = machine().mainMemory;
    a.ijvmPlaced = true;
    ijvmSource_ = bytes;
    startHistory();
    placeBreakpoints();
    a.breakpointsChanged = true;
    a.refresh = Refresh::Full;
}

void Session::placeImage() {
    const IjvmProgram& program = workbench_.ijvmProgram();
    tarveno::placeImage(machine(), program.methodArea, program.constantPool);
    placedMemory_ = machine().mainMemory;
}

Answer Session::saveIjvm(const std::string& text) {
    return command([&](Answer& a) {
        if (ijvm_.fileName.empty() || !writableFile(ijvm_.fileName)) {
            a.ask = Ask::IjvmSaveFileName;
            if (!ijvm_.fileName.empty())
                a.askReason = displayText(std::filesystem::path(ijvm_.fileName).filename().string()) +
                              " cannot be written: save your changes under another name";
            return;
        }
        writeIjvm(ijvm_.fileName, text);
    });
}

Answer Session::saveIjvmAs(const std::string& fileName, const std::string& text) {
    return command([&](Answer&) {
        writeIjvm(fileName, text);
        ijvm_.fileName = fileName;
    });
}

void Session::writeIjvm(const std::string& fileName, const std::string& text) {
    writeFile(fileName, encodeFile(text, ijvm_.file));
    ijvm_.unsaved = false;
}

std::string Session::unsavedIjvmQuestion() const {
    if (ijvm_.fileName.empty()) return "The new IJVM program has not been saved. Save it?";
    return "The IJVM program " + quoted(std::filesystem::path(ijvm_.fileName).filename().string()) +
           " has changes that are not saved. Save them?";
}

std::optional<EditorSpan> Session::ijvmEditorSpan(int32_t start, int32_t length) const {
    if (ijvm_.edited || ijvm_.differs || start < 0 || length < 0) return std::nullopt;
    return EditorSpan{ijvm_.positions.at(start), ijvm_.positions.at(int64_t{start} + length)};
}

// ---- Going back, breakpoints, counts ----

History& Session::history() {
    if (historyMachine_ != &workbench_.machine()) startHistory();
    return history_;
}

void Session::startHistory() {
    ControlPath& m = machine();
    counts_.start(m.registers[PC], m.registers[MBR]);
    history_.start(m, counts_);
    historyMachine_ = &m;
}

void Session::machineChanged() {
    if (!workbench_.hasMachine()) return;
    if (historyMachine_ != &workbench_.machine())
        startHistory();
    else
        history_.changed(machine(), counts_);
}

Answer Session::writeMemoryWord(uint32_t wordAddress, int32_t value) {
    return command([&](Answer& a) {
        if (!workbench_.hasMachine()) return;
        machine().memoryWord(wordAddress) = value;
        machineChanged();
        a.memoryChanged = true;
    });
}

Answer Session::stepBack() {
    return goBack(false);
}

Answer Session::ijvmStepBack() {
    return goBack(true);
}

Answer Session::goBack(bool ijvm) {
    return command([&](Answer& a) {
        restartPhases(a);
        if (!requireLoaded(a)) return;
        History& h = history();
        if (counts_.micro == 0) {
            a.status = "Nothing to go back to: the program starts here";
            return;
        }
        const uint64_t target = ijvm ? History::ijvmBack(counts_) : counts_.micro - 1;
        // Over its budget the history forgets its oldest steps: it cannot go before them.
        if (target < h.firstStep()) {
            a.status = "Cannot go back: history starts at step " + std::to_string(h.firstStep());
            return;
        }
        h.goTo(machine(), counts_, target);
        a.refresh = Refresh::Full;
    });
}

namespace {

// The offsets at which lines of text begin.
std::vector<size_t> lineStarts(std::string_view text) {
    std::vector<size_t> starts{0};
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') starts.push_back(i + 1);
    return starts;
}

int lineAt(const std::vector<size_t>& starts, size_t offset) {
    return static_cast<int>(std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin()) - 1;
}

// A line of text as code, without its comment.
std::string lineText(std::string_view text, const std::vector<size_t>& starts, int line) {
    if (line < 0 || static_cast<size_t>(line) >= starts.size()) return {};
    const size_t begin = starts[static_cast<size_t>(line)];
    const size_t end = std::min(text.find('\n', begin), text.size());
    return codeOfLine(text.substr(begin, end - begin));
}

// The line a statement stands on: its span holds the comments before it, then its line.
int statementLine(std::string_view source, const std::vector<size_t>& starts, SourceSpan span) {
    if (span.length <= 0 || span.start < 0 || static_cast<size_t>(span.start) >= source.size()) return -1;
    size_t last =
        std::min(source.size(), static_cast<size_t>(span.start) + static_cast<size_t>(span.length)) - 1;
    while (last > static_cast<size_t>(span.start) && (source[last] == '\n' || source[last] == '\r'))
        --last;
    return lineAt(starts, last);
}

} // namespace

void Session::placeBreakpoints() {
    breakpoints_.clear();
    if (workbench_.hasMachine() && !loadedSource_.empty()) {
        const std::vector<size_t> starts = lineStarts(loadedSource_);
        std::set<int> statements;
        for (uint32_t address = 0; address < Breakpoints::addresses; ++address) {
            const int line = statementLine(loadedSource_, starts, workbench_.sourceMap().at(address));
            if (line < 0) continue;
            statements.insert(line);
            if (breakLines_.count(line)) breakpoints_.micro.set(address);
        }
        std::erase_if(breakLines_, [&](int line) { return !statements.count(line); });
    }
    if (ijvm_.placed && !ijvmSource_.empty()) {
        const std::vector<size_t> starts = lineStarts(ijvmSource_);
        std::set<int> instructions;
        workbench_.ijvmProgram().sourceMap.forEach([&](uint32_t offset, uint32_t at) {
            const int line = lineAt(starts, at);
            instructions.insert(line);
            if (!ijvmBreakLines_.count(line)) return;
            if (breakpoints_.ijvm.size() <= offset) breakpoints_.ijvm.resize(offset + 1);
            breakpoints_.ijvm[offset] = true;
        });
        std::erase_if(ijvmBreakLines_, [&](int line) { return !instructions.count(line); });
    }
}

Answer Session::toggleBreakpoint(int line) {
    return command([&](Answer& a) {
        if (line < 0) return;
        if (!breakLines_.erase(line)) breakLines_.insert(line);
        placeBreakpoints();
        if (!breakLines_.count(line) && loaded_)
            a.status = "No statement on line " + std::to_string(line + 1);
        a.breakpointsChanged = true;
    });
}

Answer Session::toggleIjvmBreakpoint(int line) {
    return command([&](Answer& a) {
        if (line < 0) return;
        if (!ijvmBreakLines_.erase(line)) ijvmBreakLines_.insert(line);
        placeBreakpoints();
        if (!ijvmBreakLines_.count(line))
            a.status = "No IJVM instruction placed on line " + std::to_string(line + 1);
        a.breakpointsChanged = true;
    });
}

Answer Session::clearBreakpoints() {
    return command([&](Answer& a) {
        breakLines_.clear();
        ijvmBreakLines_.clear();
        placeBreakpoints();
        a.breakpointsChanged = true;
    });
}

std::vector<std::string> Session::breakpointList() const {
    std::vector<std::string> list;
    const std::vector<size_t> mal = lineStarts(loadedSource_), ijvm = lineStarts(ijvmSource_);
    for (int line : breakLines_)
        list.push_back("MAL line " + std::to_string(line + 1) + ": " +
                       displayText(lineText(loadedSource_, mal, line)));
    for (int line : ijvmBreakLines_)
        list.push_back("IJVM line " + std::to_string(line + 1) + ": " +
                       displayText(lineText(ijvmSource_, ijvm, line)));
    return list;
}

Answer Session::exportTrace(const std::string& fileName, uint64_t last) {
    return command([&](Answer& a) {
        if (!requireLoaded(a)) return;
        History& h = history();
        // As far back as the history goes, and not more lines than a spreadsheet takes.
        last = std::min({last, counts_.micro - h.firstStep(), maxTraceLines});
        const uint64_t first = counts_.micro - last;
        std::string csv = traceCsvHeader() + "\n";
        uint64_t step = first;
        h.replay(machine(), counts_, first, [&](const ControlPath& m) {
            csv +=
                traceCsvRow(++step, m, statementText(loadedSource_, workbench_.sourceMap(), m.previousMpc));
            csv += '\n';
        });
        writeFile(fileName, csv);
        a.status = "Exported " + std::to_string(last) + " microinstruction" + (last == 1 ? "" : "s") +
                   " to " + displayText(std::filesystem::path(fileName).filename().string());
    });
}

std::string Session::breakpointStatus() const {
    const ControlPath& m = workbench_.machine();
    if (m.mpc < Breakpoints::addresses && breakpoints_.micro[m.mpc]) {
        const int line =
            statementLine(loadedSource_, lineStarts(loadedSource_), workbench_.sourceMap().at(m.mpc));
        return "Stopped at the breakpoint on MAL line " + std::to_string(line + 1);
    }
    const std::vector<size_t> starts = lineStarts(ijvmSource_);
    const uint32_t* at = workbench_.ijvmProgram().sourceMap.search(static_cast<uint32_t>(m.registers[PC]));
    const int line = at ? lineAt(starts, *at) : -1;
    return "Stopped at the breakpoint on IJVM line " + std::to_string(line + 1);
}

} // namespace tarveno
