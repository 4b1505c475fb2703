#include <gtest/gtest.h>

#include "fault_signature.h"

namespace plikatra::winfuzz {
namespace {

// A shortened sequence is kept only when it fails the same way: the same kind of fault with
// other numbers or details must match, another kind must not.
TEST(WindowFuzzSignature, SameKindOfFaultMatchesWhateverItsDetails) {
    const std::string blocked1 = "FAULT at step 4 (click 1 2 3 4 5 0 0 1 0 9): the window was blocked for 1200 ms";
    const std::string blocked2 = "FAULT at step 71 (drag 0 9 9 9 9 0 0 3 0 7): the window was blocked for 4100 ms";
    EXPECT_EQ(faultSignature(blocked1, 3), faultSignature(blocked2, 3));
    const std::string differs1 = "FAULT at step 2 (undo 0 0 0 0 0 0 0 0 0 1): the work file of the document reads "
                                 "back differently: line 12: \"a\" then \"b\"";
    const std::string differs2 = "FAULT at step 9 (undo 0 0 0 0 0 0 0 0 0 1): the work file of the document reads "
                                 "back differently: line 400: \"c\" then \"d\"";
    EXPECT_EQ(faultSignature(differs1, 3), faultSignature(differs2, 3));
    EXPECT_NE(faultSignature(blocked1, 3), faultSignature(differs1, 3));
    EXPECT_NE(faultSignature("FAULT at start: the model m.obj does not open", 3),
              faultSignature("FAULT at start: no development of m.obj", 3));
}

TEST(WindowFuzzSignature, SanitizerReportsAndEndingsWithoutAFaultLine) {
    const std::string useAfterFree =
        "==1976==ERROR: AddressSanitizer: heap-use-after-free on address 0x60b0000909b0\n    #0 0x55 in f() a.cpp:351\n"
        "SUMMARY: AddressSanitizer: heap-use-after-free ../src/views/a.cpp:351 in f()\n";
    const std::string elsewhere = "SUMMARY: AddressSanitizer: heap-use-after-free ../src/views/a.cpp:12 in f()\n";
    EXPECT_EQ(faultSignature(useAfterFree, -6), faultSignature(elsewhere, -6));
    EXPECT_NE(faultSignature(useAfterFree, -6),
              faultSignature("SUMMARY: AddressSanitizer: heap-buffer-overflow ../src/views/a.cpp:351 in f()\n", -6));
    EXPECT_NE(faultSignature("../src/b.cpp:3:5: runtime error: signed integer overflow\n", 1),
              faultSignature("", 1));
    EXPECT_EQ(faultSignature("qt says something\n", -11), "signal ");
    EXPECT_NE(faultSignature("", -11), faultSignature("", 1));
}

}  // namespace
}  // namespace plikatra::winfuzz
