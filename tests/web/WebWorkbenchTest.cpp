// The web page's binding, read as the page reads it: the JSON answers of compile, steps,
// phases, a Run in slices, the checker's report run in the module, the IJVM views, the
// memory viewer's numbers, and the writer's escaping.

#include "web/WebWorkbench.h"
#include "web/Json.h"

#include "common/RunProgram.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

using namespace tarveno;
using nlohmann::json;
namespace fs = std::filesystem;

namespace {

class WebWorkbenchTest : public ::testing::Test {
  public:
    WebWorkbenchTest() : previous(fs::current_path()), web(root.path().string()) {}
    ~WebWorkbenchTest() override { fs::current_path(previous); }

    json perform(const std::function<Outcome(Session&)>& command, bool brief = false) {
        return json::parse(web.perform(command, brief));
    }
    // The working folder's copy of an example, opened (and so compiled).
    json open(const std::string& name) {
        fs::copy_file(fs::path(TARVENO_EXAMPLES_DIR) / name, root / "files" / name);
        return perform([&](Session& s) { return s.openMicroprogram(name); });
    }
    // The paint step of an answer by its name.
    static json step(const json& answer, const std::string& name) {
        for (const json& p : answer["paint"])
            if (p["step"] == name) return p;
        return nullptr;
    }

    fs::path previous;
    testutil::TempDir root;
    web::WebWorkbench web;
};

TEST_F(WebWorkbenchTest, CompileAndStepsAnswerWhatTheWindowDraws) {
    const json opened = open("count.mal");
    EXPECT_TRUE(opened["run"]["loaded"]);
    EXPECT_EQ(opened["outcome"]["pictures"], "Full");
    EXPECT_EQ(opened["mal"]["fileName"], "count.mal");
    EXPECT_TRUE(opened["mal"].contains("text"));

    json step5;
    for (int i = 0; i < 5; ++i)
        step5 = perform([](Session& s) { return s.microStep(); });
    // As mic1 run --mode mic --steps 5 prints them.
    const json values = step(step5, "values");
    EXPECT_EQ(values["registers"], json({"0", "0", "0", "0", "0", "5", "0", "0", "0", "4"}));
    EXPECT_EQ(values["mpc"], "5");
    EXPECT_EQ(values["n"], "0");
    EXPECT_EQ(step(step5, "bits")["bits"].get<std::string>().size(), 36u);
    const json select = step(step5, "select");
    ASSERT_TRUE(select["span"].is_array());
    EXPECT_LT(select["span"][0], select["span"][1]);

    // The four presses of SubCicle: phase 1 draws the B and A buses row by row with a pause.
    const json phase0 = perform([](Session& s) { return s.run().subCycle(); });
    EXPECT_EQ(phase0["outcome"]["pictures"], "Phase0");
    const json phase1 = perform([](Session& s) { return s.run().subCycle(); });
    const json rows = step(phase1, "flow")["rows"];
    ASSERT_GE(rows.size(), 5u);
    EXPECT_EQ(rows.size() % 5, 0u);
    EXPECT_EQ(rows[3], 1);                         // the pause after the first row
    EXPECT_TRUE(step(phase1, "values").is_null()); // readouts keep their values until phase 3
}

TEST_F(WebWorkbenchTest, TheCheckerRunsInTheModuleAndItsFindingsArePlaced) {
    web.setEditorText("main H = H + 1\n  H = FOO + 1\n");
    perform([](Session& s) {
        s.microprogramEdited();
        return Outcome{};
    });
    const json a = perform([](Session& s) { return s.compileAndLoad(); });
    ASSERT_TRUE(a["report"]["shown"]);
    EXPECT_NE(a["report"]["text"].get<std::string>().find("tmp.mal:2:"), std::string::npos);
    json f;
    for (const json& finding : a["report"]["findings"])
        if (finding["error"]) f = finding;
    ASSERT_FALSE(f.is_null());
    EXPECT_EQ(f["statement"][0], 15); // the second line
    EXPECT_TRUE(a["outcome"]["tell"]["notice"].get<std::string>().empty());
    EXPECT_FALSE(a["run"]["loaded"]);
    // A click on the finding's report line selects its word.
    const json chosen = json::parse(web.reportSelection(f["line"]));
    EXPECT_EQ(chosen["span"][0], 21);
}

TEST_F(WebWorkbenchTest, ARunAnswersBrieflyUntilItEnds) {
    web.setEditorText("LOOP H = H + 1; GOTO LOOP\n");
    json a = perform([](Session& s) { return s.startRun(RunKind::ToHalt); });
    ASSERT_TRUE(a["run"]["running"]);
    EXPECT_TRUE(a["paint"].empty());
    EXPECT_EQ(web.perform([](Session& s) { return s.run().slice(1000); }, true), R"({"running":true})");
    web.session().run().stop();
    a = perform([](Session& s) { return s.run().slice(1000); }, true);
    EXPECT_FALSE(a["run"]["running"]);
    EXPECT_EQ(a["outcome"]["pictures"], "Full");
    EXPECT_EQ(a["run"]["micro"], 1000);
}

TEST_F(WebWorkbenchTest, AnIjvmProgramOnTheShippedInterpreterShowsItsViews) {
    fs::copy_file(fs::path(TARVENO_EXAMPLES_DIR) / "ijvm.mal", root / "files" / "ijvm.mal");
    fs::copy_file(fs::path(TARVENO_EXAMPLES_DIR) / "call.jvm", root / "files" / "call.jvm");
    const json asked = perform([](Session& s) { return s.askIjvmFile(IjvmOpening::Placed); });
    EXPECT_EQ(asked["outcome"]["ask"]["what"], "LoadInterpreter");
    const json placed =
        perform([](Session& s) { return s.openIjvm("call.jvm", IjvmOpening::OnInterpreter); });
    EXPECT_TRUE(placed["ijvm"]["placed"]);
    EXPECT_EQ(placed["mal"]["fileName"], "ijvm.mal");
    const json tables = placed["ijvm"]["view"]["tables"];
    EXPECT_EQ(tables["methodArea"]["headings"].size(), 4u);
    EXPECT_GT(tables["constantPool"]["rows"].size(), 0u);

    json a;
    for (int i = 0; i < 6; ++i) {
        perform([](Session& s) { return s.startRun(RunKind::IjvmStep); });
        a = perform([](Session& s) { return s.run().slice(); }, true);
    }
    // Inside multiply: its frame's link word names it.
    bool inCall = false;
    for (const json& row : a["ijvm"]["view"]["tables"]["stack"]["rows"])
        inCall = inCall || row[4] == "multiply";
    EXPECT_TRUE(inCall);
    EXPECT_TRUE(a["ijvm"]["view"]["current"].is_array());
}

TEST_F(WebWorkbenchTest, MemoryNumbersAreTheViewersAndBadOnesFailAsInTheWindow) {
    open("count.mal");
    EXPECT_EQ(json::parse(web.goAt("0x10"))["word"], 4);
    const json bad = json::parse(web.goAt("z12"));
    EXPECT_EQ(bad["failureCaption"], "IJVM Error:");
    const json written = json::parse(web.writeWord("8", "-1"));
    EXPECT_TRUE(written["outcome"]["views"].get<uint32_t>() & static_cast<uint32_t>(View::Memory));
    const json page = json::parse(web.memoryPage(0, 16));
    EXPECT_NE(page["lines"][2].get<std::string>().find("0xFF 0xFF 0xFF 0xFF"), std::string::npos);
    EXPECT_EQ(json::parse(web.writeBytes("0", {"1", "2", "x", "4"}))["failureCaption"], "IJVM Error:");
}

TEST(Json, EscapesWhatTheTextHolds) {
    web::Json j;
    j.beginObject().field("text", std::string("a\"b\\c\n\t\x01")).key("list").beginArray();
    j.value(int64_t{-3}).value(true).null().endArray().endObject();
    EXPECT_EQ(j.text(), R"({"text":"a\"b\\c\n\t\u0001","list":[-3,true,null]})");
    EXPECT_EQ(json::parse(j.text())["text"], "a\"b\\c\n\t\x01");
}

} // namespace
