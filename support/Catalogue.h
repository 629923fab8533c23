#pragma once
// The engine's messages in the two languages the tool speaks: the course texts, exactly as
// the course material writes them (Italian, in Windows-1252 bytes; shown by default), and
// English, which says what is wrong in the program's terms. One table per language, keyed
// by the message's code; a message is composed from its table's text by filling the
// placeholders {name}, {label}, {number}, {text} and {file}.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarveno {

enum class Language { Course, English };

// The language messages are composed in now (Course until set).
Language currentLanguage();
void setLanguage(Language language);
// "en" or "english"; "course", "it" or "italian".
std::optional<Language> languageNamed(std::string_view name);
// English when the user's language is English: the first of LANGUAGE, LC_ALL,
// LC_MESSAGES and LANG that is set and not empty decides; C, POSIX and any other
// language keep the course texts.
Language languageFromEnvironment();

enum class Text : int {
    // The fatal errors.
    FileOpen,
    FileTooLarge,
    MalFileOpen,
    MalFileWrite,
    BadDigit,
    BadNumber,
    BadNumberBox, // the text of the "IJVM Error:" box
    ListIndex,
    ListInsertMemory,
    ListInsertTailMemory,
    ImageIndex,
    ImageMemory,
    // The IJVM assembler's diagnostics, in the order of their codes.
    DuplicateLabel,
    DuplicateConstant,
    DuplicateVariable,
    MethodNotEnded,
    UnknownInstruction,
    NoMain,
    UnknownLabel,
    UnknownConstant,
    UnknownVariable,
    UnknownMethod,
    DuplicateMethod,
    ConstantsNotEnded,
    ParenthesisNotClosed,
    ParenthesisNotOpened,
    VariablesNotEnded,
    // A number that is no number, by where it stands; and the same where the program ends
    // before the number.
    BipushNumber,
    IincNumber,
    ConstantNumber,
    BipushNumberMissing,
    IincNumberMissing,
    ConstantNumberMissing,
    // Its warnings: an operand the machine will see otherwise than it is written.
    BipushOutOfRange,
    IincOutOfRange,
    LocalIndexOutOfRange,
    PoolIndexOutOfRange,
    BranchOutOfRange,
    // A program's own instruction that its declaration cannot add.
    InstructionExists,
    OpcodeTaken,
    BadOpcode,
    OpcodeMissing,
    BadOperands,
    BadInstructionName,
    InstructionNameMissing,
    // A declared instruction's byte operand ({text} is its mnemonic): no number, none
    // before the end, one that does not fit.
    ByteNumber,
    ByteNumberMissing,
    ByteOutOfRange,
    Count
};

// What fills a message's placeholders; each text uses some of them.
struct TextArguments {
    std::string_view name = {};
    std::string_view label = {};
    std::string_view text = {};
    std::string_view file = {};
    int64_t number = 0;
};

// Why the system refused a file, as its own words for the errno value.
std::string systemReason(int error);

// The text of code in language, placeholders unfilled.
std::string_view textOf(Text code, Language language);
// The message of code in the current language, composed.
std::string message(Text code, const TextArguments& arguments = {});
// Where {text} stands in the composed message (for the box that shows the user's own
// typing apart from the system's words): its offset, or npos.
size_t textPlaceholderOffset(Text code, const TextArguments& arguments);

} // namespace tarveno
