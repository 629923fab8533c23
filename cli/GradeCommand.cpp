// mic1 grade: grades a class's microprograms against the suites, with the teacher's
// interpreter as the reference: a gradebook, and a report and JUnit XML per student.

#include "Commands.h"
#include "Files.h"
#include "Grading.h"
#include "RunSetup.h"
#include "TestReports.h"

#include "support/ReplacingFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>

namespace mic1 {

namespace {

namespace fs = std::filesystem;

struct Submission {
    std::string student;
    std::string file;    // the microprogram
    std::string problem; // why there is none to grade, or empty
};

bool isMicroprogram(const fs::directory_entry& e) {
    std::error_code ec;
    const std::string name = e.path().filename().string();
    return !name.starts_with('.') && e.path().extension() == ".mal" && e.is_regular_file(ec);
}

// A folder's submission: its one .mal file; of several, the one named ijvm.mal.
Submission inFolder(const fs::path& folder) {
    Submission s{folder.filename().string(), folder.string(), {}};
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (isMicroprogram(e)) found.push_back(e.path().filename().string());
    std::sort(found.begin(), found.end());
    if (found.size() == 1 || std::find(found.begin(), found.end(), "ijvm.mal") != found.end()) {
        s.file = (folder / (found.size() == 1 ? found[0] : "ijvm.mal")).string();
    } else if (found.empty()) {
        s.problem = "no microprogram (a .mal file) in " + folder.string();
    } else {
        s.problem = "several microprograms in " + folder.string() + ":";
        for (const std::string& f : found)
            s.problem += ' ' + f;
        s.problem += "; keep one, or name the one to grade ijvm.mal";
    }
    return s;
}

// Every *.mal of the folder, and every folder of it with its microprogram, by name. A
// student's name that stands twice (a file and a folder) gets "-2", "-3" added. The folder
// the reports go to is none, should it stand there.
std::vector<Submission> findSubmissions(const fs::path& dir, const fs::path& out) {
    std::error_code ec;
    const fs::path reports = fs::weakly_canonical(out, ec);
    std::vector<fs::directory_entry> entries;
    for (const auto& e : fs::directory_iterator(dir))
        entries.push_back(e);
    std::sort(entries.begin(), entries.end());
    std::vector<Submission> found;
    std::map<std::string, int> names;
    for (const auto& e : entries) {
        if (isMicroprogram(e))
            found.push_back({e.path().stem().string(), e.path().string(), {}});
        else if (!e.path().filename().string().starts_with('.') && e.is_directory(ec) &&
                 fs::weakly_canonical(e.path(), ec) != reports)
            found.push_back(inFolder(e.path()));
        else
            continue;
        if (const int n = ++names[found.back().student]; n > 1)
            found.back().student += '-' + std::to_string(n);
    }
    return found;
}

// A cell of the gradebook: quoted when it holds a separator or a quote, and kept from being
// read as a formula by a spreadsheet.
std::string cell(const std::string& text) {
    std::string out = text;
    if (!out.empty() && std::string_view("=+-@").find(out[0]) != std::string_view::npos)
        out.insert(0, 1, '\'');
    if (out.find_first_of(",\"\r\n") == std::string::npos) return out;
    std::string quoted = "\"";
    for (const char c : out)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + '"';
}

std::string number(double v, int decimals) {
    char b[64];
    std::snprintf(b, sizeof b, "%.*f", decimals, v);
    std::string s = b;
    if (s.find('.') != std::string::npos) {
        while (s.ends_with('0'))
            s.pop_back();
        if (s.ends_with('.')) s.pop_back();
    }
    return s;
}

std::string gradebookRow(const std::string& student, const Summary& s) {
    std::string row = cell(student) + ',' + number(s.score, 6) + ',' + number(s.maxScore, 6) + ',' +
                      percentText(s) + ',' + std::to_string(s.passed) + ',' + std::to_string(s.failed) + ',' +
                      std::to_string(s.errors) + ',' + (s.assembles ? "yes" : "no") + ',';
    if (s.assembles) row += std::to_string(s.steps);
    row += ',';
    if (const auto ratio = s.ratio()) row += number(*ratio, 3);
    return row + '\n';
}

// The line a student's grading ends with: the score line of the summary, and the ratio.
std::string studentLine(const std::string& student, const Summary& s) {
    std::string lines = summaryLines(s);
    lines.pop_back();
    std::string line = student + ": " + lines.substr(lines.rfind('\n') + 1);
    if (const auto ratio = s.ratio()) {
        char b[32];
        std::snprintf(b, sizeof b, "%.2f", *ratio);
        line += "; " + std::string(b) + "x the reference";
    }
    return line + '\n';
}

} // namespace

int runGrade(const GradeOptions& options) {
    if (const std::string why = unreadableReason(options.reference); !why.empty()) {
        std::cerr << "mic1: " << why << '\n';
        return ExitFatal;
    }
    std::error_code ec;
    if (!fs::is_directory(options.submissions, ec)) {
        std::cerr << "mic1: --submissions " << options.submissions << ": not a folder\n";
        return ExitUsage;
    }
    catchInterruptions();
    const RunSettings settings{options.jobs ? options.jobs : availableCpus(), options.maxMemory,
                               &interruption()};
    SuiteSet set;
    std::vector<ReferenceCost> costs;
    if (const auto status =
            prepareRun(options.suites, options.reference, !options.noCheck, settings, set, costs))
        return *status;
    const std::vector<Submission> submissions = findSubmissions(options.submissions, options.out);
    if (submissions.empty()) {
        std::cerr << "mic1: no submissions in " << options.submissions
                  << ": neither .mal files nor folders that hold one\n";
        return ExitUsage;
    }
    const fs::path out(options.out);
    fs::create_directories(out / "junit", ec);
    if (ec) {
        std::cerr << "mic1: cannot make " << (out / "junit").string() << ": " << ec.message() << '\n';
        return ExitFatal;
    }

    std::vector<std::string> rows(submissions.size());
    int failedWrite = 0;
    const auto write = [&](const fs::path& path, const std::string& bytes) {
        if (const int error = tarveno::writeFileReplacing(path.string(), bytes)) {
            std::cerr << "mic1: cannot write " << path.string() << ": " << std::strerror(error) << '\n';
            failedWrite = error;
        }
    };
    gradeAll(
        submissions.size(),
        [&](size_t k) {
            const Submission& s = submissions[k];
            if (s.problem.empty()) return loadInterpreter(s.file, !options.noCheck);
            Interpreter none;
            none.file = s.file;
            none.assembles = false;
            none.diagnostics = {s.problem};
            return none;
        },
        set, costs, settings,
        [&](size_t k, const Interpreter& interpreter, const std::vector<TestResult>& results) {
            const std::string& student = submissions[k].student;
            Summary summary = summarize(set, results, interpreter.assembles);
            // The student's tests shared the threads with others': their own time is their sum.
            for (const TestResult& r : results)
                summary.seconds += r.seconds;
            write(out / (student + ".md"), reportMarkdown(set, interpreter, results, summary, student));
            write(out / "junit" / (student + ".xml"),
                  reportJunit(set, interpreter, results, summary, student));
            rows[k] = gradebookRow(student, summary);
            const std::string line = studentLine(student, summary);
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fflush(stdout);
        });
    std::string gradebook =
        "student,score,max,percent,passed,failed,errors,assembles,microinstructions,ratio_to_reference\n";
    for (const std::string& row : rows)
        gradebook += row;
    write(out / "gradebook.csv", gradebook);
    std::cout << "graded " << submissions.size() << " submissions: " << (out / "gradebook.csv").string()
              << '\n';
    if (const int signal = interruptionSignal()) {
        std::cerr << "mic1: interrupted; the tests that did not finish are reported as errors\n";
        return 128 + signal;
    }
    return failedWrite ? ExitFatal : ExitOk;
}

} // namespace mic1
