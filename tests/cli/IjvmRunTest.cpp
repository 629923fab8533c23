// Black-box tests of IJVM programs run end to end: mic1 run examples/ijvm.mal --ijvm.
// Test programs separate their lines with ';'. Every expected output and stack top is
// worked out by hand from what the program means.

#include "common/RunProgram.h"
#include "ijvm/InstructionSet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

using testutil::run;
using testutil::TempDir;

namespace {

const std::string mic1 = MIC1_PATH;
const std::string examples = TARVENO_EXAMPLES_DIR;
const std::string interpreter = examples + "/ijvm.mal";

struct IjvmOutcome {
    int status = -1;
    std::string top; // the stack top as printed ("?" when there is none)
    std::vector<int32_t> output;
    std::string out, err;
};

// Runs an IJVM program file through the interpreter and reads the STACK TOP line. The
// bound is far above what these programs need, and keeps a broken interpreter short.
IjvmOutcome runFile(const std::string& program, std::vector<std::string> extra = {},
                    const std::string& maxSteps = "1000000") {
    std::vector<std::string> args{"run", interpreter, "--ijvm", program, "--max-steps", maxSteps};
    args.insert(args.end(), extra.begin(), extra.end());
    const auto r = run(mic1, args);
    IjvmOutcome o{r.status, "", {}, r.out, r.err};
    const auto at = r.out.find("STACK TOP=");
    if (at == std::string::npos) return o;
    std::istringstream line(r.out.substr(at + 10, r.out.find('\n', at) - at - 10));
    std::string outputs;
    line >> o.top >> outputs;
    std::istringstream values(outputs.substr(outputs.find('=') + 1));
    for (std::string v; std::getline(values, v, ',');)
        o.output.push_back(std::stoi(v));
    return o;
}

// Writes the program, its ';' turned into line ends, and runs it.
IjvmOutcome runSource(const TempDir& dir, std::string source, std::vector<std::string> extra = {},
                      const std::string& maxSteps = "1000000") {
    std::replace(source.begin(), source.end(), ';', '\n');
    return runFile(dir.write("program.jvm", source), std::move(extra), maxSteps);
}

// Expects a halted run with this output and stack top.
void expectRun(const IjvmOutcome& o, const std::vector<int32_t>& output, int32_t top) {
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("MPC=112 "), std::string::npos) << o.out;
    EXPECT_EQ(o.output, output) << o.out;
    EXPECT_EQ(o.top, std::to_string(top)) << o.out;
}

} // namespace

// The comment lines an example begins with, as one line: their text joined by blanks.
std::string leadingComment(const std::string& path) {
    std::istringstream in(testutil::readFile(path));
    std::string text;
    for (std::string line; std::getline(in, line) && line.rfind("//", 0) == 0;) {
        const auto start = line.find_first_not_of("/ ");
        if (start == std::string::npos) continue;
        if (!text.empty()) text += ' ';
        text += line.substr(start);
    }
    return text;
}

TEST(IjvmRun, ExamplesPrintWhatTheirCommentsSay) {
    TempDir dir;
    const auto r = run(mic1, {"asm", interpreter, "-o", (dir / "ijvm.bin").string()});
    EXPECT_EQ(std::tuple(r.status, r.err), std::tuple(0, "")) << "the interpreter checks cleanly";

    struct Claim {
        std::string file;
        std::vector<std::string> input;
        std::string says; // words of the example's top comment
        std::vector<int32_t> output;
        int32_t top;
    };
    const std::vector<Claim> claims{
        {"arithmetic.jvm", {}, "prints 12 and leaves 12 on the stack", {12}, 12},
        {"loop.jvm", {}, "prints nothing and leaves 55 on the stack", {}, 55},
        {"call.jvm", {}, "prints nothing and leaves 42 on the stack", {}, 42},
        {"countup.jvm",
         {"--stdin", "5"},
         "With the input 5 this prints 1, 2, 3, 4, 5 and leaves 5 on the stack",
         {1, 2, 3, 4, 5},
         5},
        {"countup.jvm", {"--stdin", "-3"}, "with 0 or less it prints nothing", {}, -3},
        {"factorial.jvm",
         {},
         "1, 1, 2, 6, 24, 120, 720, 5040, and returns 8 from main",
         {1, 1, 2, 6, 24, 120, 720, 5040},
         8},
        {"fibonacci.jvm", {"--stdin", "20"}, "With the input 20 it prints 6765", {6765}, 6765},
        {"bignumbers.jvm",
         {},
         "Prints 1000000, -2147483648 (2147483647 + 1: words are 32 bits and wrap around) and -876544 "
         "(123456 - 1000000), and leaves -876544 on the stack",
         {1000000, INT32_MIN, -876544},
         -876544},
        {"letters.jvm",
         {"--stdin", "5"},
         "with the input 5 it prints 69, 68, 67, 66, 65 (E, D, C, B, A) and leaves 0 on the stack",
         {69, 68, 67, 66, 65},
         0},
        {"letters.jvm", {"--stdin", "0"}, "with 0 or less it prints nothing and leaves the input", {}, 0},
        {"calls.jvm", {}, "prints 9, 16 and 25 and leaves 25 on the stack", {9, 16, 25}, 25},
    };
    std::set<std::string> claimed;
    for (const Claim& c : claims) {
        SCOPED_TRACE(c.file + ": " + c.says);
        EXPECT_NE(leadingComment(examples + "/" + c.file).find(c.says), std::string::npos);
        expectRun(runFile(examples + "/" + c.file, c.input, "10000000"), c.output, c.top);
        claimed.insert(c.file);
    }
    for (const auto& e : std::filesystem::directory_iterator(examples)) {
        if (e.path().extension() == ".jvm") {
            EXPECT_EQ(claimed.count(e.path().filename().string()), 1u) << e.path() << " has no claim here";
        }
    }
}

TEST(IjvmRun, ArithmeticLogicAndTheStack) {
    TempDir dir;
    expectRun(runSource(dir, ".constant;max 0x7FFFFFFF;.end-constant;.main;"
                             "LDCW max;BIPUSH 1;IADD;OUT;"                    // wraps to INT32_MIN
                             "BIPUSH 0;LDCW max;ISUB;BIPUSH 2;ISUB;OUT;"      // wraps to INT32_MAX
                             "BIPUSH 10;BIPUSH 3;ISUB;OUT;"                   // the deeper minus the top
                             "BIPUSH -128;OUT;BIPUSH 127;OUT;BIPUSH 200;OUT;" // 0xC8, sign-extended
                             "BIPUSH -1;BIPUSH 0x5A;IAND;OUT;BIPUSH -16;BIPUSH 5;IOR;OUT;"
                             "BIPUSH 1;BIPUSH 2;SWAP;OUT;OUT;"
                             "BIPUSH 5;DUP;IADD;NOP;BIPUSH 9;POP;DUP;OUT;HALT;.end-main"),
              {INT32_MIN, INT32_MAX, 7, -128, 127, -56, 90, -11, 1, 2, 10}, 10);
}

TEST(IjvmRun, BranchesOfEveryKindBothWays) {
    TempDir dir;
    // A branch that goes the wrong way reaches ERR, which halts: the output is then short.
    // After a branch not taken, the word under the popped ones is the top again.
    expectRun(runSource(dir, ".main;.var;i;.end-var;"
                             "BIPUSH -1;IFLT f1;ERR;f1: BIPUSH 0;IFLT bad;BIPUSH 1;IFLT bad;"
                             "BIPUSH 0;IFEQ f2;ERR;f2: BIPUSH -5;IFEQ bad;"
                             "BIPUSH 7;BIPUSH 7;IFICMPEQ f3;ERR;f3: BIPUSH 7;BIPUSH -7;IFICMPEQ bad;"
                             "BIPUSH 20;BIPUSH 3;IFLT bad;OUT;"
                             "BIPUSH 30;BIPUSH 3;IFEQ bad;OUT;"
                             "BIPUSH 40;BIPUSH 1;BIPUSH 2;IFICMPEQ bad;OUT;"
                             "BIPUSH -3;ISTORE i;b1: IINC i 1;ILOAD i;IFLT b1;ILOAD i;OUT;"             // 0
                             "BIPUSH 1;ISTORE i;b2: IINC i -1;ILOAD i;IFEQ b2;ILOAD i;OUT;"             // -1
                             "BIPUSH 0;ISTORE i;b3: IINC i 1;ILOAD i;BIPUSH 1;IFICMPEQ b3;ILOAD i;OUT;" // 2
                             "b4: IINC i 1;ILOAD i;OUT;ILOAD i;BIPUSH 5;IFICMPEQ end;GOTO b4;" // 3, 4, 5
                             "end: BIPUSH 100;HALT;bad: ERR;.end-main"),
              {20, 30, 40, 0, -1, 2, 3, 4, 5}, 100);

    // Offsets beyond a byte: the high byte of the offset counts, with its sign.
    expectRun(runSource(dir, ".main;.var;i;.end-var;BIPUSH 2;ISTORE i;GOTO far;"
                             "back: ILOAD i;OUT;BIPUSH 100;HALT;" +
                                 testutil::repeat("NOP;", 300) +
                                 "far: IINC i 5;BIPUSH 0;IFEQ back;ERR;.end-main"),
              {7}, 100);
}

TEST(IjvmRun, LocalsConstantsAndTheWideForms) {
    TempDir dir;
    // 33000 constants c0.. with the values 1001 k - 150000, and a method with 33000
    // variables, so that pool and local indexes need their high byte, up to 0x80.
    const auto c = [](int k) { return 1001 * k - 150000; };
    std::string constants, variables;
    for (int k = 0; k < 33000; ++k) {
        constants += 'c' + std::to_string(k) + ' ' + std::to_string(c(k)) + ';';
        variables += 'v' + std::to_string(k) + ';';
    }
    expectRun(
        runSource(dir,
                  ".constant;" + constants + ".end-constant;.main;" +
                      "LDCW c0;OUT;LDCW c1;OUT;LDCW c255;OUT;LDCW c256;OUT;LDCW c299;OUT;LDCW c32999;OUT;"
                      "BIPUSH 0;INVOKEVIRTUAL many;"
                      "LDCW c469;OUT;LDCW c470;OUT;LDCW c471;OUT;" // the pool is intact after it
                      "HALT;.end-main;.method many();.var;" +
                      variables +
                      ".end-var;"
                      "LDCW c32999;WIDE ISTORE v32999;LDCW c299;WIDE ISTORE v299;" // locals 0x80E8, 300
                      "BIPUSH 11;ISTORE v5;WIDE ILOAD v5;OUT;" // one local through both forms
                      "WIDE ILOAD v299;OUT;WIDE ILOAD v32999;OUT;"
                      "BIPUSH 0;WIDE ISTORE v3;IINC v3 127;IINC v3 127;IINC v3 -128;ILOAD v3;OUT;"
                      "BIPUSH 5;ISTORE v4;IINC v4 -7;ILOAD v4;OUT;"
                      "ILOAD v3;IRETURN;.end-method"),
        {c(0), c(1), c(255), c(256), c(299), c(32999), 11, c(299), c(32999), 126, -2, c(469), c(470), c(471)},
        126);
}

TEST(IjvmRun, CallsNestedAndRecursive) {
    TempDir dir;
    // f3(10, 3, -4) = pair(10, 3) - -4 = 11, with the value below the call and main's
    // local intact after it; sum(5) = 5 + 4 + ... + 0 by recursion.
    expectRun(
        runSource(dir, ".main;.var;x;.end-var;BIPUSH 42;ISTORE x;"
                       "BIPUSH 99;BIPUSH 0;BIPUSH 10;BIPUSH 3;BIPUSH -4;INVOKEVIRTUAL f3;OUT;OUT;ILOAD x;OUT;"
                       "BIPUSH 0;BIPUSH 5;INVOKEVIRTUAL sum;IRETURN;.end-main;"
                       ".method f3(a, b, c);.var;t;.end-var;"
                       "BIPUSH 0;ILOAD a;ILOAD b;INVOKEVIRTUAL pair;ISTORE t;ILOAD t;ILOAD c;ISUB;IRETURN;"
                       ".end-method;"
                       ".method pair(p, q);ILOAD p;ILOAD q;ISUB;IRETURN;.end-method;"
                       ".method sum(n);ILOAD n;IFEQ zero;"
                       "ILOAD n;BIPUSH 0;ILOAD n;BIPUSH 1;ISUB;INVOKEVIRTUAL sum;IADD;IRETURN;"
                       "zero: BIPUSH 0;IRETURN;.end-method"),
        {11, 99, 42}, 15);

    // Variables start at 0 whatever the words held: clean's frame lies where dirty's
    // was, and its parameter and link are intact.
    expectRun(runSource(dir, ".main;BIPUSH 0;INVOKEVIRTUAL dirty;POP;BIPUSH 0;BIPUSH 5;INVOKEVIRTUAL clean;"
                             "IRETURN;.end-main;"
                             ".method dirty();.var;a;b;c;d;.end-var;BIPUSH 7;ISTORE a;BIPUSH 8;ISTORE b;"
                             "BIPUSH 9;ISTORE c;BIPUSH 1;ISTORE d;BIPUSH 0;IRETURN;.end-method;"
                             ".method clean(p);.var;x;y;z;.end-var;"
                             "ILOAD x;OUT;ILOAD y;OUT;ILOAD z;OUT;ILOAD p;OUT;BIPUSH 6;IRETURN;.end-method"),
              {0, 0, 0, 5}, 6);
}

TEST(IjvmRun, InputOutputAndErr) {
    TempDir dir;
    // IN does not consume the input; ERR halts inside a call, 9 on top.
    const std::string source = ".main;IN;IN;IADD;OUT;BIPUSH 0;INVOKEVIRTUAL stop;BIPUSH 1;OUT;.end-main;"
                               ".method stop();BIPUSH 8;OUT;BIPUSH 9;ERR;OUT;.end-method";
    expectRun(runSource(dir, source, {"--stdin", "-21"}), {-42, 8}, 9);
    expectRun(runSource(dir, source), {0, 8}, 9); // the cell holds 0 without --stdin

    const auto r =
        run(mic1, {"run", interpreter, "--ijvm", (dir / "program.jvm").string(), "--stdin", "4", "--json"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\"halted\":true,\"output\":[8,8],\"tos\":9,\"memory\":{"), std::string::npos)
        << r.out;
}

TEST(IjvmRun, ImagePlacementAndIjvmSteps) {
    TempDir dir;
    const std::string worked = dir.write("worked.jvm", testutil::workedIjvm);
    // Before anything runs: the 26 bytes 52 00 01 00 | 01 00 01 19 | ... | 00 70 in
    // words 0 to 6, each read high byte first; the pool (1, then main's header at byte
    // 3) at CPP = 7; the object reference 0 at SP = 9; PC one byte before byte 0.
    auto r = run(mic1, {"run", interpreter, "--ijvm", worked, "--mode", "mic", "--steps", "0", "--json"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(
        r.out.find("{\"MAR\":0,\"MDR\":0,\"PC\":-1,\"SP\":9,\"LV\":0,\"CPP\":7,\"TOS\":0,\"OPC\":0,\"H\":0,"
                   "\"MBR\":0}"),
        std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"memory\":{\"0\":1375731968,\"1\":16777497,\"2\":52494620,\"3\":21233673,"
                         "\"4\":872546106,\"5\":-512000,\"6\":7340032,\"7\":1,\"8\":3,\"9\":0}"),
              std::string::npos)
        << r.out;
    expectRun(runFile(worked), {}, 1);

    // IJVM steps: the first only fetches the opening call's opcode (MBR is 0, so the
    // dispatch comes back to the main loop), the second calls main, then one each.
    const std::string three = dir.write("three.jvm", ".main\nBIPUSH 7\nBIPUSH 8\nHALT\n.end-main\n");
    auto o = runFile(three, {"--mode", "ijvm", "--steps", "3"});
    EXPECT_EQ(std::tuple(o.status, o.top), std::tuple(0, "7"));
    EXPECT_NE(o.out.find("MPC=0 "), std::string::npos) << o.out;
    o = runFile(three, {"--mode", "ijvm", "--steps", "9"});
    EXPECT_EQ(o.top, "8");
    EXPECT_NE(o.out.find("MPC=112 "), std::string::npos) << o.out;
}

TEST(IjvmRun, TraceShowsEachInstructionByName) {
    TempDir dir;
    // Bytes: the opening call 0, main's header 3, code 7 to 28, twice's header 29, code
    // 33 to 38. With nothing on the operand stack, the top is the frame's return address.
    const std::string program =
        dir.write("trace.jvm",
                  ".constant\nbig 1000\n.end-constant\n.main\n.var\nn\n.end-var\nLDCW big\nISTORE n\n"
                  "BIPUSH -1\nILOAD n\nINVOKEVIRTUAL twice\nback: IINC n -3\nWIDE ILOAD n\nIFEQ back\nHALT\n"
                  ".end-main\n.method twice(k)\nILOAD k\nILOAD k\nIADD\nIRETURN\n.end-method\n");
    const std::vector<std::string> args{"run",  interpreter, "--ijvm", program,  "--mode",
                                        "ijvm", "--steps",   "20",     "--trace"};
    auto r = run(mic1, args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(
        r.out.substr(0, r.out.find("MAR=")),
        "-1\t(fetch)\ttos=0\n0\tINVOKEVIRTUAL main\ttos=3\n7\tLDCW big\ttos=1000\n10\tISTORE n\ttos=3\n"
        "12\tBIPUSH -1\ttos=-1\n14\tILOAD n\ttos=1000\n16\tINVOKEVIRTUAL twice\ttos=19\n"
        "33\tILOAD k\ttos=1000\n35\tILOAD k\ttos=1000\n37\tIADD\ttos=2000\n38\tIRETURN\ttos=2000\n"
        "19\tIINC n -3\ttos=2000\n22\tWIDE ILOAD n\ttos=997\n25\tIFEQ back\ttos=2000\n28\tHALT\ttos=2000\n");

    // In JSON the steps are the "trace" array of the one object; a byte that is no
    // opcode shows as "?" and itself.
    auto json = args;
    json.insert(json.end(),
                {"--json", "--mem", "7=" + std::to_string(0x99000200u)}); // HALT, then twice's header
    r = run(mic1, json);
    const std::string head = r.out.substr(0, 4000); // the memory object follows
    EXPECT_EQ(r.out[0], '{') << head;
    EXPECT_NE(r.out.find("\"tos\":2000,\"trace\":[{\"offset\":-1,\"mnemonic\":\"(fetch)\",\"operands\":[],"
                         "\"tos\":0},{\"offset\":0,\"mnemonic\":\"INVOKEVIRTUAL\",\"operands\":[\"main\"],"
                         "\"tos\":3},"),
              std::string::npos)
        << head;
    EXPECT_NE(
        r.out.find("{\"offset\":19,\"mnemonic\":\"IINC\",\"operands\":[\"n\",\"-3\"],\"tos\":2000},"
                   "{\"offset\":22,\"mnemonic\":\"WIDE ILOAD\",\"operands\":[\"n\"],\"tos\":997},"
                   "{\"offset\":25,\"mnemonic\":\"IFEQ\",\"operands\":[\"back\"],\"tos\":2000},"
                   "{\"offset\":28,\"mnemonic\":\"?\",\"operands\":[\"0x99\"],\"tos\":2000}],\"memory\":"),
        std::string::npos)
        << head;

    // Other modes still trace microinstructions.
    r = run(mic1, {"run", interpreter, "--ijvm", program, "--mode", "mic", "--steps", "1", "--trace"});
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "0\tMAIN: H = PC = PC + 1; FETCH; GOTO (MBR);");
}

TEST(IjvmRun, EveryByteThatIsNoOpcodeHalts) {
    TempDir dir;
    const std::string bin = (dir / "ijvm.bin").string();
    ASSERT_EQ(run(mic1, {"asm", interpreter, "-o", bin}).status, 0);
    // Bytes 12 to 15 are the last NOP, BIPUSH 9 and HALT; the NOP becomes each byte in
    // turn. One that is no opcode stops the machine there, PC just past it and 1 on top;
    // 0 is the main loop's own address and is passed over like NOP.
    const std::string program =
        dir.write("stray.jvm", ".main\nBIPUSH 1\nNOP\nNOP\nNOP\nNOP\nBIPUSH 9\nHALT\n.end-main\n");
    auto withByte = [&](uint32_t byte) {
        const std::string word = "3=" + std::to_string(byte << 24 | 0x190970u);
        return run(mic1, {"run", bin, "--ijvm", program, "--mem", word, "--max-steps", "1000"});
    };
    for (uint32_t byte = 1; byte < 256; ++byte) {
        const auto& set = tarveno::instructionSet();
        if (std::any_of(set.begin(), set.end(), [&](const auto& i) { return i.opcode == byte; })) continue;
        const auto r = withByte(byte);
        EXPECT_EQ(r.status, 0) << byte;
        EXPECT_NE(r.out.find(" PC=13 "), std::string::npos) << byte << '\n' << r.out;
        EXPECT_NE(r.out.find("MPC=112 "), std::string::npos) << byte << '\n' << r.out;
        EXPECT_NE(r.out.find("STACK TOP=1 "), std::string::npos) << byte << '\n' << r.out;
    }
    EXPECT_NE(withByte(0).out.find("STACK TOP=9 "), std::string::npos);
}

TEST(IjvmRun, RefusedProgramsAndEndlessLoops) {
    TempDir dir;
    // Diagnostics: reported with their place, and nothing runs.
    auto r = run(
        mic1, {"run", interpreter, "--ijvm", dir.write("bad.jvm", ".main\nILOAD x\nFOO\nHALT\n.end-main\n")});
    EXPECT_EQ(std::tuple(r.status, r.out), std::tuple(3, ""));
    EXPECT_NE(r.err.find("bad.jvm:2:7: error: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("bad.jvm:3:1: error: "), std::string::npos) << r.err;
    EXPECT_EQ(run(mic1, {"run", interpreter, "--ijvm", dir.write("empty.jvm", "")}).status, 3); // no main
    EXPECT_EQ(run(mic1, {"run", interpreter, "--ijvm", (dir / "missing.jvm").string()}).status, 1);

    // A loop without end stops at the bound.
    auto o = runSource(dir, ".main;loop: BIPUSH 1;OUT;GOTO loop;.end-main", {}, "1000");
    EXPECT_EQ(o.status, 3);
    EXPECT_NE(o.out.find("STEPS=1000 HALTED=no"), std::string::npos) << o.out;
    EXPECT_GT(o.output.size(), 10u);
    EXPECT_NE(o.err.find("--max-steps"), std::string::npos);

    // A stack that grows without end stops at the memory bound, step by step too.
    for (const auto& extra : std::vector<std::vector<std::string>>{
             {"--max-memory", "1"}, {"--max-memory", "1", "--mode", "ijvm", "--steps", "10000000"}}) {
        o = runSource(dir, ".main;loop: BIPUSH 1;GOTO loop;.end-main", extra, "0");
        EXPECT_EQ(o.status, 3);
        EXPECT_NE(o.out.find("HALTED=no"), std::string::npos) << o.out;
        EXPECT_NE(o.err.find("bound of 1 MB (raise --max-memory)"), std::string::npos) << o.err;
    }
}
