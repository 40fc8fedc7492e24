#include "content/grooves/GrooveSource.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

// The MIDI base the composer reads each pitched part against: C with root 36 for the bass, 48
// for the lead. The strum marker says when to strum, not what.
constexpr int BASS_BASE = 36;
constexpr int LEAD_BASE = 48;
constexpr int STRUM_MARKER = 254;

constexpr float VOLUME_NORMAL = 0.8f;
constexpr float VOLUME_ACCENT = 1.0f;
constexpr float VOLUME_SOFT = 0.55f;
constexpr float VOLUME_GHOST = 0.4f;

struct DRUM_ROW {
    const char* name;
    THING piece;
    int key; // the General MIDI key the piece is written as
};

// Only pieces with a drum key can be written to a MIDI file.
const DRUM_ROW DRUM_ROWS[] = {
    {"kick", THING_BASS_DRUM_1, 36},
    {"kick2", THING_BASS_DRUM_2, 35},
    {"snare", THING_SNARE_DRUM, 38},
    {"hihat", THING_HIHAT_CLOSED, 42},
    {"open", THING_HIHAT_OPEN, 46},
    {"foot", THING_HIHAT_FOOT, 44},
    {"tom1", THING_TOM_1, 41},
    {"tom2", THING_TOM_2, 43},
    {"tom3", THING_TOM_3, 45},
    {"tom4", THING_TOM_4, 47},
    {"tom5", THING_TOM_5, 48},
    {"tom6", THING_TOM_6, 50},
    {"ride", THING_RIDE_CYMBAL, 51},
    {"bell", THING_RIDE_CYMBAL_BELL, 53},
    {"crash", THING_CRASH_CYMBAL_1, 49},
    {"crash2", THING_CRASH_CYMBAL_2, 57},
    {"splash", THING_SPLASH_CYMBAL_1, 55},
    {"china", THING_CHINESE_CYMBAL_1, 52},
};

const DRUM_ROW* FindDrumRow(const std::string& name) {
    for (const DRUM_ROW& row : DRUM_ROWS)
        if (name == row.name)
            return &row;
    return nullptr;
}

std::string Trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> Tokens(const std::string& text) {
    std::vector<std::string> tokens;
    std::istringstream in(text);
    std::string token;
    while (in >> token)
        tokens.push_back(token);
    return tokens;
}

} // namespace

int CGrooveSource::DegreePitch(const char* token, int base) {
    static const int SEMITONES[7] = {0, 2, 4, 5, 7, 9, 11};
    const char* p = token;
    int shift = 0;
    if (*p == 'b') {
        shift = -1;
        ++p;
    } else if (*p == '#') {
        shift = 1;
        ++p;
    }
    if (*p < '1' || *p > '9')
        return -1;
    int degree = *p++ - '1';
    int pitch = base + SEMITONES[degree % 7] + 12 * (degree / 7) + shift;
    for (; *p != 0; ++p) {
        if (*p == '\'')
            pitch += 12;
        else if (*p == ',')
            pitch -= 12;
        else
            return -1;
    }
    return pitch >= 0 && pitch <= 127 ? pitch : -1;
}

bool CGrooveSource::Fail(const char* format, ...) {
    CCharString what;
    va_list args;
    va_start(args, format);
    what.FormatV(format, args);
    va_end(args);
    if (m_line > 0)
        m_error.Format("%s:%d: %s", m_file.GetText(), m_line, what.GetText());
    else
        m_error.Format("%s: %s", m_file.GetText(), what.GetText());
    return false;
}

bool CGrooveSource::Load(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        m_file.Set(path);
        m_line = 0;
        return Fail("can't open the groove source");
    }
    std::ostringstream text;
    text << in.rdbuf();
    return Parse(text.str().c_str(), path);
}

bool CGrooveSource::Parse(const char* text, const char* file) {
    *this = CGrooveSource();
    m_file.Set(file);
    m_drums.instrument = THING_DRUM_SET;
    m_bass.instrument = THING_BASS_GUITAR;
    m_rhythm.instrument = THING_RHYTHM_GUITAR;
    m_lead.instrument = THING_LEAD_GUITAR;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        ++m_line;
        if (!ParseLine(line))
            return false;
    }
    m_line = 0;
    return Finish();
}

bool CGrooveSource::ParseLine(const std::string& raw) {
    std::string line = Trimmed(raw);
    if (line.empty() || line[0] == '#')
        return true;
    size_t bar = line.find('|');
    if (bar == std::string::npos) {
        size_t space = line.find_first_of(" \t");
        if (space == std::string::npos)
            return Fail("'%s' needs a value", line.c_str());
        return ParseSetting(line.substr(0, space), Trimmed(line.substr(space)));
    }
    return ParseRow(Trimmed(line.substr(0, bar)), line.substr(bar));
}

bool CGrooveSource::ParseSetting(const std::string& key, const std::string& value) {
    if (m_rowsStarted)
        return Fail("setting '%s' must come before the first part", key.c_str());
    char* end = nullptr;
    if (key == "time") {
        long beats = std::strtol(value.c_str(), &end, 10);
        if (end == value.c_str() || *end != '/')
            return Fail("time signature '%s' must look like 4/4", value.c_str());
        const char* unitText = end + 1;
        long unit = std::strtol(unitText, &end, 10);
        if (end == unitText || *end != 0)
            return Fail("time signature '%s' must look like 4/4", value.c_str());
        if (beats < 2 || beats > 12)
            return Fail("a measure must have 2 to 12 beats, not %ld", beats);
        if (unit != 2 && unit != 4 && unit != 8 && unit != 16)
            return Fail("beat unit must be 2, 4, 8 or 16, not %ld", unit);
        m_beatsPerMeasure = static_cast<int>(beats);
        m_beatUnit = static_cast<int>(unit);
        return true;
    }
    if (key == "steps") {
        long steps = std::strtol(value.c_str(), &end, 10);
        if (end == value.c_str() || *end != 0 || steps < 1 || steps > 8)
            return Fail("steps per beat must be a number from 1 to 8, not '%s'", value.c_str());
        m_steps = static_cast<int>(steps);
        return true;
    }
    if (key == "tempo") {
        double tempo = std::strtod(value.c_str(), &end);
        if (end == value.c_str() || *end != 0 || tempo < 20.0 || tempo > 400.0)
            return Fail("tempo must be 20 to 400 beats per minute, not '%s'", value.c_str());
        m_tempo = tempo;
        return true;
    }
    return Fail("unknown setting '%s' (known: time, steps, tempo)", key.c_str());
}

GROOVE_PART* CGrooveSource::PartOfRow(const std::string& name, THING& piece, bool& hihat) {
    piece = THING_NONE;
    hihat = false;
    if (name == "bass")
        return &m_bass;
    if (name == "rhythm")
        return &m_rhythm;
    if (name == "lead")
        return &m_lead;
    if (const DRUM_ROW* row = FindDrumRow(name)) {
        piece = row->piece;
        hihat = row->piece == THING_HIHAT_CLOSED;
        return &m_drums;
    }
    return nullptr;
}

bool CGrooveSource::ParseRow(const std::string& name, const std::string& cells) {
    m_rowsStarted = true;
    THING piece;
    bool hihat;
    GROOVE_PART* part = PartOfRow(name, piece, hihat);
    if (part == nullptr)
        return Fail("unknown part '%s' (bass, rhythm, lead or a drum piece such as kick, "
                    "snare, hihat)",
                    name.c_str());
    if (cells.size() < 2 || cells.back() != '|')
        return Fail("row '%s' must end with '|'", name.c_str());

    // The measure count so far of this row's part (drum rows count per piece).
    int* measures = &part->measures;
    if (part == &m_drums) {
        measures = nullptr;
        for (PIECE_ROWS& entry : m_pieceMeasures)
            if (entry.piece == piece) {
                measures = &entry.measures;
                entry.lastLine = m_line;
            }
        if (measures == nullptr) {
            m_pieceMeasures.push_back({piece, 0, m_line});
            measures = &m_pieceMeasures.back().measures;
        }
    }
    // A row continues its part where the part's previous row stopped, so a tie may only
    // continue a note of this row.
    m_open = nullptr;
    size_t start = 1;
    while (start < cells.size()) {
        size_t next = cells.find('|', start);
        std::string measure = cells.substr(start, next - start);
        m_measure = *measures;
        bool ok = part == &m_drums ? ParseDrumMeasure(measure, piece, hihat)
                  : part == &m_rhythm
                      ? ParseStrumMeasure(measure)
                      : ParsePitchMeasure(measure, *part, part == &m_bass ? BASS_BASE : LEAD_BASE,
                                          part->instrument);
        if (!ok)
            return false;
        ++*measures;
        start = next + 1;
    }
    part->measures = std::max(part->measures, *measures);
    part->lastLine = m_line;
    return true;
}

// A grid measure's cells are its characters without blanks.
std::string CGrooveSource::CompactCells(const std::string& text) {
    std::string cells;
    for (char c : text)
        if (c != ' ' && c != '\t')
            cells += c;
    return cells;
}

bool CGrooveSource::CheckCellCount(int count) {
    if (count == CellsPerMeasure())
        return true;
    return Fail("measure %d has %d cells; %d beats x %d steps need %d", m_measure + 1, count,
                m_beatsPerMeasure, m_steps, CellsPerMeasure());
}

bool CGrooveSource::ParseDrumMeasure(const std::string& text, THING piece, bool hihat) {
    const std::string cells = CompactCells(text);
    if (!CheckCellCount(static_cast<int>(cells.size())))
        return false;
    for (int i = 0; i < CellsPerMeasure(); ++i) {
        char c = cells[i];
        if (c == '.')
            continue;
        GROOVE_NOTE note;
        note.beat = m_measure * m_beatsPerMeasure + static_cast<double>(i) / m_steps;
        note.length = 1.0 / m_steps;
        note.thing = piece;
        if (c == 'x')
            note.volume = 0.75f;
        else if (c == 'X')
            note.volume = VOLUME_ACCENT;
        else if (c == 'g')
            note.volume = VOLUME_GHOST;
        else if (hihat && (c == 'o' || c == 'O')) {
            note.thing = THING_HIHAT_OPEN;
            note.volume = c == 'O' ? VOLUME_ACCENT : 0.75f;
        } else
            return Fail("bad drum cell '%c' in measure %d (use x, X, g, '.'%s)", c, m_measure + 1,
                        hihat ? ", o or O for the open hi-hat" : "");
        for (const DRUM_ROW& row : DRUM_ROWS)
            if (row.piece == note.thing)
                note.midi = row.key;
        m_drums.notes.push_back(note);
    }
    return true;
}

bool CGrooveSource::ParsePitchMeasure(const std::string& text, GROOVE_PART& part, int base,
                                      THING thing) {
    std::vector<std::string> tokens = Tokens(text);
    if (!CheckCellCount(static_cast<int>(tokens.size())))
        return false;
    for (int i = 0; i < CellsPerMeasure(); ++i) {
        std::string token = tokens[i];
        if (token == ".") {
            m_open = nullptr;
            continue;
        }
        if (token == "-") {
            if (m_open == nullptr)
                return Fail("'-' in measure %d, cell %d continues no note", m_measure + 1, i + 1);
            m_open->length += 1.0 / m_steps;
            continue;
        }
        GROOVE_NOTE note;
        note.volume = VOLUME_NORMAL;
        if (token.back() == '!') {
            note.volume = VOLUME_ACCENT;
            token.pop_back();
        } else if (token.back() == '?') {
            note.volume = VOLUME_SOFT;
            token.pop_back();
        }
        note.midi = DegreePitch(token.c_str(), base);
        if (note.midi < 0)
            return Fail("bad degree '%s' in measure %d, cell %d (write 1 to 9 with an optional "
                        "b or # before and ' or , after)",
                        tokens[i].c_str(), m_measure + 1, i + 1);
        note.beat = m_measure * m_beatsPerMeasure + static_cast<double>(i) / m_steps;
        note.length = 1.0 / m_steps;
        note.thing = thing;
        part.notes.push_back(note);
        m_open = &part.notes.back();
    }
    return true;
}

bool CGrooveSource::ParseStrumMeasure(const std::string& text) {
    const std::string cells = CompactCells(text);
    if (!CheckCellCount(static_cast<int>(cells.size())))
        return false;
    for (int i = 0; i < CellsPerMeasure(); ++i) {
        char c = cells[i];
        if (c == '.') {
            m_open = nullptr;
            continue;
        }
        if (c == '-') {
            if (m_open == nullptr)
                return Fail("'-' in measure %d, cell %d continues no strum", m_measure + 1, i + 1);
            m_open->length += 1.0 / m_steps;
            continue;
        }
        bool up = c == 'U' || c == 'u';
        if (!up && c != 'D' && c != 'd')
            return Fail("bad strum cell '%c' in measure %d (use D, U, d, u, '-' or '.')", c,
                        m_measure + 1);
        GROOVE_NOTE note;
        note.beat = m_measure * m_beatsPerMeasure + static_cast<double>(i) / m_steps;
        note.length = 1.0 / m_steps;
        note.midi = STRUM_MARKER;
        note.thing = THING_RHYTHM_GUITAR;
        note.volume = (c == 'd' || c == 'u') ? VOLUME_SOFT : VOLUME_NORMAL;
        // The player strums down unless the previous strum was less than a beat before, and
        // then against its direction; the written direction must say what will be played.
        bool expectUp = false;
        if (!m_rhythm.notes.empty()) {
            if (note.beat - m_rhythm.notes.back().beat < 1.0 - 1e-9)
                expectUp = !m_strumUp.back();
        }
        if (up != expectUp)
            return Fail("strum '%c' in measure %d, cell %d is played %s (a strum less than a beat "
                        "after the previous one goes against it, any other goes down)",
                        c, m_measure + 1, i + 1, expectUp ? "up: write U" : "down: write D");
        m_rhythm.notes.push_back(note);
        m_strumUp.push_back(up);
        m_strumLine.push_back(m_line);
        m_open = &m_rhythm.notes.back();
    }
    return true;
}

bool CGrooveSource::Finish() {
    int measures =
        std::max({m_drums.measures, m_bass.measures, m_rhythm.measures, m_lead.measures});
    for (const PIECE_ROWS& entry : m_pieceMeasures)
        measures = std::max(measures, entry.measures);
    if (m_drums.notes.empty())
        return Fail("the groove has no drum hits");
    if (m_bass.measures == 0)
        return Fail("the groove has no bass part");
    if (m_rhythm.measures == 0)
        return Fail("the groove has no rhythm part");
    const GROOVE_PART* parts[] = {&m_bass, &m_rhythm, &m_lead};
    for (const GROOVE_PART* part : parts) {
        if (part->measures != 0 && part->measures != measures) {
            m_line = part->lastLine;
            return Fail("this part has %d measures, the groove %d", part->measures, measures);
        }
    }
    for (const PIECE_ROWS& entry : m_pieceMeasures) {
        if (entry.measures != measures) {
            m_line = entry.lastLine;
            return Fail("this drum piece has %d measures, the groove %d", entry.measures, measures);
        }
    }
    // Every chord plays the groove again right after the last one, so the first strum of a
    // repetition follows the groove's last strum: it must come out as written there too.
    if (!m_rhythm.notes.empty()) {
        double length = static_cast<double>(measures) * m_beatsPerMeasure;
        double gap = m_rhythm.notes.front().beat + length - m_rhythm.notes.back().beat;
        bool repeatUp = gap < 1.0 - 1e-9 && !m_strumUp.back();
        if (repeatUp) {
            m_line = m_strumLine.front();
            return Fail("the first strum is played up when the groove repeats, since the last "
                        "strum is less than a beat before it; it must be played down as the "
                        "groove starts: leave a beat before the groove's end or end on a down "
                        "strum");
        }
    }
    m_drums.measures = measures;
    return true;
}
