#include "Suite.h"
#include "Files.h"

#include "core/Datapath.h"
#include "support/FileBytes.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <utility>

namespace mic1 {

std::string_view lineOf(std::string_view text, int64_t line) {
    size_t begin = 0;
    for (int64_t k = 1; k < line; ++k) {
        begin = text.find('\n', begin);
        if (begin == std::string_view::npos) return {};
        ++begin;
    }
    std::string_view rest = text.substr(begin);
    rest = rest.substr(0, rest.find('\n'));
    if (rest.ends_with('\r')) rest.remove_suffix(1);
    return rest;
}

std::string diagnosticText(const std::string& place, const std::string& what, std::string_view sourceLine,
                           int64_t column, std::string_view severity) {
    std::string out = place + ": " + std::string(severity) + ": " + what;
    if (sourceLine.empty()) return out;
    out += '\n';
    out += sourceLine;
    out += '\n';
    // The caret stands under the column's character: a blank for each character before it,
    // a tab for a tab, so that it lines up however tabs are shown.
    int64_t characters = 1;
    for (size_t i = 0; i < sourceLine.size() && characters < column; ++i) {
        const auto c = static_cast<unsigned char>(sourceLine[i]);
        if ((c & 0xC0) == 0x80) continue;
        out += c == '\t' ? '\t' : ' ';
        ++characters;
    }
    return out + '^';
}

SuiteError::SuiteError(const std::string& file, int64_t line, int64_t column, const std::string& what,
                       std::string_view sourceLine)
    : std::runtime_error(diagnosticText(file + ':' + std::to_string(line) + ':' + std::to_string(column),
                                        what, sourceLine, column)) {}

size_t ProgramTable::file(const std::string& path, const std::string& suite, int64_t line, int64_t column) {
    const auto [at, added] = files_.emplace(path, programs_.size());
    if (added) programs_.push_back({path, std::nullopt, 1, true, suite, line, column});
    return at->second;
}

size_t ProgramTable::inlineText(ProgramSource source) {
    programs_.push_back(std::move(source));
    return programs_.size() - 1;
}

namespace {

// A test's output longer than this could not be compared: the machine keeps no more.
constexpr size_t maxOutputValues = tarveno::OutputRecord::limit;
// The most the weights of a suite's tests may add up to.
constexpr double maxWeights = 1e9;

const char* typeName(toml::node_type type) {
    switch (type) {
    case toml::node_type::table:
        return "a table";
    case toml::node_type::array:
        return "an array";
    case toml::node_type::string:
        return "a string";
    case toml::node_type::integer:
        return "an integer";
    case toml::node_type::floating_point:
        return "a floating-point number";
    case toml::node_type::boolean:
        return "a boolean";
    case toml::node_type::date:
    case toml::node_type::time:
    case toml::node_type::date_time:
        return "a date or time";
    case toml::node_type::none:
        break;
    }
    return "nothing";
}

// A key as a message names it.
std::string quoted(const toml::key& key) {
    std::string s = "`";
    s += key.str();
    s += '`';
    return s;
}

// The defaults a suite sets for its tests.
struct Defaults {
    int32_t input = 0;
    uint64_t maxSteps = defaultMaxSteps;
    uint64_t maxMemoryMb = defaultMaxMemoryMb;
    double weight = 1;
    std::optional<double> budget;
    bool hidden = false;
};

// Text on which the TOML reader would misbehave is refused before it reads it. toml++ 3.3.0
// reaches undefined behaviour on malformed text of three kinds: a character from U+00A1 to
// U+0499 (and a few other ranges) where it looks for a blank, which it does on characters
// outside strings and comments and after a backslash in a """ string; a table header whose
// name begins with no key character, such as `[{`; and a `}` where an array's value begins.
// TOML allows characters other than ASCII only in strings and comments, so the one valid
// suite refused here holds such a character first after a line-ending backslash. The scan
// follows the reader as long as the text is well-formed; where the reader certainly stops
// with an error (a line end in a one-line string, a string without end), the rest is left to
// the reader and its message.
class TextGuard {
  public:
    TextGuard(const std::string& file, std::string_view text) : file_(file), text_(text) {}

    void check() {
        // The reader passes over a byte-order mark.
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") i_ = lineStart_ = 3;
        // What the reader expects next. Quotes open a string only where a key or a value
        // begins: elsewhere the reader takes them, and all up to a blank, as part of a bare
        // value such as a number.
        enum { KeyStart, KeyEnd, ValueStart, Other } expect = KeyStart;
        bool lineStart = true; // at a line's first character outside any value
        std::string open;      // the arrays '[', inline tables '{' and headers 'h' open
        while (i_ < text_.size()) {
            const char c = text_[i_];
            if (static_cast<unsigned char>(c) >= 0x80)
                fail("a character other than ASCII stands outside a string or comment (a key that holds "
                     "one is written in quotes)");
            if (c == '\n') {
                newLine();
                if (open.empty()) {
                    lineStart = true;
                    expect = KeyStart;
                }
                continue;
            }
            if (c == ' ' || c == '\t' || c == '\r') {
                ++i_;
                continue;
            }
            if (c == '#') {
                i_ = std::min(text_.find('\n', i_), text_.size());
                continue;
            }
            const bool atLineStart = std::exchange(lineStart, false);
            if ((c == '"' || c == '\'') && (expect == KeyStart || expect == ValueStart)) {
                const bool key = expect == KeyStart;
                if (!string()) return;
                expect = key ? KeyEnd : Other;
            } else if (c == '[' && atLineStart && open.empty()) {
                header();
                open += 'h';
                expect = KeyStart;
            } else if ((c == '[' || c == '{') && expect == ValueStart) {
                ++i_;
                open += c;
                expect = c == '[' ? ValueStart : KeyStart;
            } else if (c == '}' && expect == ValueStart && !open.empty() && open.back() == '[') {
                fail("`}` stands where an array's value or its closing ] belongs");
            } else if ((c == ']' || c == '}') && !open.empty()) {
                ++i_;
                open.pop_back();
                expect = Other;
            } else if (c == ',' && !open.empty() && open.back() != 'h') {
                ++i_;
                expect = open.back() == '[' ? ValueStart : KeyStart;
            } else if (c == '.' && expect == KeyEnd) {
                ++i_;
                expect = KeyStart;
            } else if (c == '=' && expect == KeyEnd) {
                ++i_;
                expect = ValueStart;
            } else if (isKeyCharacter(c) && expect == KeyStart) {
                while (isKeyCharacter(at(i_)))
                    ++i_;
                expect = KeyEnd;
            } else {
                ++i_;
                expect = Other;
            }
        }
    }

  private:
    [[noreturn]] void fail(const char* what) const {
        // Columns count characters, as the reader's do.
        int64_t column = 1;
        for (size_t k = lineStart_; k < i_; ++k)
            column += (static_cast<unsigned char>(text_[k]) & 0xC0) != 0x80;
        throw SuiteError(file_, line_, column, what, lineOf(text_, line_));
    }

    void newLine() {
        ++i_;
        ++line_;
        lineStart_ = i_;
    }

    char at(size_t k) const { return k < text_.size() ? text_[k] : '\0'; }

    static bool isKeyCharacter(char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
               c == '-';
    }

    // A table header: [ or [[, blanks, then the first character of its name.
    void header() {
        ++i_;
        const bool array = at(i_) == '[';
        i_ += array;
        while (at(i_) == ' ' || at(i_) == '\t')
            ++i_;
        const char c = at(i_);
        // The reader refuses the end of the text, an empty name and "[ [" itself.
        const bool refusedLater = i_ >= text_.size() || c == ']' || (c == '[' && !array);
        if (!isKeyCharacter(c) && c != '"' && c != '\'' && !refusedLater)
            fail("a table header must begin with the table's name, after its [ or [[");
    }

    // Passes over a string from its opening quote; false where the reader stops with an error.
    bool string() {
        const char quote = text_[i_];
        if (at(i_ + 1) != quote || at(i_ + 2) != quote) {
            for (++i_; i_ < text_.size(); ++i_) {
                const char c = text_[i_];
                if (c == '\n') return false;
                if (c == quote) {
                    ++i_;
                    return true;
                }
                // An escaped line end is refused by the reader.
                if (c == '\\' && quote == '"' && at(++i_) == '\n') return false;
            }
            return false;
        }
        i_ += 3;
        while (i_ < text_.size()) {
            const char c = text_[i_];
            if (c == '\n') {
                newLine();
            } else if (c == quote) {
                // Up to five quotes close the string, the first two of them its own.
                size_t n = 1;
                while (n < 5 && at(i_ + n) == quote)
                    ++n;
                i_ += n;
                if (n >= 3) return true;
            } else if (c == '\\' && quote == '"') {
                if (!escape()) return false;
            } else {
                ++i_;
            }
        }
        return false;
    }

    // An escape in a """ string, from its backslash. The reader asks whether the character
    // after the backslash and blanks is a blank, and after a line-ending backslash, whether the
    // first character after the blanks and line ends is: refused when it is not ASCII.
    bool escape() {
        ++i_;
        const size_t blanksFrom = i_;
        while (at(i_) == ' ' || at(i_) == '\t')
            ++i_;
        const auto unsafe = [&] {
            if (static_cast<unsigned char>(at(i_)) >= 0x80)
                fail("in a \"\"\" string, the character after a backslash (\\), or after the blanks and "
                     "line ends that follow a line-ending one, must be ASCII");
        };
        unsafe();
        const bool lineEnding = i_ > blanksFrom || at(i_) == '\n' || at(i_) == '\r';
        if (!lineEnding) {
            ++i_; // the escaped character, ASCII
            return true;
        }
        if (at(i_) == '\r') ++i_;
        if (at(i_) != '\n') return false;
        for (;;) {
            if (at(i_) == ' ' || at(i_) == '\t')
                ++i_;
            else if (at(i_) == '\n')
                newLine();
            else if (at(i_) == '\r' && at(i_ + 1) == '\n')
                ++i_;
            else
                break;
        }
        unsafe();
        return true;
    }

    const std::string& file_;
    std::string_view text_;
    size_t i_ = 0;
    size_t lineStart_ = 0; // where line_ begins
    int64_t line_ = 1;
};

class Reader {
  public:
    Reader(std::string file, std::string_view text, ProgramTable& programs, bool outputRequired)
        : file_(std::move(file)), text_(text), programs_(programs), outputRequired_(outputRequired) {}

    Suite read() {
        TextGuard(file_, text_).check();
        toml::table root;
        try {
            root = toml::parse(text_, file_);
        } catch (const toml::parse_error& e) {
            fail(e.source().begin.line, e.source().begin.column, std::string(e.description()));
        }
        Suite suite;
        suite.file = file_;
        suite.name = std::filesystem::path(file_).stem().string();
        Defaults defaults;
        const toml::array* tests = nullptr;
        for (auto&& [key, node] : root) {
            if (key == "name") {
                suite.name = name(node, key, "the suite's name");
            } else if (key == "defaults") {
                defaults = readDefaults(table(node, key));
            } else if (key == "test") {
                tests = node.as_array();
                if (!tests || !tests->is_array_of_tables())
                    fail(node, "`test` must be an array of tables: write each test as [[test]]");
            } else {
                unknown(key, "name, defaults and [[test]]");
            }
        }
        if (!tests || tests->empty()) fail(1, 1, "the suite has no [[test]]");
        std::map<std::string, int64_t> names; // -> line
        double weights = 0;
        for (const toml::node& node : *tests) {
            TestCase t = readTest(*node.as_table(), defaults);
            // A bound on the sum keeps the score and its percentage finite numbers.
            weights += t.weight;
            if (weights > maxWeights) {
                const toml::node* at = node.as_table()->get("weight");
                if (!at) at = root.at_path("defaults.weight").node();
                fail(at ? *at : node, "`weight` makes the suite's weights add up to more than 1000000000");
            }
            const auto [at, added] = names.emplace(t.name, node.source().begin.line);
            if (!added)
                fail(node, "a test named \"" + t.name + "\" stands at line " + std::to_string(at->second) +
                               " already");
            suite.tests.push_back(std::move(t));
        }
        return suite;
    }

  private:
    [[noreturn]] void fail(int64_t line, int64_t column, const std::string& what) const {
        throw SuiteError(file_, line, column, what, lineOf(text_, line));
    }
    [[noreturn]] void fail(const toml::node& node, const std::string& what) const {
        fail(node.source().begin.line, node.source().begin.column, what);
    }
    [[noreturn]] void unknown(const toml::key& key, const char* known) const {
        fail(key.source().begin.line, key.source().begin.column,
             "unknown key " + quoted(key) + " (known: " + known + ")");
    }
    [[noreturn]] void wrongType(const toml::node& node, const toml::key& key, const char* expected) const {
        fail(node, quoted(key) + " must be " + expected + ", not " + typeName(node.type()));
    }

    const toml::table& table(const toml::node& node, const toml::key& key) const {
        if (!node.is_table()) wrongType(node, key, "a table");
        return *node.as_table();
    }

    std::string text(const toml::node& node, const toml::key& key, const char* what) const {
        if (!node.is_string()) wrongType(node, key, "a string");
        const std::string& s = node.as_string()->get();
        if (s.empty()) fail(node, std::string(what) + " is empty");
        return s;
    }

    // Names go on one line of a report.
    std::string name(const toml::node& node, const toml::key& key, const char* what) const {
        std::string s = text(node, key, what);
        for (const char c : s)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                fail(node, std::string(what) + " must be one line without control characters");
        return s;
    }

    // A word of the machine: -2^31 to 2^32 - 1, the upper half read as two's complement,
    // so that 0xFFFFFFFF can stand for -1.
    int32_t word(const toml::node& node, const toml::key& key) const {
        if (!node.is_integer()) wrongType(node, key, "an integer");
        const int64_t v = node.as_integer()->get();
        if (v < INT32_MIN || v > int64_t{UINT32_MAX})
            fail(node, quoted(key) + " holds " + std::to_string(v) +
                           ", which is no 32-bit word (-2147483648 to 4294967295)");
        return static_cast<int32_t>(static_cast<uint32_t>(v));
    }

    uint64_t positive(const toml::node& node, const toml::key& key, int64_t most = INT64_MAX) const {
        if (!node.is_integer()) wrongType(node, key, "an integer");
        const int64_t v = node.as_integer()->get();
        if (v < 1) fail(node, quoted(key) + " must be at least 1, not " + std::to_string(v));
        if (v > most)
            fail(node,
                 quoted(key) + " must be at most " + std::to_string(most) + ", not " + std::to_string(v));
        return static_cast<uint64_t>(v);
    }

    double number(const toml::node& node, const toml::key& key) const {
        if (node.is_integer()) return static_cast<double>(node.as_integer()->get());
        if (!node.is_floating_point()) wrongType(node, key, "a number");
        return node.as_floating_point()->get();
    }

    double weight(const toml::node& node, const toml::key& key) const {
        const double v = number(node, key);
        if (!std::isfinite(v) || v < 0) fail(node, "`weight` must be a number of 0 or more");
        return v;
    }

    // A multiple of the reference's microinstructions; below 1 no interpreter as fast as the
    // reference could pass, and 1e6 is far beyond any use.
    double budget(const toml::node& node, const toml::key& key) const {
        const double v = number(node, key);
        if (!std::isfinite(v) || v < 1 || v > 1e6) fail(node, "`budget` must be a number from 1 to 1000000");
        return v;
    }

    bool boolean(const toml::node& node, const toml::key& key) const {
        if (!node.is_boolean()) wrongType(node, key, "true or false");
        return node.as_boolean()->get();
    }

    // The shared keys of a test and of the defaults; false for another key.
    template <class Target> bool shared(const toml::key& key, const toml::node& node, Target& t) const {
        if (key == "stdin")
            t.input = word(node, key);
        else if (key == "max_steps")
            t.maxSteps = positive(node, key);
        else if (key == "max_memory_mb")
            t.maxMemoryMb = positive(node, key, maxTestMemoryMb);
        else if (key == "weight")
            t.weight = weight(node, key);
        else if (key == "budget")
            t.budget = budget(node, key);
        else if (key == "hidden")
            t.hidden = boolean(node, key);
        else
            return false;
        return true;
    }

    Defaults readDefaults(const toml::table& table) const {
        Defaults d;
        for (auto&& [key, node] : table)
            if (!shared(key, node, d))
                unknown(key, "stdin, max_steps, max_memory_mb, weight, budget and hidden");
        return d;
    }

    TestCase readTest(const toml::table& table, const Defaults& defaults) {
        TestCase t;
        t.input = defaults.input;
        t.maxSteps = defaults.maxSteps;
        t.maxMemoryMb = defaults.maxMemoryMb;
        t.weight = defaults.weight;
        t.budget = defaults.budget;
        t.hidden = defaults.hidden;
        t.line = t.outputLine = table.source().begin.line;
        t.column = t.outputColumn = table.source().begin.column;
        const toml::node* program = nullptr;
        const toml::key* programKey = nullptr;
        for (auto&& [key, node] : table) {
            if (shared(key, node, t)) continue;
            if (key == "name") {
                t.name = name(node, key, "a test's name");
            } else if (key == "program" || key == "source") {
                if (program)
                    fail(node, "a test runs one program: give `program` (a file) or `source` (the text), "
                               "not both");
                text(node, key, key == "program" ? "the program's file name" : "the program's source");
                program = &node;
                programKey = &key;
            } else if (key == "output") {
                t.output = output(node, key);
                t.outputGiven = true;
                t.outputLine = node.source().begin.line;
                t.outputColumn = node.source().begin.column;
            } else if (key == "stack_top") {
                t.top = word(node, key);
            } else {
                unknown(key, "name, program, source, stdin, output, stack_top, max_steps, max_memory_mb, "
                             "weight, budget and hidden");
            }
        }
        const auto missing = [&](const char* what) {
            fail(t.line, t.column, std::string("the test misses ") + what);
        };
        if (t.name.empty()) missing("`name`");
        if (!program) missing("its program: `program` (a file) or `source` (the text)");
        if (!t.outputGiven && outputRequired_)
            missing("`output`, the values it must print (`output = []` for none; with --reference, what the "
                    "reference prints)");
        t.program = *programKey == "program" ? programFile(*program) : inlineProgram(*program);
        return t;
    }

    std::vector<int32_t> output(const toml::node& node, const toml::key& key) const {
        const toml::array* values = node.as_array();
        if (!values) wrongType(node, key, "an array of integers");
        if (values->size() > maxOutputValues)
            fail(node, "`output` lists " + std::to_string(values->size()) + " values, more than the " +
                           std::to_string(maxOutputValues) + " a run records");
        std::vector<int32_t> out;
        out.reserve(values->size());
        for (const toml::node& v : *values) {
            if (!v.is_integer())
                fail(v, "`output` lists integers only, not " + std::string(typeName(v.type())));
            out.push_back(word(v, key));
        }
        return out;
    }

    size_t programFile(const toml::node& node) {
        namespace fs = std::filesystem;
        const fs::path written(node.as_string()->get());
        const std::string path =
            written.is_absolute() ? written.string() : (fs::path(file_).parent_path() / written).string();
        if (const std::string why = unreadableReason(path); !why.empty()) fail(node, why);
        return programs_.file(path, file_, node.source().begin.line, node.source().begin.column);
    }

    // The byte where a place of the reader stands; its columns count characters.
    size_t offsetOf(const toml::source_position& at) {
        if (lineStarts_.empty()) {
            lineStarts_.push_back(0);
            for (size_t i = text_.find('\n'); i != std::string_view::npos; i = text_.find('\n', i + 1))
                lineStarts_.push_back(i + 1);
        }
        if (at.line < 1 || at.line > lineStarts_.size()) return text_.size();
        size_t offset = lineStarts_[at.line - 1];
        for (auto column = at.column; column > 1 && offset < text_.size(); --column)
            do
                ++offset;
            while (offset < text_.size() && (static_cast<unsigned char>(text_[offset]) & 0xC0) == 0x80);
        return offset;
    }

    // The lines of a multi-line string are lines of the suite when its text stands there as
    // written, without escapes, from the line after its opening quotes when a line end follows
    // them. Any other string is placed by the line where it begins and the program's line.
    size_t inlineProgram(const toml::node& node) {
        const std::string& value = node.as_string()->get();
        const int64_t line = node.source().begin.line;
        std::string_view rest = text_.substr(offsetOf(node.source().begin));
        if (rest.starts_with("\"\"\"") || rest.starts_with("'''")) {
            rest.remove_prefix(3);
            const size_t lineEnd = rest.starts_with('\n') ? 1 : rest.starts_with("\r\n") ? 2 : 0;
            if (standsAsWritten(value, rest.substr(lineEnd)))
                return programs_.inlineText({file_, value, line + (lineEnd > 0), true, {}, 1, 1});
        }
        return programs_.inlineText({file_, value, line, false, {}, 1, 1});
    }

    // Whether text begins with value, a line end of value being LF or CR LF there.
    static bool standsAsWritten(std::string_view value, std::string_view text) {
        size_t k = 0;
        for (const char c : value) {
            if (c == '\n' && text.substr(k, 2) == "\r\n") ++k;
            if (k >= text.size() || text[k] != c) return false;
            ++k;
        }
        return true;
    }

    std::string file_;
    std::string_view text_;
    ProgramTable& programs_;
    bool outputRequired_;
    std::vector<size_t> lineStarts_; // where each line of text_ begins, once needed
};

} // namespace

Suite readSuite(const std::string& file, ProgramTable& programs, bool outputRequired) {
    const tarveno::FileBytes bytes = tarveno::readFileBytes(file);
    if (bytes.error)
        throw SuiteError(file, 1, 1,
                         bytes.error == EISDIR ? "it is a folder, not a suite" : std::strerror(bytes.error));
    return Reader(file, bytes.bytes, programs, outputRequired).read();
}

} // namespace mic1
