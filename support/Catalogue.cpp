#include "support/Catalogue.h"

#include <array>
#include <atomic>
#include <cstdlib>
#include <system_error>

namespace tarveno {

namespace {

std::atomic<Language> current{Language::Course};

constexpr size_t count = static_cast<size_t>(Text::Count);

// The course texts: the course material's own words, byte for byte ("\xE0" is "a" grave,
// "\xE8" "e" grave in Windows-1252; the digit message's "\x8A" is the DOS code page's).
// Texts the material has none for are the tool's own.
constexpr std::array<std::string_view, count> course{
    "Errore nel metodo FileReader::open(): impossibile aprire il file",
    "cannot read {file}: it holds more than 16 MB ({number} bytes), far more than any program",
    "Errore nel metodo FileReaderMic1::open(): impossibile aprire il file",
    "Errore nel metodo FileReaderMic1::write(): impossibile scrivere il file",
    "Errore nella funzione getnum(char): Il carattere {text} non \x8A valido",
    "Errore nella funzione atolong(char): Numero {text} non valido",
    "Errore: il numero {text} non \xE8 valido. Il programma sar\xE0 adesso terminato.",
    "Errore nel metodo List<T>::operator[](T): indice fuori limite",
    "Errore nel metodo List<T>::insert(): Memoria esaurita",
    "Errore nel metodo List<T>::insertTail(): Memoria esaurita",
    "Errore nella funzione Vector::at(int): indice fuori limite",
    "Errore nella funzione Cell::Cell(int): Memoria esaurita",
    "Errore nel metodo {name}. L'etichetta {label}: esiste gi\xE0",
    "Errore nella dichiarazione delle costanti: {label} gi\xE0 esistente",
    "Errore nella dichiarazione delle variabili nel metodo {name}: {label}: gi\xE0 esistente",
    "Errore: Il metodo {name} deve terminare con {label}",
    "Errore nel metodo {name} in prossimit\xE0 dell'istruzione {number}: {label} non esiste.",
    "Errore: Ogni programma deve contenere il metodo main",
    "Errore nel metodo {name}. L'etichetta {label} non esiste.",
    "Errore nel metodo {name}. La costante {label} non esiste.",
    "Errore nel metodo {name}. La variabile {label} non esiste.",
    "Errore nel metodo {name}All'istruzione INVOKEVIRTUAL. Il metodo {label} non esiste.",
    "Errore. Metodo {name} gi\xE0 esistente.",
    "Errore: L'area delle costanti deve terminare con .end-constant",
    "Errore nel metodo : La parentesi \xE8 stata aperta ma non chiusa.",
    "Errore nel metodo : La parentesi tonda non \xE8 stata aperta",
    "Errore nel metodo {name}: L'area delle variabili deve terminare con .end-var",
    "Errore: il numero {label} non \xE8 valido.",
    "Errore: il numero {label} non \xE8 valido.",
    "Errore: il numero {label} non \xE8 valido.",
    "Errore: il numero {label} non \xE8 valido.",
    "Errore: il numero {label} non \xE8 valido.",
    "Errore: il numero {label} non \xE8 valido.",
    "Attenzione nel metodo {name}: BIPUSH {label} non entra in un byte con segno; la macchina mette sulla "
    "pila {number}",
    "Attenzione nel metodo {name}: IINC {label} non entra in un byte con segno; la macchina aggiunge "
    "{number}",
    "Attenzione nel metodo {name}: la variabile {label} ha l'indice {number}, oltre 255, e senza WIDE la "
    "macchina usa l'indice {text}",
    "Attenzione nel metodo {name}: {label} ha l'indice {number} nell'area delle costanti, oltre 65535; la "
    "macchina usa l'indice {text}",
    "Attenzione nel metodo {name}: il salto a {label} \xE8 di {text} byte e non entra in 16 bit; la "
    "macchina salta di {number}",
    "Errore nella dichiarazione delle istruzioni: {label} gi\xE0 esistente",
    "Errore nella dichiarazione dell'istruzione {label}: il codice {text} \xE8 gi\xE0 dell'istruzione {name}",
    "Errore nella dichiarazione dell'istruzione {label}: il codice {text} non \xE8 valido (da 1 a 255)",
    "Errore nella dichiarazione dell'istruzione {label}: manca il codice (da 1 a 255)",
    "Errore nella dichiarazione dell'istruzione {label}: gli operandi {text} non sono validi",
    "Errore nella dichiarazione delle istruzioni: {label} non \xE8 un nome valido",
    "Errore nella dichiarazione delle istruzioni: manca il nome",
    "Errore: il numero {label} non \xE8 valido.",
    "Errore: il numero {label} non \xE8 valido.",
    "Attenzione nel metodo {name}: {text} {label} non entra in un byte con segno; la macchina usa {number}",
};

constexpr std::array<std::string_view, count> english{
    "cannot open file {file}: {text}",
    "cannot read {file}: it holds more than 16 MB ({number} bytes), far more than any program",
    "cannot open the microprogram file {file}: {text}",
    "cannot write the microprogram file {file}: {text}",
    "{text} is not a digit of a number",
    "{text} is not a number",
    "{text} is not a number: write it in decimal (25, -3), or as 0x1F, 0o17 or 0n101",
    "no item at that position",
    "out of memory",
    "out of memory",
    "a byte outside the program's image",
    "out of memory",
    "label {label} is defined twice in method {name}: jumps go to the later one",
    "constant {label} is declared twice",
    "variable {label} is declared twice in method {name}",
    "method {name} does not end: it needs {label}",
    "{label} is not an instruction (method {name}, instruction {number})",
    "the program has no main method: write it between .main and .end-main",
    "label {label} is not defined in method {name}",
    "constant {label} is not declared (method {name})",
    "variable {label} is not declared in method {name}",
    "INVOKEVIRTUAL in method {name}: method {label} is not defined",
    "method {name} is defined twice",
    "the constants must end with .end-constant",
    "the parameters of a method must end with )",
    "a method's name must be followed by ( and its parameters",
    "the variables of method {name} must end with .end-var",
    "BIPUSH needs a number, not {label} (method {name})",
    "IINC needs a constant after the variable name, not {label} (method {name})",
    "constant {name} needs a value, not {label}",
    "BIPUSH needs a number, and the program ends first (method {name})",
    "IINC needs a constant after the variable name, and the program ends first (method {name})",
    "constant {name} needs a value, and the program ends first",
    "BIPUSH {label} does not fit a signed byte: the machine pushes {number} (method {name})",
    "IINC {label} does not fit a signed byte: the machine adds {number} (method {name})",
    "variable {label} has index {number}, over 255: without WIDE the machine uses index {text} (method "
    "{name})",
    "{label} has constant-pool index {number}, over 65535: the machine uses index {text} (method {name})",
    "the jump to {label} spans {text} bytes, more than 16 bits hold: the machine jumps {number} bytes "
    "(method {name})",
    "instruction {label} already exists: choose another name",
    "opcode {text} of instruction {label} is already taken by {name}",
    "the opcode of instruction {label} must be a number from 1 to 255 (0x01 to 0xFF), not {text}",
    "instruction {label} needs an opcode from 1 to 255 (0x01 to 0xFF)",
    "instruction {label} cannot take the operands {text}: write none, or byte, var, var byte, constant, "
    "label or method",
    "{label} is not a name for an instruction: write a letter, then letters, digits or _",
    ".instruction needs a name and an opcode: .instruction NAME OPCODE [operands]",
    "{text} needs a number, not {label} (method {name})",
    "{text} needs a number, and the program ends first (method {name})",
    "{text} {label} does not fit a signed byte: the machine uses {number} (method {name})",
};

// Fills the placeholders in one pass, so a value that holds "{name}" stays as it is.
std::string compose(std::string_view pattern, const TextArguments& a, size_t* textAt) {
    std::string out;
    out.reserve(pattern.size() + a.name.size() + a.label.size() + a.text.size() + a.file.size());
    for (size_t i = 0; i < pattern.size();) {
        if (pattern[i] == '{') {
            const size_t close = pattern.find('}', i);
            const std::string_view key =
                close == std::string_view::npos ? std::string_view() : pattern.substr(i + 1, close - i - 1);
            if (key == "name" || key == "label" || key == "text" || key == "file" || key == "number") {
                if (key == "name") out += a.name;
                if (key == "label") out += a.label;
                if (key == "text") {
                    if (textAt) *textAt = out.size();
                    out += a.text;
                }
                if (key == "file") out += a.file;
                if (key == "number") out += std::to_string(a.number);
                i = close + 1;
                continue;
            }
        }
        out += pattern[i++];
    }
    return out;
}

} // namespace

Language currentLanguage() {
    return current.load();
}

void setLanguage(Language language) {
    current.store(language);
}

std::optional<Language> languageNamed(std::string_view name) {
    if (name == "en" || name == "english") return Language::English;
    if (name == "course" || name == "it" || name == "italian") return Language::Course;
    return std::nullopt;
}

Language languageFromEnvironment() {
    for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (!value || !*value) continue;
        const std::string_view v(value);
        return v.substr(0, 2) == "en" ? Language::English : Language::Course;
    }
    return Language::Course;
}

std::string systemReason(int error) {
    return std::generic_category().message(error);
}

std::string_view textOf(Text code, Language language) {
    const auto i = static_cast<size_t>(code);
    if (i >= count) return {};
    return language == Language::English ? english[i] : course[i];
}

std::string message(Text code, const TextArguments& arguments) {
    return compose(textOf(code, currentLanguage()), arguments, nullptr);
}

size_t textPlaceholderOffset(Text code, const TextArguments& arguments) {
    size_t at = std::string::npos;
    compose(textOf(code, currentLanguage()), arguments, &at);
    return at;
}

} // namespace tarveno
