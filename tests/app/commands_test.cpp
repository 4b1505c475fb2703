// The enable and check state of every command in the four states a document goes through,
// against the table of the program's commands written out here by hand.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/document.h"
#include "model/primitive_shapes.h"
#include "recording_front_end.h"
#include "test_util.h"

using namespace plikatra;

namespace {

// Enable rules: A always, M a model, N a model without development, D a development,
// U a step to undo, R a step to redo, G while texts snap to the grid, F a development with its flaps shown (the
// settings here always show them).
const std::map<int, char> kRules = {
    {32779, 'A'}, {32887, 'D'}, {32790, 'M'}, {32846, 'D'}, {32950, 'D'}, {32876, 'A'},
    {57607, 'D'}, {57609, 'D'}, {57606, 'A'}, {57665, 'A'}, {32830, 'N'}, {32831, 'N'},
    {32882, 'N'}, {32788, 'N'}, {32849, 'N'}, {32860, 'N'}, {32861, 'M'}, {32908, 'M'},
    {32924, 'N'}, {32925, 'N'}, {32926, 'N'}, {32928, 'N'}, {32927, 'N'}, {32931, 'N'},
    {32812, 'D'}, {32813, 'D'}, {32814, 'D'}, {32854, 'D'}, {32859, 'D'}, {32869, 'D'},
    {32872, 'D'}, {32884, 'D'}, {32910, 'D'}, {32879, 'U'}, {32880, 'R'}, {32843, 'D'}, {32832, 'D'},
    {32906, 'D'}, {32856, 'D'}, {32805, 'D'}, {32776, 'D'}, {32777, 'D'}, {32937, 'D'},
    {32774, 'D'}, {32775, 'D'}, {32835, 'D'}, {32803, 'D'}, {57634, 'D'}, {32866, 'M'},
    {32913, 'D'}, {32862, 'M'}, {32864, 'A'}, {32838, 'A'}, {32839, 'A'}, {32933, 'A'},
    {32934, 'G'}, {32935, 'G'}, {32936, 'G'}, {32875, 'M'}, {32874, 'D'}, {32877, 'D'},
    {32883, 'A'}, {32773, 'A'}, {32911, 'A'}, {32782, 'A'}, {57664, 'A'}, {32930, 'A'},
    {1056, 'N'},  {1057, 'D'},  {32960, 'F'},
};

struct State {
    bool model, development, undo, grid, redo = false;
};

bool expected(char rule, const State& s) {
    switch (rule) {
        case 'A': return true;
        case 'M': return s.model;
        case 'N': return s.model && !s.development;
        case 'D': return s.development;
        case 'U': return s.undo;
        case 'R': return s.redo;
        case 'G': return s.grid;
        case 'F': return s.development;
    }
    return false;
}

class Commands : public testing::Test {
protected:
    void expectState(const State& s, const char* name) {
        SCOPED_TRACE(name);
        EXPECT_EQ(commandTable().size(), kRules.size());
        for (const auto& [id, rule] : kRules)
            EXPECT_EQ(commandEnabled(CommandId(id), doc), expected(rule, s)) << id;
    }
    Settings settings;
    RecordingFrontEnd ui;
    Document doc{ui, settings};
};

TEST_F(Commands, EnableRulesInTheFourStates) {
    expectState({false, false, false, true}, "no model");
    doc.adopt(makeBox(1, 2, 3));
    expectState({true, false, false, true}, "model");
    ASSERT_TRUE(doc.createDevelopment(true));
    // Creating the development is the first step to undo.
    expectState({true, true, true, true}, "development");
    // A text placed in the development: an edit to undo.
    ui.onInputText = [](TextDialogValues& v) {
        v.text = "label";
        return true;
    };
    doc.chooseEditMode(kModeInputText);
    doc.editor().mousePress(MouseButton::Left, {1, 1});
    doc.editor().mouseRelease(MouseButton::Left, {1, 1});
    ASSERT_EQ(doc.model()->texts.size(), 1u);
    settings.bPlaceTextOnGrid = false;
    expectState({true, true, true, false}, "development with a text");
    EXPECT_EQ(commandMenuText(CommandId::UndoLastEditing, doc), "&Undo Input Text\tCtrl+Z");
    doc.undo();
    EXPECT_EQ(commandMenuText(CommandId::Redo, doc), "&Redo Input Text\tCtrl+Y");
    expectState({true, true, true, false, true}, "a text undone");
    doc.undo();
    expectState({true, false, false, false, true}, "the development undone");
}

TEST_F(Commands, CheckMarksFollowModesAndSettings) {
    doc.adopt(makeBox(1, 1, 1));
    EXPECT_EQ(commandChecked(CommandId::Open, doc), std::nullopt);
    EXPECT_EQ(commandChecked(CommandId::SpecifyCutEdge, doc), false);
    doc.chooseModelEditMode(kModelEditCut);
    EXPECT_EQ(commandChecked(CommandId::SpecifyCutEdge, doc), true);
    doc.chooseModelEditMode(kModelEditCut);  // the active mode again returns to none
    EXPECT_EQ(commandChecked(CommandId::SpecifyCutEdge, doc), false);
    doc.setHideSurface(true);
    EXPECT_EQ(commandChecked(CommandId::HideSurface, doc), true);
    ASSERT_TRUE(doc.createDevelopment(true));
    doc.chooseEditMode(kModeCutPart);
    EXPECT_EQ(commandChecked(CommandId::CutPart, doc), true);
    EXPECT_EQ(commandChecked(CommandId::EraseEdge, doc), false);
    settings.bDrawNorishiro = false;
    EXPECT_EQ(commandChecked(CommandId::ShowFlap, doc), false);
    settings.textGridSize = 20;
    EXPECT_EQ(commandChecked(CommandId::Grid20, doc), true);
    EXPECT_EQ(commandChecked(CommandId::Grid5, doc), false);
}

// A front end that only counts what the commands asked of it.
struct CountingHost : CommandHost {
    std::vector<std::string> calls;
    bool automatic = true;
    void openDocument() override { calls.push_back("open"); }
    void saveDocument() override { calls.push_back("save"); }
    void flapConfiguration() override { calls.push_back("flaps"); }
    bool unfoldAutomatically(const Settings&) const override { return automatic; }
    void busy(bool on) override { calls.push_back(on ? "busy" : "idle"); }
};

TEST_F(Commands, RunByIdWithoutAWindow) {
    CountingHost host;
    for (const Command& c : commandTable()) EXPECT_NE(c.run, nullptr) << static_cast<int>(c.id);
    // Disabled commands do nothing, whether they act on the document or ask the front end.
    EXPECT_FALSE(runCommand(CommandId::Save, doc, host));
    EXPECT_FALSE(runCommand(CommandId::ReverseX, doc, host));
    EXPECT_TRUE(runCommand(CommandId::Open, doc, host));
    EXPECT_EQ(host.calls, (std::vector<std::string>{"open"}));

    doc.adopt(makeBox(1, 2, 3));
    const double x = doc.model()->solids[0]->vertices[0]->position.x;
    ASSERT_TRUE(runCommand(CommandId::ReverseX, doc, host));
    EXPECT_EQ(doc.model()->solids[0]->vertices[0]->position.x, -x);
    EXPECT_EQ(doc.undoName(), "Reverse X-Coordinate");

    // Create Development asks the front end whether to lay out without asking, while busy.
    host.calls.clear();
    ASSERT_TRUE(runCommand(CommandId::CreateDevelopment, doc, host));
    EXPECT_TRUE(doc.hasDevelopment());
    EXPECT_EQ(host.calls, (std::vector<std::string>{"busy", "idle"}));
    const bool shown = settings.bDrawNorishiro;
    ASSERT_TRUE(runCommand(CommandId::ShowFlap, doc, host));
    EXPECT_EQ(settings.bDrawNorishiro, !shown);
    ASSERT_TRUE(runCommand(CommandId::FlapConfiguration, doc, host));
    EXPECT_EQ(host.calls.back(), "flaps");
    ASSERT_TRUE(runCommand(CommandId::UndoLastEditing, doc, host));
    EXPECT_FALSE(doc.hasDevelopment());
}

TEST(CommandTable, TextsShortcutsAndToolBars) {
    const Command* save = findCommand(CommandId::SaveDevelopment);
    ASSERT_NE(save, nullptr);
    EXPECT_STREQ(save->text, "Sav&e Development to File...\tCtrl+E");
    EXPECT_STREQ(save->shortcut, "Ctrl+E");
    EXPECT_STREQ(save->prompt, "Save the development to file");
    EXPECT_EQ(plainText(findCommand(CommandId::CheckSurface)->text), "Check Corresponding Surface");
    // Every accelerator of the program, each on one command.
    const std::map<std::string, int> keys = {
        {"Ctrl+C", 32872}, {"Ctrl+D", 32812}, {"Ctrl+E", 32846}, {"Ctrl+F", 32814}, {"Ctrl+K", 32910},
        {"Ctrl+M", 32859}, {"Ctrl+N", 32869}, {"Ctrl+O", 32779}, {"Ctrl+P", 57607}, {"Ctrl+R", 32854},
        {"Ctrl+S", 32887}, {"Ctrl+T", 32884}, {"Ctrl+U", 32813}, {"Ctrl+Y", 32880}, {"Ctrl+Z", 32879}, {"F1", 32782},
    };
    std::map<std::string, int> found;
    for (const Command& c : commandTable())
        if (*c.shortcut) found[c.shortcut] = static_cast<int>(c.id);
    EXPECT_EQ(found, keys);
    EXPECT_EQ(mainToolBar(), (std::vector<int>{32779, 32887, 0, 32908, 32849, 32788, 0, 32830, 32831, 0,
                                               32838, 32839}));
    EXPECT_EQ(developmentToolBar().size(), 30u);
    EXPECT_EQ(developmentToolBar().back(), 57607);
}

}  // namespace
