// Counting played notes from the capture's input notes.
#include "sound/HeardNotes.h"

#include <gtest/gtest.h>

namespace {

TEST(HeardNotesTest, ANoteCountsOnceWhileHeldAndAgainAfterAGap) {
    CHeardNotes heard;
    CNoteList cMajor;
    for (int midi : {60, 62, 64, 65, 67, 69, 71}) {
        CNote note;
        note.m_midi = midi;
        cMajor.Add(note);
    }
    heard.SetBelonging(CHeardNotes::PitchClassesOf(cMajor));
    const int blocks[] = {255, 60, 60, 60, 62, 60, 255, 72, 72, 66, 66, 64};
    const bool counted[] = {false, false, true, false, false, false,
                            false, false, true, false, true,  false};
    for (size_t i = 0; i < std::size(blocks); ++i) {
        CNote input;
        input.m_midi = blocks[i];
        EXPECT_EQ(heard.Hear(input), counted[i]) << "block " << i;
    }
    EXPECT_EQ(heard.GetInCount(), 2) << "C, then C an octave up after a gap";
    EXPECT_EQ(heard.GetOutCount(), 1) << "F#";
    EXPECT_EQ(heard.GetCurrent(), 66) << "a single reading of E does not replace it";
}

} // namespace
