#include "song/NoteGrid.h"

#include "song/MidiNames.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>

namespace {

// Drum pieces from the top of the grid down, as a drummer reads the kit: cymbals, hi-hat,
// toms from high to low around the snare, then the feet. Each row holds every key that reads
// as its piece.
struct DRUM_ROW {
    const char* name;
    THING piece;
};
const DRUM_ROW kDrumRows[] = {
    {"Crash 2", THING_CRASH_CYMBAL_2},
    {"Crash", THING_CRASH_CYMBAL_1},
    {"Splash", THING_SPLASH_CYMBAL_1},
    {"China", THING_CHINESE_CYMBAL_1},
    {"Ride", THING_RIDE_CYMBAL},
    {"Ride bell", THING_RIDE_CYMBAL_BELL},
    {"Hi-hat open", THING_HIHAT_OPEN},
    {"Hi-hat", THING_HIHAT_CLOSED},
    {"Tom 1", THING_TOM_1},
    {"Tom 2", THING_TOM_2},
    {"Tom 3", THING_TOM_3},
    {"Snare", THING_SNARE_DRUM},
    {"Tom 4", THING_TOM_4},
    {"Tom 5", THING_TOM_5},
    {"Tom 6", THING_TOM_6},
    {"Kick", THING_BASS_DRUM_1},
    {"Kick 2", THING_BASS_DRUM_2},
    {"Hi-hat foot", THING_HIHAT_FOOT},
};

// Open strings, string 1 (the highest) first.
const int kBassStrings[] = {43, 38, 33, 28};
const int kGuitarStrings[] = {64, 59, 55, 50, 45, 40};
const char* const kNoteLetters[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                      "F#", "G",  "G#", "A",  "A#", "B"};

// Staff steps cover the instrument's range and a little more, from the highest down.
constexpr int kBassStaffTop = 62, kBassStaffBottom = 24;
constexpr int kGuitarStaffTop = 88, kGuitarStaffBottom = 38;

constexpr float kAccentVolume = 1.0f;
constexpr float kGhostVolume = 0.4f;
constexpr float kNormalVolume = 0.8f;

bool IsNatural(int midi) {
    const int pc = midi % 12;
    return pc == 0 || pc == 2 || pc == 4 || pc == 5 || pc == 7 || pc == 9 || pc == 11;
}

int AccidentalShift(int mark) {
    return mark == MARK_SHARP ? 1 : mark == MARK_FLAT ? -1 : 0;
}

void CloseNote(CNoteCell& cell) {
    if (cell.m_state == CELL_START)
        cell.m_state = CELL_SINGLE;
    else if (cell.m_state == CELL_PASS)
        cell.m_state = CELL_END;
}

} // namespace

// ------------------------------------------------------------------------------- cells

void CNoteCell::Clear() {
    const CELL_RECT rect = m_rect;
    const int shownState = m_shownState, shownFret = m_shownFret;
    *this = CNoteCell();
    m_rect = rect;
    m_shownState = shownState;
    m_shownFret = shownFret;
}

void CBeatCell::SetCount(int count) {
    const int old = GetCount();
    if (count < old && count > 0)
        CloseNote(m_cells[static_cast<size_t>(count - 1)]);
    m_cells.SetCount(static_cast<size_t>(std::max(count, 0)));
    for (int i = old; i < count; ++i)
        m_cells[static_cast<size_t>(i)] = CNoteCell();
}

void CBeatCell::Clear() {
    for (CNoteCell& cell : m_cells)
        cell.Clear();
}

bool CBeatCell::IsEmpty() const {
    for (const CNoteCell& cell : m_cells)
        if (!cell.IsEmpty())
            return false;
    return true;
}

bool CNoteRow::HasNote(int midi) const {
    for (const CNote& note : m_notes)
        if (note.m_midi == midi)
            return true;
    return false;
}

// ------------------------------------------------------------------------------- the grid

bool CNoteGrid::Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_error.FormatV(format, args);
    va_end(args);
    return false;
}

void CNoteGrid::Init(GRID_KIND kind, bool staff, const SONG_HEADER& header, THING instrument) {
    m_kind = kind;
    m_staff = staff;
    m_header = header;
    if (!(m_header.beatTime > 0.0))
        m_header.SetBeatTime(0.5);
    if (m_header.beatUnit <= 0 || m_header.beatUnit > 16)
        m_header.beatUnit = 4;
    if (m_header.beatsPerMeasure <= 0)
        m_header.beatsPerMeasure = 4;
    m_measures = std::max(1, m_header.measureCount);
    m_header.measureCount = m_measures;
    m_instrument = instrument;
    if (m_instrument == THING_NONE)
        m_instrument = kind == GRID_DRUMS    ? THING_DRUM_SET
                       : kind == GRID_BASS   ? THING_BASS_GUITAR
                       : kind == GRID_RHYTHM ? THING_RHYTHM_GUITAR
                                             : THING_LEAD_GUITAR;
    m_normalCount = std::max(1, 16 / m_header.beatUnit);
    m_tolerance = GetBeatLength() / m_normalCount * 0.25;
    m_beats = m_measures * m_header.beatsPerMeasure;
    m_unplaced.RemoveAll();
    m_changed = false;
    m_error.Empty();
    MakeRows();
}

void CNoteGrid::AddRow(const char* name, int identity, const std::vector<int>& notes,
                       bool byString) {
    CNoteRow row;
    row.m_name.Set(name);
    row.m_identity = identity;
    row.m_byString = byString;
    for (int midi : notes) {
        CNote note;
        note.m_midi = midi;
        row.m_notes.Append(note);
    }
    MakeBeats(row, 0);
    m_rows.push_back(row);
}

void CNoteGrid::MakeBeats(CNoteRow& row, int firstBeat) {
    row.m_beats.SetCount(static_cast<size_t>(m_beats));
    for (int b = firstBeat; b < m_beats; ++b) {
        CBeatCell& beat = row.m_beats[static_cast<size_t>(b)];
        beat = CBeatCell();
        beat.m_start = b * GetBeatLength();
        beat.m_width = GetBeatLength();
        beat.SetCount(m_normalCount);
    }
}

void CNoteGrid::MakeRows() {
    m_rows.clear();
    CCharString name;
    if (m_kind == GRID_DRUMS) {
        for (const DRUM_ROW& drum : kDrumRows) {
            std::vector<int> keys;
            for (int key = 0; key < 128; ++key)
                if (DrumPieceFromKey(key) == drum.piece)
                    keys.push_back(key);
            if (!keys.empty())
                AddRow(drum.name, drum.piece, keys, false);
        }
        return;
    }
    if (m_kind == GRID_RHYTHM)
        AddRow("Strum", 0, {STRUM_MARKER}, false);
    if (!m_staff) {
        const bool bass = m_kind == GRID_BASS;
        const int* open = bass ? kBassStrings : kGuitarStrings;
        const int count = bass ? 4 : 6;
        for (int s = 0; s < count; ++s) {
            name.Format("%s%d", kNoteLetters[open[s] % 12], open[s] / 12 - 1);
            AddRow(name, s + 1, {open[s]}, true);
        }
        return;
    }
    const bool bass = m_kind == GRID_BASS;
    for (int midi = bass ? kBassStaffTop : kGuitarStaffTop;
         midi >= (bass ? kBassStaffBottom : kGuitarStaffBottom); --midi)
        if (IsNatural(midi)) {
            name.Format("%s%d", kNoteLetters[midi % 12], midi / 12 - 1);
            AddRow(name, 0, {midi}, false);
        }
}

int CNoteGrid::FindRowOfNote(int midi) const {
    for (int r = 0; r < GetRowCount(); ++r)
        if (m_rows[static_cast<size_t>(r)].HasNote(midi))
            return r;
    return -1;
}

int CNoteGrid::FindRow(CNote& note) const {
    if (note.m_midi == STRUM_MARKER)
        return FindRowOfNote(STRUM_MARKER);
    const bool byString = !m_rows.empty() && m_rows.back().m_byString;
    if (byString) {
        const int string = note.Position().string;
        for (int r = 0; r < GetRowCount(); ++r) {
            const CNoteRow& row = m_rows[static_cast<size_t>(r)];
            if (!row.m_byString)
                continue;
            if (string != INT_NOT_SET ? row.m_identity == string : row.GetBase() <= note.m_midi)
                return r;
        }
        return -1;
    }
    const int r = FindRowOfNote(note.m_midi);
    if (r >= 0 || m_kind == GRID_DRUMS)
        return r;
    for (int below = 0; below < GetRowCount(); ++below)
        if (m_rows[static_cast<size_t>(below)].GetBase() < note.m_midi) {
            note.m_accidental = ACCIDENTAL_SHARP; // read back by LayNote as the cell's mark
            return below;
        }
    return -1;
}

bool CNoteGrid::SetNotes(const CNoteList& notes) {
    for (int r = 0; r < GetRowCount(); ++r)
        MakeBeats(m_rows[static_cast<size_t>(r)], 0);
    m_unplaced.RemoveAll();
    m_error.Empty();
    const double end = m_beats * GetBeatLength() - m_tolerance;
    std::vector<std::pair<int, CNote>> placed;
    placed.reserve(static_cast<size_t>(notes.GetCount()));
    bool ok = true;
    for (const CNote& original : notes) {
        if (!original.HasTime() || (!original.HasPitch() && original.m_midi != STRUM_MARKER) ||
            original.m_time >= end || original.m_time < -m_tolerance) {
            m_unplaced.Append(original);
            continue;
        }
        CNote note(original);
        note.m_accidental = ACCIDENTAL_NONE;
        const int row = FindRow(note);
        if (row < 0) {
            if (ok)
                Fail("Can't find a row for note %d", original.m_midi);
            ok = false;
            m_unplaced.Append(original);
            continue;
        }
        placed.emplace_back(row, note);
        MarkTripletBeats(row, note);
    }
    for (const auto& [row, note] : placed)
        LayNote(row, note);
    for (int r = 0; r < GetRowCount(); ++r) {
        MendRow(r);
        // A loud note is an accent only beside softer ones: a row played loud throughout has
        // none.
        bool normal = false;
        for (const CELL_REF& at : RowCells(r))
            normal |= GetCell(at).IsStart() && GetCell(at).m_articulation == MARK_NORMAL;
        if (!normal)
            for (const CELL_REF& at : RowCells(r))
                if (GetCell(at).m_articulation == MARK_ACCENTED)
                    GetCell(at).m_articulation = MARK_NORMAL;
    }
    LayVoicing();
    m_changed = false;
    return ok;
}

void CNoteGrid::MarkTripletBeats(int row, const CNote& note) {
    const double b = GetBeatLength();
    const double w = b / m_normalCount, third = b / 3.0;
    auto offGrid = [&](double offset, double step) {
        return std::fabs(offset - std::round(offset / step) * step) > m_tolerance;
    };
    const double duration = note.HasDuration() ? note.m_duration : 0.0;
    const double times[2] = {note.m_time, note.m_time + duration};
    for (int i = 0; i < 2; ++i) {
        const double t = times[i];
        // A start belongs to the beat it falls in; an end to the beat it closes.
        const int beat =
            static_cast<int>(std::floor(i == 0 ? (t + m_tolerance) / b : (t - m_tolerance) / b));
        if (beat < 0 || beat >= m_beats)
            continue;
        const double offset = t - beat * b;
        if (m_normalCount % 3 != 0 && offGrid(offset, w) && !offGrid(offset, third)) {
            CELL_REF at{row, beat, 0};
            if (m_rows[static_cast<size_t>(row)].m_beats[static_cast<size_t>(beat)].GetCount() != 3)
                SetTriplets(at, true);
        }
    }
}

void CNoteGrid::LayNote(int rowIndex, const CNote& note) {
    CNoteRow& row = m_rows[static_cast<size_t>(rowIndex)];
    CNoteCell model;
    model.m_volume = note.m_volume;
    model.m_length = note.m_length;
    model.m_slot = note.Position();
    if (row.m_byString &&
        (model.m_slot.string == INT_NOT_SET || model.m_slot.fret == INT_NOT_SET)) {
        model.m_slot.string = row.m_identity;
        model.m_slot.fret = note.m_midi - row.GetBase();
        model.m_placed = true;
    }
    model.m_accidental = note.m_accidental == ACCIDENTAL_SHARP ? MARK_SHARP : MARK_NONE;
    if (note.m_volume >= 0.95f)
        model.m_articulation = MARK_ACCENTED;
    else if (note.m_volume <= 0.45f)
        model.m_articulation = MARK_GHOST;

    const double b = GetBeatLength(), tol = m_tolerance;
    const double t = note.m_time;
    const double e = t + (note.HasDuration() ? std::max(note.m_duration, 0.0) : 0.0);
    for (int k = 0; k < m_beats; ++k) {
        CBeatCell& beat = row.m_beats[static_cast<size_t>(k)];
        const double s = beat.m_start;
        const int count = beat.GetCount();
        const double w = beat.GetCellWidth();
        int first, last;
        bool starts = false, ends;
        if (s - tol <= t && t < s + b - tol) {
            starts = true;
            first = std::clamp(static_cast<int>(std::floor((t - s + tol) / w)), 0, count - 1);
        } else if (s > t && e > s + tol) {
            first = 0;
        } else {
            continue;
        }
        ends = e <= s + b + tol;
        last =
            ends ? std::clamp(static_cast<int>(std::ceil((e - s - tol) / w)) - 1, first, count - 1)
                 : count - 1;
        for (int c = first; c <= last; ++c) {
            CNoteCell& cell = beat.m_cells[static_cast<size_t>(c)];
            const CELL_RECT rect = cell.m_rect;
            cell = model;
            cell.m_rect = rect;
            const bool isStart = starts && c == first, isEnd = ends && c == last;
            cell.m_state = isStart && isEnd ? CELL_SINGLE
                           : isStart        ? CELL_START
                           : isEnd          ? CELL_END
                                            : CELL_PASS;
        }
        if (ends)
            break;
    }
}

std::vector<CELL_REF> CNoteGrid::RowCells(int row) const {
    std::vector<CELL_REF> cells;
    const CNoteRow& r = m_rows[static_cast<size_t>(row)];
    for (int b = 0; b < m_beats; ++b)
        for (int c = 0; c < r.m_beats[static_cast<size_t>(b)].GetCount(); ++c)
            cells.push_back({row, b, c});
    return cells;
}

CNoteCell& CNoteGrid::GetCell(const CELL_REF& at) {
    return m_rows[static_cast<size_t>(at.row)]
        .m_beats[static_cast<size_t>(at.beat)]
        .m_cells[static_cast<size_t>(at.cell)];
}

const CNoteCell& CNoteGrid::GetCell(const CELL_REF& at) const {
    return m_rows[static_cast<size_t>(at.row)]
        .m_beats[static_cast<size_t>(at.beat)]
        .m_cells[static_cast<size_t>(at.cell)];
}

bool CNoteGrid::IsInside(const CELL_REF& at) const {
    return at.row >= 0 && at.row < GetRowCount() && at.beat >= 0 && at.beat < m_beats &&
           at.cell >= 0 &&
           at.cell <
               m_rows[static_cast<size_t>(at.row)].m_beats[static_cast<size_t>(at.beat)].GetCount();
}

void CNoteGrid::MendRow(int row) {
    CNoteCell* open = nullptr;
    for (const CELL_REF& at : RowCells(row)) {
        CNoteCell& cell = GetCell(at);
        switch (cell.m_state) {
        case CELL_START:
        case CELL_SINGLE:
            if (open != nullptr)
                CloseNote(*open);
            open = cell.m_state == CELL_START ? &cell : nullptr;
            break;
        case CELL_PASS:
        case CELL_END:
            if (open == nullptr)
                cell.Clear();
            else
                open = cell.m_state == CELL_PASS ? &cell : nullptr;
            break;
        default:
            if (open != nullptr)
                CloseNote(*open);
            open = nullptr;
        }
    }
    if (open != nullptr)
        CloseNote(*open);
}

bool CNoteGrid::GetNotes(CNoteList& notes) const {
    notes.RemoveAll();
    for (int r = 0; r < GetRowCount(); ++r) {
        const CNoteRow& row = m_rows[static_cast<size_t>(r)];
        const std::vector<CELL_REF> cells = RowCells(r);
        for (size_t i = 0; i < cells.size(); ++i) {
            const CNoteCell& first = GetCell(cells[i]);
            if (!first.IsStart())
                continue;
            size_t j = i;
            while (GetCell(cells[j]).m_state != CELL_SINGLE &&
                   GetCell(cells[j]).m_state != CELL_END && j + 1 < cells.size() &&
                   (GetCell(cells[j + 1]).m_state == CELL_PASS ||
                    GetCell(cells[j + 1]).m_state == CELL_END))
                ++j;
            const CBeatCell& startBeat = row.m_beats[static_cast<size_t>(cells[i].beat)];
            const CBeatCell& endBeat = row.m_beats[static_cast<size_t>(cells[j].beat)];
            CNote note;
            note.m_time = startBeat.GetCellTime(cells[i].cell);
            note.m_duration = endBeat.GetCellTime(cells[j].cell + 1) - note.m_time;
            note.m_volume = first.m_volume;
            note.m_length = first.m_length;
            if (!first.m_placed)
                note.Position() = first.m_slot;
            note.m_thing = m_instrument;
            if (m_kind == GRID_DRUMS) {
                note.m_midi = row.GetBase();
                note.m_thing = static_cast<THING>(row.m_identity);
            } else if (row.m_byString) {
                note.m_midi = row.GetBase() + first.m_slot.fret;
            } else if (row.GetBase() == STRUM_MARKER) {
                note.m_midi = STRUM_MARKER;
            } else {
                note.m_midi = row.GetBase() + AccidentalShift(first.m_accidental);
            }
            notes.Add(note);
            i = j;
        }
    }
    for (const CNote& note : m_unplaced)
        notes.Add(note);
    return true;
}

// ------------------------------------------------------------------------------- editing

void CNoteGrid::Edited(int row) {
    if (row >= 0)
        MendRow(row);
    else
        for (int r = 0; r < GetRowCount(); ++r)
            MendRow(r);
    LayVoicing();
    m_changed = true;
}

void CNoteGrid::SetTriplets(const CELL_REF& at, bool triplets) {
    if (at.beat < 0 || at.beat >= m_beats)
        return;
    const int count = triplets ? 3 : m_normalCount;
    for (int r = 0; r < GetRowCount(); ++r) {
        if (m_kind == GRID_DRUMS && r != at.row)
            continue;
        m_rows[static_cast<size_t>(r)].m_beats[static_cast<size_t>(at.beat)].SetCount(count);
    }
    Edited(m_kind == GRID_DRUMS ? at.row : -1);
}

void CNoteGrid::RepeatBeat(const CELL_REF& at, bool allRows) {
    if (!IsInside(at))
        return;
    for (int r = 0; r < GetRowCount(); ++r) {
        if (!allRows && r != at.row)
            continue;
        CNoteRow& row = m_rows[static_cast<size_t>(r)];
        const CBeatCell source = row.m_beats[static_cast<size_t>(at.beat)];
        for (int b = at.beat + 1; b < m_beats; ++b) {
            CBeatCell& target = row.m_beats[static_cast<size_t>(b)];
            const double start = target.m_start;
            target = source;
            target.m_start = start;
        }
    }
    Edited(allRows ? -1 : at.row);
}

void CNoteGrid::ClearRow(int row) {
    if (row < 0 || row >= GetRowCount())
        return;
    for (CBeatCell& beat : m_rows[static_cast<size_t>(row)].m_beats)
        beat.Clear();
    Edited(row);
}

void CNoteGrid::ClearBeat(int beat) {
    if (beat < 0 || beat >= m_beats)
        return;
    for (CNoteRow& row : m_rows)
        row.m_beats[static_cast<size_t>(beat)].Clear();
    Edited(-1);
}

CELL_REF CNoteGrid::FindNoteStart(const CELL_REF& at) const {
    if (!IsInside(at) || GetCell(at).IsEmpty())
        return CELL_REF();
    const std::vector<CELL_REF> cells = RowCells(at.row);
    size_t i = static_cast<size_t>(std::find(cells.begin(), cells.end(), at) - cells.begin());
    while (!GetCell(cells[i]).IsStart() && i > 0)
        --i;
    return GetCell(cells[i]).IsStart() ? cells[i] : CELL_REF();
}

bool CNoteGrid::ToggleNote(const CELL_REF& at, float volume) {
    if (!IsInside(at))
        return false;
    const CELL_REF start = FindNoteStart(at);
    if (start.IsValid()) {
        const std::vector<CELL_REF> cells = RowCells(at.row);
        size_t i =
            static_cast<size_t>(std::find(cells.begin(), cells.end(), start) - cells.begin());
        GetCell(cells[i]).Clear();
        for (++i; i < cells.size() &&
                  (GetCell(cells[i]).m_state == CELL_PASS || GetCell(cells[i]).m_state == CELL_END);
             ++i)
            GetCell(cells[i]).Clear();
        Edited(at.row);
        return false;
    }
    CNoteCell& cell = GetCell(at);
    cell.Clear();
    cell.m_state = CELL_SINGLE;
    cell.m_volume = std::clamp(volume, 0.05f, 1.0f);
    CNoteRow& row = m_rows[static_cast<size_t>(at.row)];
    if (row.m_byString) {
        // A new note on a string takes the fret of the nearest earlier note there.
        int fret = 0;
        for (const CELL_REF& other : RowCells(at.row)) {
            if (other == at)
                break;
            if (GetCell(other).IsStart())
                fret = GetCell(other).m_slot.fret;
        }
        cell.m_slot.string = row.m_identity;
        cell.m_slot.fret = fret;
    }
    Edited(at.row);
    return true;
}

bool CNoteGrid::StretchNote(const CELL_REF& start, const CELL_REF& to) {
    if (!IsInside(start) || !IsInside(to) || to.row != start.row || !GetCell(start).IsStart())
        return false;
    const std::vector<CELL_REF> cells = RowCells(start.row);
    const size_t first =
        static_cast<size_t>(std::find(cells.begin(), cells.end(), start) - cells.begin());
    size_t last = static_cast<size_t>(std::find(cells.begin(), cells.end(), to) - cells.begin());
    last = std::max(last, first);
    const CNoteCell model = GetCell(start);
    // Cut the note back to its first cell, then run it to the new end over whatever is there.
    for (size_t i = first + 1; i < cells.size() && (GetCell(cells[i]).m_state == CELL_PASS ||
                                                    GetCell(cells[i]).m_state == CELL_END);
         ++i)
        GetCell(cells[i]).Clear();
    for (size_t i = first; i <= last; ++i) {
        CNoteCell& cell = GetCell(cells[i]);
        const CELL_RECT rect = cell.m_rect;
        const int shownState = cell.m_shownState, shownFret = cell.m_shownFret;
        cell = model;
        cell.m_rect = rect;
        cell.m_shownState = shownState;
        cell.m_shownFret = shownFret;
        cell.m_state = first == last ? CELL_SINGLE
                       : i == first  ? CELL_START
                       : i == last   ? CELL_END
                                     : CELL_PASS;
    }
    Edited(start.row);
    return true;
}

template <typename F> static void ForNoteCells(CNoteGrid& grid, const CELL_REF& start, F f) {
    const std::vector<CELL_REF> cells = grid.RowCells(start.row);
    size_t i = static_cast<size_t>(std::find(cells.begin(), cells.end(), start) - cells.begin());
    f(grid.GetCell(cells[i]));
    for (++i; i < cells.size() && (grid.GetCell(cells[i]).m_state == CELL_PASS ||
                                   grid.GetCell(cells[i]).m_state == CELL_END);
         ++i)
        f(grid.GetCell(cells[i]));
}

bool CNoteGrid::SetNoteVolume(const CELL_REF& at, float volume) {
    const CELL_REF start = FindNoteStart(at);
    if (!start.IsValid())
        return false;
    volume = std::clamp(volume, 0.05f, 1.0f);
    ForNoteCells(*this, start, [volume](CNoteCell& cell) { cell.m_volume = volume; });
    m_changed = true;
    return true;
}

bool CNoteGrid::SetNoteFret(const CELL_REF& at, int fret) {
    const CELL_REF start = FindNoteStart(at);
    if (!start.IsValid() || !GetRow(at.row).m_byString)
        return false;
    fret = std::clamp(fret, 0, 24);
    ForNoteCells(*this, start, [fret](CNoteCell& cell) {
        cell.m_slot.fret = fret;
        cell.m_placed = false; // the user's choice is the note's own
    });
    m_changed = true;
    return true;
}

bool CNoteGrid::SetStaffMark(const CELL_REF& at, STAFF_MARK which, int value) {
    const CELL_REF start = FindNoteStart(at);
    // A string row or a drum has no accidentals: its pitch is its fret or its piece.
    if (!start.IsValid() ||
        (which == STAFF_ACCIDENTAL && (GetRow(at.row).m_byString || m_kind == GRID_DRUMS)))
        return false;
    ForNoteCells(*this, start, [which, value](CNoteCell& cell) {
        if (which == STAFF_ACCIDENTAL) {
            cell.m_accidental = value;
            // A string and fret carried for the old pitch no longer hold; the grids place it anew.
            cell.m_slot.Clear();
        } else if (which == STAFF_ARTICULATION) {
            // Accents and ghost notes are played so, which also keeps them in a saved groove.
            if (value == MARK_ACCENTED)
                cell.m_volume = kAccentVolume;
            else if (value == MARK_GHOST)
                cell.m_volume = kGhostVolume;
            else if (cell.m_articulation == MARK_ACCENTED || cell.m_articulation == MARK_GHOST)
                cell.m_volume = kNormalVolume;
            cell.m_articulation = value;
        } else {
            cell.m_durationStyle = value;
        }
    });
    m_changed = true;
    return true;
}

bool CNoteGrid::Fits(const SONG_HEADER& header, int measures) {
    if (header.beatUnit <= 0 || header.beatUnit > 16)
        return false;
    return static_cast<long long>(16 / header.beatUnit) * header.beatsPerMeasure * measures <=
           kMaxCells;
}

// ------------------------------------------------------------------------------- voicing

void CNoteGrid::SetVoicing(const CNoteList& voicing) {
    m_voicing = voicing;
    LayVoicing();
}

void CNoteGrid::LayVoicing() {
    const int strum = FindRowOfNote(STRUM_MARKER);
    if (strum < 0 || m_staff)
        return;
    for (int r = 0; r < GetRowCount(); ++r) {
        if (r == strum)
            continue;
        const std::vector<CELL_REF> cells = RowCells(r);
        for (const CELL_REF& at : cells) {
            CNoteCell& cell = GetCell(at);
            const CNoteCell& marker = GetCell({strum, at.beat, at.cell});
            cell.m_shownState = CELL_EMPTY;
            for (const CNote& note : m_voicing)
                if (note.HasPitch() &&
                    note.Position().string == m_rows[static_cast<size_t>(r)].m_identity) {
                    cell.m_shownState = marker.m_state;
                    cell.m_shownFret = note.Position().fret;
                }
        }
    }
}
