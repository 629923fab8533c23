#include "ijvm/IjvmAssembler.h"

#include "support/Catalogue.h"
#include "support/Conversions.h"
#include "support/FatalError.h"
#include "support/StringTokenizer.h"

#include <cctype>
#include <limits>
#include <tuple>

namespace tarveno {

namespace {

// The directives; they are recognised only as written.
constexpr std::string_view constantSection = ".constant";
constexpr std::string_view constantEnd = ".end-constant";
constexpr std::string_view methodSection = ".method";
constexpr std::string_view methodEnd = ".end-method";
constexpr std::string_view mainSection = ".main";
constexpr std::string_view mainEnd = ".end-main";
constexpr std::string_view varSection = ".var";
constexpr std::string_view varEnd = ".end-var";
constexpr std::string_view instructionDirective = ".instruction";
constexpr std::string_view mainName = "main";

// The longest parameter text read up to its ")".
constexpr int32_t maxParameterText = 50;
// The longest declaration line read after ".instruction"; the rest of a longer line is skipped.
constexpr size_t maxDeclarationLine = 200;

std::string cut(std::string_view text, size_t limit) {
    return std::string(text.substr(0, limit));
}

// Mnemonics are recognised in any letter case; only ASCII letters change.
void upperInPlace(std::string& text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

// The message of a number that never comes, for that of a number that is wrong.
Text missingNumber(Text refusal) {
    switch (refusal) {
    case Text::BipushNumber:
        return Text::BipushNumberMissing;
    case Text::IincNumber:
        return Text::IincNumberMissing;
    case Text::ByteNumber:
        return Text::ByteNumberMissing;
    default:
        return Text::ConstantNumberMissing;
    }
}

int32_t clampToInt32(int64_t n) {
    return static_cast<int32_t>(std::clamp<int64_t>(n, 0, std::numeric_limits<int32_t>::max()));
}

} // namespace

IjvmAssembler::IjvmAssembler(std::string fileName) : reader(std::move(fileName)) {}

IjvmAssembler::IjvmAssembler(std::string fileName, std::string source) : reader(std::move(fileName)) {
    reader.setText(std::move(source));
}

void IjvmAssembler::assemble() {
    parse();
    generate();
}

// ---------------------------------------------------------------------------------
// Diagnostics

Text IjvmAssembler::textOf(DiagnosticCode code) {
    switch (code) {
    case DiagnosticCode::DuplicateLabel:
        return Text::DuplicateLabel;
    case DiagnosticCode::DuplicateConstant:
        return Text::DuplicateConstant;
    case DiagnosticCode::DuplicateVariable:
        return Text::DuplicateVariable;
    case DiagnosticCode::MethodNotEnded:
        return Text::MethodNotEnded;
    case DiagnosticCode::UnknownInstruction:
        return Text::UnknownInstruction;
    case DiagnosticCode::NoMain:
        return Text::NoMain;
    case DiagnosticCode::UnknownLabel:
        return Text::UnknownLabel;
    case DiagnosticCode::UnknownConstant:
        return Text::UnknownConstant;
    case DiagnosticCode::UnknownVariable:
        return Text::UnknownVariable;
    case DiagnosticCode::UnknownMethod:
        return Text::UnknownMethod;
    case DiagnosticCode::DuplicateMethod:
        return Text::DuplicateMethod;
    case DiagnosticCode::ConstantsNotEnded:
        return Text::ConstantsNotEnded;
    case DiagnosticCode::ParenthesisNotClosed:
        return Text::ParenthesisNotClosed;
    case DiagnosticCode::ParenthesisNotOpened:
        return Text::ParenthesisNotOpened;
    case DiagnosticCode::VariablesNotEnded:
        return Text::VariablesNotEnded;
    case DiagnosticCode::BipushOutOfRange:
        return Text::BipushOutOfRange;
    case DiagnosticCode::IincOutOfRange:
        return Text::IincOutOfRange;
    case DiagnosticCode::LocalIndexOutOfRange:
        return Text::LocalIndexOutOfRange;
    case DiagnosticCode::PoolIndexOutOfRange:
        return Text::PoolIndexOutOfRange;
    case DiagnosticCode::BranchOutOfRange:
        return Text::BranchOutOfRange;
    case DiagnosticCode::InstructionExists:
        return Text::InstructionExists;
    case DiagnosticCode::OpcodeTaken:
        return Text::OpcodeTaken;
    case DiagnosticCode::BadOpcode:
        return Text::BadOpcode;
    case DiagnosticCode::BadOperands:
        return Text::BadOperands;
    case DiagnosticCode::BadInstructionName:
        return Text::BadInstructionName;
    // A number's text depends on where it stands: the caller names it.
    case DiagnosticCode::InvalidNumber:
        return Text::BipushNumber;
    case DiagnosticCode::None:
        break;
    }
    return Text::Count;
}

void IjvmAssembler::addError(DiagnosticCode code, const std::string& name, const std::string& label,
                             int32_t number, int32_t start, int32_t length) {
    switch (code) {
    case DiagnosticCode::DuplicateLabel:
    case DiagnosticCode::UnknownInstruction:
    case DiagnosticCode::NoMain:
    case DiagnosticCode::DuplicateMethod:
    case DiagnosticCode::ParenthesisNotClosed:
    case DiagnosticCode::ParenthesisNotOpened:
        std::tie(start, length) = readerSpan();
        break;
    default:
        break;
    }
    appendError(code, name, label, number, start, length);
}

void IjvmAssembler::appendError(DiagnosticCode code, const std::string& name, const std::string& label,
                                int32_t number, int32_t start, int32_t length) {
    // The word that ends a method is ".end-main" for main, ".end-method" for the others.
    const std::string_view shown =
        code == DiagnosticCode::MethodNotEnded && label.empty() ? methodEnd : label;
    appendDiagnostic(code, textOf(code), {.name = name, .label = shown, .number = number}, start, length);
}

void IjvmAssembler::appendDiagnostic(DiagnosticCode code, Text text, const TextArguments& arguments,
                                     int32_t start, int32_t length) {
    // A span never reaches outside the source, whatever state the reader was in. The
    // message is kept whole, however long the names in it are.
    const int32_t end = std::max(sourceSize_, 0);
    start = std::clamp(start, 0, end);
    length = std::clamp(length, 0, end - start);
    const bool warning = isWarning(code);
    program.diagnostics.insertTail(Diagnostic{message(text, arguments), start, length, code, warning});
}

std::pair<int32_t, int32_t> IjvmAssembler::readerSpan() {
    const int32_t start = reader.mark;
    return {start, reader.position() - start - 1};
}

std::optional<int32_t> IjvmAssembler::number(const std::string* text, int32_t start, int32_t length,
                                             Text refusal, const std::string& owner, std::string_view what) {
    try {
        if (text) return parseNumber(*text);
    } catch (const FatalError&) {
    }
    // Where the program ends before the number, the message says so.
    const Text shown = text ? refusal : missingNumber(refusal);
    appendDiagnostic(DiagnosticCode::InvalidNumber, shown,
                     {.name = owner, .label = text ? *text : std::string(), .text = what}, start, length);
    return std::nullopt;
}

// ---------------------------------------------------------------------------------
// First pass

void IjvmAssembler::parse() {
    reader.open();
    sourceSize_ = reader.size();

    while (const std::string* word = reader.nextWord()) {
        if (*word == constantSection)
            parseConstants();
        else if (*word == methodSection)
            parseMethod();
        else if (*word == mainSection)
            parseMain();
        else if (*word == instructionDirective)
            parseDeclaration();
        // Any other word outside a section is skipped.
    }
    reader.clearState();
    sourceEnd_ = reader.position();
    reader.close();
}

void IjvmAssembler::parseDeclaration() {
    const int32_t directiveStart = reader.mark;
    const auto directiveLength = static_cast<int32_t>(instructionDirective.size());
    // The declaration is the rest of its line: NAME OPCODE and the operand words.
    const int32_t lineStart = reader.position();
    std::string line;
    if (reader.lastDelimiter() != '\n' && !reader.atEnd()) line = reader.readLine(maxDeclarationLine);
    reader.clearState();
    // A comment ends it; a block comment is read again by the main loop, which skips it whole.
    if (const size_t block = line.find("/*"); block != std::string::npos) {
        reader.seek(lineStart + static_cast<int32_t>(block));
        line.resize(block);
    }
    if (const size_t comment = line.find("//"); comment != std::string::npos) line.resize(comment);

    struct Word {
        std::string_view text;
        int32_t start;
    };
    std::vector<Word> words;
    for (size_t i = 0; i < line.size();) {
        if (FileReader::wordDelimiters.find(line[i]) != std::string_view::npos) {
            ++i;
            continue;
        }
        const size_t end = std::min(line.find_first_of(FileReader::wordDelimiters, i), line.size());
        words.push_back({std::string_view(line).substr(i, end - i), lineStart + static_cast<int32_t>(i)});
        i = end;
    }
    auto refuse = [&](DiagnosticCode code, Text text, const TextArguments& arguments, int32_t start,
                      int32_t length) { appendDiagnostic(code, text, arguments, start, length); };
    auto length = [](std::string_view w) { return static_cast<int32_t>(w.size()); };

    if (words.empty()) {
        refuse(DiagnosticCode::BadInstructionName, Text::InstructionNameMissing, {}, directiveStart,
               directiveLength);
        return;
    }
    const Word& name = words[0];
    const bool isName = std::isalpha(static_cast<unsigned char>(name.text[0])) &&
                        std::all_of(name.text.begin(), name.text.end(), [](char c) {
                            return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
                        });
    if (!isName) {
        refuse(DiagnosticCode::BadInstructionName, Text::BadInstructionName, {.label = name.text}, name.start,
               length(name.text));
        return;
    }
    std::string mnemonic(name.text);
    upperInPlace(mnemonic);
    if (words.size() < 2) {
        refuse(DiagnosticCode::BadOpcode, Text::OpcodeMissing, {.label = mnemonic}, name.start,
               length(name.text));
        return;
    }
    const Word& opcodeWord = words[1];
    std::optional<int32_t> opcode;
    try {
        opcode = parseNumber(opcodeWord.text);
    } catch (const FatalError&) {
    }
    if (!opcode || *opcode < 1 || *opcode > 255) {
        refuse(DiagnosticCode::BadOpcode, Text::BadOpcode, {.label = mnemonic, .text = opcodeWord.text},
               opcodeWord.start, length(opcodeWord.text));
        return;
    }
    std::vector<std::string_view> kindWords;
    for (size_t i = 2; i < words.size(); ++i)
        kindWords.push_back(words[i].text);
    const std::optional<OperandKind> kind = InstructionSet::declaredKind(kindWords);
    if (!kind) {
        const Word& last = words.back();
        const std::string shown(std::string_view(line).substr(
            static_cast<size_t>(words[2].start - lineStart),
            static_cast<size_t>(last.start - words[2].start) + last.text.size()));
        refuse(DiagnosticCode::BadOperands, Text::BadOperands, {.label = mnemonic, .text = shown},
               words[2].start, last.start + length(last.text) - words[2].start);
        return;
    }
    const InstructionSet::Declaration d =
        program.instructions.declare(mnemonic, static_cast<uint8_t>(*opcode), *kind);
    switch (d.refusal) {
    case InstructionSet::Refusal::None:
        break;
    case InstructionSet::Refusal::NameTaken:
        refuse(DiagnosticCode::InstructionExists, Text::InstructionExists, {.label = mnemonic}, name.start,
               length(name.text));
        break;
    case InstructionSet::Refusal::OpcodeTaken: {
        const std::string holder = d.holder ? d.holder->written() : std::string();
        refuse(DiagnosticCode::OpcodeTaken, Text::OpcodeTaken,
               {.name = holder, .label = mnemonic, .text = opcodeWord.text}, opcodeWord.start,
               length(opcodeWord.text));
        break;
    }
    case InstructionSet::Refusal::OpcodeReserved:
        refuse(DiagnosticCode::BadOpcode, Text::BadOpcode, {.label = mnemonic, .text = opcodeWord.text},
               opcodeWord.start, length(opcodeWord.text));
        break;
    }
}

void IjvmAssembler::parseConstants() {
    const int32_t start = reader.position();
    const std::string* word = nullptr;
    while ((word = reader.nextWord()) && *word != constantEnd) {
    }
    if (!word) {
        // Never closed: the reader stays at the end, so nothing more is parsed.
        reader.clearState();
        appendError(DiagnosticCode::ConstantsNotEnded, {}, {}, 0, start, 2);
        return;
    }
    reader.clearState();
    reader.seek(start);
    while ((word = reader.nextWord()) && *word != constantEnd) {
        Symbol constant;
        // Numbered program-wide, so that the index is the constant's place in the pool
        // also when the source has several constant sections.
        constant.index = program.constants.count();
        constant.name = cut(*word, maxNameLength);
        const int32_t nameStart = reader.mark;
        const auto nameLength = static_cast<int32_t>(word->size());
        const std::string* value = reader.nextWord();
        // A constant without its value takes the closing word as its value: the number is
        // refused on the constant's name, and the section ends there rather than going on
        // over the rest of the program.
        const bool closed = value && *value == constantEnd;
        constant.value =
            (value && !closed ? number(value, reader.mark, static_cast<int32_t>(value->size()),
                                       Text::ConstantNumber, constant.name)
                              : number(value, nameStart, nameLength, Text::ConstantNumber, constant.name))
                .value_or(0);
        if (!constantNames_.insert(constant.name).second)
            appendError(DiagnosticCode::DuplicateConstant, {}, constant.name, 0, reader.mark,
                        value ? static_cast<int32_t>(value->size()) : 0);
        program.constants.insertTail(constant);
        if (closed) break;
    }
}

void IjvmAssembler::addLocal(Method& method, std::unordered_set<std::string>& names, const Symbol& symbol,
                             int32_t start, int32_t length) {
    if (!names.insert(symbol.name).second)
        appendError(DiagnosticCode::DuplicateVariable, method.name, symbol.name, 0, start, length);
    method.locals.insertTail(symbol);
}

void IjvmAssembler::parseMethod() {
    Method method;
    int32_t local = 1;
    localNames_.clear();

    const std::string* name = reader.readToken(static_cast<int32_t>(maxMethodNameLength), "(");
    if (!name || reader.atEnd()) {
        // No "(" before the end of the input: the method is dropped, the reader stays at the end.
        const auto [start, length] = readerSpan();
        reader.clearState();
        appendError(DiagnosticCode::ParenthesisNotOpened, {}, {}, 0, start, length);
        return;
    }
    method.name = *name;
    removeChars(method.name, " ");

    const std::string* parameters = reader.readToken(maxParameterText, ")");
    if (!parameters || reader.atEnd()) {
        const auto [start, length] = readerSpan();
        reader.clearState();
        appendError(DiagnosticCode::ParenthesisNotClosed, {}, {}, 0, start, length);
        return;
    }
    const auto [textStart, textLength] = readerSpan();
    // Names are separated by commas or blanks; a character that is neither a letter, a
    // digit, a blank nor a comma is passed over by the tokenizer.
    StringTokenizer tokens(*parameters, ",");
    while (const StringTokenizer::Elem* token = tokens.get(0, 1, true)) {
        if (token->text.empty() || token->text[0] == ',') continue;
        ++method.parameters;
        addLocal(method, localNames_, Symbol{local++, cut(token->text, maxNameLength), 0}, textStart,
                 textLength);
    }

    const std::string* word = reader.nextWord();
    if (word && *word == varSection) {
        if (!parseVariables(method, local, methodEnd)) return;
        word = reader.nextWord();
    }
    parseBody(method, word, methodEnd);
}

void IjvmAssembler::parseMain() {
    Method method;
    method.name = std::string(mainName);
    int32_t local = 1;
    localNames_.clear();

    const std::string* word = reader.nextWord();
    if (word && *word == varSection) {
        if (!parseVariables(method, local, mainEnd)) return;
        word = reader.nextWord();
    }
    parseBody(method, word, mainEnd);
}

bool IjvmAssembler::parseVariables(Method& method, int32_t& local, std::string_view closer) {
    const int32_t varStart = reader.position();
    const std::string* word = nullptr;
    while ((word = reader.nextWord()) && *word != varEnd && *word != varSection && *word != closer) {
    }
    if (!word || *word != varEnd) {
        // The method is dropped. The word that ended the scan is read again by the main
        // loop; at the end of the input the reader stays there.
        reader.clearState();
        if (word) reader.seek(reader.mark);
        appendError(DiagnosticCode::VariablesNotEnded, method.name, {}, 0, varStart, 2);
        return false;
    }
    reader.clearState();
    reader.seek(varStart);
    while ((word = reader.nextWord()) && *word != varEnd) {
        ++method.variables;
        addLocal(method, localNames_, Symbol{local++, cut(*word, maxNameLength), 0}, reader.mark,
                 static_cast<int32_t>(word->size()));
    }
    return true;
}

void IjvmAssembler::parseBody(Method& method, const std::string* word, std::string_view endWord) {
    pendingLabels_.clear();
    pendingLabelNames_.clear();
    for (;;) {
        if (!word) {
            // The input ended inside the body. The method is still recorded, so that the
            // code offsets of its instructions stay in step with the method area.
            appendError(DiagnosticCode::MethodNotEnded, method.name, std::string(endWord), 0, 0, 0);
            break;
        }
        if (*word == endWord) break;
        if (*word == methodSection)
            appendError(DiagnosticCode::MethodNotEnded, method.name, std::string(endWord), 0, 0, 0);
        if (!parseInstruction(method) && !refusal_.endOfInput) {
            if (refusal_.useSpan)
                appendError(DiagnosticCode::UnknownInstruction, method.name, refusal_.word,
                            method.instructions, refusal_.start, refusal_.length);
            else
                addError(DiagnosticCode::UnknownInstruction, method.name, refusal_.word, method.instructions,
                         0, 0);
        }
        word = reader.nextWord();
    }

    // Labels in ascending name order, a later definition before an earlier one of the
    // same name (so references reach the later one). Sorting once keeps a method with
    // many labels linear-logarithmic.
    std::reverse(pendingLabels_.begin(), pendingLabels_.end());
    std::stable_sort(pendingLabels_.begin(), pendingLabels_.end());
    for (const Symbol& label : pendingLabels_)
        method.labels.insertTail(label);
    pendingLabels_.clear();

    if (!methodNames_.insert(method.name).second)
        addError(DiagnosticCode::DuplicateMethod, method.name, {}, 0, 0, 0);
    method.number = methodCount++;
    program.methods.insertTail(Method{}) = std::move(method);
}

bool IjvmAssembler::parseInstruction(Method& method) {
    refusal_ = Refusal{};
    std::string labelWord;
    if (!reader.word.empty() && reader.word.back() == ':') {
        labelWord = reader.word;
        Symbol label;
        label.name = cut(std::string_view(labelWord).substr(0, labelWord.size() - 1), maxLabelLength);
        label.value = codeOffset;
        if (!pendingLabelNames_.insert(label.name).second)
            addError(DiagnosticCode::DuplicateLabel, method.name, label.name, 0, 0, 0);
        pendingLabels_.push_back(label);
        if (!reader.nextWord()) {
            refusal_.endOfInput = true;
            return false;
        }
    }

    InstructionRecord record;
    record.label = cut(labelWord, maxRecordLabelLength);
    record.sourcePosition = reader.mark;
    std::string& word = reader.word;
    upperInPlace(word);

    const InstructionInfo* info = nullptr;
    if (word == "WIDE") {
        const int32_t wideMark = reader.mark;
        const int32_t afterWide = reader.position();
        const std::string* next = reader.nextWord();
        std::string joined = "WIDE" + (next ? *next : std::string());
        upperInPlace(joined);
        info = program.instructions.find(joined);
        if (!info || info->kind != OperandKind::Local16) {
            // Only ILOAD and ISTORE have wide forms. WIDE alone is refused and the word
            // after it is read again as the next instruction, so no byte count drifts.
            refusal_.word = "WIDE";
            refusal_.start = wideMark;
            refusal_.length = afterWide - wideMark - 1;
            refusal_.useSpan = true;
            reader.clearState();
            reader.seek(afterWide);
            return false;
        }
    } else {
        info = program.instructions.find(word);
        // The wide forms are reached through WIDE only.
        if (!info || info->kind == OperandKind::Local16) {
            refusal_.word = word;
            return false;
        }
    }
    record.mnemonic = std::string(info->mnemonic);

    // Operand words are kept whole: cutting them would silently change a number or a
    // name. Lookups compare names after the declaration limits (see encode).
    auto operand = [&](std::string& out, int32_t* position) {
        const std::string* w = reader.nextWord();
        out = w ? *w : std::string();
        if (position) *position = w ? reader.mark : -1;
    };
    switch (info->kind) {
    case OperandKind::None:
        break;
    case OperandKind::Increment:
        operand(record.operand, &record.operandPosition);
        operand(record.operand2, &record.operand2Position);
        break;
    default:
        operand(record.operand, &record.operandPosition);
        break;
    }

    record.length = info->length;
    record.index = method.instructions++;
    record.offset = codeOffset;
    codeOffset += record.length;
    method.length += record.length;
    method.code.insertTail(record);
    return true;
}

// ---------------------------------------------------------------------------------
// Second pass

void IjvmAssembler::buildProgramIndex() {
    constantIndex_.clear();
    methodIndex_.clear();
    program.constants.forEach([&](const Symbol& c) { constantIndex_.emplace(c.name, c.index); });
    program.methods.forEach([&](const Method& m) { methodIndex_.emplace(m.name, m.number); });
    programIndexBuilt_ = true;
}

const IjvmAssembler::MethodIndex& IjvmAssembler::indexOf(const Method& method) {
    if (methodIndexCache_.method != &method) {
        methodIndexCache_.method = &method;
        methodIndexCache_.labels.clear();
        methodIndexCache_.locals.clear();
        // emplace keeps the first of equal names: for labels the later definition, for
        // locals the first declaration.
        method.labels.forEach([&](const Symbol& l) { methodIndexCache_.labels.emplace(l.name, l.value); });
        method.locals.forEach([&](const Symbol& l) { methodIndexCache_.locals.emplace(l.name, l.index); });
    }
    return methodIndexCache_;
}

void IjvmAssembler::encode(Method& method, const InstructionRecord& record) {
    const InstructionInfo* info = program.instructions.find(record.mnemonic);
    if (!info) return; // records are made for known instructions only
    if (!programIndexBuilt_) buildProgramIndex();
    const MethodIndex& index = indexOf(method);
    const int32_t constantCount = program.constants.count();

    // A name that is not found is recorded and taken as 0.
    auto lookup = [&](const std::unordered_map<std::string, int32_t>& table, size_t limit) -> int32_t {
        const auto found = table.find(cut(record.operand, limit));
        if (found != table.end()) return found->second;
        const int32_t start =
            record.operandPosition >= 0 ? record.operandPosition : record.sourcePosition + info->spanOffset;
        appendError(info->lookupError, method.name, record.operand, 0, start,
                    static_cast<int32_t>(std::min<size_t>(record.operand.size(), INT32_MAX)));
        return 0;
    };

    // A number that is no number is a diagnostic on its word; a missing one, at the end
    // of the input, on the mnemonic. Either counts as 0.
    auto numberAt = [&](const std::string& text, int32_t position, Text refusal) {
        return (position >= 0
                    ? number(&text, position, static_cast<int32_t>(text.size()), refusal, method.name,
                             record.mnemonic)
                    : number(nullptr, record.sourcePosition, static_cast<int32_t>(record.mnemonic.size()),
                             refusal, method.name, record.mnemonic));
    };
    // An operand the machine will see otherwise than it is written is warned about on its
    // word: seen is what the machine takes, actual (when shown) what was meant.
    auto warn = [&](DiagnosticCode code, const std::string& text, int32_t position, int64_t seen,
                    std::string_view actual = {}, Text shown = Text::Count) {
        const int32_t start = position >= 0 ? position : record.sourcePosition;
        const auto length = static_cast<int32_t>(std::min<size_t>(text.size(), INT32_MAX));
        appendDiagnostic(code, shown == Text::Count ? textOf(code) : shown,
                         {.name = method.name, .label = text, .text = actual, .number = seen}, start, length);
    };
    // A declared instruction's byte operand is named by its own mnemonic, not BIPUSH's.
    auto signedByte = [&](const std::optional<int32_t>& value, DiagnosticCode code, const std::string& text,
                          int32_t position) {
        const int32_t v = value.value_or(0);
        if (v < INT8_MIN || v > INT8_MAX) {
            if (info->declared)
                warn(code, text, position, static_cast<int8_t>(v), record.mnemonic, Text::ByteOutOfRange);
            else
                warn(code, text, position, static_cast<int8_t>(v));
        }
        return static_cast<uint8_t>(v);
    };
    auto localByte = [&](int32_t local) {
        if (local > UINT8_MAX)
            warn(DiagnosticCode::LocalIndexOutOfRange, record.operand, record.operandPosition, local,
                 std::to_string(local & 0xFF));
        return static_cast<uint8_t>(local);
    };
    auto poolIndex = [&](int32_t entry) {
        if (entry > UINT16_MAX)
            warn(DiagnosticCode::PoolIndexOutOfRange, record.operand, record.operandPosition, entry,
                 std::to_string(entry & 0xFFFF));
        return static_cast<uint16_t>(entry);
    };

    ImageBytes& area = program.methodArea;
    area.append8(info->opcode);
    switch (info->kind) {
    case OperandKind::None:
        break;
    case OperandKind::Byte:
        area.append8(signedByte(numberAt(record.operand, record.operandPosition,
                                         info->declared ? Text::ByteNumber : Text::BipushNumber),
                                DiagnosticCode::BipushOutOfRange, record.operand, record.operandPosition));
        break;
    case OperandKind::Local8:
        area.append8(localByte(lookup(index.locals, maxNameLength)));
        break;
    case OperandKind::Local16:
        area.append16(static_cast<uint16_t>(lookup(index.locals, maxNameLength)));
        break;
    case OperandKind::Constant:
        area.append16(poolIndex(lookup(constantIndex_, maxNameLength)));
        break;
    case OperandKind::Increment: {
        const uint8_t local = localByte(lookup(index.locals, maxNameLength));
        const uint8_t amount =
            signedByte(numberAt(record.operand2, record.operand2Position, Text::IincNumber),
                       DiagnosticCode::IincOutOfRange, record.operand2, record.operand2Position);
        area.append8(local);
        area.append8(amount);
        break;
    }
    case OperandKind::Branch: {
        const int32_t distance = lookup(index.labels, maxLabelLength) - record.offset;
        if (distance < INT16_MIN || distance > INT16_MAX)
            warn(DiagnosticCode::BranchOutOfRange, record.operand, record.operandPosition,
                 static_cast<int16_t>(distance), std::to_string(distance));
        area.append16(static_cast<uint16_t>(distance));
        break;
    }
    case OperandKind::Method:
        area.append16(poolIndex(lookup(methodIndex_, maxMethodNameLength) + constantCount));
        break;
    }
}

void IjvmAssembler::generate() {
    buildProgramIndex();
    const int32_t constantCount = program.constants.count();
    const int32_t methodTotal = methodCount;
    ImageBytes& area = program.methodArea;
    ImageBytes& constantPool = program.constantPool;

    int64_t areaSize = 3;
    program.methods.forEach([&](const Method& m) { areaSize += static_cast<int64_t>(m.length) + 4; });
    area.allocate(clampToInt32(areaSize));
    constantPool.allocate(clampToInt32((static_cast<int64_t>(constantCount) + methodTotal) * 4));

    program.constants.forEach(
        [&](const Symbol& c) { constantPool.append32(static_cast<uint32_t>(c.value)); });

    area.append8(0x52);
    const auto main = methodIndex_.find(std::string(mainName));
    if (main != methodIndex_.end()) {
        area.append16(static_cast<uint16_t>(main->second + constantCount));
    } else {
        // The reader is closed by now: the diagnostic points at the end of the source.
        appendError(DiagnosticCode::NoMain, {}, {}, 0, sourceEnd_, 0);
        area.append16(static_cast<uint16_t>(constantCount));
    }

    // The map entries are collected first and stored once the method area is laid out.
    struct Entry {
        uint32_t key;
        uint32_t source;
        uint32_t pool;
    };
    std::vector<Entry> entries;
    entries.reserve(static_cast<size_t>(std::max<int64_t>(areaSize - 3, 0)));

    int32_t i = 0;
    program.methods.forEach([&](Method& method) {
        constantPool.append32(static_cast<uint32_t>(area.count()));
        area.append16(static_cast<uint16_t>(method.parameters));
        area.append16(static_cast<uint16_t>(method.variables));
        const uint32_t pool = static_cast<uint32_t>(constantCount + i);
        method.code.forEach([&](const InstructionRecord& record) {
            for (int32_t k = 0; k < record.length; ++k) {
                const uint32_t key = static_cast<uint32_t>(record.offset + k + 4 * i + 7);
                entries.push_back(Entry{key, static_cast<uint32_t>(record.sourcePosition), pool});
            }
            encode(method, record);
        });
        ++i;
    });

    program.sourceMap = SparseStore<uint32_t, uint32_t>();
    program.methodMap = SparseStore<uint32_t, uint32_t>();
    for (const Entry& e : entries) {
        program.sourceMap.insert({e.key, e.source});
        program.methodMap.insert({e.key, e.pool});
    }
}

} // namespace tarveno
