#pragma once

#include "core/CharString.h"
#include "core/VarList.h"
#include "theory/FretFinder.h"
#include "theory/Note.h"
#include "theory/Random.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

class CNoteManager;

// The ordered list of notes that every part of the song model passes around. The list owns its
// notes and copies them in and out by value. It keeps its notes when emptied and grows in steps
// of 100, so a list refilled for every playback allocates only the first time.
//
// Add keeps the list in order. Notes that arrive out of order are appended and merged in (a
// stable sort, the same order as inserting each one after its equals) on the next access to the
// notes, so filling a long list in random order costs n log n rather than n squared. Reading a
// const list from several threads at once is safe; writing needs the usual exclusive access.
class CNoteList : private CVarList<CNote> {
public:
    static constexpr size_t GROWTH = 100;

    CNoteList();
    CNoteList(const CNoteList& other);
    CNoteList& operator=(const CNoteList& other);
    virtual ~CNoteList();

    // Sign of (a.time - b.time) when sorting by time, else of (a.MIDI note - b.MIDI note).
    virtual int Compare(const CNote& a, const CNote& b) const;
    // Count becomes 0, the spare note is reset; the notes stay allocated for reuse.
    virtual bool RemoveAll();

    int GetCount() const { return static_cast<int>(CVarList<CNote>::GetCount()); }
    size_t GetCapacity() const { return CVarList<CNote>::GetCapacity(); }
    bool IsEmpty() const { return CVarList<CNote>::IsEmpty(); }
    bool IsSortedByTime() const { return m_byTime; }
    CNote& GetSpare() { return m_spare; }

    // Element access. A non-const access may change the note's key, so the list no longer
    // assumes it is in order until it checks again.
    const CNote& operator[](int index) const;
    CNote& operator[](int index);
    const CNote* begin() const;
    const CNote* end() const;
    CNote* begin();
    CNote* end();

    // Inserts before the first note e with Compare(e, note) > 0, or at the end: equal keys
    // keep their arrival order.
    bool Add(const CNote& note);
    // Adds at the end without looking at the order.
    bool Append(const CNote& note);
    // Copies note in at index (0 to count), shifting the tail up.
    bool InsertAt(int index, const CNote& note);
    bool RemoveAt(int index);
    // Stable re-ordering by time (byTime) or by MIDI note; the flag becomes the list's key.
    bool Sort(bool byTime);

    // Adds delta to every set time.
    bool ShiftTimes(double delta);
    // Every duration becomes duration; with an end limit (not TIME_NOT_SET) notes starting after
    // it get 0 and notes reaching past it are cut to end there.
    bool SetDurations(double duration, double endLimit = TIME_NOT_SET);
    // Lengthens each note that leaves less than minimumGap before its successor (overlaps
    // included) by min(duration / 6, minimumGap).
    bool Legato(double minimumGap);
    // Multiplies every time and duration by factor.
    bool ScaleTimes(double factor);
    // Random volume and time variation in list order; unless keepOverlaps, a note that would
    // overlap the next one's new start is cut to end there. The list is not re-sorted.
    bool Humanize(double volumeSpread, double timeSpread, bool keepOverlaps, CRandom& random);
    bool Humanize(double volumeSpread, double timeSpread, bool keepOverlaps);
    // Replaces the list by count copies of itself, copy k shifted by k * period.
    bool Repeat(int count, double period);
    // 0.0 for an empty list; else the last note's time, plus its duration with withDuration.
    double GetEndTime(bool withDuration) const;
    // True when times never decrease; otherwise logs a line and the dump, and returns false.
    bool CheckTimes() const;
    // "===== Note list, %d notes =====" and one line per note, appended to target (each line
    // ending in a line feed) or, without a target, written to the log.
    bool Dump(CCharString* target = nullptr) const;

    // Carries an accidental through the rest of its measure: a sharp raises and a flat lowers
    // every following note of the same measure by a semitone, renaming it from the note manager.
    // False when the manager has no name for a changed note (the walk stops there).
    bool ApplyAccidentals(int beatsPerMeasure, double beatDuration, CNoteManager& manager);
    // Adds 7 * ((MIDI note - baseMidi) / 12, truncated toward zero) to each degree, so degrees
    // count on through the octaves.
    bool SpreadDegrees(int baseMidi);

    // Finders. The note overloads copy the found note out.
    bool FindNote(int midi, CNote& note) const;
    // Index of the first note with that MIDI note; index is -1 and the result false when absent.
    bool IndexOfNote(int midi, int& index) const;
    bool HasPitchClass(const CNote& note) const;
    // First note whose degree modulo 12 equals pitchClass.
    bool FindDegree(int pitchClass, CNote& note) const;
    // Largest degree, 0 for an empty list.
    int MaxDegree() const;

    // Range queries over the first fretboard slot. Index ranges are inclusive; INT_NOT_SET for
    // first or last means the list's start or end. An index outside the list gives false.
    bool GetStringRange(int& lowest, int& highest) const;
    // Over the notes with a fret set in first..last on string (INT_NOT_SET: any string).
    bool GetFretRange(int first, int last, int string, int& lowest, int& highest) const;
    // Clears the first fretboard slot of the notes first..last.
    bool ClearPositions(int first, int last);

    // Fingering. The hand spans four frets: finger 1 (index) to 4 (little finger).
    bool AssignFingers(int first, int last);
    bool AssignFingersOnString(int string, int handFret, int lowestFret, int highestFret);
    // Places the notes first..last (one measure) on thing's fretboard; see the source for the
    // two passes. handFret INT_NOT_SET lets the run's highest note choose the position.
    bool PlaceRun(int first, int last, THING thing, int handFret, int highestFret, bool singlePass,
                  IFretFinder& finder);

private:
    // Merges the notes that Add appended out of order. Safe from concurrent const readers.
    void Settle() const;
    void SettleLocked() const;
    // Stable order of the notes by Compare into m_order (merge sort on indices).
    void OrderNotes() const;
    // Rearranges the notes into m_order without allocating.
    void ApplyOrder() const;
    bool IsInOrder() const;
    bool IsOwnNote(const CNote& note) const;
    // Resolves INT_NOT_SET ends and checks the range.
    bool ResolveRange(int& first, int& last) const;
    CNote* Notes() const;
    void CopyFrom(const CNoteList& other);

    bool m_byTime = true;
    CNote m_spare;

    // Notes from m_settled on arrived by Add and wait to be merged; the notes before are in order.
    mutable size_t m_settled = 0;
    mutable std::atomic<bool> m_unsettled{false};
    mutable std::mutex m_settleLock;
    // Whether the notes are known to be in order by the key; unknown after a non-const access.
    mutable bool m_inOrderKnown = true;
    // Scratch for sorting, kept for reuse.
    mutable std::vector<uint32_t> m_order;
    mutable std::vector<uint32_t> m_orderScratch;
};
