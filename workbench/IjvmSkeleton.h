#pragma once
// The IJVM program skeleton that the Skeleton command puts into the IJVM editor: 23 lines in the
// system's own Windows-1252 bytes (line 2 holds "è", 0xE8), and the same skeleton in English,
// line for line. The window decodes them.

#include <array>
#include <string_view>

namespace tarveno {

inline constexpr std::array<std::string_view, 23> ijvmSkeleton{
    "    /**********************************************************/",
    "    /* Il seguente codice \xE8 lo scheletro di un programma IJVM */",
    "    /**********************************************************/",
    "",
    ".constant",
    " // Inserire i nomi delle costanti con i rispettivi valori",
    ".end-constant",
    "",
    ".method nomemetodo() // Inserire gli eventuali parametri separati da virgole",
    "",
    ".var",
    " // Inserire le variabili locali del meotodo.",
    ".end-var",
    "",
    "// Inserire le istruzioni del metodo.",
    "",
    ".end-method",
    "",
    ".main",
    "",
    "// Inserire le istruzioni del metodo main.",
    "",
    ".end-main",
};

inline constexpr std::array<std::string_view, 23> ijvmSkeletonEnglish{
    "    /**********************************************************/",
    "    /* The following code is the skeleton of an IJVM program. */",
    "    /**********************************************************/",
    "",
    ".constant",
    " // Write the names of the constants with their values",
    ".end-constant",
    "",
    ".method methodname() // Write the parameters, if any, separated by commas",
    "",
    ".var",
    " // Write the method's local variables.",
    ".end-var",
    "",
    "// Write the method's instructions.",
    "",
    ".end-method",
    "",
    ".main",
    "",
    "// Write the instructions of method main.",
    "",
    ".end-main",
};

} // namespace tarveno
