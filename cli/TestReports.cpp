#include "TestReports.h"

#include "support/Encoding.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace mic1 {

namespace {

// A number of at most six significant digits, without trailing zeros: weights and scores.
std::string shortNumber(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.6g", v);
    return b;
}

std::string fixed(double v, int decimals) {
    char b[64];
    std::snprintf(b, sizeof b, "%.*f", decimals, v);
    return b;
}

const char* verdictName(Verdict v) {
    static const char* const names[] = {"pass", "fail", "error", "skipped"};
    return names[static_cast<int>(v)];
}

// Whether a test ran to an end or a bound, so that its microinstructions count.
bool ran(const TestResult& r) {
    return r.verdict == Verdict::Pass || r.verdict == Verdict::Fail;
}

// Microinstructions per IJVM instruction: the instructions are the test's, counted on the
// reference, since an interpreter's own returns to its main loop need not be one per
// instruction.
std::optional<double> perInstruction(const TestResult& r) {
    if (r.instructions == 0 || !ran(r)) return std::nullopt;
    return static_cast<double>(r.steps) / static_cast<double>(r.instructions);
}

std::optional<double> ratioToReference(const TestResult& r) {
    if (r.referenceSteps == 0 || !ran(r)) return std::nullopt;
    return static_cast<double>(r.steps) / static_cast<double>(r.referenceSteps);
}

std::string ratioText(double ratio) {
    return fixed(ratio, 2) + "x the reference";
}

// The microinstructions of a test, and how they compare.
std::string costText(const TestResult& r) {
    std::string out = std::to_string(r.steps) + " microinstructions";
    if (const auto per = perInstruction(r)) out += ", " + fixed(*per, 2) + " per IJVM instruction";
    if (const auto ratio = ratioToReference(r)) out += ", " + ratioText(*ratio);
    return out;
}

std::string classPrefix(const std::string& name) {
    return name.empty() ? std::string() : name + '.';
}

template <class Json> Json optionalNumber(const std::optional<double>& v) {
    return v ? Json(*v) : Json(nullptr);
}

// The reason and its details, a line each.
std::string explanation(const TestResult& r) {
    std::string out = r.reason;
    for (const std::string& d : r.details)
        out += '\n' + d;
    return out;
}

// Text for XML 1.0: valid UTF-8, the five special characters escaped, and the characters
// XML 1.0 does not allow (the control characters but tab and line ends, U+FFFE, U+FFFF)
// written as a visible escape, "\u0001", "\uFFFE"; in attributes line ends and tabs stay
// as references.
std::string xml(std::string_view raw, bool attribute = true) {
    const std::string text = tarveno::displayText(raw);
    std::string out;
    out.reserve(text.size());
    const auto escape = [&](unsigned codePoint) {
        char b[8];
        std::snprintf(b, sizeof b, "\\u%04X", codePoint);
        out += b;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        // U+FFFE and U+FFFF, as UTF-8.
        const std::string_view three = std::string_view(text).substr(i, 3);
        if (three == "\xEF\xBF\xBE" || three == "\xEF\xBF\xBF") {
            escape(three == "\xEF\xBF\xBE" ? 0xFFFE : 0xFFFF);
            i += 2;
            continue;
        }
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        case '\n':
            out += attribute ? "&#10;" : "\n";
            break;
        case '\t':
            out += attribute ? "&#9;" : "\t";
            break;
        case '\r':
            out += "&#13;";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                escape(static_cast<unsigned char>(c));
            else
                out += c;
        }
    }
    return out;
}

} // namespace

void Summary::add(const TestCase& t, const TestResult& r) {
    ++tests;
    maxScore += t.weight;
    switch (r.verdict) {
    case Verdict::Pass:
        ++passed;
        score += t.weight;
        break;
    case Verdict::Fail:
        ++failed;
        tooSlow += r.tooSlow;
        break;
    case Verdict::Error:
        ++errors;
        break;
    case Verdict::Skipped:
        ++skipped;
        break;
    }
    if (!ran(r)) return;
    steps += r.steps;
    referenceSteps += r.referenceSteps;
}

std::optional<double> Summary::ratio() const {
    if (referenceSteps == 0) return std::nullopt;
    return static_cast<double>(steps) / static_cast<double>(referenceSteps);
}

Summary summarize(const SuiteSet& set, const std::vector<TestResult>& results, bool assembles) {
    Summary s;
    s.assembles = assembles;
    for (size_t i = 0; i < results.size(); ++i)
        s.add(set.test(i), results[i]);
    return s;
}

std::string percentText(const Summary& s) {
    // To the nearest tenth, but a score short of full never reads as 100 %.
    double percent = s.maxScore > 0 ? std::round(1000 * s.score / s.maxScore) / 10 : 100;
    if (s.score < s.maxScore) percent = std::min(percent, 99.9);
    return fixed(percent, 1);
}

std::string testLines(const Suite& suite, const TestCase& test, const TestResult& r) {
    if (r.verdict == Verdict::Skipped) return {};
    static const char* const labels[] = {"PASS ", "FAIL ", "ERROR"};
    std::string out = std::string(labels[static_cast<int>(r.verdict)]) + ' ' + suite.name + ": " + test.name;
    if (r.verdict == Verdict::Error) {
        out += "  " + r.reason + '\n';
    } else {
        out += "  " + costText(r) + '\n';
        if (!r.reason.empty()) out += "      " + r.reason + '\n';
    }
    for (const std::string& d : r.details)
        out += "      " + d + '\n';
    return out;
}

std::string assemblyLines(const Interpreter& interpreter) {
    if (interpreter.assembles) return {};
    // The diagnostics stand at the start of their lines, where editors and CI logs look for
    // FILE:LINE:COLUMN.
    std::string out = "ERROR assemble: the microprogram " + interpreter.file + " does not assemble\n";
    for (const std::string& d : interpreter.diagnostics)
        out += d + '\n';
    return out;
}

std::string summaryLines(const Summary& s) {
    std::string out;
    if (!s.assembles)
        return "score " + shortNumber(s.score) + '/' + shortNumber(s.maxScore) + " (" + percentText(s) +
               "%): the microprogram does not assemble; its " + std::to_string(s.tests) +
               (s.tests == 1 ? " test" : " tests") + " did not run\n";
    if (s.passed + s.failed > 0) {
        out += "microinstructions: " + std::to_string(s.steps) + " in all";
        if (const auto ratio = s.ratio()) out += ", " + ratioText(*ratio);
        out += '\n';
    }
    out += "score " + shortNumber(s.score) + '/' + shortNumber(s.maxScore) + " (" + percentText(s) +
           "%): " + std::to_string(s.passed) + " of " + std::to_string(s.tests) + " tests passed, " +
           std::to_string(s.failed) + " failed";
    if (s.tooSlow > 0) out += " (" + std::to_string(s.tooSlow) + " too slow)";
    return out + ", " + std::to_string(s.errors) + (s.errors == 1 ? " error\n" : " errors\n");
}

std::string reportJson(const SuiteSet& set, const Interpreter& interpreter,
                       const std::vector<TestResult>& results, const Summary& summary,
                       const std::string& name) {
    using nlohmann::ordered_json;
    ordered_json out;
    if (!name.empty()) out["name"] = name;
    out["assembly"] = {{"ok", interpreter.assembles}, {"diagnostics", interpreter.diagnostics}};
    ordered_json list = ordered_json::array();
    size_t i = 0;
    for (const Suite& s : set.suites) {
        ordered_json tests = ordered_json::array();
        Summary own;
        for (const TestCase& t : s.tests) {
            const TestResult& r = results[i++];
            own.add(t, r);
            // The program and its input, so that a failing test can be run again and stepped;
            // a hidden test's stay hidden.
            const ProgramSource& program = set.programs.all()[t.program];
            ordered_json file = nullptr, text = nullptr, input = nullptr;
            if (!t.hidden) {
                if (program.text)
                    text = *program.text;
                else
                    file = tarveno::displayText(std::filesystem::absolute(program.path).string());
                input = t.input;
            }
            tests.push_back({{"name", t.name},
                             {"result", verdictName(r.verdict)},
                             {"steps", r.steps},
                             // The test's IJVM instructions, known from the reference only.
                             {"ijvm_instructions", r.instructions ? ordered_json(r.instructions) : nullptr},
                             {"per_instruction", optionalNumber<ordered_json>(perInstruction(r))},
                             {"ratio_to_reference", optionalNumber<ordered_json>(ratioToReference(r))},
                             {"returns_to_address_0", r.returns},
                             {"too_slow", r.tooSlow},
                             {"hidden", t.hidden},
                             {"weight", t.weight},
                             {"time", r.seconds},
                             {"reason", r.reason},
                             {"details", r.details},
                             {"program", std::move(file)},
                             {"source", std::move(text)},
                             {"stdin", std::move(input)}});
        }
        list.push_back({{"name", s.name},
                        {"file", tarveno::displayText(s.file)},
                        {"microinstructions", own.steps},
                        {"ratio_to_reference", optionalNumber<ordered_json>(own.ratio())},
                        {"tests", std::move(tests)}});
    }
    out["suites"] = std::move(list);
    out["tests"] = summary.tests;
    out["passed"] = summary.passed;
    out["failed"] = summary.failed;
    out["errors"] = summary.errors;
    out["skipped"] = summary.skipped;
    out["too_slow"] = summary.tooSlow;
    out["score"] = summary.score;
    out["max_score"] = summary.maxScore;
    out["microinstructions"] = summary.steps;
    out["ratio_to_reference"] = optionalNumber<ordered_json>(summary.ratio());
    out["time"] = summary.seconds;
    // Messages quote the user's files, which need not be UTF-8.
    return out.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';
}

namespace {

// A testcase's numbers, for a CI server to chart.
std::string properties(const TestResult& r) {
    if (!ran(r)) return {};
    std::string out = "      <properties>\n        <property name=\"microinstructions\" value=\"" +
                      std::to_string(r.steps) + "\"/>\n";
    if (r.instructions)
        out += "        <property name=\"ijvm_instructions\" value=\"" + std::to_string(r.instructions) +
               "\"/>\n";
    if (const auto ratio = ratioToReference(r))
        out += "        <property name=\"ratio_to_reference\" value=\"" + fixed(*ratio, 4) + "\"/>\n";
    return out + "      </properties>\n";
}

std::string testcase(const std::string& name, const std::string& classname, const TestResult& r) {
    std::string out = "    <testcase name=\"" + xml(name) + "\" classname=\"" + xml(classname) +
                      "\" time=\"" + fixed(r.seconds, 6) + "\">\n" + properties(r);
    switch (r.verdict) {
    case Verdict::Pass:
        break;
    case Verdict::Skipped:
        out += "      <skipped message=\"" + xml(r.reason) + "\"/>\n";
        break;
    case Verdict::Fail:
    case Verdict::Error: {
        const std::string element = r.verdict == Verdict::Fail ? "failure" : "error";
        out += "      <" + element + " message=\"" + xml(r.reason) + "\">" + xml(explanation(r), false) +
               "</" + element + ">\n";
        break;
    }
    }
    return out + "    </testcase>\n";
}

std::string counts(const Summary& s) {
    return "tests=\"" + std::to_string(s.tests) + "\" failures=\"" + std::to_string(s.failed) +
           "\" errors=\"" + std::to_string(s.errors) + "\" skipped=\"" + std::to_string(s.skipped) + '"';
}

} // namespace

std::string reportJunit(const SuiteSet& set, const Interpreter& interpreter,
                        const std::vector<TestResult>& results, const Summary& summary,
                        const std::string& name) {
    const std::string prefix = classPrefix(name);
    std::string suites;
    Summary all = summary;
    // A microprogram that does not assemble is one error, in a testcase of its own.
    if (!interpreter.assembles) {
        TestResult assemble;
        assemble.reason = "the microprogram " + interpreter.file + " does not assemble";
        assemble.details = interpreter.diagnostics;
        Summary one;
        one.tests = one.errors = 1;
        ++all.tests;
        ++all.errors;
        suites += "  <testsuite name=\"assemble\" " + counts(one) + " time=\"0.000000\">\n" +
                  testcase("assemble", prefix + "assemble", assemble) + "  </testsuite>\n";
    }
    size_t i = 0;
    for (const Suite& s : set.suites) {
        Summary own;
        double seconds = 0;
        std::string cases;
        for (const TestCase& t : s.tests) {
            const TestResult& r = results[i++];
            own.add(t, r);
            seconds += r.seconds;
            cases += testcase(t.name, prefix + s.name, r);
        }
        // The suite's microinstructions in all, as its testcases' are.
        std::string totals;
        if (own.passed + own.failed > 0) {
            totals = "    <properties>\n      <property name=\"microinstructions\" value=\"" +
                     std::to_string(own.steps) + "\"/>\n";
            if (const auto ratio = own.ratio())
                totals +=
                    "      <property name=\"ratio_to_reference\" value=\"" + fixed(*ratio, 4) + "\"/>\n";
            totals += "    </properties>\n";
        }
        suites += "  <testsuite name=\"" + xml(s.name) + "\" file=\"" + xml(s.file) + "\" " + counts(own) +
                  " time=\"" + fixed(seconds, 6) + "\">\n" + totals + cases + "  </testsuite>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"" +
           xml(name.empty() ? "mic1 test" : name) + "\" " + counts(all) + " time=\"" +
           fixed(summary.seconds, 6) + "\">\n" + suites + "</testsuites>\n";
}

std::string reportMarkdown(const SuiteSet& set, const Interpreter& interpreter,
                           const std::vector<TestResult>& results, const Summary& summary,
                           const std::string& name) {
    // Details are indented as code, so that Markdown shows them as written.
    const auto block = [](const std::vector<std::string>& lines) {
        std::string out;
        for (const std::string& line : lines) {
            size_t at = 0;
            for (size_t end; (end = line.find('\n', at)) != std::string::npos; at = end + 1)
                out += "    " + line.substr(at, end - at) + '\n';
            out += "    " + line.substr(at) + '\n';
        }
        return out + '\n';
    };
    std::string out = "# " + name + "\n\nMicroprogram: " + interpreter.file + "\n\n";
    const std::string summaryText = summaryLines(summary);
    out += block({summaryText.substr(0, summaryText.size() - 1)});
    if (!interpreter.assembles) return out + "## Does not assemble\n\n" + block(interpreter.diagnostics);
    std::string failed, passed;
    size_t i = 0;
    for (const Suite& s : set.suites)
        for (const TestCase& t : s.tests) {
            const TestResult& r = results[i++];
            const std::string title = s.name + ": " + t.name;
            if (r.verdict == Verdict::Pass) {
                passed += "- " + title + " (" + costText(r) + ")\n";
                continue;
            }
            std::vector<std::string> lines{r.reason};
            lines.insert(lines.end(), r.details.begin(), r.details.end());
            failed += "### " + title + "\n\n" + block(lines);
        }
    if (!failed.empty()) out += "## Not passed\n\n" + failed;
    if (!passed.empty()) out += "## Passed\n\n" + passed;
    return out;
}

} // namespace mic1
