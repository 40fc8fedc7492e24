#include "tools/StaffWnd.h"

#include <QAction>
#include <QFontMetrics>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>

namespace {

constexpr int kClefWidth = 74;
constexpr int kHeaderHeight = 14;
constexpr int kHeadPad = 10; // a note's head sits this far right of its cell's start

// Where a drummer expects each piece: steps from the bottom line of a five-line staff.
struct DRUM_STEP {
    THING piece;
    int step;
    char head; // 'x' cymbal or hi-hat, 'd' bell (diamond), 'o' drum
};
const DRUM_STEP kDrumSteps[] = {
    {THING_CRASH_CYMBAL_2, 11, 'x'},
    {THING_CRASH_CYMBAL_1, 10, 'x'},
    {THING_SPLASH_CYMBAL_1, 11, 'x'},
    {THING_CHINESE_CYMBAL_1, 12, 'x'},
    {THING_RIDE_CYMBAL, 8, 'x'},
    {THING_RIDE_CYMBAL_BELL, 8, 'd'},
    {THING_HIHAT_OPEN, 9, 'x'},
    {THING_HIHAT_CLOSED, 9, 'x'},
    {THING_TOM_1, 7, 'o'},
    {THING_TOM_2, 6, 'o'},
    {THING_TOM_3, 4, 'o'},
    {THING_SNARE_DRUM, 5, 'o'},
    {THING_TOM_4, 3, 'o'},
    {THING_TOM_5, 2, 'o'},
    {THING_TOM_6, 0, 'o'},
    {THING_BASS_DRUM_1, 1, 'o'},
    {THING_BASS_DRUM_2, -2, 'o'},
    {THING_HIHAT_FOOT, -1, 'x'},
};

const DRUM_STEP* FindDrumStep(int piece) {
    for (const DRUM_STEP& d : kDrumSteps)
        if (d.piece == piece)
            return &d;
    return nullptr;
}

// Letter number of a natural (C = 0 .. B = 6) counted on through the octaves.
int Diatonic(int midi) {
    static const int letter[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};
    return midi / 12 * 7 + letter[midi % 12];
}

const char32_t kRestGlyphs[] = {0x1D13B, 0x1D13C, 0x1D13D, 0x1D13E, 0x1D13F, 0x1D140};

QString Glyph(char32_t code) {
    return QString::fromUcs4(&code, 1);
}

// Draws a glyph of the music font scaled into a band of height top..bottom, from x on; false
// when the font lacks it.
bool DrawGlyph(QPainter& painter, char32_t code, double x, double top, double bottom,
               bool centred = false) {
    QFont music("Symbola");
    music.setPixelSize(64);
    if (!QFontMetrics(music).inFontUcs4(code))
        return false;
    QPainterPath path;
    path.addText(0, 0, music, Glyph(code));
    const QRectF box = path.boundingRect();
    if (box.height() <= 0)
        return false;
    const double scale = (bottom - top) / box.height();
    painter.save();
    painter.translate(centred ? x - box.width() * scale / 2 : x, top);
    painter.scale(scale, scale);
    painter.translate(-box.left(), -box.top());
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawPath(path);
    painter.restore();
    return true;
}

int Log2(int value) {
    int n = 0;
    while (value > 1) {
        value /= 2;
        ++n;
    }
    return n;
}

} // namespace

CStaffWnd::CStaffWnd(GRID_KIND kind, QWidget* parent) : CNoteGridWnd(kind, true, parent) {}

bool CStaffWnd::IsFoot(int row) const {
    if (m_grid.GetKind() != GRID_DRUMS)
        return false;
    const int piece = m_grid.GetRow(row).m_identity;
    return piece == THING_BASS_DRUM_1 || piece == THING_BASS_DRUM_2 || piece == THING_HIHAT_FOOT;
}

int CStaffWnd::RowStep(int row) const {
    const CNoteRow& r = m_grid.GetRow(row);
    if (m_grid.GetKind() == GRID_DRUMS) {
        const DRUM_STEP* d = FindDrumStep(r.m_identity);
        return d ? d->step : 4;
    }
    if (r.GetBase() == STRUM_MARKER)
        return 4;
    // Written an octave above the sound: bass clef from G2, treble clef from E4.
    const int bottom = m_grid.GetKind() == GRID_BASS ? Diatonic(43) : Diatonic(64);
    return Diatonic(r.GetBase() + 12) - bottom;
}

int CStaffWnd::StepY(int step) const {
    if (!m_laidOut)
        const_cast<CStaffWnd*>(this)->Layout();
    return m_bottomY - step * m_stepPx;
}

int CStaffWnd::HeadX(const CELL_REF& at) const {
    if (!m_grid.IsInside(at))
        return 0;
    if (!m_laidOut)
        const_cast<CStaffWnd*>(this)->Layout();
    const CBeatCell& beat = m_grid.GetRow(at.row).m_beats[static_cast<size_t>(at.beat)];
    return TickX(TickOf(at.beat, at.cell, beat.GetCount())) + kHeadPad;
}

int CStaffWnd::TickOf(int beat, int cell, int count) const {
    return beat * kTicks + cell * kTicks / std::max(1, count);
}

int CStaffWnd::TickX(int tick) const {
    return BeatLeft(tick / kTicks) + static_cast<int>((tick % kTicks) * m_beatWidth / kTicks);
}

void CStaffWnd::Layout() {
    int lo = 0, hi = 8;
    for (int r = 0; r < m_grid.GetRowCount(); ++r)
        for (const CELL_REF& at : m_grid.RowCells(r))
            if (m_grid.GetCell(at).IsStart()) {
                lo = std::min(lo, RowStep(r));
                hi = std::max(hi, RowStep(r));
                break;
            }
    // Room for stems above and below and for the marks over them.
    lo -= 8;
    hi += 8;
    m_left = kClefWidth;
    m_top = kHeaderHeight;
    m_stepPx = std::clamp((height() - m_top - 4) / (hi - lo), 3, 6);
    m_bottomY = m_top + hi * m_stepPx;
    const int beats = std::max(1, m_grid.GetBeatCount());
    m_beatWidth = std::max(8.0, (width() - m_left - 30) / static_cast<double>(beats));
    m_rowHeight = m_stepPx;
    m_laidOut = true; // StepY below reads the new geometry
    for (int r = 0; r < m_grid.GetRowCount(); ++r)
        LayRowCells(r, StepY(RowStep(r)) - m_stepPx / 2, m_stepPx);
    m_laidOut = true;
}

CELL_REF CStaffWnd::CellAt(int x, int y) const {
    if (!m_laidOut)
        const_cast<CStaffWnd*>(this)->Layout();
    if (x < m_left || m_grid.GetRowCount() == 0)
        return CELL_REF();
    const int beat = static_cast<int>((x - m_left) / m_beatWidth);
    if (beat >= m_grid.GetBeatCount())
        return CELL_REF();
    const int step = static_cast<int>(std::lround(double(m_bottomY - y) / m_stepPx));
    // The row at that line or space; on a drum staff, one with a note there first.
    int row = -1, nearest = -1, distance = INT_MAX;
    for (int r = 0; r < m_grid.GetRowCount(); ++r) {
        if (m_grid.GetKind() == GRID_RHYTHM && m_grid.GetRow(r).GetBase() != STRUM_MARKER)
            continue;
        const int d = std::abs(RowStep(r) - step);
        if (d < distance) {
            distance = d;
            nearest = r;
        }
        if (d == 0 && row < 0)
            row = r;
        if (d == 0 && m_grid.GetKind() == GRID_DRUMS) {
            const CBeatCell& cells = m_grid.GetRow(r).m_beats[static_cast<size_t>(beat)];
            for (const CNoteCell& cell : cells.m_cells)
                if (!cell.IsEmpty() && x >= cell.m_rect.left && x < cell.m_rect.right) {
                    row = r;
                    break;
                }
        }
    }
    if (row < 0)
        row = distance <= 1 ? nearest : -1;
    if (row < 0)
        return CELL_REF();
    const CBeatCell& cells = m_grid.GetRow(row).m_beats[static_cast<size_t>(beat)];
    for (int c = 0; c < cells.GetCount(); ++c)
        if (x < cells.m_cells[static_cast<size_t>(c)].m_rect.right)
            return {row, beat, c};
    return {row, beat, cells.GetCount() - 1};
}

CELL_REF CStaffWnd::NoteCellAt(int x, int y) const {
    return CellAt(x, y);
}

// ------------------------------------------------------------------------------- engraving

std::vector<CStaffWnd::SYMBOL> CStaffWnd::Engrave() const {
    std::vector<SYMBOL> symbols;
    const SONG_HEADER& h = m_grid.GetHeader();
    const int unit = std::max(1, h.beatUnit);
    const int whole = kTicks * unit;
    const int measure = kTicks * h.beatsPerMeasure;
    // Beams group a beat, or three eighths in a compound time.
    const int group = unit == 8 && h.beatsPerMeasure % 3 == 0 ? 3 * kTicks : kTicks;
    const int total = m_grid.GetBeatCount() * kTicks;
    const bool drums = m_grid.GetKind() == GRID_DRUMS;

    for (int voice = 0; voice < (drums ? 2 : 1); ++voice) {
        // Note starts of the voice: tick -> rows and the tick each ends at.
        std::map<int, std::vector<std::pair<int, int>>> starts;
        std::vector<bool> tripletBeat(static_cast<size_t>(m_grid.GetBeatCount()), false);
        for (int r = 0; r < m_grid.GetRowCount(); ++r) {
            if (drums && IsFoot(r) != (voice == 1))
                continue;
            const std::vector<CELL_REF> cells = m_grid.RowCells(r);
            for (size_t i = 0; i < cells.size(); ++i) {
                const CBeatCell& beat =
                    m_grid.GetRow(r).m_beats[static_cast<size_t>(cells[i].beat)];
                if (!m_grid.GetCell(cells[i]).IsStart())
                    continue;
                if (beat.GetCount() == 3)
                    tripletBeat[static_cast<size_t>(cells[i].beat)] = true;
                size_t j = i;
                while (m_grid.GetCell(cells[j]).m_state != CELL_SINGLE &&
                       m_grid.GetCell(cells[j]).m_state != CELL_END && j + 1 < cells.size() &&
                       !m_grid.GetCell(cells[j + 1]).IsStart() &&
                       !m_grid.GetCell(cells[j + 1]).IsEmpty())
                    ++j;
                const CBeatCell& endBeat =
                    m_grid.GetRow(r).m_beats[static_cast<size_t>(cells[j].beat)];
                const int end = TickOf(cells[j].beat, cells[j].cell + 1, endBeat.GetCount());
                starts[TickOf(cells[i].beat, cells[i].cell, beat.GetCount())].push_back({r, end});
                i = j;
            }
        }
        auto lengths = [&](int at) {
            // Lengths a symbol starting at this tick may be written with, longest first.
            std::vector<std::pair<int, int>> out; // length, value (negative: dotted)
            if (tripletBeat[static_cast<size_t>(
                    std::min(at / kTicks, m_grid.GetBeatCount() - 1))]) {
                out.push_back({kTicks, whole / kTicks});
                out.push_back(
                    {kTicks * 2 / 3, -1000 - whole / kTicks}); // two thirds: the beat's value
                out.push_back({kTicks / 3, -1000 - 2 * whole / kTicks});
                return out;
            }
            for (int v = 1; v <= 32; v *= 2) {
                if (whole % v != 0)
                    continue;
                const int len = whole / v;
                if (v >= 2 && len * 3 % 2 == 0)
                    out.push_back({len * 3 / 2, -v});
                out.push_back({len, v});
            }
            return out;
        };
        auto put = [&](int from, int to, const std::vector<int>& rows, bool allowLong) {
            while (from < to) {
                const int measureEnd = (from / measure + 1) * measure;
                const int groupEnd = std::min((from / group + 1) * group, measureEnd);
                const int limit =
                    std::min(to, allowLong && from % group == 0 ? measureEnd : groupEnd);
                int len = 0, value = 0;
                for (const auto& [l, v] : lengths(from))
                    if (l <= limit - from && (l <= groupEnd - from || l % group == 0 ||
                                              (v < 0 && v > -1000 && (l * 2 / 3) % group == 0))) {
                        len = l;
                        value = v;
                        break;
                    }
                if (len == 0) {
                    len = limit - from;
                    value = 32;
                }
                SYMBOL s;
                s.tick = from;
                s.length = len;
                s.rows = rows;
                s.voice = voice;
                s.triplet = value <= -1000;
                s.dotted = value < 0 && !s.triplet;
                s.value = s.triplet ? -(value + 1000) : std::abs(value);
                from += len;
                s.tied = !rows.empty() && from < to;
                symbols.push_back(s);
            }
        };
        int cursor = 0;
        for (auto it = starts.begin(); it != starts.end(); ++it) {
            const int tick = it->first;
            auto next = std::next(it);
            int end = next == starts.end() ? total : next->first;
            if (drums) {
                end = std::min(end, (tick / group + 1) * group);
            } else {
                int longest = 0;
                for (const auto& [row, rowEnd] : it->second)
                    longest = std::max(longest, rowEnd);
                end = std::min(end, longest);
            }
            if (tick > cursor) {
                // A whole empty measure takes a whole rest.
                const bool wholeMeasure = cursor % measure == 0 && tick - cursor >= measure;
                put(cursor, tick, {}, wholeMeasure);
            }
            std::vector<int> rows;
            for (const auto& entry : it->second)
                rows.push_back(entry.first);
            put(tick, std::max(end, tick + 1), rows, !drums);
            cursor = std::max(end, tick + 1);
        }
        if (cursor < total)
            put(cursor, total, {}, cursor % measure == 0);
    }
    return symbols;
}

// ------------------------------------------------------------------------------- drawing

void CStaffWnd::DrawClef(QPainter& painter) {
    const int sp = 2 * m_stepPx;
    const GRID_KIND kind = m_grid.GetKind();
    painter.setPen(Qt::black);
    // The G clef curls round the second line and reaches past the staff; the F clef's dots
    // hug the fourth line; the percussion clef stands in the middle.
    const bool drawn =
        kind == GRID_DRUMS ? DrawGlyph(painter, 0x1D125, 14, StepY(7), StepY(1))
        : kind == GRID_BASS
            ? DrawGlyph(painter, 0x1D122, 10, StepY(8) - 1, StepY(1) + 1)
            : DrawGlyph(painter, 0x1D120, 8, StepY(8) - 1.6 * sp, StepY(0) + 2.2 * sp);
    if (!drawn) {
        QFont font = painter.font();
        font.setPixelSize(sp * 3);
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(QRect(4, StepY(8), 26, StepY(0) - StepY(8)), Qt::AlignCenter,
                         kind == GRID_DRUMS  ? "||"
                         : kind == GRID_BASS ? "F"
                                             : "G");
    }
    // The time signature.
    QFont digits = painter.font();
    digits.setFamily("DejaVu Serif");
    digits.setBold(true);
    digits.setPixelSize(sp * 2 + 2);
    painter.setFont(digits);
    const SONG_HEADER& h = m_grid.GetHeader();
    painter.drawText(QRect(kClefWidth - 24, StepY(8), 20, StepY(4) - StepY(8)), Qt::AlignCenter,
                     QString::number(h.beatsPerMeasure));
    painter.drawText(QRect(kClefWidth - 24, StepY(4), 20, StepY(0) - StepY(4)), Qt::AlignCenter,
                     QString::number(h.beatUnit));
}

void CStaffWnd::Draw(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(rect(), Qt::white);
    const int right = BeatLeft(m_grid.GetBeatCount());
    const int perMeasure = m_grid.GetHeader().beatsPerMeasure;
    painter.setPen(QPen(Qt::black, 1));
    for (int line = 0; line <= 8; line += 2)
        painter.drawLine(4, StepY(line), right, StepY(line));
    DrawClef(painter);
    QFont small = font();
    small.setPixelSize(10);
    painter.setFont(small);
    for (int b = 0; b <= m_grid.GetBeatCount(); b += perMeasure) {
        const bool last = b == m_grid.GetBeatCount();
        painter.setPen(QPen(Qt::black, last ? 3 : 1));
        const int x = BeatLeft(b) - (last ? 2 : 0);
        painter.drawLine(x, StepY(8), x, StepY(0));
        if (last)
            painter.fillRect(QRect(x - 5, StepY(8), 1, StepY(0) - StepY(8)), Qt::black);
        else
            painter.drawText(QPoint(x + 2, StepY(8) - 4 * m_stepPx),
                             QString::number(b / perMeasure + 1));
    }
    DrawSymbols(painter, Engrave());
}

void CStaffWnd::DrawSymbols(QPainter& painter, const std::vector<SYMBOL>& symbols) {
    const int sp = 2 * m_stepPx;
    const bool drums = m_grid.GetKind() == GRID_DRUMS;
    const SONG_HEADER& h = m_grid.GetHeader();
    const int unit = std::max(1, h.beatUnit);
    const int group = unit == 8 && h.beatsPerMeasure % 3 == 0 ? 3 * kTicks : kTicks;
    const int measure = kTicks * h.beatsPerMeasure;
    QFont signs("DejaVu Sans");
    signs.setPixelSize(sp * 2);

    auto headX = [&](const SYMBOL& s) { return TickX(s.tick) + kHeadPad; };
    auto stemUp = [&](const std::vector<const SYMBOL*>& run) {
        if (drums)
            return run.front()->voice == 0;
        double sum = 0;
        int n = 0;
        for (const SYMBOL* s : run)
            for (int r : s->rows) {
                // Rhythm slashes stand on the middle line, stems up.
                sum += m_grid.GetRow(r).GetBase() == STRUM_MARKER ? 0 : RowStep(r);
                ++n;
            }
        return n == 0 || sum / n < 4.0;
    };
    const double headW = sp * 1.3, headH = sp * 0.95;

    // Beam runs: neighbouring notes of a voice within one group, eighths and shorter.
    std::vector<std::vector<const SYMBOL*>> runs;
    for (size_t i = 0; i < symbols.size(); ++i) {
        const SYMBOL& s = symbols[i];
        if (s.rows.empty())
            continue;
        const bool beamable = s.value >= 8;
        if (beamable && !runs.empty()) {
            const SYMBOL* prev = runs.back().back();
            if (prev->value >= 8 && prev->voice == s.voice &&
                prev->tick / group == s.tick / group && &symbols[i - 1] == prev) {
                runs.back().push_back(&s);
                continue;
            }
        }
        runs.push_back({&s});
    }

    std::map<std::pair<int, int>, int> shownAccidental; // (measure, step) -> shift
    std::vector<std::pair<QPointF, const SYMBOL*>> tieStarts;
    for (const std::vector<const SYMBOL*>& run : runs) {
        const bool up = stemUp(run);
        // Stem ends: a flat beam over (or under) the run's farthest head.
        int extreme = up ? INT_MAX : INT_MIN;
        for (const SYMBOL* s : run)
            for (int r : s->rows)
                extreme = up ? std::min(extreme, StepY(RowStep(r)))
                             : std::max(extreme, StepY(RowStep(r)));
        const int stemEnd =
            up ? extreme - static_cast<int>(3.5 * sp) : extreme + static_cast<int>(3.5 * sp);
        std::vector<double> stemX;
        for (const SYMBOL* s : run) {
            const double x = headX(*s);
            int top = INT_MAX, bottom = INT_MIN;
            for (int r : s->rows) {
                const int step = RowStep(r);
                const int y = StepY(step);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                // Ledger lines outside the staff.
                painter.setPen(QPen(Qt::black, 1));
                for (int l = -2; l >= step; l -= 2)
                    painter.drawLine(QPointF(x - headW * 0.8, StepY(l)),
                                     QPointF(x + headW * 0.8, StepY(l)));
                for (int l = 10; l <= step; l += 2)
                    painter.drawLine(QPointF(x - headW * 0.8, StepY(l)),
                                     QPointF(x + headW * 0.8, StepY(l)));
                // The head.
                const CNoteRow& row = m_grid.GetRow(r);
                const CELL_REF at = CellAt(static_cast<int>(TickX(s->tick) + 1), y);
                const CNoteCell* cell = nullptr;
                for (const CELL_REF& c : m_grid.RowCells(r)) {
                    const CBeatCell& beat = row.m_beats[static_cast<size_t>(c.beat)];
                    if (TickOf(c.beat, c.cell, beat.GetCount()) == s->tick &&
                        m_grid.GetCell(c).IsStart()) {
                        cell = &m_grid.GetCell(c);
                        break;
                    }
                }
                (void)at;
                const QRectF box(x - headW / 2, y - headH / 2, headW, headH);
                char head = 'o';
                if (drums) {
                    const DRUM_STEP* d = FindDrumStep(row.m_identity);
                    head = d ? d->head : 'o';
                } else if (row.GetBase() == STRUM_MARKER) {
                    head = '/';
                }
                const bool hollow = s->value <= 2;
                painter.setPen(QPen(Qt::black, 1.4));
                if (head == 'x') {
                    painter.drawLine(box.topLeft(), box.bottomRight());
                    painter.drawLine(box.bottomLeft(), box.topRight());
                    if (row.m_identity == THING_HIHAT_OPEN) {
                        painter.setBrush(Qt::NoBrush);
                        painter.drawEllipse(QPointF(x, StepY(std::max(step, 8) + 4)), sp * 0.35,
                                            sp * 0.35);
                    }
                } else if (head == 'd') {
                    QPolygonF diamond({QPointF(x - headW / 2, y), QPointF(x, y - headH / 2),
                                       QPointF(x + headW / 2, y), QPointF(x, y + headH / 2)});
                    painter.setBrush(hollow ? Qt::NoBrush : QBrush(Qt::black));
                    painter.drawPolygon(diamond);
                } else if (head == '/') {
                    painter.setPen(QPen(Qt::black, sp * 0.45, Qt::SolidLine, Qt::FlatCap));
                    painter.drawLine(QPointF(x - headW / 2, y + sp * 0.9),
                                     QPointF(x + headW / 2, y - sp * 0.9));
                } else {
                    painter.save();
                    painter.translate(x, y);
                    painter.rotate(-20);
                    painter.setBrush(hollow ? Qt::NoBrush : QBrush(Qt::black));
                    painter.drawEllipse(QRectF(-headW / 2, -headH / 2, headW, headH));
                    painter.restore();
                }
                painter.setBrush(Qt::NoBrush);
                if (s->dotted) {
                    const int dotStep = step % 2 == 0 ? step + 1 : step;
                    painter.setBrush(Qt::black);
                    painter.drawEllipse(QPointF(x + headW, StepY(dotStep)), sp * 0.15, sp * 0.15);
                    painter.setBrush(Qt::NoBrush);
                }
                if (cell != nullptr) {
                    // Accidentals hold to the end of the measure, as on paper.
                    if (!drums && row.GetBase() != STRUM_MARKER) {
                        const int shift = cell->m_accidental == MARK_SHARP  ? 1
                                          : cell->m_accidental == MARK_FLAT ? -1
                                                                            : 0;
                        auto key = std::make_pair(s->tick / measure, step);
                        auto found = shownAccidental.find(key);
                        const int current = found == shownAccidental.end() ? 0 : found->second;
                        if (shift != current || (cell->m_accidental == MARK_NATURAL &&
                                                 found == shownAccidental.end())) {
                            painter.setFont(signs);
                            painter.setPen(Qt::black);
                            const QString sign = shift > 0   ? QString(QChar(0x266F))
                                                 : shift < 0 ? QString(QChar(0x266D))
                                                             : QString(QChar(0x266E));
                            painter.drawText(
                                QRectF(x - headW / 2 - sp * 1.3, y - sp * 1.5, sp * 1.2, sp * 3),
                                Qt::AlignCenter, sign);
                            shownAccidental[key] = shift;
                        }
                    }
                    // Drum parts mark beyond the stems, other parts on the heads' side.
                    const int markY =
                        drums ? stemEnd - (up ? 1 : -1) * sp
                              : StepY(up ? std::min(step, 0) - 3 : std::max(step, 8) + 3);
                    painter.setPen(QPen(Qt::black, 1.3));
                    if (cell->m_articulation == MARK_ACCENTED) {
                        painter.drawLine(QPointF(x - sp * 0.6, markY - sp * 0.35),
                                         QPointF(x + sp * 0.6, markY));
                        painter.drawLine(QPointF(x + sp * 0.6, markY),
                                         QPointF(x - sp * 0.6, markY + sp * 0.35));
                    } else if (cell->m_articulation == MARK_GHOST) {
                        painter.drawArc(QRectF(x - headW * 0.95, y - sp * 0.8, sp * 0.6, sp * 1.6),
                                        100 * 16, 160 * 16);
                        painter.drawArc(
                            QRectF(x + headW * 0.95 - sp * 0.6, y - sp * 0.8, sp * 0.6, sp * 1.6),
                            -80 * 16, 160 * 16);
                    } else if (cell->m_articulation == MARK_MUTED) {
                        painter.drawLine(QPointF(x - sp * 0.4, markY),
                                         QPointF(x + sp * 0.4, markY));
                        painter.drawLine(QPointF(x, markY - sp * 0.4),
                                         QPointF(x, markY + sp * 0.4));
                    }
                    if (cell->m_durationStyle == MARK_STACCATO) {
                        painter.setBrush(Qt::black);
                        painter.drawEllipse(QPointF(x, StepY(up ? step - 2 : step + 2)), sp * 0.15,
                                            sp * 0.15);
                        painter.setBrush(Qt::NoBrush);
                    }
                }
            }
            // The stem.
            if (s->value >= 2) {
                const double sx = up ? x + headW / 2 - 0.7 : x - headW / 2 + 0.7;
                painter.setPen(QPen(Qt::black, 1.2));
                painter.drawLine(QPointF(sx, up ? bottom : top), QPointF(sx, stemEnd));
                stemX.push_back(sx);
            } else {
                stemX.push_back(x);
            }
            if (s->tied)
                tieStarts.push_back({QPointF(x, up ? bottom : top), s});
        }
        // Beams, or flags on a note alone.
        const double beamH = sp * 0.45, gap = sp * 0.75;
        const int dir = up ? 1 : -1;
        auto beams = [](const SYMBOL* s) { return s->value >= 8 ? Log2(s->value) - 2 : 0; };
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        if (run.size() == 1) {
            const int n = beams(run[0]);
            painter.setPen(QPen(Qt::black, 1.4));
            for (int k = 0; k < n; ++k) {
                const double y0 = stemEnd + dir * k * gap;
                QPainterPath flag(QPointF(stemX[0], y0));
                flag.cubicTo(QPointF(stemX[0] + sp * 0.2, y0 + dir * sp * 0.8),
                             QPointF(stemX[0] + sp * 1.2, y0 + dir * sp * 1.2),
                             QPointF(stemX[0] + sp * 0.8, y0 + dir * sp * 2.2));
                painter.setBrush(Qt::NoBrush);
                painter.drawPath(flag);
            }
        } else {
            for (int level = 0; level < 3; ++level) {
                const double y0 = stemEnd + dir * level * gap - (up ? 0 : beamH);
                for (size_t i = 0; i < run.size(); ++i) {
                    if (beams(run[i]) <= level)
                        continue;
                    const bool next = i + 1 < run.size() && beams(run[i + 1]) > level;
                    const bool prev = i > 0 && beams(run[i - 1]) > level;
                    if (next)
                        painter.drawRect(QRectF(stemX[i], y0, stemX[i + 1] - stemX[i], beamH));
                    else if (!prev)
                        painter.drawRect(i > 0 ? QRectF(stemX[i] - sp, y0, sp, beamH)
                                               : QRectF(stemX[i], y0, sp, beamH));
                }
            }
        }
        painter.setBrush(Qt::NoBrush);
        // Triplets say so over the beam.
        if (run.front()->triplet) {
            QFont font = painter.font();
            font.setPixelSize(sp + 2);
            font.setItalic(true);
            painter.setFont(font);
            painter.setPen(Qt::black);
            const double mid = (stemX.front() + stemX.back()) / 2;
            painter.drawText(QRectF(mid - sp, stemEnd - dir * sp * 2.4 - sp, 2 * sp, 2 * sp),
                             Qt::AlignCenter, "3");
        }
    }

    // Ties arch from a note to its continuation.
    painter.setPen(QPen(Qt::black, 1.2));
    for (const auto& [from, s] : tieStarts) {
        const double toX = TickX(s->tick + s->length) + kHeadPad;
        const double y = from.y() + (s->voice == 1 ? sp * 0.6 : sp * 0.6);
        QPainterPath tie(QPointF(from.x() + sp * 0.4, y));
        tie.quadTo(QPointF((from.x() + toX) / 2, y + sp * 0.9), QPointF(toX - sp * 0.4, y));
        painter.drawPath(tie);
    }

    // Rests, with their usual heights on the staff: a whole rest hangs from the fourth line, a
    // half rest sits on the middle one.
    for (const SYMBOL& s : symbols) {
        if (!s.rows.empty())
            continue;
        const int shift = drums ? (s.voice == 0 ? 3 : -3) : 0;
        const int index = std::clamp(Log2(s.value), 0, 5);
        const double x = s.value == 1 ? (TickX(s.tick) + TickX(s.tick + s.length)) / 2.0 : headX(s);
        static const double bands[6][2] = {{6, 5}, {5, 4}, {7, 1}, {6, 2}, {6, 0.5}, {7, -0.5}};
        const double top = StepY(static_cast<int>(bands[index][0]) + shift) -
                           (bands[index][0] - static_cast<int>(bands[index][0])) * m_stepPx;
        const double bottom = StepY(shift) - bands[index][1] * m_stepPx;
        if (!DrawGlyph(painter, kRestGlyphs[index], x, top, bottom, true))
            painter.fillRect(QRectF(x - sp * 0.5, StepY(5 + shift), sp, sp * 0.5), Qt::black);
        if (s.dotted) {
            painter.setBrush(Qt::black);
            painter.drawEllipse(QPointF(x + sp, StepY(5 + shift)), sp * 0.15, sp * 0.15);
            painter.setBrush(Qt::NoBrush);
        }
    }
}

// ------------------------------------------------------------------------------- menus

QMenu* CStaffWnd::MakeMenu(const CELL_REF& at) {
    if (!m_grid.FindNoteStart(at).IsValid())
        return MakeGridMenu();
    m_menuCell = at;
    struct ITEM {
        const char* text;
        int id;
    };
    static const ITEM groups[3][4] = {
        {{"Sharp", kCmdSharp},
         {"Flat", kCmdFlat},
         {"Natural", kCmdNatural},
         {"None", kCmdNoAccidental}},
        {{"Accented", kCmdAccented},
         {"Ghost note", kCmdGhost},
         {"Muted", kCmdMuted},
         {"Normal", kCmdNormal}},
        {{"Staccato", kCmdStaccato}, {"Legato", kCmdLegato}, {nullptr, 0}, {nullptr, 0}},
    };
    auto* menu = new QMenu(this);
    menu->setTitle("Note Staff");
    for (int g = 0; g < 3; ++g) {
        if (g > 0)
            menu->addSeparator();
        for (const ITEM& item : groups[g]) {
            if (item.text == nullptr)
                continue;
            QAction* action = menu->addAction(item.text);
            action->setData(item.id);
            connect(action, &QAction::triggered, this, [this, id = item.id] { OnCommand(id, 0); });
        }
    }
    return menu;
}

bool CStaffWnd::OnCommand(int id, int code) {
    STAFF_MARK which;
    int value;
    switch (id) {
    case kCmdSharp:
        which = STAFF_ACCIDENTAL;
        value = MARK_SHARP;
        break;
    case kCmdFlat:
        which = STAFF_ACCIDENTAL;
        value = MARK_FLAT;
        break;
    case kCmdNatural:
        which = STAFF_ACCIDENTAL;
        value = MARK_NATURAL;
        break;
    case kCmdNoAccidental:
        which = STAFF_ACCIDENTAL;
        value = MARK_NONE;
        break;
    case kCmdAccented:
        which = STAFF_ARTICULATION;
        value = MARK_ACCENTED;
        break;
    case kCmdGhost:
        which = STAFF_ARTICULATION;
        value = MARK_GHOST;
        break;
    case kCmdMuted:
        which = STAFF_ARTICULATION;
        value = MARK_MUTED;
        break;
    case kCmdNormal:
        which = STAFF_ARTICULATION;
        value = MARK_NORMAL;
        break;
    case kCmdStaccato:
        which = STAFF_DURATION;
        value = MARK_STACCATO;
        break;
    case kCmdLegato:
        which = STAFF_DURATION;
        value = MARK_LEGATO;
        break;
    default:
        return CNoteGridWnd::OnCommand(id, code);
    }
    if (m_grid.SetStaffMark(m_menuCell, which, value)) {
        m_laidOut = false;
        Edited();
    }
    return true;
}
