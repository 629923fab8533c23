#include "TestReports.h"

#include "support/Encoding.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>

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
    return v == Verdict::Pass ? "pass" : v == Verdict::Fail ? "fail" : "error";
}

std::optional<double> perInstruction(const TestResult& r) {
    if (r.instructions == 0) return std::nullopt;
    return static_cast<double>(r.steps) / static_cast<double>(r.instructions);
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
    if (r.verdict == Verdict::Pass) {
        ++passed;
        score += t.weight;
    } else if (r.verdict == Verdict::Fail) {
        ++failed;
    } else {
        ++errors;
    }
}

std::string testLines(const Suite& suite, const TestCase& test, const TestResult& r) {
    static const char* const labels[] = {"PASS ", "FAIL ", "ERROR"};
    std::string out = std::string(labels[static_cast<int>(r.verdict)]) + ' ' + suite.name + ": " + test.name;
    if (r.verdict == Verdict::Error) {
        out += "  " + r.reason + '\n';
    } else {
        out += "  " + std::to_string(r.steps) + " microinstructions, ";
        const auto per = perInstruction(r);
        out += per ? fixed(*per, 2) + " per IJVM instruction\n" : "no IJVM instruction\n";
        if (!r.reason.empty()) out += "      " + r.reason + '\n';
    }
    for (const std::string& d : r.details)
        out += "      " + d + '\n';
    return out;
}

std::string summaryLine(const Summary& s) {
    // Rounded down, so that a score short of full never reads as 100 %.
    const double percent = s.maxScore > 0 ? std::floor(1000 * s.score / s.maxScore) / 10 : 100;
    return "score " + shortNumber(s.score) + '/' + shortNumber(s.maxScore) + " (" + fixed(percent, 1) +
           "%): " + std::to_string(s.passed) + " of " + std::to_string(s.tests) + " tests passed, " +
           std::to_string(s.failed) + " failed, " + std::to_string(s.errors) +
           (s.errors == 1 ? " error\n" : " errors\n");
}

std::string reportJson(const std::vector<Suite>& suites, const std::vector<TestResult>& results,
                       const Summary& summary) {
    using nlohmann::ordered_json;
    ordered_json out;
    ordered_json list = ordered_json::array();
    size_t i = 0;
    for (const Suite& s : suites) {
        ordered_json tests = ordered_json::array();
        for (const TestCase& t : s.tests) {
            const TestResult& r = results[i++];
            const auto per = perInstruction(r);
            tests.push_back({{"name", t.name},
                             {"result", verdictName(r.verdict)},
                             {"steps", r.steps},
                             {"ijvm_instructions", r.instructions},
                             {"per_instruction", per ? ordered_json(*per) : ordered_json(nullptr)},
                             {"weight", t.weight},
                             {"time", r.seconds},
                             {"reason", r.reason},
                             {"details", r.details}});
        }
        list.push_back(
            {{"name", s.name}, {"file", tarveno::displayText(s.file)}, {"tests", std::move(tests)}});
    }
    out["suites"] = std::move(list);
    out["tests"] = summary.tests;
    out["passed"] = summary.passed;
    out["failed"] = summary.failed;
    out["errors"] = summary.errors;
    out["score"] = summary.score;
    out["max_score"] = summary.maxScore;
    out["time"] = summary.seconds;
    // Messages quote the user's files, which need not be UTF-8.
    return out.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';
}

std::string reportJunit(const std::vector<Suite>& suites, const std::vector<TestResult>& results,
                        const Summary& summary) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<testsuites name=\"mic1 test\" tests=\"" + std::to_string(summary.tests) + "\" failures=\"" +
           std::to_string(summary.failed) + "\" errors=\"" + std::to_string(summary.errors) + "\" time=\"" +
           fixed(summary.seconds, 6) + "\">\n";
    size_t i = 0;
    for (const Suite& s : suites) {
        Summary own;
        double seconds = 0;
        for (size_t k = 0; k < s.tests.size(); ++k) {
            own.add(s.tests[k], results[i + k]);
            seconds += results[i + k].seconds;
        }
        out += "  <testsuite name=\"" + xml(s.name) + "\" file=\"" + xml(s.file) + "\" tests=\"" +
               std::to_string(own.tests) + "\" failures=\"" + std::to_string(own.failed) + "\" errors=\"" +
               std::to_string(own.errors) + "\" time=\"" + fixed(seconds, 6) + "\">\n";
        for (const TestCase& t : s.tests) {
            const TestResult& r = results[i++];
            out += "    <testcase name=\"" + xml(t.name) + "\" classname=\"" + xml(s.name) + "\" time=\"" +
                   fixed(r.seconds, 6) + '"';
            if (r.verdict == Verdict::Pass) {
                out += "/>\n";
                continue;
            }
            const char* element = r.verdict == Verdict::Fail ? "failure" : "error";
            out += ">\n      <" + std::string(element) + " message=\"" + xml(r.reason) + "\">" +
                   xml(explanation(r), false) + "</" + element + ">\n    </testcase>\n";
        }
        out += "  </testsuite>\n";
    }
    return out + "</testsuites>\n";
}

} // namespace mic1
