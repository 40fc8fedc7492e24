#pragma once

#include "core/CharString.h"
#include "theory/Thing.h"

#include <string>
#include <vector>

// A groove as written in its text source (see README.md beside this file): one measure grid
// per part, in C. Parsing checks everything the groove library relies on, so that a broken
// source stops the build at the line that is wrong instead of producing a bad groove.
struct GROOVE_NOTE {
    double beat = 0.0;   // start, in beats from the groove's start
    double length = 0.0; // in beats
    int midi = 255;      // drum key, pitch, or the strum marker 254
    THING thing = THING_NONE;
    float volume = 0.8f;
};

struct GROOVE_PART {
    THING instrument = THING_NONE; // drum set, bass, rhythm or lead guitar
    int measures = 0;
    int lastLine = 0;
    std::vector<GROOVE_NOTE> notes;
};

class CGrooveSource {
public:
    // Reads the source; file names the source in error texts ("file:line: what is wrong").
    bool Parse(const char* text, const char* file);
    bool Load(const char* path);

    const CCharString& GetErrorText() const { return m_error; }
    int GetBeatsPerMeasure() const { return m_beatsPerMeasure; }
    int GetBeatUnit() const { return m_beatUnit; }
    int GetSteps() const { return m_steps; }
    double GetTempo() const { return m_tempo; }
    int GetMeasures() const { return m_drums.measures; }
    const GROOVE_PART& GetDrums() const { return m_drums; }
    const GROOVE_PART& GetBass() const { return m_bass; }
    const GROOVE_PART& GetRhythm() const { return m_rhythm; }
    const GROOVE_PART& GetLead() const { return m_lead; }

    // The MIDI pitch of a written degree such as "1", "b7", "#4", "5'" or "3," over base, or
    // -1 when the token is not a degree.
    static int DegreePitch(const char* token, int base);

private:
    bool ParseLine(const std::string& line);
    bool ParseSetting(const std::string& key, const std::string& value);
    bool ParseRow(const std::string& name, const std::string& cells);
    bool ParseDrumMeasure(const std::string& cells, THING piece, bool hihat);
    bool ParsePitchMeasure(const std::string& cells, GROOVE_PART& part, int base, THING thing);
    bool ParseStrumMeasure(const std::string& cells);
    bool Finish();
    bool Fail(const char* format, ...) MA_PRINTF(2, 3);
    int CellsPerMeasure() const { return m_beatsPerMeasure * m_steps; }
    static std::string CompactCells(const std::string& text);
    // Fails with the measure's cell count when it does not fill the measure.
    bool CheckCellCount(int count);
    GROOVE_PART* PartOfRow(const std::string& name, THING& piece, bool& hihat);

    CCharString m_error;
    CCharString m_file;
    int m_line = 0;
    int m_beatsPerMeasure = 4;
    int m_beatUnit = 4;
    int m_steps = 2;
    double m_tempo = 120.0;
    bool m_rowsStarted = false;
    // Drum rows are written one piece per row; each piece keeps its own measure count.
    struct PIECE_ROWS {
        THING piece;
        int measures;
        int lastLine;
    };
    std::vector<PIECE_ROWS> m_pieceMeasures;
    std::vector<bool> m_strumUp; // the written direction of each strum
    std::vector<int> m_strumLine;
    int m_measure = 0; // measure of the row being read, from 0
    GROOVE_PART m_drums, m_bass, m_rhythm, m_lead;
    // A tie ('-') continues the note before it, also across a bar line of the same row.
    GROOVE_NOTE* m_open = nullptr;
};
