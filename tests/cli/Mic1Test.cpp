// Black-box tests of mic1: real files in, real output compared.

#include "common/RunProgram.h"

#include <gtest/gtest.h>

#include <random>

using testutil::readFile;
using testutil::run;
using testutil::TempDir;

namespace {

const std::string mic1 = MIC1_PATH;

// A microprogram of the given statements, padded to jump from 111 to the halt address.
std::string halting(const std::string& statements, int count) {
    return statements + testutil::repeat("  h = h\n", 112 - count) + "done goto done\n";
}

// Counts TOS up to H = 3, then jumps to the halt address through the IF's generated jump.
const std::string counting = halting("main tos = 0\n  h = 1\n  h = h + 1\n  h = h + 1   // H = 3\n"
                                     "loop tos = tos + 1\n  z = tos - h; if (z) goto done; else goto loop\n",
                                     6);
// Adds 1 to the word at address 1.
const std::string increment = halting("main mar = 1; rd\n  h = 1\n  mdr = mdr + h; wr\n  goto done\n", 4);

} // namespace

TEST(Mic1Run, CountingLoopReachesTheHaltAddress) {
    TempDir dir;
    auto r = run(mic1, {"run", dir.write("count.mal", counting)});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "MAR=0 MDR=0 PC=0 SP=0 LV=0 CPP=0 TOS=3 OPC=0 H=3 MBR=0\n"
                     "MPC=112 N=0 Z=1 B=0 C=0 ALU=0 SHIFT=0 STEPS=11 HALTED=yes\n");

    // The same through the .bin file that asm writes next to the source.
    r = run(mic1, {"asm", (dir / "count.mal").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string bin = readFile(dir / "count.bin");
    EXPECT_NE(bin.find("260 112 0\tek9218a: Z = TOS - H; IF (Z) GOTO DONE; ELSE GOTO LOOP;\n"
                       "5 4 20905990\tek9218a: Z = TOS - H; IF (Z) GOTO DONE; ELSE GOTO LOOP;\n"),
              std::string::npos)
        << bin;
    r = run(mic1, {"run", (dir / "count.bin").string(), "--json"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\"CPP\":0,\"TOS\":3,\"OPC\":0,\"H\":3,\"MBR\":0},\"MPC\":112,\"N\":0,\"Z\":1"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"steps\":11,\"halted\":true,\"memory\":{}"), std::string::npos) << r.out;
}

TEST(Mic1Run, StepModesTraceAndBound) {
    TempDir dir;
    const std::string src = dir.write("count.mal", counting);

    auto r = run(mic1, {"run", src, "--mode", "mic", "--steps", "2", "--trace"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "0\tMAIN: TOS = 0;\n"
                     "1\tek9218a: H = 1;\n"
                     "MAR=0 MDR=0 PC=0 SP=0 LV=0 CPP=0 TOS=0 OPC=0 H=1 MBR=0\n"
                     "MPC=2 N=0 Z=0 B=0 C=1 ALU=17 SHIFT=0 STEPS=2 HALTED=no\n");

    // No statement jumps back to 0, so one IJVM step runs to the halt address.
    r = run(mic1, {"run", src, "--mode", "ijvm"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("STEPS=11 HALTED=yes"), std::string::npos);

    r = run(mic1, {"run", src, "--max-steps", "5"});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.out.find("STEPS=5 HALTED=no"), std::string::npos);
    EXPECT_NE(r.err.find("--max-steps"), std::string::npos);
}

TEST(Mic1Run, MemoryWordsStandardInputAndDump) {
    TempDir dir;
    const std::string src = dir.write("inc.mal", increment);
    auto r = run(mic1, {"run", src, "--stdin", "7", "--dump", "4294967290:1"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("HALTED=yes\n4294967290: 7\n"), std::string::npos) << r.out;

    r = run(mic1, {"run", src, "--mem", "1=41", "--mem", "0x10=-0x10", "--dump", "0:3"});
    EXPECT_NE(r.out.find("HALTED=yes\n0: ?\n1: 42\n2: ?\n"), std::string::npos) << r.out;

    // Every cell, in ascending address order whatever the order they were made in.
    r = run(mic1, {"run", src, "--mem", "0xFFFFFFFA=5", "--mem", "40=4", "--mem", "1=41", "--mem",
                   "0x10=-0x10", "--mem", "33=3", "--json"});
    EXPECT_NE(r.out.find("\"memory\":{\"1\":42,\"16\":-16,\"33\":3,\"40\":4,\"4294967290\":5}}\n"),
              std::string::npos)
        << r.out;
    r = run(mic1, {"run", src, "--json", "--dump", "2:1"});
    EXPECT_NE(r.out.find("\"memory\":{\"2\":null}"), std::string::npos) << r.out;
}

TEST(Mic1Run, MemoryBound) {
    // Writes a word far from the last one every step, the stride taken from word 0.
    TempDir dir;
    const std::string src = dir.write(
        "scatter.mal", "main mar = 0; rd\n  h = 0\n  lv = mdr\nl mar = mdr = h = h + lv; wr; goto l\n");
    const std::vector<std::string> scatter{"run", src, "--no-check", "--mem", "0=0x9E3779B1"};
    auto with = [&](std::vector<std::string> extra) {
        extra.insert(extra.begin(), scatter.begin(), scatter.end());
        return run(mic1, extra);
    };
    for (const auto& extra : std::vector<std::vector<std::string>>{
             {"--max-memory", "1"}, {"--max-memory", "1", "--mode", "mic", "--steps", "1000000"}}) {
        const auto r = with(extra);
        EXPECT_EQ(r.status, 3);
        EXPECT_NE(r.out.find("HALTED=no"), std::string::npos) << r.out;
        EXPECT_EQ(r.err, "mic1: stopped: main memory passed its bound of 1 MB (raise --max-memory)\n");
    }
    auto r = with({"--max-memory", "1", "--json"});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.out.find("\"halted\":false"), std::string::npos);
    // 0 is no bound: the step bound ends the run.
    r = with({"--max-memory", "0", "--max-steps", "100000"});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.out.find("STEPS=100000 "), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("--max-steps"), std::string::npos);
}

TEST(Mic1Asm, OutputNames) {
    TempDir dir;
    std::filesystem::create_directory(dir / "a.b");
    testutil::writeFile(dir / "a.b" / "prog", increment);
    EXPECT_EQ(run(mic1, {"asm", (dir / "a.b" / "prog").string()}).status, 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "a.b" / "prog.bin"));
    EXPECT_FALSE(std::filesystem::exists(dir / "a.bin"));

    EXPECT_EQ(run(mic1, {"asm", dir.write("x.y.mal", increment)}).status, 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "x.y.bin"));
    EXPECT_EQ(run(mic1, {"asm", (dir / "x.y.mal").string(), "-o", (dir / "out.txt").string()}).status, 0);
    EXPECT_EQ(readFile(dir / "out.txt"), readFile(dir / "x.y.bin"));
}

TEST(Mic1, UsageAndFatalErrors) {
    TempDir dir;
    const std::string src = dir.write("inc.mal", increment);
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {"frobnicate"},
                                               {"run"},
                                               {"run", src, "--mode", "fast"},
                                               {"run", src, "--steps", "3"},
                                               {"run", src, "--dump", "12"},
                                               {"run", src, "--mem", "12"}})
        EXPECT_EQ(run(mic1, args).status, 2) << (args.empty() ? "" : args.back());
    auto help = run(mic1, {"run", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--max-steps"), std::string::npos);

    // A malformed number is fatal: its message on standard output, no line end.
    auto r = run(mic1, {"run", src, "--stdin", "0xG"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Errore nella funzione getnum(char): Il carattere G non \x8A valido");

    // Missing and unreadable files.
    r = run(mic1, {"run", (dir / "missing.mal").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("missing.mal"), std::string::npos);
    EXPECT_EQ(run(mic1, {"asm", dir.path().string()}).status, 1);
    EXPECT_EQ(run(mic1, {"ijvm", (dir / "missing.jvm").string()}).status, 1);
}

TEST(Mic1, StepCountsArePlainDecimals) {
    TempDir dir;
    const std::string src = dir.write("inc.mal", increment);
    for (const char* option : {"--max-steps", "--steps", "--max-memory"}) {
        for (const char* value :
             {"-1", "010", "00", "1x", "0x10", "+5", " 5", "1e3", "", "18446744073709551616"}) {
            auto r = run(mic1, {"run", src, "--mode", "mic", option, value});
            EXPECT_EQ(r.status, 2) << option << ' ' << value;
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.err.rfind(std::string("mic1: ") + option + ": must be", 0), 0u) << r.err;
        }
    }
    // 0 is no bound; the largest count fits.
    EXPECT_EQ(run(mic1, {"run", src, "--max-steps", "0"}).status, 0);
    EXPECT_EQ(run(mic1, {"run", src, "--max-steps", "18446744073709551615"}).status, 0);
    EXPECT_EQ(run(mic1, {"run", src, "--max-memory", "18446744073709551615"}).status, 0);
    EXPECT_NE(run(mic1, {"run", src, "--mode", "mic", "--steps", "10"}).out.find("STEPS=10 "),
              std::string::npos);
}

TEST(Mic1, BadInputNeverCrashesOrHangs) {
    TempDir dir;
    std::mt19937 rng(7);
    std::string garbage;
    for (int i = 0; i < 20000; ++i)
        garbage += static_cast<char>(rng() & 0xFF);
    for (const std::string& src :
         {dir.write("garbage.mal", garbage),
          dir.write("long.mal", std::string(10000, 'h') + "\n" + increment), dir.write("empty.mal", "")}) {
        // Unchecked, whatever was assembled runs into its bound; checked, it is refused.
        auto r = run(mic1, {"run", src, "--no-check", "--max-steps", "10000"});
        EXPECT_EQ(r.status, 3) << src;
        EXPECT_NE(r.err.find("stopped after 10000 microinstructions"), std::string::npos) << src;
        // An empty source passes the check with a warning and runs like the unchecked one.
        r = run(mic1, {"run", src, "--max-steps", "10000"});
        EXPECT_EQ(r.status, 3) << src;
        EXPECT_EQ(r.err.rfind(src.ends_with("empty.mal") ? "OK: " : "Errors: ", 0), 0u) << src << r.err;
    }
    auto r = run(mic1, {"run", dir.write("garbage.bin", garbage), "--max-steps", "10000"});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("stopped after 10000"), std::string::npos);
    // Garbage as IJVM source: an image of what could be read, and the diagnostics.
    r = run(mic1, {"ijvm", dir.write("garbage.jvm", garbage)});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out.rfind("Method area (", 0), 0u);

    // A file that never ends is refused after 16 MB, as a fatal error.
    if (std::filesystem::exists("/dev/zero")) {
        for (const char* name : {"zero.bin", "zero.jvm"}) {
            std::filesystem::create_symlink("/dev/zero", dir / name);
            const std::string path = (dir / name).string();
            r = run(mic1, {name[5] == 'b' ? "run" : "ijvm", path});
            EXPECT_EQ(r.status, 1) << name;
            EXPECT_EQ(r.out, "cannot read " + path +
                                 ": it holds more than 16 MB (16777216 bytes), far more than any program");
        }
    }
}

TEST(Mic1Ijvm, ImageTablesAndDiagnostics) {
    TempDir dir;
    auto r = run(mic1, {"ijvm", dir.write("worked.jvm", testutil::workedIjvm)});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Method area (26 bytes):\n"
                     "  00000: 52 00 01 00 01 00 01 19 03 21 01 1C 01 44 00 09\n"
                     "  00016: 34 01 FF 3A FF F8 30 00 00 70\n"
                     "Constant pool (2 entries):\n  0: 1\n  1: 3\n"
                     "Methods (1):\n  main: number 0, parameters 1, variables 1, length 19\n"
                     "Constants (1):\n  one: index 0, value 1\n"
                     "Diagnostics (0):\n");
    r = run(mic1, {"ijvm", (dir / "worked.jvm").string(), "--json"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(
        r.out.rfind(
            "{\"methodArea\":\"52000100010001190321011C014400093401FF3AFFF830000070\","
            "\"constantPool\":[1,3],"
            "\"methods\":[{\"name\":\"main\",\"number\":0,\"parameters\":1,\"variables\":1,\"length\":19}],"
            "\"constants\":[{\"name\":\"one\",\"index\":0,\"value\":1}],\"diagnostics\":[],"
            "\"sourceMap\":{\"7\":",
            0),
        0u)
        << r.out;
    EXPECT_NE(r.out.find("\"methodMap\":{\"7\":1,"), std::string::npos);

    // Diagnostics: exit 3, messages decoded to UTF-8 with their spans and places.
    r = run(mic1, {"ijvm", dir.write("bad.jvm", ".main\nBIPUSH 3\nfoo\n.end-main\n"), "--json"});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(
        r.out.find(
            "\"diagnostics\":[{\"message\":\"Errore nel metodo main in prossimità dell'istruzione 1: "
            "FOO non esiste.\",\"start\":15,\"length\":3,\"line\":3,\"column\":1,\"severity\":\"error\"}]"),
        std::string::npos)
        << r.out;

    // A malformed number, or IINC without its number, is a diagnostic with its place, its
    // line and a caret; in English it says what the number is for.
    const std::string typo =
        dir.write("typo.jvm", ".main\n.var\nn\n.end-var\nBIPUSH 0b1\n  IINC n\nHALT\n.end-main\n");
    r = run(mic1, {"ijvm", typo});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, typo + ":5:8: error: Errore: il numero 0b1 non è valido.\nBIPUSH 0b1\n       ^\n" +
                         typo + ":7:1: error: Errore: il numero HALT non è valido.\nHALT\n^\n");
    r = run(mic1, {"ijvm", typo}, {}, {"LANG=en_US.UTF-8"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, typo +
                         ":5:8: error: BIPUSH needs a number, not 0b1 (method main)\nBIPUSH 0b1\n       ^\n" +
                         typo +
                         ":7:1: error: IINC needs a constant after the variable name, not HALT (method "
                         "main)\nHALT\n^\n");
    // An explicit choice wins over the environment.
    EXPECT_EQ(run(mic1, {"--lang", "course", "ijvm", typo}, {}, {"LANGUAGE=en"}).err,
              run(mic1, {"ijvm", typo}).err);

    // Operands the machine sees otherwise are warnings: the program is placed, the exit
    // status stays 0 unless --werror. The textbook's spellings are the same instructions.
    const std::string wide = dir.write(
        "wide.jvm",
        ".constant\nk 5\n.end-constant\n.main\nBIPUSH 300\nldc_w k\nIF_ICMPEQ e\ne: HALT\n.end-main\n");
    r = run(mic1, {"--lang", "en", "ijvm", wide});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, wide + ":5:8: warning: BIPUSH 300 does not fit a signed byte: the machine pushes 44 "
                            "(method main)\nBIPUSH 300\n       ^\n");
    EXPECT_NE(r.out.find("00000: 52 00 01 00 01 00 00 19 2C 30 00 00 48 00 03 70"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("warning: BIPUSH 300"), std::string::npos);
    EXPECT_EQ(run(mic1, {"ijvm", "--werror", wide}).status, 3);
}

TEST(Mic1, SourcesWithErrorsAreRefusedUnlessUnchecked) {
    TempDir dir;
    const std::string src = dir.write("bad.mal", halting("main h = h - tos\n", 1));
    for (const char* cmd : {"asm", "run"}) {
        auto r = run(mic1, {cmd, src});
        EXPECT_EQ(r.status, 3) << cmd;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(
            r.err.rfind("Errors: 1, warnings: 0\n" + src + ":1:10: error: the ALU cannot compute H - TOS", 0),
            0u)
            << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "bad.bin"));
    EXPECT_EQ(run(mic1, {"asm", src, "--no-check"}).status, 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "bad.bin"));
    EXPECT_EQ(run(mic1, {"run", src, "--no-check"}).status, 0);
}
