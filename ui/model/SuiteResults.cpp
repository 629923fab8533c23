#include "ui/model/SuiteResults.h"

#include "ui/model/JsonValue.h"

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

uint64_t count(const JsonValue& v) {
    const double n = v.number();
    return n > 0 && n < 1.8e19 ? static_cast<uint64_t>(n) : 0;
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
    const std::optional<JsonValue> root = JsonValue::parse(json);
    if (!root || root->kind() != JsonValue::Kind::Object) return report;
    report.read = true;
    const JsonValue& assembly = (*root)["assembly"];
    report.assembles = assembly["ok"].boolean(true);
    for (const JsonValue& d : assembly["diagnostics"].items())
        report.assemblyDiagnostics.push_back(d.text());
    for (const JsonValue& suite : (*root)["suites"].items()) {
        const std::string suiteName = suite["name"].text();
        for (const JsonValue& t : suite["tests"].items()) {
            TestRow row;
            row.suite = suiteName;
            row.name = t["name"].text();
            row.verdict = upper(t["result"].text("error"));
            row.steps = count(t["steps"]);
            row.reason = t["reason"].text();
            for (const JsonValue& d : t["details"].items())
                row.details.push_back(d.text());
            row.hidden = t["hidden"].boolean();
            row.tooSlow = t["too_slow"].boolean();
            const JsonValue& file = t["program"];
            const JsonValue& source = t["source"];
            if (!row.hidden &&
                (file.kind() == JsonValue::Kind::String || source.kind() == JsonValue::Kind::String)) {
                TestProgram p{suiteName, row.name, file.text(), std::nullopt, 0};
                if (source.kind() == JsonValue::Kind::String) p.source = source.text();
                const double input = t["stdin"].number();
                p.input = input >= INT32_MIN && input <= INT32_MAX ? static_cast<int32_t>(input) : 0;
                row.program = std::move(p);
            }
            report.tests.push_back(std::move(row));
        }
    }
    report.passed = count((*root)["passed"]);
    report.failed = count((*root)["failed"]);
    report.errors = count((*root)["errors"]);
    report.score = (*root)["score"].number();
    report.maxScore = (*root)["max_score"].number();
    report.microinstructions = count((*root)["microinstructions"]);
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
