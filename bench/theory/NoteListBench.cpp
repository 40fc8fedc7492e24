// Filling and sorting note lists as playback does: the composer adds every note of a song, in
// whatever order its tracks produce them, to a list that is emptied and refilled for each play.
#include "theory/NoteList.h"

#include <benchmark/benchmark.h>

#include "bench/theory/CountingNew.h"

#include <algorithm>
#include <random>
#include <vector>

namespace {

// Notes on a sixteenth grid at 120 bpm, many sharing a time, in a shuffled order.
std::vector<CNote> MakeNotes(int count, bool shuffled) {
    std::vector<CNote> notes(static_cast<size_t>(count));
    std::mt19937 random(2024);
    for (int i = 0; i < count; ++i) {
        CNote& note = notes[static_cast<size_t>(i)];
        note.m_time = (i / 3) * 0.125;
        note.m_duration = 0.125;
        note.m_midi = 28 + static_cast<int>(random() % 60);
        note.m_sharpName = "C#";
        note.m_flatName = "Db";
        note.m_thing = THING_LEAD_GUITAR;
    }
    if (shuffled)
        std::shuffle(notes.begin(), notes.end(), random);
    return notes;
}

void Refill(benchmark::State& state, bool shuffled) {
    const int count = static_cast<int>(state.range(0));
    const std::vector<CNote> notes = MakeNotes(count, shuffled);
    CNoteList list;
    long allocations = 0;
    long refills = 0;
    for (auto _ : state) {
        long before = g_allocations.load(std::memory_order_relaxed);
        list.RemoveAll();
        for (const CNote& note : notes)
            list.Add(note);
        benchmark::DoNotOptimize(list[0].m_time); // the first read merges late arrivals
        if (refills++ > 0)                        // the first fill may allocate; a refill must not
            allocations += g_allocations.load(std::memory_order_relaxed) - before;
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["allocs_per_refill"] =
        refills > 1 ? static_cast<double>(allocations) / static_cast<double>(refills - 1) : 0.0;
}

void BM_AddRandomOrder(benchmark::State& state) {
    Refill(state, true);
}
BENCHMARK(BM_AddRandomOrder)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_AddInOrder(benchmark::State& state) {
    Refill(state, false);
}
BENCHMARK(BM_AddInOrder)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Sort by time a list that lies in random time order (sorted by MIDI note just before).
void BM_SortByTime(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    CNoteList list;
    for (const CNote& note : MakeNotes(count, true))
        list.Append(note);
    for (auto _ : state) {
        state.PauseTiming();
        list.Sort(false);
        state.ResumeTiming();
        list.Sort(true);
        benchmark::DoNotOptimize(list[0].m_time);
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_SortByTime)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The plain rule for a list put out of order by hand: scan for the first later note.
void BM_AddIntoUnorderedList(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::vector<CNote> notes = MakeNotes(count, true);
    CNoteList list;
    for (auto _ : state) {
        list.RemoveAll();
        list.Append(notes[0]);
        CNote late = notes[0];
        late.m_time = 1e9;
        list.Append(late);
        list.Append(notes[0]); // now out of order
        for (size_t i = 1; i < notes.size(); ++i)
            list.Add(notes[i]);
        benchmark::DoNotOptimize(list[0].m_time);
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_AddIntoUnorderedList)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);

} // namespace
