#pragma once
// The IJVM assembler. The first pass (parse) walks the source word by word, collects
// constants, methods with their locals and labels, and instruction records, with the
// diagnostics it finds. The second pass (generate) lays the program out as a method
// area and a constant pool, with the maps from each code byte to its source text and
// to its method. Diagnostics never stop it, a malformed number among them; only an
// unreadable file or exhausted memory raise FatalError.

#include "core/SparseStore.h"
#include "ijvm/InstructionSet.h"
#include "ijvm/Program.h"
#include "support/Catalogue.h"
#include "support/FileReader.h"
#include "support/List.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace tarveno {

class IjvmAssembler {
  public:
    // Declared names keep this many characters; longer ones are cut, and references are
    // compared after the same cut, so a long name still reaches its declaration.
    static constexpr size_t maxNameLength = 9;        // constants, parameters, variables
    static constexpr size_t maxLabelLength = 19;      // labels, without the colon
    static constexpr size_t maxMethodNameLength = 20; // methods
    // The label text kept in an instruction record.
    static constexpr size_t maxRecordLabelLength = 7;

    explicit IjvmAssembler(std::string fileName);
    // Assembles source text held in memory, as the same bytes in a file named fileName.
    IjvmAssembler(std::string fileName, std::string source);
    IjvmAssembler(const IjvmAssembler&) = delete;
    IjvmAssembler& operator=(const IjvmAssembler&) = delete;

    // First pass: symbol tables, instruction records and their diagnostics.
    void parse();
    // Second pass: constant pool, method area, sourceMap and methodMap. Run once, after parse.
    void generate();
    // parse, then generate.
    void assemble();

    // The catalogue's text of a diagnostic code; Text::Count for None.
    static Text textOf(DiagnosticCode code);

    // Reads the instruction whose first word is the reader's current word (after an
    // optional label) with its operands, and appends its record to method.code. Answers
    // false, recording nothing, for a word that is no instruction; the caller then
    // records error 4.
    bool parseInstruction(Method& method);
    // Appends the bytes of one instruction of method to methodArea; a name that is not
    // found is recorded (errors 6 to 9) and taken as 0.
    void encode(Method& method, const InstructionRecord& record);

    // What the passes build; taken away by moving once assembled.
    IjvmProgram program;
    int32_t methodCount = 0;
    int32_t codeOffset = 0;
    FileReader reader;

  private:
    // Name lookups of one method, built once per method while encoding.
    struct MethodIndex {
        const Method* method = nullptr;
        std::unordered_map<std::string, int32_t> labels; // name -> value
        std::unordered_map<std::string, int32_t> locals; // name -> index
    };
    // Why parseInstruction refused its word, for the error 4 that the caller records.
    struct Refusal {
        std::string word;
        int32_t start = 0;
        int32_t length = 0;
        bool endOfInput = false; // no word was left to refuse
        bool useSpan = false;    // start and length hold the span (else: the reader's)
    };

    // ".instruction NAME OPCODE [operands]": the program's own instruction, added to its set
    // unless the name or the opcode is taken.
    void parseDeclaration();
    void parseConstants();
    void parseMethod();
    void parseMain();
    // Reads a variable section after ".var"; false when it is not closed by ".end-var"
    // before closer, ".var" or the end (error 15: the method is dropped).
    bool parseVariables(Method& method, int32_t& local, std::string_view closer);
    // The instruction words up to endWord; then the method is recorded.
    void parseBody(Method& method, const std::string* word, std::string_view endWord);
    void addLocal(Method& method, std::unordered_set<std::string>& names, const Symbol& symbol, int32_t start,
                  int32_t length);

    // Composes the message of code from name, label and number and appends a
    // diagnostic. For DuplicateLabel, UnknownInstruction, NoMain, DuplicateMethod and the
    // parentheses the span is the word the reader read last, and start and length are
    // ignored.
    void addError(DiagnosticCode code, const std::string& name, const std::string& label, int32_t number,
                  int32_t start, int32_t length);
    // Appends a diagnostic with the given span, clamped to the source.
    void appendError(DiagnosticCode code, const std::string& name, const std::string& label, int32_t number,
                     int32_t start, int32_t length);
    // The same with the message's text and arguments given; codes from BipushOutOfRange
    // on are warnings.
    void appendDiagnostic(DiagnosticCode code, Text text, const TextArguments& arguments, int32_t start,
                          int32_t length);
    // The span of the word read last: its mark, and the position minus the mark minus
    // the delimiter that ended it.
    std::pair<int32_t, int32_t> readerSpan();
    // The value of a number word of the source (text; nullptr where the program ended
    // before it). One that is no number is a diagnostic with the message refusal on its
    // span, in the words of owner (a method or constant) and of what reads it (a
    // mnemonic), and has no value.
    std::optional<int32_t> number(const std::string* text, int32_t start, int32_t length, Text refusal,
                                  const std::string& owner, std::string_view what = {});

    const MethodIndex& indexOf(const Method& method);
    void buildProgramIndex();

    // Parse-time sets for the duplicate checks, so each costs one hash lookup.
    std::unordered_set<std::string> constantNames_;
    std::unordered_set<std::string> methodNames_;
    // Labels of the method being parsed, in definition order; sorted into the method's
    // list when its section closes.
    std::vector<Symbol> pendingLabels_;
    std::unordered_set<std::string> pendingLabelNames_;
    std::unordered_set<std::string> localNames_;
    Refusal refusal_;

    // Encode-time lookups: the first declaration of each name.
    bool programIndexBuilt_ = false;
    std::unordered_map<std::string, int32_t> constantIndex_; // name -> pool index
    std::unordered_map<std::string, int32_t> methodIndex_;   // name -> number
    MethodIndex methodIndexCache_;

    int32_t sourceSize_ = INT32_MAX;
    int32_t sourceEnd_ = 0; // where the reader stood when parse ended
};

// The records of a keyed store in ascending key order, for printing.
template <class K, class V> std::vector<std::pair<K, V>> sortedEntries(const SparseStore<K, V>& memory) {
    std::vector<std::pair<K, V>> out;
    out.reserve(static_cast<size_t>(memory.count()));
    memory.forEach([&](K key, const V& value) { out.emplace_back(key, value); });
    return out;
}

} // namespace tarveno
