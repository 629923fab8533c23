#include "SuiteSet.h"
#include "Files.h"

#include "ijvm/IjvmAssembler.h"
#include "support/Encoding.h"
#include "support/FatalError.h"
#include "support/FileBytes.h"

#include <cstring>
#include <filesystem>
#include <map>
#include <set>

namespace mic1 {

std::string programPlace(const ProgramSource& source, const std::string& text, int32_t offset) {
    const TextPlace at = placeIn(text, offset);
    if (!source.linesInFile)
        return source.path + ':' + std::to_string(source.firstLine) + ": program line " +
               std::to_string(at.line) + ", column " + std::to_string(at.column);
    return source.path + ':' + std::to_string(static_cast<int64_t>(at.line) - 1 + source.firstLine) + ':' +
           std::to_string(at.column);
}

namespace {

// Assembles one program of the suites; a mistake in it is the suites' mistake, reported
// with every diagnostic and, for a file, where a suite names it.
std::shared_ptr<const AssembledProgram> assemble(const ProgramSource& source,
                                                 std::vector<std::string>& errors) {
    auto a = std::make_shared<AssembledProgram>();
    std::string found;
    const auto add = [&](const std::string& text) { found += (found.empty() ? "" : "\n") + text; };
    if (source.text) {
        a->text = *source.text;
    } else {
        tarveno::FileBytes bytes = tarveno::readFileBytes(source.path);
        if (bytes.error) {
            add(diagnosticText(source.path, std::strerror(bytes.error), {}, 1));
        } else {
            a->text = std::move(bytes.bytes);
        }
    }
    if (found.empty()) {
        try {
            tarveno::IjvmAssembler assembler(source.path, a->text);
            assembler.assemble();
            a->program = std::move(assembler.program);
            a->program.diagnostics.forEach([&](const tarveno::Diagnostic& d) {
                // A warning does not stop a suite: the program runs as the machine sees it.
                if (d.warning) return;
                const TextPlace at = placeIn(a->text, d.start);
                add(diagnosticText(programPlace(source, a->text, d.start), tarveno::messageToUtf8(d.message),
                                   lineOf(a->text, static_cast<int64_t>(at.line)),
                                   static_cast<int64_t>(at.column)));
            });
        } catch (const tarveno::FatalError& e) {
            std::string what = "the program does not assemble: " + tarveno::messageToUtf8(e.message());
            if (!e.userMessage().empty()) what += " (" + tarveno::displayText(e.userMessage()) + ")";
            add(diagnosticText(programPlace(source, a->text, 0), what, {}, 1));
        }
    }
    if (found.empty()) return a;
    if (!source.text)
        found += '\n' + source.namedIn + ':' + std::to_string(source.namedLine) + ':' +
                 std::to_string(source.namedColumn) + ": note: the program of the test named here";
    errors.push_back(std::move(found));
    return nullptr;
}

} // namespace

SuiteSet readSuites(const std::vector<std::string>& files, bool outputRequired, SuiteFindings& findings) {
    SuiteSet set;
    std::set<std::string> seen;
    for (const std::string& file : files) {
        std::error_code ec;
        const std::string same = std::filesystem::weakly_canonical(file, ec).string();
        if (!seen.insert(ec ? file : same).second) {
            findings.notes.push_back(file + ": note: named more than once; its tests run once");
            continue;
        }
        try {
            set.suites.push_back(readSuite(file, set.programs, outputRequired));
        } catch (const SuiteError& e) {
            findings.errors.emplace_back(e.what());
        }
    }

    // The programs of the suites kept; a suite that did not read may have added some.
    std::vector<char> used(set.programs.all().size(), 0);
    for (const Suite& s : set.suites)
        for (const TestCase& t : s.tests)
            used[t.program] = 1;
    set.assembled.resize(used.size());
    for (size_t p = 0; p < used.size(); ++p)
        if (used[p]) set.assembled[p] = assemble(set.programs.all()[p], findings.errors);

    // Two suites of the same name are told apart by the files they come from.
    std::map<std::string, int> names;
    for (const Suite& s : set.suites)
        ++names[s.name];
    for (Suite& s : set.suites)
        if (names[s.name] > 1) s.name += " (" + s.file + ")";

    for (size_t k = 0; k < set.suites.size(); ++k)
        for (size_t t = 0; t < set.suites[k].tests.size(); ++t)
            set.order.push_back({k, t});
    return set;
}

} // namespace mic1
