#include "base/progress.h"

#include <gtest/gtest.h>

#include <string>

#include "recording_progress.h"

namespace plikatra {
namespace {

TEST(Progress, PercentageOfTheRange) {
    RecordingProgress rec;
    {
        Progress p(&rec, "Load file", true);
        p.setRange(5, 5);  // empty range: 0 %, no division
        p.setPos(3);
        p.setRange(0, 200);
        p.setPos(100);
        p.setPos(1000);  // beyond the upper bound
        p.setRange(50, 150);
        p.setPos(100);  // the position counts from 0, not from the lower bound
        p.setRange(0, 2000000000);
        p.setPos(2000000000);
    }
    EXPECT_EQ(rec.percents, (std::vector<int>{0, 50, 100}));
    EXPECT_EQ(rec.captions,
              (std::vector<std::string>{"Load file", "Load file [0%]", "Load file [50%]",
                                        "Load file [100%]"}));
    EXPECT_EQ(rec.shownCount, 1);
    EXPECT_EQ(rec.destroyedCount, 1);
}

TEST(Progress, BarMovesOnlyWhenThePercentageChanges) {
    RecordingProgress rec;
    Progress p(&rec, "Create Development", true);
    p.setRange(0, 1000);
    for (int i = 0; i <= 25; ++i) p.setPos(i);
    EXPECT_EQ(rec.percents, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(p.lastPercent(), 2);
    EXPECT_EQ(p.shownCaption(), "Create Development [2%]");

    // A new caption shows again even at the same percentage.
    p.setCaption("Progress");
    p.setPos(25);
    EXPECT_EQ(rec.captions.back(), "Progress [2%]");
}

TEST(Progress, TextIsFormattedAndCut) {
    RecordingProgress rec;
    Progress p(&rec, "Progress", false);
    p.setText("Loading %s %d", "file...", 3);
    EXPECT_EQ(p.text(), "Loading file... 3");
    p.setText("%s", std::string(600, 'x').c_str());
    EXPECT_EQ(p.text().size(), 511u);  // a 512-character buffer with its terminator
    ASSERT_EQ(rec.texts.size(), 2u);
    EXPECT_EQ(rec.texts[1], p.text());
}

TEST(Progress, CancelNeedsTheCancelButton) {
    RecordingProgress rec;
    rec.cancelAtPump = 1;
    {
        Progress layout(&rec, "Parts layout", false);
        EXPECT_TRUE(layout.peekAndPump());
        EXPECT_FALSE(layout.cancelled());
        EXPECT_NO_THROW(layout.checkCancel());
    }
    EXPECT_TRUE(rec.cancelPressed);
    EXPECT_EQ(rec.hiddenCount, 0);

    rec.clear();  // pumps count from 1 again
    rec.cancelAtPump = 2;
    Progress load(&rec, "Load file", true);
    EXPECT_TRUE(load.peekAndPump(true));
    EXPECT_FALSE(load.peekAndPump(true));
    EXPECT_TRUE(load.cancelled());
    EXPECT_EQ(rec.hiddenCount, 1);
    EXPECT_THROW(load.checkCancel(), CancelledException);
    EXPECT_EQ(rec.hiddenCount, 1);
    EXPECT_EQ(rec.pumps, (std::vector<bool>{true, true}));  // no pumping once cancelled
}

TEST(RecordingProgress, CancelsAtAPercentage) {
    RecordingProgress rec;
    rec.cancelAtPercent = 40;
    {
        Progress p(&rec, "Load file", true);
        int stoppedAt = -1;
        for (int i = 0; i <= 100; i += 10) {
            p.setPos(i);
            if (!p.peekAndPump()) {
                stoppedAt = i;
                break;
            }
        }
        EXPECT_EQ(stoppedAt, 40);
        EXPECT_EQ(rec.cancelPressedAtPump, 5);
        EXPECT_EQ(rec.openWindows(), 1);
    }
    EXPECT_EQ(rec.openWindows(), 0);
}

}  // namespace
}  // namespace plikatra
