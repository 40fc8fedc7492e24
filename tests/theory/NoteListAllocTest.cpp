// Counts every allocation of this test program, to show that refilling a note list for the
// next playback reuses its memory.
#include "theory/NoteList.h"

#include <gtest/gtest.h>

#include "tests/theory/CountingNew.h"

namespace {

void Fill(CNoteList& list, int count, bool shuffled) {
    CNote note;
    note.m_sharpName = "F#";
    note.m_flatName = "Gb";
    for (int i = 0; i < count; ++i) {
        int slot = shuffled ? (i * 7919) % count : i;
        note.m_time = slot * 0.125;
        note.m_midi = 40 + slot % 40;
        list.Add(note);
    }
}

class NoteListRefill : public ::testing::TestWithParam<bool> {};

// One playback's worth of list work: fill, read, re-sort.
void Playback(CNoteList& list, bool shuffled, double& first, double& last) {
    list.RemoveAll();
    Fill(list, 1000, shuffled);
    first = list[0].m_time; // reading merges any notes that came out of order
    last = list[999].m_time;
    list.Sort(false);
    list.Sort(true);
}

TEST_P(NoteListRefill, RefillAfterRemoveAllDoesNotAllocate) {
    const bool shuffled = GetParam();
    CNoteList list;
    double first = -1.0, last = -1.0;
    Playback(list, shuffled, first, last);
    const size_t capacity = list.GetCapacity();

    long before = g_allocations.load();
    Playback(list, shuffled, first, last);
    long after = g_allocations.load();

    EXPECT_EQ(after - before, 0);
    EXPECT_EQ(first, 0.0);
    EXPECT_EQ(last, 999 * 0.125);
    EXPECT_EQ(list.GetCapacity(), capacity);
}

INSTANTIATE_TEST_SUITE_P(InOrderAndShuffled, NoteListRefill, ::testing::Values(false, true));

TEST(NoteListAllocations, CounterSeesAllocations) {
    long before = g_allocations.load();
    CNoteList list;
    Fill(list, 10, false);
    EXPECT_GT(g_allocations.load(), before);
}

} // namespace
