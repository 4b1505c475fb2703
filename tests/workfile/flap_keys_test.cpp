// The work file's keys for flap shapes and styles: they come back as saved, a file without
// them reads with the usual shape and style and is written again byte for byte, and damaged
// records leave the flaps as they were.
#include <string>

#include "model/primitive_shapes.h"
#include "reader_support.h"
#include "workfile/work_file_writer.h"

namespace plikatra {
namespace {

using test::ReaderTest;

// The box's halfedge `i` counted across its faces in ring order.
Halfedge& corner(Model& m, size_t i) {
    for (const auto& f : m.solids[0]->faces) {
        if (i < f->halfedges.size()) return *f->halfedges[i];
        i -= f->halfedges.size();
    }
    return *m.solids[0]->faces[0]->halfedges[0];
}

TEST_F(ReaderTest, FlapShapesAndStylesComeBackAsSaved) {
    auto box = makeBox(2.0, 1.0, 0.5);
    ASSERT_TRUE(createDevelopment(*box));
    const std::string plain = workFileText(*box, stateOf(*box));
    EXPECT_EQ(plain.find("flapInsets"), std::string::npos);
    EXPECT_EQ(plain.find("flapStyles"), std::string::npos);
    EXPECT_EQ(plain.find("iFlapStyle"), std::string::npos);

    box->flapStyle = FlapStyle::HalfTextured;
    corner(*box, 3).flapInsetStart = 2.5f;
    corner(*box, 3).flapInsetEnd = 0.3333333f;  // needs all nine digits to come back
    corner(*box, 17).flapInsetEnd = 7.0f;
    box->solids[0]->edges[4]->flapStyle = static_cast<std::int8_t>(FlapStyle::None);
    box->solids[0]->edges[0]->flapStyle = static_cast<std::int8_t>(FlapStyle::White);
    const std::string saved = workFileText(*box, stateOf(*box));
    // The snapshot taken for saving in the background writes the same.
    EXPECT_EQ(WorkFileSnapshot(*box, stateOf(*box)).text(), saved);

    auto back = load(saved);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->flapStyle, FlapStyle::HalfTextured);
    EXPECT_EQ(corner(*back, 3).flapInsetStart, 2.5f);
    EXPECT_EQ(corner(*back, 3).flapInsetEnd, 0.3333333f);
    EXPECT_EQ(corner(*back, 17).flapInsetStart, kUsualFlapInset);
    EXPECT_EQ(corner(*back, 17).flapInsetEnd, 7.0f);
    EXPECT_FALSE(flapNarrowed(corner(*back, 4)));
    EXPECT_EQ(back->solids[0]->edges[4]->flapStyle, static_cast<int>(FlapStyle::None));
    EXPECT_EQ(back->solids[0]->edges[0]->flapStyle, static_cast<int>(FlapStyle::White));
    EXPECT_EQ(back->solids[0]->edges[1]->flapStyle, -1);
    EXPECT_EQ(workFileText(*back, stateOf(*back)), saved);

    // Without the keys: the usual shape and the development's white flaps, as before.
    auto old = load(plain);
    ASSERT_TRUE(old);
    EXPECT_EQ(old->flapStyle, FlapStyle::White);
    for (const auto& f : old->solids[0]->faces)
        for (const auto& h : f->halfedges) EXPECT_FALSE(flapNarrowed(*h));
    for (const auto& e : old->solids[0]->edges) EXPECT_EQ(e->flapStyle, -1);
}

TEST_F(ReaderTest, DamagedFlapRecordsLeaveTheUsualFlap) {
    auto box = makeBox(1.0, 1.0, 1.0);
    ASSERT_TRUE(createDevelopment(*box));
    std::string text = workFileText(*box, stateOf(*box));
    const std::string records =
        "iFlapStyle 9\n"
        "flapInsets 5\n"
        "0 0 0 2 2\n"        // sound
        "7 0 0 2 2\n"        // no such solid
        "0 99 0 2 2\n"       // no such face
        "0 1 0 -1 2\n"       // a side that turns the flap inside out
        "0 1 1 nan 1e300\n"  // not numbers a flap can take
        "flapStyles 3\n"
        "0 0 3\n"            // sound
        "0 999 1\n"          // no such edge
        "0 1 42\n";          // no such style
    text.insert(text.find("/info"), records);
    auto m = load(text);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->flapStyle, FlapStyle::White);
    EXPECT_EQ(corner(*m, 0).flapInsetStart, 2.0f);
    for (size_t i = 1; i < 24; ++i) EXPECT_FALSE(flapNarrowed(corner(*m, i))) << i;
    EXPECT_EQ(m->solids[0]->edges[0]->flapStyle, 3);
    EXPECT_EQ(m->solids[0]->edges[1]->flapStyle, -1);

    // A count larger than the file could hold is damage.
    std::string huge = workFileText(*box, stateOf(*box));
    huge.insert(huge.find("/info"), "flapInsets 99999999\n");
    LoadOutcome outcome;
    EXPECT_FALSE(load(huge, outcome));
}

}  // namespace
}  // namespace plikatra
