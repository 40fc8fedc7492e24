#include "theory/NoteList.h"

#include "core/Report.h"
#include "theory/NoteManager.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <random>

using Base = CVarList<CNote>;

CNoteList::CNoteList() : Base(GROWTH) {}

CNoteList::CNoteList(const CNoteList& other) : Base(GROWTH) {
    CopyFrom(other);
}

CNoteList& CNoteList::operator=(const CNoteList& other) {
    if (this != &other)
        CopyFrom(other);
    return *this;
}

CNoteList::~CNoteList() = default;

void CNoteList::CopyFrom(const CNoteList& other) {
    other.Settle();
    Base::RemoveAll();
    const CNote* source = other.Notes();
    for (int i = 0; i < other.GetCount(); ++i)
        Base::Add(source[i]);
    m_byTime = other.m_byTime;
    m_spare = other.m_spare;
    m_settled = Base::GetCount();
    m_unsettled.store(false, std::memory_order_relaxed);
    m_inOrderKnown = other.m_inOrderKnown;
}

CNote* CNoteList::Notes() const {
    return const_cast<CNote*>(Base::GetData());
}

int CNoteList::Compare(const CNote& a, const CNote& b) const {
    if (m_byTime) {
        double d = a.m_time - b.m_time;
        return d > 0.0 ? 1 : (d < 0.0 ? -1 : 0);
    }
    return a.m_midi > b.m_midi ? 1 : (a.m_midi < b.m_midi ? -1 : 0);
}

bool CNoteList::RemoveAll() {
    Base::RemoveAll();
    m_spare.Reset();
    m_settled = 0;
    m_unsettled.store(false, std::memory_order_relaxed);
    m_inOrderKnown = true;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Order

void CNoteList::Settle() const {
    if (!m_unsettled.load(std::memory_order_acquire))
        return;
    std::lock_guard<std::mutex> lock(m_settleLock);
    SettleLocked();
}

void CNoteList::SettleLocked() const {
    if (!m_unsettled.load(std::memory_order_relaxed))
        return;
    OrderNotes();
    ApplyOrder();
    m_settled = Base::GetCount();
    m_inOrderKnown = true;
    m_unsettled.store(false, std::memory_order_release);
}

// Bottom-up merge sort of the waiting tail's indices, then one merge with the ordered head.
// Taking from the left run on equal keys keeps arrival order; a merge sort also stays within
// bounds whatever Compare answers (a NaN time compares equal to everything).
void CNoteList::OrderNotes() const {
    const size_t count = Base::GetCount();
    const size_t head = std::min(m_settled, count);
    const CNote* notes = Notes();
    m_order.resize(count);
    m_orderScratch.resize(count);
    // Both buffers start as the identity: the passes below only rewrite the tail.
    for (size_t i = 0; i < count; ++i)
        m_order[i] = m_orderScratch[i] = static_cast<uint32_t>(i);

    auto mergeRuns = [&](const uint32_t* from, uint32_t* to, size_t begin, size_t middle,
                         size_t end) {
        size_t left = begin, right = middle, out = begin;
        while (left < middle && right < end) {
            if (Compare(notes[from[right]], notes[from[left]]) < 0)
                to[out++] = from[right++];
            else
                to[out++] = from[left++];
        }
        while (left < middle)
            to[out++] = from[left++];
        while (right < end)
            to[out++] = from[right++];
    };

    uint32_t* from = m_order.data();
    uint32_t* to = m_orderScratch.data();
    const size_t tail = count - head;
    for (size_t width = 1; width < tail; width *= 2) {
        for (size_t begin = head; begin < count; begin += 2 * width) {
            size_t middle = std::min(begin + width, count);
            size_t end = std::min(begin + 2 * width, count);
            mergeRuns(from, to, begin, middle, end);
        }
        std::swap(from, to);
    }
    if (head > 0 && tail > 0) {
        mergeRuns(from, to, 0, head, count);
        std::swap(from, to);
    }
    if (from != m_order.data())
        m_order.swap(m_orderScratch);
}

// m_order[i] names the note that belongs at i. Cycles are followed with one spare note, so
// nothing is allocated; a finished index is marked by pointing it at itself.
void CNoteList::ApplyOrder() const {
    CNote* notes = Notes();
    const size_t count = Base::GetCount();
    CNote held;
    for (size_t i = 0; i < count; ++i) {
        if (m_order[i] == i)
            continue;
        held = notes[i];
        size_t j = i;
        while (true) {
            size_t k = m_order[j];
            m_order[j] = static_cast<uint32_t>(j);
            if (k == i) {
                notes[j] = held;
                break;
            }
            notes[j] = notes[k];
            j = k;
        }
    }
}

// Growing the storage would free a note that is being copied in.
bool CNoteList::IsOwnNote(const CNote& note) const {
    const CNote* notes = Notes();
    return notes != nullptr && &note >= notes && &note < notes + GetCount();
}

bool CNoteList::IsInOrder() const {
    const CNote* notes = Notes();
    for (int i = 1; i < GetCount(); ++i) {
        if (Compare(notes[i - 1], notes[i]) > 0)
            return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Access

const CNote& CNoteList::operator[](int index) const {
    Settle();
    return Notes()[index];
}

CNote& CNoteList::operator[](int index) {
    Settle();
    m_inOrderKnown = false;
    return Notes()[index];
}

const CNote* CNoteList::begin() const {
    Settle();
    return Notes();
}

const CNote* CNoteList::end() const {
    Settle();
    return Notes() + GetCount();
}

CNote* CNoteList::begin() {
    Settle();
    m_inOrderKnown = false;
    return Notes();
}

CNote* CNoteList::end() {
    Settle();
    m_inOrderKnown = false;
    return Notes() + GetCount();
}

// ---------------------------------------------------------------------------------------------
// Adding and removing

bool CNoteList::Add(const CNote& note) {
    if (IsOwnNote(note)) {
        CNote copy(note);
        return Add(copy);
    }
    try {
        if (m_unsettled.load(std::memory_order_relaxed)) {
            Base::Add(note);
            return true;
        }
        if (!m_inOrderKnown)
            m_inOrderKnown = IsInOrder();
        const CNote* notes = Notes();
        const int count = GetCount();
        if (!m_inOrderKnown) {
            // The list was put out of order by hand: the plain rule, first greater note.
            int index = 0;
            while (index < count && Compare(notes[index], note) <= 0)
                ++index;
            Base::InsertAt(static_cast<size_t>(index), note);
            m_settled = Base::GetCount();
            return true;
        }
        bool atEnd = count == 0 || Compare(notes[count - 1], note) <= 0;
        Base::Add(note);
        if (atEnd)
            m_settled = Base::GetCount();
        else
            m_unsettled.store(true, std::memory_order_relaxed);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool CNoteList::Append(const CNote& note) {
    if (IsOwnNote(note)) {
        CNote copy(note);
        return Append(copy);
    }
    Settle();
    try {
        int count = GetCount();
        if (m_inOrderKnown && count > 0 && Compare(Notes()[count - 1], note) > 0)
            m_inOrderKnown = false;
        Base::Add(note);
        m_settled = Base::GetCount();
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool CNoteList::InsertAt(int index, const CNote& note) {
    if (IsOwnNote(note)) {
        CNote copy(note);
        return InsertAt(index, copy);
    }
    Settle();
    if (index < 0 || index > GetCount())
        return false;
    try {
        Base::InsertAt(static_cast<size_t>(index), note);
        m_settled = Base::GetCount();
        m_inOrderKnown = false;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool CNoteList::RemoveAt(int index) {
    Settle();
    if (index < 0 || index >= GetCount())
        return false;
    Base::RemoveAt(static_cast<size_t>(index));
    m_settled = Base::GetCount();
    return true;
}

bool CNoteList::Sort(bool byTime) {
    Settle();
    m_byTime = byTime;
    // Adding every note in turn to an empty list orders them stably: the same as a stable sort.
    m_settled = 0;
    try {
        OrderNotes();
    } catch (const std::bad_alloc&) {
        m_settled = Base::GetCount();
        m_inOrderKnown = false;
        return false;
    }
    ApplyOrder();
    m_settled = Base::GetCount();
    m_inOrderKnown = true;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Timing

bool CNoteList::ShiftTimes(double delta) {
    Settle();
    CNote* notes = Notes();
    for (int i = 0; i < GetCount(); ++i) {
        if (notes[i].HasTime())
            notes[i].m_time += delta;
    }
    m_inOrderKnown = false;
    return true;
}

bool CNoteList::SetDurations(double duration, double endLimit) {
    Settle();
    CNote* notes = Notes();
    for (int i = 0; i < GetCount(); ++i) {
        CNote& note = notes[i];
        note.m_duration = duration;
        if (endLimit == TIME_NOT_SET)
            continue;
        if (note.m_time > endLimit)
            note.m_duration = 0.0;
        else if (note.m_time + duration > endLimit)
            note.m_duration = endLimit - note.m_time;
    }
    return true;
}

bool CNoteList::Legato(double minimumGap) {
    Settle();
    CNote* notes = Notes();
    for (int i = 1; i < GetCount(); ++i) {
        CNote& previous = notes[i - 1];
        double gap = notes[i].m_time - (previous.m_time + previous.m_duration);
        if (gap < minimumGap)
            previous.m_duration += std::min(previous.m_duration / 6.0, minimumGap);
    }
    return true;
}

bool CNoteList::ScaleTimes(double factor) {
    Settle();
    CNote* notes = Notes();
    // Not-set times stay not set: scaling the sentinel would turn it into a real time.
    for (int i = 0; i < GetCount(); ++i) {
        if (notes[i].HasTime())
            notes[i].m_time *= factor;
        if (notes[i].HasDuration())
            notes[i].m_duration *= factor;
    }
    m_inOrderKnown = false;
    return true;
}

bool CNoteList::Humanize(double volumeSpread, double timeSpread, bool keepOverlaps,
                         CRandom& random) {
    Settle();
    CNote* notes = Notes();
    const double s = volumeSpread;
    const double t = timeSpread;
    for (int i = 0; i < GetCount(); ++i) {
        CNote& note = notes[i];
        double v = note.m_volume;
        if (v > 1.0 - s / 2.0)
            v = random.Uniform(1.0 - s, 1.0);
        else if (v < s / 2.0)
            v = random.Uniform(0.2, 0.2 + s);
        else
            v = random.Uniform(v - s / 2.0, v + s / 2.0);
        note.m_volume = static_cast<float>(v);

        if (!note.HasTime())
            continue;
        if (t / 2.0 <= note.m_time)
            note.m_time = random.Uniform(note.m_time - t / 2.0, note.m_time + t / 2.0);
        else
            note.m_time = random.Uniform(0.0, t);

        if (!keepOverlaps && i > 0) {
            CNote& previous = notes[i - 1];
            if (previous.GetEndTime() > note.m_time) {
                // Notes that swapped places get no negative length.
                previous.m_duration = std::max(0.0, note.m_time - previous.m_time);
            }
        }
    }
    m_inOrderKnown = false;
    return true;
}

bool CNoteList::Humanize(double volumeSpread, double timeSpread, bool keepOverlaps) {
    thread_local CRandom random(std::random_device{}());
    return Humanize(volumeSpread, timeSpread, keepOverlaps, random);
}

bool CNoteList::Repeat(int count, double period) {
    Settle();
    if (count < 0)
        return false;
    if (count == 0)
        return RemoveAll();
    const int original = GetCount();
    try {
        CNote copy;
        for (int k = 1; k < count; ++k) {
            for (int i = 0; i < original; ++i) {
                // Copied out first: growing the list moves the note being read.
                copy = Notes()[i];
                if (copy.HasTime())
                    copy.m_time += k * period;
                Base::Add(copy);
            }
        }
    } catch (const std::bad_alloc&) {
        Base::SetCount(static_cast<size_t>(original));
        m_settled = Base::GetCount();
        return false;
    }
    m_settled = Base::GetCount();
    m_inOrderKnown = false;
    return true;
}

double CNoteList::GetEndTime(bool withDuration) const {
    Settle();
    if (IsEmpty())
        return 0.0;
    const CNote& last = Notes()[GetCount() - 1];
    return withDuration ? last.GetEndTime() : last.m_time;
}

bool CNoteList::CheckTimes() const {
    Settle();
    const CNote* notes = Notes();
    for (int i = 1; i < GetCount(); ++i) {
        if (notes[i].m_time < notes[i - 1].m_time) {
            Message("######### CNoteList::CheckTimes()");
            Dump(nullptr);
            return false;
        }
    }
    return true;
}

bool CNoteList::Dump(CCharString* target) const {
    Settle();
    CCharString line;
    line.Format("===== Note list, %d notes =====", GetCount());
    if (target != nullptr)
        target->AppendFormat("%s\n", line.GetText());
    else
        Message("%s", line.GetText());
    const CNote* notes = Notes();
    for (int i = 0; i < GetCount(); ++i) {
        notes[i].Dump(line);
        if (target != nullptr)
            target->AppendFormat("%s\n", line.GetText());
        else
            Message("%s", line.GetText());
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Pitch

bool CNoteList::ApplyAccidentals(int beatsPerMeasure, double beatDuration, CNoteManager& manager) {
    Settle();
    const double measureLength = beatsPerMeasure * beatDuration;
    if (!(measureLength > 0.0) || !std::isfinite(measureLength))
        return false;
    CNote* notes = Notes();
    CNote named;
    int32_t current = ACCIDENTAL_NONE;
    double previousMeasure = 0.0;
    for (int i = 0; i < GetCount(); ++i) {
        CNote& note = notes[i];
        double measure = std::floor(note.m_time / measureLength);
        if (i > 0 && measure != previousMeasure)
            current = ACCIDENTAL_NONE;
        previousMeasure = measure;
        if (note.m_accidental != ACCIDENTAL_NONE)
            current = note.m_accidental;

        int step = current == ACCIDENTAL_SHARP ? 1 : (current == ACCIDENTAL_FLAT ? -1 : 0);
        if (step == 0 || !note.HasPitch())
            continue;
        int midi = note.m_midi + step;
        if (!manager.GetMidiNote(midi, named))
            return false;
        note.m_midi = midi;
        note.m_sharpName.Set(named.m_sharpName);
        note.m_flatName.Set(named.m_flatName);
        note.m_octave = named.m_octave;
        note.m_frequency = named.m_frequency;
        if (!m_byTime)
            m_inOrderKnown = false;
    }
    return true;
}

bool CNoteList::SpreadDegrees(int baseMidi) {
    Settle();
    CNote* notes = Notes();
    for (int i = 0; i < GetCount(); ++i) {
        // An unpitched note has no octave to count from.
        if (notes[i].HasPitch())
            notes[i].m_degree += 7 * ((notes[i].m_midi - baseMidi) / 12);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Finders

bool CNoteList::FindNote(int midi, CNote& note) const {
    int index = -1;
    if (!IndexOfNote(midi, index))
        return false;
    note = Notes()[index];
    return true;
}

bool CNoteList::IndexOfNote(int midi, int& index) const {
    Settle();
    const CNote* notes = Notes();
    for (int i = 0; i < GetCount(); ++i) {
        if (notes[i].m_midi == midi) {
            index = i;
            return true;
        }
    }
    index = -1;
    return false;
}

bool CNoteList::HasPitchClass(const CNote& note) const {
    if (!note.HasPitch())
        return false;
    Settle();
    const CNote* notes = Notes();
    for (int i = 0; i < GetCount(); ++i) {
        if (notes[i].HasPitch() && notes[i].m_midi % 12 == note.m_midi % 12)
            return true;
    }
    return false;
}

bool CNoteList::FindDegree(int pitchClass, CNote& note) const {
    Settle();
    const CNote* notes = Notes();
    for (int i = 0; i < GetCount(); ++i) {
        int degreeClass = ((notes[i].m_degree % 12) + 12) % 12;
        if (degreeClass == pitchClass) {
            note = notes[i];
            return true;
        }
    }
    return false;
}

int CNoteList::MaxDegree() const {
    Settle();
    if (IsEmpty())
        return 0;
    const CNote* notes = Notes();
    int highest = notes[0].m_degree;
    for (int i = 1; i < GetCount(); ++i)
        highest = std::max(highest, static_cast<int>(notes[i].m_degree));
    return highest;
}

// ---------------------------------------------------------------------------------------------
// Fretboard ranges and fingering

bool CNoteList::ResolveRange(int& first, int& last) const {
    if (first == INT_NOT_SET)
        first = 0;
    if (last == INT_NOT_SET)
        last = GetCount() - 1;
    return first >= 0 && last < GetCount() && first <= last;
}

bool CNoteList::GetStringRange(int& lowest, int& highest) const {
    Settle();
    bool found = false;
    const CNote* notes = Notes();
    for (int i = 0; i < GetCount(); ++i) {
        int string = notes[i].Position().string;
        if (string == INT_NOT_SET)
            continue;
        if (!found || string < lowest)
            lowest = string;
        if (!found || string > highest)
            highest = string;
        found = true;
    }
    return found;
}

bool CNoteList::GetFretRange(int first, int last, int string, int& lowest, int& highest) const {
    Settle();
    if (!ResolveRange(first, last))
        return false;
    bool found = false;
    const CNote* notes = Notes();
    for (int i = first; i <= last; ++i) {
        const FRET_SLOT& slot = notes[i].Position();
        if (slot.fret == INT_NOT_SET)
            continue;
        if (string != INT_NOT_SET && slot.string != string)
            continue;
        if (!found || slot.fret < lowest)
            lowest = slot.fret;
        if (!found || slot.fret > highest)
            highest = slot.fret;
        found = true;
    }
    return found;
}

bool CNoteList::ClearPositions(int first, int last) {
    Settle();
    if (!ResolveRange(first, last))
        return false;
    CNote* notes = Notes();
    for (int i = first; i <= last; ++i)
        notes[i].Position().Clear();
    return true;
}

bool CNoteList::AssignFingers(int first, int last) {
    Settle();
    if (!ResolveRange(first, last))
        return false;
    CNote* notes = Notes();
    int lowest = 100;
    for (int i = first; i <= last; ++i) {
        int fret = notes[i].Position().fret;
        if (fret != INT_NOT_SET && fret < lowest)
            lowest = fret;
    }
    lowest = std::max(lowest, 1);
    for (int i = first; i <= last; ++i) {
        FRET_SLOT& slot = notes[i].Position();
        if (slot.finger == INT_NOT_SET && slot.fret != INT_NOT_SET && slot.fret > 0)
            slot.finger = std::min(slot.fret - lowest + 1, 4);
    }
    return true;
}

bool CNoteList::AssignFingersOnString(int string, int handFret, int lowestFret, int highestFret) {
    Settle();
    const int base = highestFret - lowestFret >= 3 ? lowestFret : std::min(handFret, lowestFret);
    CNote* notes = Notes();
    for (int i = 0; i < GetCount(); ++i) {
        FRET_SLOT& slot = notes[i].Position();
        if (slot.string != string)
            continue;
        if (slot.fret == INT_NOT_SET || slot.fret == 0)
            slot.finger = INT_NOT_SET;
        else // a fret below the hand still takes the index finger, never finger 0 or less
            slot.finger = std::clamp(slot.fret - base + 1, 1, 4);
    }
    return true;
}

bool CNoteList::PlaceRun(int first, int last, THING thing, int handFret, int highestFret,
                         bool singlePass, IFretFinder& finder) {
    Settle();
    if (!ResolveRange(first, last))
        return false;
    CNote* notes = Notes();

    int start = 0;
    int floor = 0;
    int highest = highestFret;
    if (handFret != INT_NOT_SET) {
        start = floor = handFret;
    } else {
        // The run's highest note, placed from the top string within frets 3 to 12, sets the hand
        // four frets below it so the run lies under the fingers.
        int top = -1;
        for (int i = first; i <= last; ++i) {
            if (notes[i].HasPitch() && (top < 0 || notes[i].m_midi > notes[top].m_midi))
                top = i;
        }
        if (top < 0)
            return false;
        CNote probe(notes[top]);
        probe.Position().Clear();
        if (!finder.FindStringAndFret(thing, 3, 12, probe, true))
            return false;
        start = probe.Position().fret - 4;
        floor = 3;
        highest = 12;
    }
    start = std::max(start, 0);
    start = std::max(start, floor);
    const int firstStart = start;

    auto placePass = [&](int from) {
        for (int i = first; i <= last; ++i) {
            // Re-read: the finder works on the stored note.
            CNote& note = Notes()[i];
            if (note.Position().string != INT_NOT_SET)
                continue;
            if (!finder.FindStringAndFret(thing, from, highest, note, true))
                return false;
        }
        return true;
    };

    if (!placePass(start))
        return false;
    if (singlePass)
        return true;

    int lowestFret = 0;
    int highestPlaced = 0;
    if (!GetFretRange(first, last, INT_NOT_SET, lowestFret, highestPlaced))
        return true;
    // One fret lower narrows a stretched run; never below fret 1, and only once.
    const int lower = start - 1;
    if (highestPlaced - lowestFret >= 4 && lower >= 1 && lower >= firstStart - 1) {
        ClearPositions(first, last);
        return placePass(lower);
    }
    return true;
}
