// mic1 run going back, counting and tracing as CSV: --back K after --steps N prints what
// --steps N-K prints, --history changes nothing printed, --stats agrees with the IJVM
// trace, and the CSV trace of a small program.

#include "common/RunProgram.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

using testutil::run;
using testutil::TempDir;

namespace {

const std::string mic1 = MIC1_PATH;
const std::string examples = TARVENO_EXAMPLES_DIR;
const std::string interpreter = examples + "/ijvm.mal";
const std::string factorial = examples + "/factorial.jvm";
const std::string count = examples + "/count.mal";

testutil::Result mic1Run(std::vector<std::string> args, const std::vector<std::string>& more = {}) {
    args.insert(args.begin(), "run");
    args.insert(args.end(), more.begin(), more.end());
    return run(mic1, args);
}

} // namespace

TEST(Mic1History, BackPrintsWhatTheShorterRunPrints) {
    struct Case {
        std::vector<std::string> program;
        std::string mode;
        uint64_t steps, back;
    };
    const std::vector<std::string> fact{interpreter, "--ijvm", factorial};
    const std::vector<Case> cases{
        {fact, "ijvm", 100, 37},   {fact, "ijvm", 100, 100}, // back to the start
        {fact, "ijvm", 1300, 45},  // factorial halts after 1261 steps: back over steps at the halt address
        {fact, "mic", 5000, 1234}, // into the middle of an instruction
        {{count}, "mic", 30, 7},   {{count}, "ijvm", 6, 4}, // one step to the halt address, then steps there
    };
    for (const Case& c : cases) {
        for (const std::vector<std::string>& form : {std::vector<std::string>{}, {"--json", "--stats"}}) {
            std::vector<std::string> args = c.program;
            args.insert(args.end(), {"--mode", c.mode, "--dump", "0:40"});
            args.insert(args.end(), form.begin(), form.end());
            const auto back =
                mic1Run(args, {"--steps", std::to_string(c.steps), "--back", std::to_string(c.back)});
            const auto shorter = mic1Run(args, {"--steps", std::to_string(c.steps - c.back)});
            SCOPED_TRACE(c.program.back() + ' ' + c.mode + ' ' + std::to_string(c.steps) + ' ' +
                         std::to_string(c.back) + (form.empty() ? "" : " json"));
            EXPECT_EQ(std::tuple(back.status, back.err), std::tuple(0, ""));
            EXPECT_EQ(back.out, shorter.out);
        }
    }

    // Beyond the start, or without steps to go back over: usage errors.
    auto r = mic1Run({count, "--mode", "mic", "--steps", "5", "--back", "6"});
    EXPECT_EQ(std::tuple(r.status, r.out), std::tuple(2, ""));
    EXPECT_EQ(r.err, "mic1: --back 6 goes back beyond the start: the run has 5 steps (--steps)\n");
    EXPECT_EQ(mic1Run({count, "--back", "1"}).status, 2);
    EXPECT_EQ(mic1Run({count, "--mode", "ijvm", "--back", "2"}).status, 2);
}

TEST(Mic1History, HistoryLeavesWhatIsPrintedAsItIs) {
    const std::vector<std::vector<std::string>> runs{
        {interpreter, "--ijvm", factorial, "--stats"},
        {interpreter, "--ijvm", factorial, "--mode", "ijvm", "--steps", "40", "--trace", "--json"},
        {interpreter, "--ijvm", factorial, "--max-steps", "5000", "--dump", "20:20"}, // stopped by its bound
        {count, "--mode", "mic", "--steps", "20", "--trace", "--format", "csv"},
    };
    for (const auto& args : runs) {
        const auto plain = mic1Run(args), history = mic1Run(args, {"--history"});
        EXPECT_EQ(std::tuple(history.status, history.out, history.err),
                  std::tuple(plain.status, plain.out, plain.err))
            << args.back();
    }
}

TEST(Mic1History, StatsAgreeWithTheIjvmTrace) {
    // The opcode lines: 0xNN MNEMONIC COUNT=c MICRO=m AVERAGE=a.
    const auto stats = mic1Run({interpreter, "--ijvm", factorial, "--stats"});
    ASSERT_EQ(stats.status, 0) << stats.err;
    std::istringstream lines(stats.out.substr(stats.out.find("EXECUTED ")));
    uint64_t micro = 0, ijvm = 0;
    std::string line;
    std::getline(lines, line);
    ASSERT_EQ(std::sscanf(line.c_str(), "EXECUTED MICRO=%lu IJVM=%lu", &micro, &ijvm), 2) << line;
    EXPECT_NE(stats.out.find("STEPS=" + std::to_string(micro) + " HALTED=yes"), std::string::npos);
    std::map<std::string, uint64_t> counted;
    uint64_t microOfAll = 0;
    while (std::getline(lines, line)) {
        char mnemonic[32];
        uint64_t n = 0, m = 0;
        double average = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "0x%*2X %31s COUNT=%lu MICRO=%lu AVERAGE=%lf", mnemonic, &n, &m,
                              &average),
                  4)
            << line;
        counted[mnemonic] = n;
        microOfAll += m;
        EXPECT_NEAR(average, static_cast<double>(m) / n, 0.005) << line;
    }
    EXPECT_EQ(microOfAll + 1, micro) << "every microinstruction but the first fetch's is an instruction's";

    // The IJVM steps to the halt address, one line each: the first fetch, then an instruction.
    const auto trace =
        mic1Run({interpreter, "--ijvm", factorial, "--mode", "ijvm", "--steps", "100000", "--trace"});
    std::istringstream steps(trace.out);
    std::map<std::string, uint64_t> traced;
    uint64_t lineCount = 0;
    while (std::getline(steps, line) && line.find('\t') != std::string::npos) {
        ++lineCount;
        const auto from = line.find('\t') + 1;
        const std::string mnemonic = line.substr(from, line.find_first_of(" \t", from) - from);
        if (mnemonic != "(fetch)") ++traced[mnemonic];
    }
    EXPECT_EQ(ijvm, lineCount - 1);
    EXPECT_EQ(counted, traced);

    const auto json = mic1Run({interpreter, "--ijvm", factorial, "--stats", "--json"});
    EXPECT_NE(json.out.find("\"stats\":{\"micro\":" + std::to_string(micro) +
                            ",\"ijvm\":" + std::to_string(ijvm) +
                            ",\"instructions\":[{\"opcode\":2,\"mnemonic\":\"IADD\",\"count\":" +
                            std::to_string(counted["IADD"]) + ","),
              std::string::npos)
        << json.out;
}

TEST(Mic1History, CsvTrace) {
    TempDir dir;
    const std::string src =
        dir.write("inc.mal", "main mar = 1; rd   // ask for word 1\n  h = 1\n  mdr = mdr + h; wr; fetch\n" +
                                 testutil::repeat("  h = h\n", 109) + "done goto done\n");
    const std::string rows = "1,0,main mar = 1; rd,MAR=1,rd 1,0,0\n"
                             "2,1,h = 1,H=1,,0,0\n"
                             "3,2,mdr = mdr + h; wr; fetch,MDR=42,wr 1=42 fetch 0,0,0\n";
    auto r = mic1Run({src, "--mem", "1=41", "--mode", "mic", "--steps", "3", "--trace", "--format", "csv"});
    EXPECT_EQ(r.status, 0) << r.err;
    // The table alone: no final state after it.
    EXPECT_EQ(r.out, "step,address,statement,written,memory,n,z\n" + rows);

    // From the .bin file there is no source: the statements are empty.
    ASSERT_EQ(run(mic1, {"asm", src}).status, 0);
    r = mic1Run({(dir / "inc.bin").string(), "--mem", "1=41", "--mode", "mic", "--steps", "1", "--trace",
                 "--format", "csv"});
    EXPECT_EQ(r.out, "step,address,statement,written,memory,n,z\n1,0,,MAR=1,rd 1,0,0\n");
    EXPECT_EQ(mic1Run({src, "--trace", "--format", "xml"}).status, 2);
}
