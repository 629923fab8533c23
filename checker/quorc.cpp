// quorc SOURCE REPORT: checks a MAL microprogram and writes the report file, whose
// first character is "E" exactly when the source has errors. It writes nothing else.
// Exit status: 0 no errors, 3 errors, 1 the report cannot be written, 2 usage.
// quorc --version prints its name and version. --lang en|course, first, chooses the
// language of its fatal messages (the report is English in both).

#include "checker/MalChecker.h"
#include "support/Catalogue.h"
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
    tarveno::setLanguage(tarveno::languageFromEnvironment());
    int first = 1;
    if (argc > 2 && std::string_view(argv[1]) == "--lang") {
        const auto language = tarveno::languageNamed(argv[2]);
        if (!language) {
            std::cerr << "quorc: --lang takes en or course, not " << argv[2] << "\n";
            return 2;
        }
        tarveno::setLanguage(*language);
        first = 3;
    }
    if (argc - first != 2) {
        std::cerr << "usage: quorc [--lang en|course] SOURCE REPORT\n       quorc --version\n";
        return 2;
    }
    const std::string source = argv[first];
    const std::string report = argv[first + 1];
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
