#pragma once

#include "song/NoteGrid.h"
#include "ui/BaseWindow.h"

#include <QPoint>

class QMenu;
class CNoteManager;

// One band instrument's track as an editable grid: a row per drum piece or string, ruled in
// measures, beats and sub-cells, each note a bar that shows where it starts, how long it lasts
// and how loud it is. A click puts a note in or takes it out, dragging sets its length, the wheel
// on a note changes its volume (with Ctrl, on a string, its fret). The right button opens the
// "Note Grid" menu for the cell under the mouse.
class CNoteGridWnd : public CBaseWindow {
    Q_OBJECT
public:
    enum COMMAND : int {
        kCmdSetTriplets = 1442,
        kCmdRemoveTriplets = 1444,
        kCmdAddMeasure = 1461,
        kCmdDeleteLastMeasure = 1460,
        kCmdRepeatBeatRow = 1533,
        kCmdRepeatBeatAll = 1534,
        kCmdClearRow = 1536,
        kCmdClearBeat = 1538,
        kCmdSharp = 1232,
        kCmdFlat = 1234,
        kCmdNatural = 1235,
        kCmdNoAccidental = 1258,
        kCmdAccented = 1247,
        kCmdGhost = 1249,
        kCmdMuted = 1250,
        kCmdNormal = 1252,
        kCmdStaccato = 1253,
        kCmdLegato = 1254,
    };
    static constexpr float kNewNoteVolume = 0.8f;

    CNoteGridWnd(GRID_KIND kind, bool staff, QWidget* parent = nullptr);

    // Shows a track of a groove with the groove's timing; false with the grid's error when a
    // note has no row (the note is kept all the same).
    bool SetNotes(const SONG_HEADER& header, const CNoteList& notes, THING instrument);
    bool GetNotes(CNoteList& notes) const { return m_grid.GetNotes(notes); }
    CNoteGrid& GetGrid() { return m_grid; }
    const CNoteGrid& GetGrid() const { return m_grid; }
    bool IsChanged() const { return m_grid.IsChanged(); }
    void ClearChanged() { m_grid.SetChanged(false); }

    // The cell under a point of the window, and a cell's rectangle (laid out for the current
    // size).
    virtual CELL_REF CellAt(int x, int y) const;
    QRect CellRect(const CELL_REF& at) const;
    // Paints the whole view into any device (tests and benchmarks render to an image).
    void Render(QPainter& painter);
    // The cell the context menus act on.
    void SetMenuCell(const CELL_REF& at) { m_menuCell = at; }

    bool OnCommand(int id, int code) override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return QSize(240, 80); }

signals:
    // Any edit of the notes.
    void Changed();
    // "Add measure to the end" and "Delete last measure": the groove's owner carries them out.
    void MeasureCommand(int id);

protected:
    bool OnPaint(QPainter& painter) override;
    bool OnButtonDown(Qt::MouseButton button, int x, int y) override;
    bool OnMouseMove(Qt::MouseButtons buttons, int x, int y) override;
    bool OnButtonUp(Qt::MouseButton button, int x, int y) override;
    bool OnMouseWheel(Qt::MouseButtons buttons, int delta, int x, int y) override;
    bool OnSizeChanged(int width, int height) override;

    // Sets every cell's rectangle for the current size.
    virtual void Layout();
    virtual void Draw(QPainter& painter);
    // The context menu for a cell: the "Note Grid" menu here.
    virtual QMenu* MakeMenu(const CELL_REF& at);
    QMenu* MakeGridMenu();
    // Clicks on a cell: puts a note in or takes it out. Staffs choose the row themselves.
    virtual CELL_REF NoteCellAt(int x, int y) const { return CellAt(x, y); }
    void Edited();
    // The rhythm grid shows the C chord its strums play.
    void MakeVoicing();

    // Where beats lie across the window: the left edge of beat b and the beats' width.
    int BeatLeft(int beat) const { return m_left + static_cast<int>(beat * m_beatWidth); }
    // Gives row r's cells their rectangles: each beat's width shared among its sub-cells.
    void LayRowCells(int r, int top, int height);
    int m_left = 0; // first beat's left edge
    double m_beatWidth = 0;
    int m_top = 0; // first row's top
    int m_rowHeight = 0;
    bool m_laidOut = false;

    CNoteGrid m_grid;
    CELL_REF m_menuCell;
    CELL_REF m_pressCell; // where the left button went down
    CELL_REF m_dragStart; // the note being lengthened
    bool m_pressOnNote = false;
    bool m_dragged = false;
};

class CDrumGridWnd : public CNoteGridWnd {
    Q_OBJECT
public:
    explicit CDrumGridWnd(QWidget* parent = nullptr) : CNoteGridWnd(GRID_DRUMS, false, parent) {}
};

class CBassGridWnd : public CNoteGridWnd {
    Q_OBJECT
public:
    explicit CBassGridWnd(QWidget* parent = nullptr) : CNoteGridWnd(GRID_BASS, false, parent) {}
};

class CRhythmGridWnd : public CNoteGridWnd {
    Q_OBJECT
public:
    explicit CRhythmGridWnd(QWidget* parent = nullptr) : CNoteGridWnd(GRID_RHYTHM, false, parent) {}
};

class CLeadGridWnd : public CNoteGridWnd {
    Q_OBJECT
public:
    explicit CLeadGridWnd(QWidget* parent = nullptr) : CNoteGridWnd(GRID_LEAD, false, parent) {}
};
