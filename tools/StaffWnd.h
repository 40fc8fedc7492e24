#pragma once

#include "tools/NoteGridWnd.h"

#include <vector>

// A track in standard notation, on the same cells as its grid: drums on a percussion staff
// (cymbals and hi-hats with x heads, hands stemmed up and feet down), the bass in the bass clef
// and the guitars in the treble clef an octave above their sound, as their music is written;
// the rhythm guitar's strums as slashes on the middle line. Notes are beamed by the beat, rests
// fill the gaps, ties carry a note over a beat. A click on a line or space puts a note there or
// takes it out; the right button over a note opens the "Note Staff" menu of its marks.
class CStaffWnd : public CNoteGridWnd {
    Q_OBJECT
public:
    CStaffWnd(GRID_KIND kind, QWidget* parent = nullptr);

    // Staff step of a row: 0 the bottom line, 8 the top line, one step a line or space.
    int RowStep(int row) const;
    // The y of a staff step, and the x of the head of a note starting in a cell.
    int StepY(int step) const;
    int HeadX(const CELL_REF& at) const;

    CELL_REF CellAt(int x, int y) const override;
    QSize sizeHint() const override { return QSize(560, 130); }

    // One printed note, chord or rest: its start and length in ticks (a beat is kTicks), the
    // rows it sounds, and how it is written.
    static constexpr int kTicks = 24;
    struct SYMBOL {
        int tick = 0, length = 0;
        std::vector<int> rows; // empty: a rest
        bool tied = false;     // tied to the next symbol
        bool triplet = false;
        bool dotted = false;
        int value = 4; // 1 whole, 2 half, 4 quarter, 8 eighth, 16 sixteenth, 32
        int voice = 0; // 0 up or single, 1 down (drum feet)
    };
    // The symbols of the whole track, voice by voice, in time order.
    std::vector<SYMBOL> Engrave() const;

protected:
    void Layout() override;
    void Draw(QPainter& painter) override;
    QMenu* MakeMenu(const CELL_REF& at) override;
    CELL_REF NoteCellAt(int x, int y) const override;
    bool OnCommand(int id, int code) override;

private:
    int TickOf(int beat, int cell, int count) const;
    int TickX(int tick) const;
    bool IsFoot(int row) const;
    void DrawSymbols(QPainter& painter, const std::vector<SYMBOL>& symbols);
    void DrawClef(QPainter& painter);

    int m_stepPx = 4;
    int m_bottomY = 0; // y of the bottom line
};

class CDrumStaffWnd : public CStaffWnd {
    Q_OBJECT
public:
    explicit CDrumStaffWnd(QWidget* parent = nullptr) : CStaffWnd(GRID_DRUMS, parent) {}
};

class CBassStaffWnd : public CStaffWnd {
    Q_OBJECT
public:
    explicit CBassStaffWnd(QWidget* parent = nullptr) : CStaffWnd(GRID_BASS, parent) {}
};

class CRhythmStaffWnd : public CStaffWnd {
    Q_OBJECT
public:
    explicit CRhythmStaffWnd(QWidget* parent = nullptr) : CStaffWnd(GRID_RHYTHM, parent) {}
};

class CLeadStaffWnd : public CStaffWnd {
    Q_OBJECT
public:
    explicit CLeadStaffWnd(QWidget* parent = nullptr) : CStaffWnd(GRID_LEAD, parent) {}
};
