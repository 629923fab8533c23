// quorc SOURCE REPORT: checks a MAL microprogram and writes the report file, whose
// first character is "E" exactly when the source has errors. It writes nothing else.
// Exit status: 0 no errors, 3 errors, 1 the report cannot be written, 2 usage.
// quorc --version prints its name and version.

#include "checker/MalChecker.h"
#include "support/FatalError.h"
#include "support/ReplacingFile.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::cout << "quorc " TARVENO_VERSION "\n";
        return 0;
    }
    if (argc != 3) {
        std::cerr << "usage: quorc SOURCE REPORT\n       quorc --version\n";
        return 2;
    }
    const std::string source = argv[1];
    const std::string report = argv[2];
    try {
        const tarveno::CheckResult result = tarveno::checkMalFile(source);
        const std::string text = tarveno::formatReport(result, source);
        // Whole or not at all: a reader never takes half a report for the checker's.
        if (const int error = tarveno::writeFileReplacing(report, text)) {
            std::cerr << "quorc: cannot write the report " << report << ": " << std::strerror(error) << "\n";
            return 1;
        }
        return result.errors > 0 ? 3 : 0;
    } catch (const tarveno::FatalError& e) {
        return tarveno::reportFatal(e);
    }
}
