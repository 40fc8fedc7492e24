#include "tools/NoteGridWnd.h"

#include "theory/Chord.h"
#include "theory/NoteManager.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kLabelWidth = 78;
constexpr int kHeaderHeight = 18;
constexpr int kMinRowHeight = 11;
constexpr int kMaxRowHeight = 22;

const QColor kBarColours[4] = {QColor(30, 60, 150), QColor(20, 110, 60), QColor(150, 80, 20),
                               QColor(120, 40, 140)};

struct MENU_ITEM {
    const char* text;
    int id;
};
const MENU_ITEM kGridMenu[] = {
    {"Set triplets", CNoteGridWnd::kCmdSetTriplets},
    {"Remove triplets", CNoteGridWnd::kCmdRemoveTriplets},
    {"Add measure to the end", CNoteGridWnd::kCmdAddMeasure},
    {"Delete last measure", CNoteGridWnd::kCmdDeleteLastMeasure},
    {"Repeat beat to the end (this row only)", CNoteGridWnd::kCmdRepeatBeatRow},
    {"Repeat beat to the end (all rows)", CNoteGridWnd::kCmdRepeatBeatAll},
    {"Clear this row (all beats)", CNoteGridWnd::kCmdClearRow},
    {"Clear this beat (all rows)", CNoteGridWnd::kCmdClearBeat},
};

} // namespace

CNoteGridWnd::CNoteGridWnd(GRID_KIND kind, bool staff, QWidget* parent)
    : CBaseWindow(kKindNone, parent) {
    m_grid.Init(kind, staff, SONG_HEADER());
    setMouseTracking(false);
    setFocusPolicy(Qt::ClickFocus);
    MakeVoicing();
}

QSize CNoteGridWnd::sizeHint() const {
    return QSize(560, kHeaderHeight + m_grid.GetRowCount() * 14 + 4);
}

bool CNoteGridWnd::SetNotes(const SONG_HEADER& header, const CNoteList& notes, THING instrument) {
    m_grid.Init(m_grid.GetKind(), m_grid.IsStaff(), header, instrument);
    MakeVoicing();
    const bool ok = m_grid.SetNotes(notes);
    m_laidOut = false;
    updateGeometry();
    update();
    return ok;
}

void CNoteGridWnd::MakeVoicing() {
    if (m_grid.GetKind() != GRID_RHYTHM || m_grid.IsStaff())
        return;
    // The groove is written in C: its strums sound the C chord the composer would voice.
    static const CNoteList voicing = [] {
        CNoteManager manager;
        CChord chord;
        chord.m_thing = THING_RHYTHM_GUITAR;
        if (!manager.Initialize() ||
            (!manager.SetChordOnRoot(1, 36, chord) && !manager.SetChordOnRoot(1, 48, chord)))
            return CNoteList();
        return chord.m_notes;
    }();
    m_grid.SetVoicing(voicing);
}

void CNoteGridWnd::Edited() {
    update();
    emit Changed();
}

// ------------------------------------------------------------------------------- layout

bool CNoteGridWnd::OnSizeChanged(int, int) {
    m_laidOut = false;
    return false;
}

void CNoteGridWnd::Layout() {
    m_left = kLabelWidth;
    m_top = kHeaderHeight;
    const int beats = std::max(1, m_grid.GetBeatCount());
    m_beatWidth = std::max(8.0, (width() - m_left - 4) / static_cast<double>(beats));
    const int rows = std::max(1, m_grid.GetRowCount());
    m_rowHeight = std::clamp((height() - m_top - 2) / rows, kMinRowHeight, kMaxRowHeight);
    for (int r = 0; r < m_grid.GetRowCount(); ++r)
        LayRowCells(r, m_top + r * m_rowHeight, m_rowHeight);
    m_laidOut = true;
}

void CNoteGridWnd::LayRowCells(int r, int top, int height) {
    CNoteRow& row = m_grid.GetRow(r);
    for (int b = 0; b < m_grid.GetBeatCount(); ++b) {
        CBeatCell& beat = row.m_beats[static_cast<size_t>(b)];
        const int left = BeatLeft(b), right = BeatLeft(b + 1);
        for (int c = 0; c < beat.GetCount(); ++c) {
            CELL_RECT& rect = beat.m_cells[static_cast<size_t>(c)].m_rect;
            rect.left = left + (right - left) * c / beat.GetCount();
            rect.right = left + (right - left) * (c + 1) / beat.GetCount();
            rect.top = top;
            rect.bottom = top + height;
        }
    }
}

CELL_REF CNoteGridWnd::CellAt(int x, int y) const {
    if (!m_laidOut)
        const_cast<CNoteGridWnd*>(this)->Layout();
    if (x < m_left || y < m_top || m_rowHeight <= 0)
        return CELL_REF();
    const int row = (y - m_top) / m_rowHeight;
    const int beat = static_cast<int>((x - m_left) / m_beatWidth);
    if (row >= m_grid.GetRowCount() || beat >= m_grid.GetBeatCount())
        return CELL_REF();
    const CBeatCell& cells = m_grid.GetRow(row).m_beats[static_cast<size_t>(beat)];
    for (int c = 0; c < cells.GetCount(); ++c)
        if (x < cells.m_cells[static_cast<size_t>(c)].m_rect.right)
            return {row, beat, c};
    return {row, beat, cells.GetCount() - 1};
}

QRect CNoteGridWnd::CellRect(const CELL_REF& at) const {
    if (!m_laidOut)
        const_cast<CNoteGridWnd*>(this)->Layout();
    if (!m_grid.IsInside(at))
        return QRect();
    const CELL_RECT& r = m_grid.GetCell(at).m_rect;
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

// ------------------------------------------------------------------------------- drawing

bool CNoteGridWnd::OnPaint(QPainter& painter) {
    Render(painter);
    return true;
}

void CNoteGridWnd::Render(QPainter& painter) {
    if (!m_laidOut)
        Layout();
    Draw(painter);
}

void CNoteGridWnd::Draw(QPainter& painter) {
    const QColor bar = kBarColours[m_grid.GetKind()];
    const int rows = m_grid.GetRowCount();
    const int bottom = m_top + rows * m_rowHeight;
    const int right = BeatLeft(m_grid.GetBeatCount());
    const int perMeasure = m_grid.GetHeader().beatsPerMeasure;
    painter.fillRect(rect(), QColor(250, 250, 247));
    painter.fillRect(QRect(0, m_top, m_left, bottom - m_top), QColor(232, 232, 228));

    QFont font = painter.font();
    font.setPixelSize(std::clamp(m_rowHeight - 3, 9, 13));
    painter.setFont(font);
    // Rows: labelled, every other one shaded so a row can be followed across.
    for (int r = 0; r < rows; ++r) {
        const int top = m_top + r * m_rowHeight;
        if (r % 2 == 1)
            painter.fillRect(QRect(m_left, top, right - m_left, m_rowHeight),
                             QColor(238, 240, 244));
        const CNoteRow& row = m_grid.GetRow(r);
        QString label = row.m_name.GetText();
        if (row.m_byString)
            label = QString("%1  %2").arg(row.m_identity).arg(label);
        painter.setPen(QColor(40, 40, 40));
        painter.drawText(QRect(4, top, m_left - 8, m_rowHeight), Qt::AlignVCenter | Qt::AlignLeft,
                         label);
    }
    // Sub-cells, beats and measures, ruled from thin to thick; the header counts them.
    for (int b = 0; b < m_grid.GetBeatCount(); ++b) {
        for (int r = 0; r < rows; ++r) {
            const CBeatCell& beat = m_grid.GetRow(r).m_beats[static_cast<size_t>(b)];
            painter.setPen(QColor(222, 222, 222));
            for (int c = 1; c < beat.GetCount(); ++c) {
                const int x = beat.m_cells[static_cast<size_t>(c)].m_rect.left;
                painter.drawLine(x, m_top + r * m_rowHeight, x, m_top + (r + 1) * m_rowHeight);
            }
        }
        const bool measure = b % perMeasure == 0;
        painter.setPen(QPen(measure ? QColor(60, 60, 60) : QColor(170, 170, 170), measure ? 2 : 1));
        painter.drawLine(BeatLeft(b), measure ? 2 : m_top, BeatLeft(b), bottom);
        painter.setPen(QColor(80, 80, 80));
        const QString number =
            measure ? QString("%1").arg(b / perMeasure + 1) : QString("%1").arg(b % perMeasure + 1);
        QFont header = font;
        header.setBold(measure);
        painter.setFont(header);
        painter.drawText(QRect(BeatLeft(b) + 3, 0, 30, m_top), Qt::AlignVCenter, number);
        painter.setFont(font);
        // Triplet beats say so in the header.
        for (int r = 0; r < rows; ++r)
            if (m_grid.GetRow(r).m_beats[static_cast<size_t>(b)].GetCount() == 3) {
                painter.setPen(QColor(150, 110, 30));
                painter.drawText(QRect(BeatLeft(b) + 18, 0, 40, m_top), Qt::AlignVCenter, "3");
                break;
            }
    }
    painter.setPen(QPen(QColor(60, 60, 60), 2));
    painter.drawLine(right, 2, right, bottom);
    painter.setPen(QColor(170, 170, 170));
    for (int r = 0; r <= rows; ++r)
        painter.drawLine(m_left, m_top + r * m_rowHeight, right, m_top + r * m_rowHeight);

    // The chord a strum plays, faint on the string rows.
    for (int r = 0; r < rows; ++r)
        for (const CELL_REF& at : m_grid.RowCells(r)) {
            const CNoteCell& cell = m_grid.GetCell(at);
            if (cell.m_shownState != CELL_EMPTY && cell.IsEmpty()) {
                const bool start =
                    cell.m_shownState == CELL_START || cell.m_shownState == CELL_SINGLE;
                QRect box(cell.m_rect.left, cell.m_rect.top + m_rowHeight / 3,
                          cell.m_rect.right - cell.m_rect.left, m_rowHeight / 3);
                painter.fillRect(box, QColor(225, 205, 180));
                if (start) {
                    painter.setPen(QColor(140, 110, 80));
                    painter.drawText(QRect(cell.m_rect.left + 1, cell.m_rect.top, 24, m_rowHeight),
                                     Qt::AlignVCenter, QString::number(cell.m_shownFret));
                }
            }
        }

    // Notes: a bar from the start of the first cell to the end of the last, as tall and as dark
    // as the note is loud, with a strong edge where it starts.
    const double beatTime = m_grid.GetBeatLength();
    bool havePrevious = false, previousUp = false;
    double previousTime = 0.0;
    for (int r = 0; r < rows; ++r) {
        const CNoteRow& row = m_grid.GetRow(r);
        const std::vector<CELL_REF> cells = m_grid.RowCells(r);
        for (size_t i = 0; i < cells.size(); ++i) {
            const CNoteCell& first = m_grid.GetCell(cells[i]);
            if (!first.IsStart())
                continue;
            size_t j = i;
            while (m_grid.GetCell(cells[j]).m_state != CELL_SINGLE &&
                   m_grid.GetCell(cells[j]).m_state != CELL_END && j + 1 < cells.size() &&
                   !m_grid.GetCell(cells[j + 1]).IsStart() &&
                   !m_grid.GetCell(cells[j + 1]).IsEmpty())
                ++j;
            const CELL_RECT& a = first.m_rect;
            const CELL_RECT& z = m_grid.GetCell(cells[j]).m_rect;
            const float volume = std::clamp(first.m_volume, 0.0f, 1.0f);
            const int h = std::max(4, static_cast<int>(m_rowHeight * (0.35 + 0.55 * volume)));
            const QRect box(a.left + 1, a.top + (m_rowHeight - h) / 2, z.right - a.left - 2, h);
            QColor fill = bar;
            fill.setAlphaF(0.35 + 0.65 * volume);
            painter.fillRect(box, fill);
            painter.fillRect(QRect(box.left(), box.top(), 3, box.height()), bar.darker(160));
            QString text;
            if (row.m_byString)
                text = QString::number(first.m_slot.fret);
            else if (row.GetBase() == STRUM_MARKER) {
                // The direction the guitarist will play: against the previous strum when it
                // was less than a beat before, else down.
                const double time =
                    row.m_beats[static_cast<size_t>(cells[i].beat)].GetCellTime(cells[i].cell);
                const bool up =
                    havePrevious && time - previousTime < beatTime - 1e-9 && !previousUp;
                havePrevious = true;
                previousUp = up;
                previousTime = time;
                text = up ? "U" : "D";
            }
            if (!text.isEmpty() && box.width() > 8) {
                painter.setPen(Qt::white);
                painter.drawText(box.adjusted(4, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
            }
            i = j;
        }
    }
}

// ------------------------------------------------------------------------------- mouse

bool CNoteGridWnd::OnButtonDown(Qt::MouseButton button, int x, int y) {
    if (button == Qt::RightButton) {
        const CELL_REF at = CellAt(x, y);
        if (!at.IsValid())
            return true;
        m_menuCell = at;
        QMenu* menu = MakeMenu(NoteCellAt(x, y));
        menu->exec(mapToGlobal(QPoint(x, y)));
        delete menu;
        return true;
    }
    if (button != Qt::LeftButton)
        return false;
    m_pressCell = NoteCellAt(x, y);
    m_dragged = false;
    m_dragStart = CELL_REF();
    if (!m_pressCell.IsValid())
        return true;
    const CELL_REF start = m_grid.FindNoteStart(m_pressCell);
    m_pressOnNote = start.IsValid();
    if (m_pressOnNote) {
        m_dragStart = start;
    } else {
        m_grid.ToggleNote(m_pressCell, kNewNoteVolume);
        m_dragStart = m_pressCell;
        Edited();
    }
    return true;
}

bool CNoteGridWnd::OnMouseMove(Qt::MouseButtons buttons, int x, int y) {
    if (!(buttons & Qt::LeftButton) || !m_dragStart.IsValid())
        return false;
    CELL_REF to = CellAt(x, y);
    if (!to.IsValid() || (to == m_pressCell && !m_dragged))
        return true;
    to.row = m_dragStart.row;
    if (!m_grid.IsInside(to))
        return true;
    m_dragged = true;
    m_grid.StretchNote(m_dragStart, to);
    Edited();
    return true;
}

bool CNoteGridWnd::OnButtonUp(Qt::MouseButton button, int, int) {
    if (button != Qt::LeftButton)
        return false;
    // A click on a note, not a drag from it, takes it out.
    if (m_pressOnNote && !m_dragged && m_pressCell.IsValid()) {
        m_grid.ToggleNote(m_pressCell, kNewNoteVolume);
        Edited();
    }
    m_pressOnNote = false;
    m_dragStart = CELL_REF();
    m_pressCell = CELL_REF();
    return true;
}

bool CNoteGridWnd::OnMouseWheel(Qt::MouseButtons, int delta, int x, int y) {
    const CELL_REF at = NoteCellAt(x, y);
    const CELL_REF start = m_grid.FindNoteStart(at);
    if (!start.IsValid())
        return false;
    const double steps = delta / 120.0;
    const CNoteCell& cell = m_grid.GetCell(start);
    bool changed;
    if (QGuiApplication::keyboardModifiers() & Qt::ControlModifier)
        changed = m_grid.SetNoteFret(start, cell.m_slot.fret + (steps > 0 ? 1 : -1));
    else
        changed = m_grid.SetNoteVolume(start, static_cast<float>(cell.m_volume + 0.05 * steps));
    if (changed)
        Edited();
    return true;
}

// ------------------------------------------------------------------------------- menus

QMenu* CNoteGridWnd::MakeGridMenu() {
    auto* menu = new QMenu(this);
    menu->setTitle("Note Grid");
    for (const MENU_ITEM& item : kGridMenu) {
        QAction* action = menu->addAction(item.text);
        action->setData(item.id);
        connect(action, &QAction::triggered, this, [this, id = item.id] { OnCommand(id, 0); });
    }
    return menu;
}

QMenu* CNoteGridWnd::MakeMenu(const CELL_REF&) {
    return MakeGridMenu();
}

bool CNoteGridWnd::OnCommand(int id, int code) {
    const CELL_REF at = m_menuCell;
    switch (id) {
    case kCmdSetTriplets:
    case kCmdRemoveTriplets:
        m_grid.SetTriplets(at, id == kCmdSetTriplets);
        m_laidOut = false;
        break;
    case kCmdAddMeasure:
    case kCmdDeleteLastMeasure:
        emit MeasureCommand(id);
        return true;
    case kCmdRepeatBeatRow:
    case kCmdRepeatBeatAll:
        m_grid.RepeatBeat(at, id == kCmdRepeatBeatAll);
        m_laidOut = false;
        break;
    case kCmdClearRow:
        m_grid.ClearRow(at.row);
        break;
    case kCmdClearBeat:
        m_grid.ClearBeat(at.beat);
        break;
    default:
        return CBaseWindow::OnCommand(id, code);
    }
    Edited();
    return true;
}
