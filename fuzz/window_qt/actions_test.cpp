#include <gtest/gtest.h>

#include "actions.h"

namespace plikatra::winfuzz {
namespace {

// A sequence is kept as text and replayed from it, so the text must give back every action
// exactly, whatever the seed drew; and a seed must always draw the same actions.
TEST(WindowFuzzActions, ASeedDrawsTheSameActionsAndTheirTextGivesThemBack) {
    for (std::uint64_t seed : {1ULL, 2ULL, 77ULL, 18446744073709551615ULL}) {
        Sequence s{"/tmp/a model.obj", seed, generateActions(seed, 300)};
        EXPECT_EQ(s.actions, generateActions(seed, 300));
        const std::optional<Sequence> back = parseSequence(sequenceText(s));
        ASSERT_TRUE(back);
        EXPECT_EQ(back->model, s.model);
        EXPECT_EQ(back->seed, seed);
        EXPECT_EQ(back->actions, s.actions);
    }
    EXPECT_NE(generateActions(1, 50), generateActions(2, 50));
}

TEST(WindowFuzzActions, TextThatIsNoSequenceIsRefused) {
    EXPECT_TRUE(parseAction("click 1 2 3 4 5 0 0 1 0 99"));
    EXPECT_FALSE(parseAction("jump 1 2 3 4 5 0 0 1 0 99"));   // no such kind
    EXPECT_FALSE(parseAction("click 1 2 3 4 5 0 0 1 0"));     // a number short
    EXPECT_FALSE(parseAction("click 1 2 3 4 5 0 0 1 0 9 9"));  // one too many
    EXPECT_FALSE(parseSequence("seed 3\nwait 0 0 0 0 0 0 0 100 0 1\n"));  // no model
    EXPECT_FALSE(parseSequence("model m.obj\nseed three\n"));
    EXPECT_TRUE(parseSequence("# a comment\nmodel m.obj\n\nwait 0 0 0 0 0 0 0 100 0 1\n"));
}

}  // namespace
}  // namespace plikatra::winfuzz
