// mic1: the command-line front end for scripts, graders and CI.

#include "Commands.h"

#include "support/Catalogue.h"
#include "support/FatalError.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <iostream>
#include <string>

namespace {

// Step counts are plain decimal numbers: digits only, no leading zero (which other
// readers take as octal), at most 2^64 - 1. A sign, a base prefix, blanks or trailing
// text would otherwise be read as some other number, or as no bound at all.
std::string plainDecimal(std::string& text) {
    uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    const bool digitsOnly =
        !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digitsOnly || (text.size() > 1 && text[0] == '0'))
        return "must be a plain decimal number without sign or leading zero, got \"" + text + "\"";
    if (error == std::errc::result_out_of_range || at != end)
        return "must be at most " + std::to_string(UINT64_MAX) + ", got " + text;
    return {};
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"MIC-1 machine, micro-assembler and IJVM assembler"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "mic1 " TARVENO_VERSION, "Print the name and version, and exit");
    // The language may stand before or after the subcommand.
    app.fallthrough();
    std::string language;
    app.add_option("--lang", language,
                   "The language of messages: en (English) or course (the course texts, the default). "
                   "Without it, English when LANGUAGE, LC_ALL, LC_MESSAGES or LANG names English")
        ->type_name("LANG")
        ->check(CLI::IsMember({"en", "english", "course", "it", "italian"}));

    mic1::AsmOptions asmOptions;
    auto* asmCmd = app.add_subcommand("asm", "Assemble a MAL microprogram into its .bin file");
    asmCmd->add_option("SOURCE", asmOptions.source, "MAL source file")->required();
    asmCmd->add_option("-o,--output", asmOptions.output,
                       "Output file (default: SOURCE with the extension .bin)");
    asmCmd->add_flag("--no-check", asmOptions.noCheck, "Do not check the source before assembling");

    mic1::RunOptions runOptions;
    auto* runCmd = app.add_subcommand("run", "Load a microprogram into a new machine and run it");
    runCmd->add_option("PROGRAM", runOptions.program, "A .bin microprogram file, or MAL source")->required();
    runCmd->add_option("--mem", runOptions.mem, "Write a main-memory word before running: WORD=VALUE")
        ->type_name("WORD=VALUE")
        ->allow_extra_args(false);
    runCmd->add_option("--stdin", runOptions.stdinValue, "Value of the standard-input cell");
    runCmd
        ->add_option("--ijvm", runOptions.ijvm,
                     "Assemble an IJVM program, place its image in memory and run it with PROGRAM as the "
                     "interpreter; prints its output and top of stack")
        ->type_name("PROGRAM.jvm");
    runCmd
        ->add_option("--mode", runOptions.mode,
                     "run (to address 112), ijvm (IJVM steps) or mic (microinstructions)")
        ->check(CLI::IsMember({"run", "ijvm", "mic"}));
    const CLI::Validator decimal(plainDecimal, "DECIMAL", "plain decimal number");
    runCmd->add_option("--steps", runOptions.steps, "Number of IJVM steps or microinstructions (default 1)")
        ->check(decimal);
    runCmd->add_option("--max-steps", runOptions.maxSteps, "Bound on the microinstructions executed; 0: none")
        ->capture_default_str()
        ->check(decimal);
    runCmd
        ->add_option("--max-memory", runOptions.maxMemory,
                     "Bound on what main memory allocates, in MB (2^20 bytes); 0: none")
        ->capture_default_str()
        ->check(decimal);
    runCmd->add_option("--dump", runOptions.dump, "Print COUNT main-memory words from word address START")
        ->type_name("START:COUNT");
    runCmd->add_flag(
        "--trace", runOptions.trace,
        "Print each microinstruction executed: address, tab, text (with --ijvm and --mode ijvm: each IJVM "
        "step's offset, instruction and stack top)");
    runCmd
        ->add_option("--format", runOptions.format,
                     "The form of --trace: text (the default), or csv: a header and a row per "
                     "microinstruction (step, address, statement, registers written, memory, N, Z)")
        ->check(CLI::IsMember({"text", "csv"}));
    runCmd->add_flag("--json", runOptions.json, "Print the final state as one JSON object");
    runCmd->add_flag("--stats", runOptions.stats,
                     "After the run, print the microinstructions and IJVM instructions executed, and per "
                     "opcode how many ran and their microinstructions in all and on average");
    runCmd->add_flag("--history", runOptions.history,
                     "Run through the history that going back uses; the output is the same");
    runCmd
        ->add_option("--back", runOptions.back,
                     "After --steps N, go back K of them (microinstructions, or IJVM steps) and print the "
                     "state there, as --steps N-K would")
        ->type_name("K")
        ->check(decimal);
    runCmd->add_flag("--no-check", runOptions.noCheck, "Do not check MAL source before assembling");
    runCmd->add_flag("--werror", runOptions.werror,
                     "With --ijvm: take the IJVM program's warnings as errors (it is not run)");

    mic1::IjvmOptions ijvmOptions;
    auto* ijvmCmd = app.add_subcommand("ijvm", "Assemble an IJVM program and print its image and tables");
    ijvmCmd->add_option("SOURCE", ijvmOptions.source, "IJVM source file")->required();
    ijvmCmd->add_flag("--json", ijvmOptions.json, "Print one JSON object");
    ijvmCmd->add_flag("--werror", ijvmOptions.werror, "Take warnings as errors (exit status 3)");

    mic1::TestOptions testOptions;
    auto* testCmd = app.add_subcommand(
        "test",
        "Run a microprogram as the interpreter of the IJVM programs of test suites and grade their output");
    testCmd->add_option("MICROPROGRAM", testOptions.program, "A .bin microprogram file, or MAL source")
        ->required();
    testCmd->add_option("SUITE", testOptions.suites, "Test suites (TOML files)")->required();
    testCmd
        ->add_option(
            "--junit", testOptions.junit,
            "Also write the results as JUnit XML to FILE, whole, when the run ends or is interrupted")
        ->type_name("FILE");
    testCmd->add_flag("--json", testOptions.json, "Print the results as one JSON object");
    testCmd
        ->add_option(
            "--reference", testOptions.reference,
            "Run every test on this microprogram first: a test without `output` expects its output, "
            "a test it does not pass is a mistake of the suite, and costs and budgets compare with it")
        ->type_name("REF.mal");
    testCmd
        ->add_option("--name", testOptions.name,
                     "The submission's name: the JUnit report's name and the start of each classname")
        ->type_name("STUDENT");
    const auto addRunOptions = [&](CLI::App* cmd, unsigned& jobs, uint64_t& maxMemory, bool& noCheck) {
        cmd->add_option("--jobs", jobs, "Tests run at once (default: one per CPU this process may use)")
            ->check(CLI::Range(1u, 1024u));
        cmd->add_option(
               "--max-memory", maxMemory,
               "Bound on the main memory of all the tests that run at once, in MB; a test waits until "
               "its max_memory_mb fits; 0: none")
            ->capture_default_str()
            ->check(decimal);
        cmd->add_flag("--no-check", noCheck, "Do not check MAL source before assembling");
    };
    addRunOptions(testCmd, testOptions.jobs, testOptions.maxMemory, testOptions.noCheck);

    mic1::GradeOptions gradeOptions;
    auto* gradeCmd = app.add_subcommand(
        "grade", "Grade every microprogram of a folder of submissions against test suites, with REF as the "
                 "reference; write a gradebook, and a report and JUnit XML per student");
    gradeCmd->add_option("REF", gradeOptions.reference, "The reference microprogram: .bin or MAL source")
        ->required();
    gradeCmd->add_option("SUITE", gradeOptions.suites, "Test suites (TOML files)")->required();
    gradeCmd
        ->add_option("--submissions", gradeOptions.submissions,
                     "The folder of submissions: each *.mal file in it (the student is its name), and each "
                     "folder's .mal file (the student is the folder's name)")
        ->type_name("DIR")
        ->required();
    gradeCmd
        ->add_option("--out", gradeOptions.out,
                     "Where gradebook.csv, STUDENT.md and junit/STUDENT.xml go (made if missing)")
        ->type_name("DIR")
        ->capture_default_str();
    addRunOptions(gradeCmd, gradeOptions.jobs, gradeOptions.maxMemory, gradeOptions.noCheck);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return mic1::ExitOk;
    } catch (const CLI::CallForAllHelp&) {
        std::cout << app.help("", CLI::AppFormatMode::All);
        return mic1::ExitOk;
    } catch (const CLI::CallForVersion& e) {
        std::cout << e.what() << "\n";
        return mic1::ExitOk;
    } catch (const CLI::ParseError& e) {
        std::cerr << "mic1: " << e.what() << "\n";
        std::cerr << "Run with --help for usage.\n";
        return mic1::ExitUsage;
    }

    tarveno::setLanguage(language.empty() ? tarveno::languageFromEnvironment()
                                          : *tarveno::languageNamed(language));
    try {
        if (*asmCmd) return mic1::runAsm(asmOptions);
        if (*runCmd) return mic1::runRun(runOptions);
        if (*testCmd) return mic1::runTest(testOptions);
        if (*gradeCmd) return mic1::runGrade(gradeOptions);
        return mic1::runIjvm(ijvmOptions);
    } catch (const tarveno::FatalError& e) {
        return tarveno::reportFatal(e);
    } catch (const std::exception& e) {
        std::cerr << "mic1: " << e.what() << '\n';
        return mic1::ExitFatal;
    }
}
