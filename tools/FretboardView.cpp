#include "tools/FretboardView.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "theory/NoteManager.h"

namespace {
const char* const kIntervalNames[12] = {"R",  "b2", "2",  "b3", "3",  "4",
                                        "b5", "5",  "b6", "6",  "b7", "7"};
constexpr double kLeftMargin = 34.0; // room for the open-string notes left of the nut
constexpr double kRightMargin = 10.0;
constexpr double kTopMargin = 14.0;
constexpr double kBottomMargin = 22.0; // room for the fret numbers

bool IsMarkerFret(int fret) {
    switch (fret) {
    case 3:
    case 5:
    case 7:
    case 9:
    case 12:
    case 15:
    case 17:
    case 19:
    case 21:
        return true;
    default:
        return false;
    }
}

const QColor kWood(0x3B, 0x2A, 0x1E), kFret(0xC8, 0xC8, 0xC0), kString(0xE8, 0xDC, 0xC0);
const QColor kPitch(0x9F, 0xB8, 0xE0), kRoot(0xD9, 0x3B, 0x3B), kPositionNote(0x1F, 0x5F, 0xC4);
const QColor kChordNote(0x18, 0x8A, 0x4A), kHighlight(0xFF, 0xB0, 0x20);
const QColor kHeardIn(0x20, 0xC0, 0x40), kHeardOut(0xE0, 0x20, 0x20);
} // namespace

CFretboardView::CFretboardView(QWidget* parent) : QWidget(parent) {
    setToolTip(tr("The lead guitar's neck: light marks are the scale's notes, red the root, "
                  "filled marks the notes of the position or chord with their fingers"));
    // Standard tuning until the note manager's tuning is set.
    m_open = {64, 59, 55, 50, 45, 40};
}

void CFretboardView::SetTuning(const CNoteList& openStrings) {
    m_open.clear();
    for (const CNote& note : openStrings)
        m_open.push_back(note.m_midi);
    update();
}

void CFretboardView::ShowPitchMarks(const CNoteList& scaleNotes, int rootMidi) {
    std::fill(m_degreeOf.begin(), m_degreeOf.end(), 0);
    for (const CNote& note : scaleNotes)
        if (note.HasPitch() && m_degreeOf[note.m_midi % 12] == 0)
            m_degreeOf[note.m_midi % 12] = note.m_degree > 0 ? note.m_degree : -1;
    m_rootClass = rootMidi >= 0 && rootMidi < MIDI_NO_PITCH ? rootMidi % 12 : -1;
    update();
}

void CFretboardView::ShowNoteMarks(const CNoteList& notes) {
    m_notes.clear();
    for (const CNote& note : notes) {
        const FRET_SLOT& slot = note.Position();
        if (slot.string == INT_NOT_SET || slot.fret == INT_NOT_SET || slot.fret > kLastFret)
            continue;
        int finger = slot.finger == INT_NOT_SET ? 0 : slot.finger;
        m_notes.push_back({slot.string, slot.fret, note.m_midi, finger});
    }
    m_chord.clear();
    update();
}

void CFretboardView::ShowChord(const CChord& chord) {
    m_chord.clear();
    m_chordMuted.assign(m_open.size(), true);
    for (const CNote& note : chord.m_notes) {
        const FRET_SLOT& slot = note.Position();
        // A voicing keeps a slot for a string it leaves out; that string is muted, not a note.
        if (note.m_midi == MIDI_NO_PITCH || slot.string == INT_NOT_SET ||
            slot.fret == INT_NOT_SET || slot.fret > kLastFret)
            continue;
        int finger = slot.finger == INT_NOT_SET ? 0 : slot.finger;
        m_chord.push_back({slot.string, slot.fret, note.m_midi, finger});
        if (slot.string >= 1 && slot.string <= static_cast<int>(m_chordMuted.size()))
            m_chordMuted[slot.string - 1] = false;
    }
    m_barre = chord.HasPosition() && chord.m_position > 0 && chord.m_position <= kLastFret
                  ? chord.m_position
                  : 0;
    m_notes.clear();
    update();
}

void CFretboardView::SetLabels(LABELS labels) {
    m_labels = labels;
    update();
}

void CFretboardView::SetNoteNames(const CSpelling& names) {
    m_names = names;
    update();
}

void CFretboardView::SetPlayedNotes(const CNoteList& notes, THING thing) {
    m_played = notes;
    m_playedThing = thing;
    m_highlight.clear();
    update();
}

void CFretboardView::SetPlayTime(double seconds) {
    std::vector<std::pair<int, int>> now;
    if (seconds >= 0.0) {
        for (const CNote& note : m_played) {
            if (note.m_thing != m_playedThing || !note.HasTime())
                continue;
            if (note.m_time > seconds)
                break; // the list is in time order
            const FRET_SLOT& slot = note.Position();
            if (slot.string == INT_NOT_SET || slot.fret == INT_NOT_SET)
                continue;
            double end = note.HasDuration() ? note.m_time + note.m_duration : note.m_time;
            if (seconds < end)
                now.emplace_back(slot.string, slot.fret);
        }
    }
    if (now != m_highlight) {
        m_highlight = std::move(now);
        update();
    }
}

std::vector<std::pair<int, int>> CFretboardView::GetHighlighted() const {
    return m_highlight;
}

void CFretboardView::SetHeardNote(int midi, bool belongs) {
    if (midi == m_heardMidi && belongs == m_heardBelongs)
        return;
    m_heardMidi = midi;
    m_heardBelongs = belongs;
    update();
}

int CFretboardView::PitchDegree(int pitchClass) const {
    return m_degreeOf[pitchClass];
}

QString CFretboardView::LabelFor(int midi) const {
    if (midi < 0 || midi >= NOTE_TABLE_SIZE)
        return QString();
    const int pitchClass = midi % 12;
    switch (m_labels) {
    case kDegrees: {
        int degree = PitchDegree(pitchClass);
        return degree > 0 ? QString::number(degree) : QString();
    }
    case kIntervals:
        return m_rootClass < 0 ? QString()
                               : QString(kIntervalNames[(pitchClass - m_rootClass + 12) % 12]);
    case kNoteNames:
    default:
        return QString::fromLatin1(m_names.Name(midi));
    }
}

double CFretboardView::FretX(int fret) const {
    // Frets narrow toward the body as on a real neck: the distance from the nut grows as
    // 1 - 2^(-f/12), scaled so that the last fret meets the right edge.
    const double width = std::max(1.0, this->width() - kLeftMargin - kRightMargin);
    const double full = 1.0 - std::pow(2.0, -(LastVisibleFret() + 0.5) / 12.0);
    return kLeftMargin + width * (1.0 - std::pow(2.0, -fret / 12.0)) / full;
}

double CFretboardView::FretCentre(int fret) const {
    if (fret <= 0)
        return kLeftMargin * 0.5;
    return 0.5 * (FretX(fret - 1) + FretX(fret));
}

double CFretboardView::StringY(int string) const {
    const int strings = std::max(1, GetStringCount());
    const double span = std::max(1.0, height() - kTopMargin - kBottomMargin);
    if (strings == 1)
        return kTopMargin + span / 2;
    return kTopMargin + span * (string - 1) / (strings - 1);
}

void CFretboardView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), palette().window());
    const int strings = GetStringCount();
    if (strings == 0)
        return;
    const int last = LastVisibleFret();

    const double top = StringY(1) - 8, bottom = StringY(strings) + 8;
    const double nut = FretX(0), end = FretX(last) + 6;
    p.fillRect(QRectF(nut, top, end - nut, bottom - top), kWood);

    // Position dots, then frets and their numbers.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xE8, 0xE2, 0xD0));
    const double middle = 0.5 * (top + bottom);
    for (int fret = 1; fret <= last; ++fret) {
        if (!IsMarkerFret(fret))
            continue;
        double x = FretCentre(fret);
        if (fret == 12) {
            p.drawEllipse(QPointF(x, middle - (bottom - top) * 0.25), 4, 4);
            p.drawEllipse(QPointF(x, middle + (bottom - top) * 0.25), 4, 4);
        } else {
            p.drawEllipse(QPointF(x, middle), 4, 4);
        }
    }
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.8));
    p.setFont(small);
    for (int fret = 0; fret <= last; ++fret) {
        double x = FretX(fret);
        p.setPen(QPen(fret == 0 ? QColor(0xF2, 0xEE, 0xE0) : kFret, fret == 0 ? 4 : 1.5));
        p.drawLine(QPointF(x, top), QPointF(x, bottom));
        if (fret > 0 && (IsMarkerFret(fret) || fret == 1)) {
            p.setPen(palette().windowText().color());
            p.drawText(QRectF(FretCentre(fret) - 12, bottom + 2, 24, 14), Qt::AlignCenter,
                       QString::number(fret));
        }
    }
    for (int s = 1; s <= strings; ++s) {
        // Lower strings are thicker.
        p.setPen(QPen(kString, 0.8 + 0.35 * (s - 1)));
        p.drawLine(QPointF(nut, StringY(s)), QPointF(end, StringY(s)));
    }

    QFont markFont = font();
    markFont.setPointSizeF(std::max(6.0, markFont.pointSizeF() * 0.75));
    markFont.setBold(true);
    p.setFont(markFont);
    const double radius = std::clamp((bottom - top) / (strings * 2.6), 5.0, 11.0);
    auto drawMark = [&](int string, int fret, QColor fill, QColor text, const QString& label,
                        bool hollow) {
        QPointF c(FretCentre(fret), StringY(string));
        p.setPen(QPen(fill.darker(130), 1.2));
        p.setBrush(hollow ? QBrush(QColor(0xFF, 0xFF, 0xFF, 0xD8)) : QBrush(fill));
        p.drawEllipse(c, radius, radius);
        p.setPen(hollow ? fill.darker(160) : text);
        p.drawText(QRectF(c.x() - radius * 1.5, c.y() - radius, radius * 3, radius * 2),
                   Qt::AlignCenter, label);
    };

    // The scale everywhere, faint, under the position's notes.
    const bool anyPlaced = !m_notes.empty() || !m_chord.empty();
    for (int s = 1; s <= strings; ++s) {
        for (int fret = 0; fret <= last; ++fret) {
            int midi = m_open[s - 1] + fret;
            int pitchClass = midi % 12;
            if (m_degreeOf[pitchClass] == 0)
                continue;
            bool root = pitchClass == m_rootClass;
            QColor colour = root ? kRoot : kPitch;
            if (anyPlaced)
                colour.setAlpha(150);
            drawMark(s, fret, colour, Qt::white, LabelFor(midi), true);
        }
    }
    // The finger that frets a note, as a small badge above and right of its mark.
    QFont badgeFont = markFont;
    badgeFont.setPointSizeF(std::max(5.0, markFont.pointSizeF() * 0.8));
    auto drawFinger = [&](int string, int fret, int finger) {
        if (finger <= 0)
            return;
        QPointF c(FretCentre(fret) + radius * 0.95, StringY(string) - radius * 0.85);
        p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
        p.setBrush(QColor(0xFF, 0xF4, 0xC0));
        p.drawEllipse(c, radius * 0.6, radius * 0.6);
        p.setFont(badgeFont);
        p.drawText(QRectF(c.x() - radius, c.y() - radius * 0.6, radius * 2, radius * 1.2),
                   Qt::AlignCenter, QString::number(finger));
        p.setFont(markFont);
    };
    for (const MARK& m : m_notes) {
        if (m.fret > last)
            continue;
        bool root = m.midi % 12 == m_rootClass;
        drawMark(m.string, m.fret, root ? kRoot : kPositionNote, Qt::white, LabelFor(m.midi),
                 false);
    }
    for (const MARK& m : m_notes)
        if (m.fret <= last)
            drawFinger(m.string, m.fret, m.finger);
    if (m_barre > 0 && !m_chord.empty()) {
        int first = strings, last = 1;
        for (const MARK& m : m_chord)
            if (m.fret == m_barre && m.finger == 1) {
                first = std::min(first, m.string);
                last = std::max(last, m.string);
            }
        if (first < last) {
            p.setPen(QPen(kChordNote, radius * 1.2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(FretCentre(m_barre), StringY(first)),
                       QPointF(FretCentre(m_barre), StringY(last)));
        }
    }
    for (const MARK& m : m_chord) {
        if (m.fret > last)
            continue;
        bool root = m.midi % 12 == m_rootClass;
        drawMark(m.string, m.fret, root ? kRoot : kChordNote, Qt::white, LabelFor(m.midi), false);
    }
    for (const MARK& m : m_chord)
        if (m.fret <= last)
            drawFinger(m.string, m.fret, m.finger);
    if (!m_chord.empty()) {
        p.setPen(QPen(kRoot, 2));
        for (int s = 1; s <= strings && s <= static_cast<int>(m_chordMuted.size()); ++s) {
            if (!m_chordMuted[s - 1])
                continue;
            QPointF c(kLeftMargin * 0.3, StringY(s));
            p.drawLine(c + QPointF(-4, -4), c + QPointF(4, 4));
            p.drawLine(c + QPointF(-4, 4), c + QPointF(4, -4));
        }
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kHighlight, 3));
    for (const auto& [string, fret] : m_highlight)
        p.drawEllipse(QPointF(FretCentre(fret), StringY(string)), radius + 3, radius + 3);

    // What the player plays, wherever it can be played.
    const QColor heard = m_heardBelongs ? kHeardIn : kHeardOut;
    for (int s = 1; s <= strings && m_heardMidi != MIDI_NO_PITCH; ++s) {
        const int fret = m_heardMidi - m_open[s - 1];
        if (fret < 0 || fret > last)
            continue;
        QColor fill = heard;
        fill.setAlpha(0xA0);
        p.setPen(QPen(heard.darker(120), 3));
        p.setBrush(fill);
        p.drawEllipse(QPointF(FretCentre(fret), StringY(s)), radius + 4, radius + 4);
    }
}
