#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "minimise.h"

namespace plikatra::winfuzz {
namespace {

// Fails when the list holds `first` and later `second`, as a fault that needs one action to
// set it up and another to show it.
auto needsInOrder(int first, int second, int* tries = nullptr) {
    return std::function<bool(const std::vector<int>&)>([=](const std::vector<int>& items) {
        if (tries) ++*tries;
        const auto a = std::find(items.begin(), items.end(), first);
        return a != items.end() && std::find(a, items.end(), second) != items.end();
    });
}

TEST(WindowFuzzMinimise, KeepsOnlyTheActionsTheFaultNeeds) {
    std::vector<int> items(200);
    std::iota(items.begin(), items.end(), 0);
    EXPECT_EQ(minimiseFailing<int>(items, needsInOrder(17, 160), 1000), (std::vector<int>{17, 160}));
    EXPECT_EQ(minimiseFailing<int>(items, needsInOrder(199, 199), 1000), (std::vector<int>{199}));
    // Both orders are in the list: the one found is a failing one.
    std::vector<int> twice = {5, 1, 2, 5, 9};
    const std::vector<int> shortest = minimiseFailing<int>(twice, needsInOrder(5, 9), 1000);
    EXPECT_EQ(shortest, (std::vector<int>{5, 9}));
}

// Every try replays a sequence, so the budget is a hard limit; what comes back still fails.
TEST(WindowFuzzMinimise, StopsAtItsBudgetWithAListThatStillFails) {
    std::vector<int> items(500);
    std::iota(items.begin(), items.end(), 0);
    int tries = 0;
    const auto fails = needsInOrder(3, 480, &tries);
    const std::vector<int> shortest = minimiseFailing<int>(items, fails, 12);
    EXPECT_LE(tries, 12);
    EXPECT_LT(shortest.size(), items.size());
    EXPECT_TRUE(needsInOrder(3, 480)(shortest));
}

}  // namespace
}  // namespace plikatra::winfuzz
