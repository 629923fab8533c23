#include "workbench/Session.h"

#include "core/MachineDescription.h"
#include "ijvm/LoadProgram.h"
#include "support/Catalogue.h"
#include "support/Encoding.h"
#include "workbench/IjvmSkeleton.h"

#include <cstdio>
#include <filesystem>

namespace tarveno {

Session::Session(SessionHost& host, SessionFiles files)
    : host_(host), files_(std::move(files)), ijvm_(gate_, files_), breakpoints_(gate_, workbench_, ijvm_),
      run_(workbench_, gate_, breakpoints_) {
    // A command that waited for Save As goes on only with the Save As that follows it.
    gate_.beforeEach = [this] { afterSaveAs_ = {}; };
    gate_.onFailure = [this] {
        // A command that failed before the checker started: nothing waits for it.
        if (gate_.checking) {
            gate_.checking = false;
            afterCheck_ = {};
        }
    };
}

// ---- Compile and load ----

void Session::saveAndCompileIfModified(Outcome& o, Continuation then) {
    if (mal_.fileName.empty()) mal_.fileName = files_.files.unnamedFile;
    if (!mal_.needsCompile) {
        then(o);
        return;
    }
    // Only text the user changed is written; an unchanged file, read-only or not, is
    // compiled as it is.
    if (mal_.unsaved || !mal_.named) {
        if (!saveEditor(o)) {
            afterSaveAs_ = [this, then](Outcome& after) { saveAndCompileIfModified(after, then); };
            return;
        }
    }
    compileMicroprogram(o, std::move(then));
}

void Session::compileMicroprogram(Outcome& o, Continuation then) {
    run_.setLoaded(false);
    run_.restartPhases(o);
    if (mal_.fileName.empty()) return;
    // Until the checker has passed it, the text must be compiled again.
    mal_.needsCompile = true;
    // The editor shows exactly the bytes that are compiled.
    compiledBytes_ = FileRules::read(mal_.fileName);
    mal_.file = decodeFile(compiledBytes_);
    mal_.positions = EditorPositions(compiledBytes_);
    mal_.unsaved = false;
    o.redraw.add(View::MalEditor);
    report_.clear();

    // A report left by an earlier run must not pass for this one's.
    std::remove(files_.files.report.c_str());
    checkerRequest_ = {mal_.fileName, files_.files.report};
    mal_.editedDuringCheck = false;
    afterCheck_ = std::move(then);
    gate_.checking = true;
    o.ask.what = Ask::Checker;
}

Outcome Session::checkerFinished(const std::string& failure, const std::string& errorOutput) {
    if (!gate_.checking) return {};
    gate_.checking = false;
    Continuation then = std::exchange(afterCheck_, {});
    return gate_.run([&](Outcome& o) {
        o.redraw.add(View::Report);
        try {
            if (!failure.empty()) failWith(failure);
            if (finishCompile()) {
                // A compile that succeeds loads the program, whichever command asked for it.
                run_.setLoaded(true);
                o.redraw.pictures = Refresh::Full;
                if (ijvm_.placed && placedOnSerial_ == microprogramSerial_) {
                    // The interpreter compiled again runs the IJVM program placed before.
                    placeImage();
                    run_.startHistory();
                    o.redraw.add(View::IjvmImage);
                } else if (ijvm_.placed) {
                    // Another microprogram: it starts on a clean machine.
                    ijvm_.placed = ijvm_.differs = false;
                    o.redraw.add(View::IjvmCleared);
                }
            }
        } catch (...) {
            // What the checker said on its way out is all there is to read.
            report_.showFailure(errorOutput);
            throw;
        }
        if (then) then(o);
    });
}

bool Session::finishCompile() {
    const bool errors = CheckerReport::reportsError(files_.files.report);
    report_.read(decodeFile(FileRules::read(files_.files.report)).text, compiledBytes_, mal_.positions);
    // A report with errors also counts as compiled: the text is not checked again until
    // it changes. A microprogram that cannot be assembled or loaded is tried again.
    bool loaded = false;
    if (!errors) {
        std::string note;
        const std::string binary = files_.microprogramFile(mal_.fileName, note);
        report_.setNote(std::move(note));
        loaded = workbench_.compileAndLoad(mal_.fileName, binary, Check::Skip).loaded;
        if (loaded) loadedBinary_ = binary;
    }
    if (loaded) {
        breakpoints_.setMicroprogramSource(compiledBytes_);
        run_.startHistory();
        breakpoints_.place();
    }
    // Text typed while the checker ran is not what was compiled.
    mal_.needsCompile = std::exchange(mal_.editedDuringCheck, false);
    // The report is shown when it has something to say: errors, warnings, or where the
    // microprogram file went.
    report_.show(errors || report_.hasNote() || report_.warnings() > 0);
    return loaded;
}

bool Session::saveEditor(Outcome& o) {
    if (!files_.writable(mal_.fileName)) {
        o.ask = {Ask::SaveAsFileName, FileRules::cannotWriteReason(mal_.fileName)};
        return false;
    }
    writeEditor(mal_.fileName);
    return true;
}

void Session::writeEditor(const std::string& fileName) {
    FileRules::write(fileName, encodeFile(host_.editorText(), mal_.file));
    mal_.unsaved = false;
}

Outcome Session::compileAndLoad() {
    return gate_.run([&](Outcome& o) {
        saveAndCompileIfModified(o, [this](Outcome& after) {
            if (CheckerReport::reportsError(files_.files.report) || !workbench_.hasMachine()) return;
            after.redraw.pictures = Refresh::Full;
            after.tell.notice = loadedNotice(report_.shown() ? report_.warnings() : 0);
            run_.setLoaded(true);
        });
    });
}

// ---- Stepping ----

Outcome Session::microStep() {
    return gate_.run([&](Outcome& o) {
        run_.resetPhase();
        saveAndCompileIfModified(o, [this](Outcome& after) {
            if (!run_.requireLoaded(after)) return;
            run_.microStep();
            after.redraw.pictures = Refresh::Full;
        });
    });
}

Outcome Session::reset() {
    return gate_.run([&](Outcome& o) {
        run_.restartPhases(o);
        if (!run_.requireLoaded(o)) return;
        if (ijvm_.placed) {
            // The IJVM program starts again: memory as it was placed, its registers set.
            machine().mainMemory = placedMemory_;
            machine().reset();
            placeImage();
        } else {
            machine().reset();
        }
        machine().memoryWord(machine::standardInputAddress) = 0;
        run_.startHistory();
        o.redraw.pictures = Refresh::Full;
    });
}

Outcome Session::startRun(RunKind kind) {
    return gate_.run([&](Outcome& o) {
        run_.resetPhase();
        saveAndCompileIfModified(o, [this, kind](Outcome& after) {
            if (run_.requireLoaded(after)) run_.start(kind);
        });
    });
}

std::optional<EditorSpan> Session::sourceSelection() const {
    if (!workbench_.hasMachine()) return std::nullopt;
    const uint32_t mpc = workbench_.machine().mpc;
    // Beyond the source map (MPC 512 and more) nothing is selected.
    if (mpc >= SourceMap::size) return std::nullopt;
    const SourceSpan span = workbench_.sourceMap().at(mpc);
    return EditorSpan{mal_.positions.at(span.start), mal_.positions.at(int64_t{span.start} + span.length)};
}

// ---- Files ----

Outcome Session::newProgram() {
    return gate_.run([&](Outcome& o) {
        ++microprogramSerial_;
        mal_.fileName.clear();
        mal_.named = false;
        mal_.file = EditorFile{}; // a new file is UTF-8 with line feeds
        mal_.needsCompile = true;
        mal_.unsaved = false;
        o.redraw.add(View::MalEditor);
        report_.hide();
        o.redraw.add(View::Report);
    });
}

Outcome Session::openMicroprogram(const std::string& fileName) {
    return gate_.run([&](Outcome& o) {
        ++microprogramSerial_;
        mal_.fileName = fileName;
        mal_.named = true;
        compileMicroprogram(o, {});
    });
}

Outcome Session::save() {
    return gate_.run([&](Outcome& o) {
        // An unnamed program is kept where the user says, not in the window's own folder.
        if (!mal_.named)
            o.ask.what = Ask::SaveFileName;
        else
            saveEditor(o);
    });
}

Outcome Session::saveTo(const std::string& fileName, SaveMode mode) {
    Continuation resume = mode == SaveMode::SaveAs ? std::exchange(afterSaveAs_, {}) : Continuation{};
    return gate_.run([&](Outcome& o) {
        writeEditor(fileName);
        mal_.fileName = fileName;
        mal_.named = true;
        if (mode == SaveMode::Save) return;
        // The next step or compile compiles the file under its new name.
        mal_.needsCompile = true;
        // The command that asked for the name goes on.
        if (resume) resume(o);
    });
}

// ---- IJVM ----

void Session::clearIjvmViews(Outcome& o) {
    o.redraw.add(View::IjvmCleared);
    // The skeleton may come before any compile: then there is no cell to zero.
    if (workbench_.hasMachine()) {
        machine().memoryWord(machine::standardInputAddress) = 0;
        run_.machineChanged();
    }
}

Outcome Session::askIjvmFile(IjvmOpening how) {
    return gate_.run([&](Outcome& o) {
        const std::string& interpreter = files_.files.interpreter;
        if (workbench_.hasMachine()) {
            o.ask.what = how == IjvmOpening::Unplaced ? Ask::IjvmFileName : Ask::IjvmProgramToPlace;
        } else if (how != IjvmOpening::Unplaced && !interpreter.empty() &&
                   std::filesystem::exists(interpreter)) {
            o.ask = {Ask::LoadInterpreter,
                     "No microprogram is loaded to interpret IJVM programs. Load the IJVM "
                     "interpreter " +
                         FileRules::quoted(interpreter) + " first?"};
        } else {
            // With no machine there is nothing to assemble into: refused before any file
            // is asked for.
            o.tell.notice = mustBeLoadedNotice;
        }
    });
}

Outcome Session::openIjvm(const std::string& fileName, IjvmOpening how) {
    return gate_.run([&](Outcome& o) {
        switch (how) {
        case IjvmOpening::Placed:
            if (workbench_.hasMachine()) placeFile(o, fileName);
            return;
        case IjvmOpening::OnInterpreter:
            ++microprogramSerial_;
            mal_.fileName = files_.files.interpreter;
            mal_.named = true;
            compileMicroprogram(o, [this, fileName](Outcome& after) {
                if (CheckerReport::reportsError(files_.files.report) || !workbench_.hasMachine()) return;
                run_.setLoaded(true);
                placeFile(after, fileName);
            });
            return;
        case IjvmOpening::Unplaced:
            break;
        }
        if (!workbench_.hasMachine()) return;
        workbench_.openIjvmProgram(fileName);
        ijvm_.placed = ijvm_.differs = ijvm_.edited = false;
        const std::string bytes = FileRules::read(fileName);
        ijvm_.takeDiagnostics(o, workbench_.ijvmProgram(), bytes);
        ijvm_.fileName = fileName;
        ijvm_.file = decodeFile(bytes);
        ijvm_.positions = EditorPositions(bytes);
        ijvm_.unsaved = false;
        o.redraw.add(View::IjvmEditor);
        EditorFile swap = ijvm_.file;
        FileRules::write(files_.files.swapFile, encodeFile(ijvm_.file.text, swap));
        run_.setLoaded(false);
        run_.restartPhases(o); // the machine was reset
        clearIjvmViews(o);
        breakpoints_.setIjvmSource(bytes);
        run_.startHistory();
        breakpoints_.place();
    });
}

Outcome Session::skeleton() {
    return gate_.run([&](Outcome& o) {
        clearIjvmViews(o);
        std::string text;
        const auto& lines = currentLanguage() == Language::English ? ijvmSkeletonEnglish : ijvmSkeleton;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (i > 0) text += '\n';
            text += windows1252ToUtf8(lines[i]);
        }
        ijvm_.file.text = text;
        ijvm_.differs = ijvm_.placed;
        // The diagnostics of the text the skeleton replaced would point into the skeleton.
        ijvm_.clearDiagnostics(o);
        o.redraw.add(View::IjvmEditor);
    });
}

Outcome Session::askTestSuite() {
    return gate_.run([&](Outcome& o) {
        if (run_.requireLoaded(o)) o.ask.what = Ask::TestSuiteFile;
    });
}

SuiteRequest Session::testSuiteRequest(const std::string& suiteFile) const {
    const std::filesystem::path suite = std::filesystem::absolute(suiteFile);
    return {{"test", loadedBinary_, suite.string(), "--json"}, suite.parent_path().string()};
}

Outcome Session::placeTestProgram(const TestProgram& test) {
    return gate_.run([&](Outcome& o) {
        if (!workbench_.hasMachine() || !run_.loaded()) {
            o.tell.notice = mustBeLoadedNotice;
            return;
        }
        if (test.source) {
            // The suite's text, shown unnamed: Save asks where to keep it.
            EditorFile shown;
            shown.text = *test.source;
            const std::string bytes = encodeFile(shown.text, shown);
            FileRules::write(files_.files.swapFile, bytes);
            assembleIjvm(o, files_.files.swapFile, bytes);
            ijvm_.fileName.clear();
            ijvm_.file = shown;
            ijvm_.unsaved = false;
            o.redraw.add(View::IjvmEditor);
        } else {
            placeFile(o, test.file);
        }
        if (!ijvm_.placed || ijvm_.differs) return; // its diagnostics are shown
        machine().memoryWord(machine::standardInputAddress) = test.input;
        run_.startHistory();
        o.tell.status = "Placed the test \"" + test.name + "\" of " + test.suite + ", input " +
                        std::to_string(test.input) + ": step it with F8, or Run";
    });
}

void Session::placeFile(Outcome& o, const std::string& fileName) {
    const std::string bytes = FileRules::read(fileName);
    assembleIjvm(o, fileName, bytes);
    ijvm_.fileName = fileName;
    ijvm_.file = decodeFile(bytes);
    ijvm_.unsaved = false;
    o.redraw.add(View::IjvmEditor);
}

Outcome Session::assembleAndPlace(const std::string& text) {
    return gate_.run([&](Outcome& o) {
        if (!workbench_.hasMachine()) {
            o.tell.notice = mustBeLoadedNotice;
            return;
        }
        // Assembled from the window's own copy: the user's file is written by a save only.
        EditorFile copy = ijvm_.file;
        const std::string bytes = encodeFile(text, copy);
        FileRules::write(files_.files.swapFile, bytes);
        assembleIjvm(o, files_.files.swapFile, bytes);
        ijvm_.file.text = text;
    });
}

void Session::assembleIjvm(Outcome& o, const std::string& fileName, const std::string& bytes) {
    IjvmProgram program = assembleProgram(fileName);
    ijvm_.takeDiagnostics(o, program, bytes);
    ijvm_.edited = false;
    if (program.errorCount() > 0) {
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
    run_.restartPhases(o); // the machine was reset
    clearIjvmViews(o);
    placedMemory_ = machine().mainMemory;
    o.redraw.add(View::IjvmImage);
    breakpoints_.setIjvmSource(bytes);
    run_.startHistory();
    breakpoints_.place();
    o.redraw.add(View::Breakpoints);
    o.redraw.pictures = Refresh::Full;
}

void Session::placeImage() {
    const IjvmProgram& program = workbench_.ijvmProgram();
    tarveno::placeImage(machine(), program.methodArea, program.constantPool);
    placedMemory_ = machine().mainMemory;
}

} // namespace tarveno
