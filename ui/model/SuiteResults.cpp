#include "ui/model/SuiteResults.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>

namespace tarveno::ui {

namespace {

// A count with its thousands apart, as mic1 writes them: 12,345.
std::string grouped(uint64_t v) {
    std::string digits = std::to_string(v);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<size_t>(at), 1, ',');
    return digits;
}

std::string upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

using Json = nlohmann::json;

// The member key of an object as each kind, or the fallback where it is missing or of
// another kind: a report from another version of mic1 reads as far as it goes.
const Json& member(const Json& v, const char* key) {
    static const Json none;
    if (!v.is_object()) return none;
    const auto at = v.find(key);
    return at == v.end() ? none : *at;
}
std::string text(const Json& v, const char* key, const char* fallback = "") {
    const Json& m = member(v, key);
    return m.is_string() ? m.get<std::string>() : fallback;
}
bool flag(const Json& v, const char* key, bool fallback = false) {
    const Json& m = member(v, key);
    return m.is_boolean() ? m.get<bool>() : fallback;
}
double number(const Json& v, const char* key) {
    const Json& m = member(v, key);
    return m.is_number() ? m.get<double>() : 0;
}
uint64_t count(const Json& v, const char* key) {
    const double n = number(v, key);
    return n > 0 && n < 1.8e19 ? static_cast<uint64_t>(n) : 0;
}
// The strings of an array member.
std::vector<std::string> lines(const Json& v, const char* key) {
    std::vector<std::string> out;
    const Json& m = member(v, key);
    if (m.is_array())
        for (const Json& e : m)
            out.push_back(e.is_string() ? e.get<std::string>() : std::string());
    return out;
}
// The elements of an array member.
const Json& elements(const Json& v, const char* key) {
    static const Json empty = Json::array();
    const Json& m = member(v, key);
    return m.is_array() ? m : empty;
}

} // namespace

const char* suiteResultHeading(int column) {
    static const char* const headings[suiteResultColumns] = {"Result", "Suite", "Test", "Microinstructions",
                                                             "Reason"};
    return column >= 0 && column < suiteResultColumns ? headings[column] : "";
}

std::string TestRow::cell(int column) const {
    switch (column) {
    case 0:
        return verdict;
    case 1:
        return suite;
    case 2:
        return name;
    case 3:
        return verdict == "SKIPPED" ? std::string() : grouped(steps);
    case 4:
        return hidden && failed() ? "hidden test failed" : reason;
    }
    return {};
}

std::string TestRow::explanation() const {
    std::string text = name + ": " + verdict;
    if (!reason.empty()) text += "\n" + reason;
    for (const std::string& d : details)
        text += "\n" + d;
    if (failed() && !program) text += "\n(a hidden test: its program is not shown)";
    if (failed() && program)
        text += "\nDouble-click the test, or press Enter, to place its program and step it.";
    return text;
}

std::string SuiteReport::summary() const {
    const size_t total = tests.size();
    std::string text = std::to_string(passed) + " of " + std::to_string(total) + " test" +
                       (total == 1 ? "" : "s") + " passed";
    if (failed) text += ", " + std::to_string(failed) + " failed";
    if (errors) text += ", " + std::to_string(errors) + (errors == 1 ? " error" : " errors");
    if (maxScore > 0) {
        // To the nearest tenth, but never 100.0 % short of full marks.
        double percent = std::round(score / maxScore * 1000) / 10;
        if (percent >= 100 && score < maxScore) percent = 99.9;
        char p[32];
        std::snprintf(p, sizeof p, "%.1f", percent);
        text += std::string("; score ") + p + " %";
    }
    text += "; " + grouped(microinstructions) + " microinstructions";
    return text;
}

SuiteReport readSuiteReport(std::string_view json) {
    SuiteReport report;
    // Any text reads without harm: what is not JSON is discarded, not thrown.
    const Json root = Json::parse(json.begin(), json.end(), nullptr, false);
    if (!root.is_object()) return report;
    report.read = true;
    const Json& assembly = member(root, "assembly");
    report.assembles = flag(assembly, "ok", true);
    report.assemblyDiagnostics = lines(assembly, "diagnostics");
    for (const Json& suite : elements(root, "suites")) {
        const std::string suiteName = text(suite, "name");
        for (const Json& t : elements(suite, "tests")) {
            TestRow row;
            row.suite = suiteName;
            row.name = text(t, "name");
            row.verdict = upper(text(t, "result", "error"));
            row.steps = count(t, "steps");
            row.reason = text(t, "reason");
            row.details = lines(t, "details");
            row.hidden = flag(t, "hidden");
            row.tooSlow = flag(t, "too_slow");
            const Json& file = member(t, "program");
            const Json& source = member(t, "source");
            if (!row.hidden && (file.is_string() || source.is_string())) {
                TestProgram p{suiteName, row.name, text(t, "program"), std::nullopt, 0};
                if (source.is_string()) p.source = source.get<std::string>();
                const double input = number(t, "stdin");
                p.input = input >= INT32_MIN && input <= INT32_MAX ? static_cast<int32_t>(input) : 0;
                row.program = std::move(p);
            }
            report.tests.push_back(std::move(row));
        }
    }
    report.passed = count(root, "passed");
    report.failed = count(root, "failed");
    report.errors = count(root, "errors");
    report.score = number(root, "score");
    report.maxScore = number(root, "max_score");
    report.microinstructions = count(root, "microinstructions");
    return report;
}

std::string suiteFailureText(int exitStatus, std::string_view errorOutput) {
    std::string text;
    switch (exitStatus) {
    case 2:
        text = "The suite has a mistake, so no test ran:";
        break;
    case 1:
        text = "The microprogram file could not be read:";
        break;
    default:
        text = "The tests ended without a report (exit status " + std::to_string(exitStatus) + "):";
        break;
    }
    return text + "\n" + std::string(errorOutput);
}

} // namespace tarveno::ui
