#include "workbench/Session.h"

#include "core/MachineDescription.h"
#include "support/Conversions.h"
#include "support/Encoding.h"
#include "support/FatalError.h"
#include "support/FileBytes.h"
#include "workbench/IjvmSkeleton.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>

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

void writeFile(const std::string& name, const std::string& bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    if (!out) failWith("Cannot create file " + quoted(name) + ". " + reason());
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) failWith("Cannot write file " + quoted(name) + ". " + reason());
}

Refresh phaseRefresh(int phase) {
    static constexpr Refresh phases[4] = {Refresh::Phase0, Refresh::Phase1, Refresh::Phase2, Refresh::Phase3};
    return phases[phase];
}

} // namespace

FailureText failureText(const std::exception& failure) {
    if (const auto* fatal = dynamic_cast<const FatalError*>(&failure)) {
        if (!fatal->userMessage().empty()) return {"IJVM Error:", messageToUtf8(fatal->userMessage())};
        return {windowCaption, messageToUtf8(fatal->message())};
    }
    return {windowCaption, displayText(failure.what())};
}

Session::Session(SessionHost& host, SessionFiles files) : host_(host), files_(std::move(files)) {}

template <class Body> Answer Session::command(Body&& body) {
    Answer a;
    // While a Run or an IJVM step is on, only stopping it acts.
    if (running()) return a;
    try {
        body(a);
    } catch (const std::exception& e) {
        FailureText f = failureText(e);
        a.refresh = Refresh::None;
        a.notice.clear();
        a.ask = Ask::Nothing;
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

// ---- Compile and load ----

void Session::saveAndCompileIfModified(Answer& a) {
    if (document_.fileName.empty()) document_.fileName = unnamedFileName;
    if (!document_.modified) return;
    document_.modified = false;
    try {
        saveEditor();
    } catch (...) {
        // The text reached no file: it stays marked, so the next request tries again.
        document_.modified = true;
        throw;
    }
    compileMicroprogram(a);
}

void Session::compileMicroprogram(Answer& a) {
    loaded_ = false;
    if (document_.fileName.empty()) return;
    try {
        compileFile(a);
    } catch (...) {
        // The text did not reach the machine: the next request compiles it again.
        document_.modified = true;
        throw;
    }
}

void Session::compileFile(Answer& a) {
    // The editor shows exactly the bytes that are compiled.
    const std::string& source = document_.fileName;
    const std::string bytes = readFile(source);
    document_.file = decodeFile(bytes);
    document_.modified = false;
    a.editorReloaded = true;

    // A report left by an earlier run must not pass for this one's.
    std::remove(files_.report.c_str());
    if (const std::string why = host_.runChecker(source, files_.report); !why.empty()) failWith(why);
    reportShown_ = reportedError();
    a.reportChanged = true;
    if (reportShown_) {
        report_ = decodeFile(readFile(files_.report)).text;
        loaded_ = false;
        return;
    }
    workbench_.compileAndLoad(source, microprogramFileFor(source), Check::Skip);
    document_.positions = EditorPositions(bytes);
}

bool Session::reportedError() const {
    std::ifstream report(files_.report, std::ios::binary);
    // A missing report ends the command, not the program.
    if (!report)
        failWith("The checker's report " + displayText(files_.report) + " could not be read: " + reason());
    char first = 0;
    return report.get(first) && first == 'E';
}

void Session::saveEditor() {
    writeFile(document_.fileName, encodeFile(host_.editorText(), document_.file));
}

Answer Session::compileAndLoad() {
    return command([&](Answer& a) {
        saveAndCompileIfModified(a);
        if (reportedError() || !workbench_.hasMachine()) return;
        a.refresh = Refresh::Full;
        a.notice = hasBeenLoadedNotice;
        loaded_ = true;
    });
}

// ---- Stepping ----

Answer Session::mic() {
    return command([&](Answer& a) {
        phase_ = 0;
        saveAndCompileIfModified(a);
        if (!requireLoaded(a)) return;
        machine().microStep();
        a.refresh = Refresh::Full;
    });
}

Answer Session::subCycle() {
    return command([&](Answer& a) {
        // The whole microinstruction runs at phase 0; the later phases only show it.
        if (phase_ == 0) {
            if (!requireLoaded(a)) return;
            machine().microStep();
        }
        a.refresh = phaseRefresh(phase_);
        phase_ = (phase_ + 1) % 4;
    });
}

Answer Session::reset() {
    return command([&](Answer& a) {
        phase_ = 0;
        if (!requireLoaded(a)) return;
        machine().memoryWord(machine::standardInputAddress) = 0;
        machine().reset();
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
        saveAndCompileIfModified(a);
        if (!requireLoaded(a)) return;
        running_ = what;
        stopRequested_ = false;
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
            const RunLimits limits{steps, nullptr};
            const StopReason why = what == Running::Run ? machine().run(limits) : machine().ijvmStep(limits);
            if (why == StopReason::Bound) {
                running_ = what;
                return;
            }
        }
        b.refresh = Refresh::Full;
    });
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

Answer Session::newProgram() {
    return command([&](Answer& a) {
        document_.fileName.clear();
        document_.file = EditorFile{}; // a new file is UTF-8 with line feeds
        document_.modified = true;
        a.editorReloaded = true;
        reportShown_ = false;
        a.reportChanged = true;
    });
}

Answer Session::openMicroprogram(const std::string& fileName) {
    return command([&](Answer& a) {
        document_.fileName = fileName;
        compileMicroprogram(a);
    });
}

Answer Session::save() {
    return command([&](Answer& a) {
        if (document_.fileName.empty())
            a.ask = Ask::SaveFileName;
        else
            saveEditor();
    });
}

Answer Session::saveNamed(const std::string& fileName) {
    return command([&](Answer&) {
        document_.fileName = fileName;
        saveEditor();
    });
}

Answer Session::saveAs(const std::string& fileName) {
    return command([&](Answer&) {
        document_.fileName = fileName;
        saveEditor();
        // The next step or compile compiles the file under its new name.
        document_.modified = true;
    });
}

// ---- IJVM ----

void Session::clearIjvmViews(Answer& a) {
    a.ijvmViewsCleared = true;
    // The skeleton may come before any compile: then there is no cell to zero.
    if (workbench_.hasMachine()) machine().memoryWord(machine::standardInputAddress) = 0;
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
        ijvm_.diagnostics.clear();
        workbench_.ijvmProgram().diagnostics.forEach(
            [&](const Diagnostic& d) { ijvm_.diagnostics.push_back(messageToUtf8(d.message)); });
        a.diagnosticsChanged = true;
        ijvm_.fileName = fileName;
        const std::string bytes = readFile(fileName);
        ijvm_.file = decodeFile(bytes);
        ijvm_.positions = EditorPositions(bytes);
        a.ijvmEditorReloaded = true;
        EditorFile swap = ijvm_.file;
        writeFile(files_.swapFile, encodeFile(ijvm_.file.text, swap));
        loaded_ = false;
        clearIjvmViews(a);
    });
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
        a.ijvmEditorReloaded = true;
    });
}

Answer Session::setStandardInput(const std::string& text) {
    return command([&](Answer&) {
        // The number is checked even with no machine yet; it is then stored nowhere.
        const int32_t value = atolong(text);
        if (workbench_.hasMachine()) machine().memoryWord(machine::standardInputAddress) = value;
    });
}

Answer Session::selectDiagnostic(int row) {
    return command([&](Answer& a) {
        if (!workbench_.hasMachine()) return;
        // Indexing tests the bounds: a row beyond the diagnostics shows its fault.
        const Diagnostic& d = workbench_.ijvmProgram().diagnostics[row];
        a.ijvmSelection =
            EditorSpan{ijvm_.positions.at(d.start), ijvm_.positions.at(int64_t{d.start} + d.length)};
    });
}

} // namespace tarveno
