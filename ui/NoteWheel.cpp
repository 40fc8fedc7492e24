#include "ui/NoteWheel.h"

#include "ui/BaseWindow.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <cmath>

namespace {
bool IsParentMajorStep(int position) {
    switch (position) {
    case 0:
    case 2:
    case 4:
    case 5:
    case 7:
    case 9:
    case 11:
        return true;
    default:
        return false;
    }
}

int Mod12(int value) {
    return ((value % 12) + 12) % 12;
}

const CNote* FirstWithSemitones(const CNoteList& list, int k) {
    for (const CNote& note : list)
        if (Mod12(note.m_semitones) == k)
            return &note;
    return nullptr;
}

// Text centred horizontally on x with its top at y; an opaque background is the wheel's.
void DrawLabel(QPainter& p, int x, int y, const QString& text, QColor colour, bool opaque) {
    QFontMetrics metrics(p.font());
    QRect box(0, 0, metrics.horizontalAdvance(text), metrics.height());
    box.moveTo(x - box.width() / 2, y);
    if (opaque)
        p.fillRect(box, QColor::fromRgba(CNoteWheel::kBackground));
    p.setPen(colour);
    p.drawText(box, Qt::AlignHCenter | Qt::AlignTop, text);
}

void DrawRing(QPainter& p, QPoint at) {
    p.setPen(QPen(QColor::fromRgba(CNoteWheel::kThinPen), 1));
    p.setBrush(QColor::fromRgba(CNoteWheel::kBackground));
    p.drawEllipse(QPointF(at), CNoteWheel::kRingRadius, CNoteWheel::kRingRadius);
    p.setBrush(Qt::NoBrush);
}
} // namespace

CNoteWheel::CNoteWheel(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setToolTip(tr("The twelve notes: thick spokes are the parent major scale, the scale's notes "
                  "stand at the rim with the tonic ringed, the chord's intervals inside"));
}

bool CNoteWheel::Create(QWidget* parent, QWidget* placeholder) {
    if (!parent)
        return false;
    setParent(parent);
    if (placeholder) {
        setGeometry(placeholder->geometry());
        placeholder->hide();
    }
    show();
    return true;
}

void CNoteWheel::SetScale(const CNoteList& notes, int offset) {
    m_scale = notes;
    m_offset = offset;
    update();
}

void CNoteWheel::SetChord(const CNoteList& notes, const CChord& chord) {
    m_chordNotes = notes;
    m_chord = chord;
    update();
}

void CNoteWheel::SetHeardPitch(int pitchClass, bool belongs) {
    if (pitchClass == m_heardPitch && belongs == m_heardBelongs)
        return;
    m_heardPitch = pitchClass;
    m_heardBelongs = belongs;
    update();
}

void CNoteWheel::SetHeardCounts(int in, int out) {
    if (in == m_heardIn && out == m_heardOut)
        return;
    m_heardIn = in;
    m_heardOut = out;
    update();
}

void CNoteWheel::SetNoteNames(const CSpelling& scaleNames, const CSpelling& chordNames) {
    m_scaleNames = scaleNames;
    m_chordNames = chordNames;
    update();
}

CNoteWheel::GEOMETRY CNoteWheel::ComputeGeometry(int clientWidth, int clientHeight) {
    GEOMETRY g;
    g.width = clientWidth - 2;
    g.height = clientHeight - 2;
    g.centre = QPoint(g.width / 2, g.height / 2);
    g.radius = static_cast<int>(std::min(g.width, g.height) * 0.87 * 0.5);
    g.intervalRadius = static_cast<int>(0.5 * g.radius);
    g.nameRadius = static_cast<int>(0.8 * g.radius);
    return g;
}

CNoteWheel::SPOKE CNoteWheel::ComputeSpoke(int i, const GEOMETRY& g) const {
    SPOKE spoke;
    const double angle = (-90.0 + 30.0 * i) * M_PI / 180.0;
    auto at = [&](int radius) {
        return QPoint(static_cast<int>(g.centre.x() + radius * std::cos(angle)),
                      static_cast<int>(g.centre.y() + radius * std::sin(angle)));
    };
    spoke.rim = at(g.radius);
    spoke.interval = at(g.intervalRadius);
    spoke.name = at(g.nameRadius);
    spoke.thick = IsParentMajorStep(i);

    const int k = Mod12(i - m_offset);
    spoke.scaleNote = FirstWithSemitones(m_scale, k);
    spoke.chordNote = FirstWithSemitones(m_chordNotes, k);
    auto name = [](const CNote* note, const CSpelling& spelling) {
        if (!note)
            return QString();
        return QString::fromUtf8(note->HasPitch() ? spelling.Name(note->m_midi)
                                                  : note->m_sharpName.GetText());
    };
    spoke.scaleName = name(spoke.scaleNote, m_scaleNames);
    spoke.chordName = name(spoke.chordNote, m_chordNames);
    if (spoke.scaleNote)
        spoke.ringAtRim = spoke.scaleNote->m_degree == 1;
    if (spoke.chordNote && spoke.chordNote->HasPitch()) {
        const int pitchClass = spoke.chordNote->m_midi % 12;
        for (const CNote& entry : m_chord.m_notes) {
            if (entry.HasPitch() && entry.m_midi % 12 == pitchClass) {
                spoke.chordInterval = entry.m_degree;
                spoke.ringAtInterval = entry.m_degree == 1;
                spoke.nameAtMiddle = spoke.scaleNote == nullptr;
                break;
            }
        }
    }
    return spoke;
}

void CNoteWheel::DrawWheel(QPainter& p, const GEOMETRY& g) const {
    const QPen thin(QColor::fromRgba(kThinPen), 1), thick(QColor::fromRgba(kThickPen), 2);
    for (int i = 0; i < 12; ++i) {
        SPOKE s = ComputeSpoke(i, g);
        p.setPen(s.thick ? thick : thin);
        p.drawLine(g.centre, s.rim);
        if (s.scaleNote) {
            if (s.ringAtRim)
                DrawRing(p, s.rim);
            DrawLabel(p, s.rim.x(), s.rim.y() - 9, s.scaleName, Qt::black, !s.ringAtRim);
        }
        if (s.chordNote && s.chordInterval != 0) {
            const QColor blue = QColor::fromRgba(kChordText);
            if (s.ringAtInterval)
                DrawRing(p, s.interval);
            DrawLabel(p, s.interval.x(), s.interval.y() - 9, QString::number(s.chordInterval), blue,
                      !s.ringAtInterval);
            if (s.nameAtMiddle)
                DrawLabel(p, s.name.x(), s.name.y() - 9, s.chordName, blue, true);
        }
    }
}

void CNoteWheel::Render(QPainter& painter, int clientWidth, int clientHeight) const {
    GEOMETRY g = ComputeGeometry(clientWidth, clientHeight);
    if (g.width <= 0 || g.height <= 0)
        return;
    // Drawn off screen first so a repaint never flickers.
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    QPixmap buffer(QSize(g.width, g.height) * ratio);
    buffer.setDevicePixelRatio(ratio);
    buffer.fill(QColor::fromRgba(kBackground));
    {
        QPainter p(&buffer);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        QFont font("Arial");
        font.setPixelSize(kFontHeight);
        font.setWeight(QFont::Normal);
        p.setFont(font);
        if (!m_scale.IsEmpty())
            DrawWheel(p, g);
        const CNote* tonic = FirstWithSemitones(m_scale, 0);
        if (m_heardPitch >= 0 && tonic && tonic->HasPitch()) {
            // The spoke of the heard pitch: its semitones above the tonic, moved by the offset.
            const int position = Mod12(m_heardPitch - tonic->m_midi % 12 + m_offset);
            p.setPen(QPen(QColor(m_heardBelongs ? kHeardIn : kHeardOut), 3));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(ComputeSpoke(position, g).rim), kRingRadius + 3, kRingRadius + 3);
        }
        if (m_heardIn >= 0) {
            QFont small = p.font();
            small.setPixelSize(kFontHeight * 2 / 3);
            p.setFont(small);
            const QRect corner(0, 0, g.width - 2, kFontHeight * 2);
            p.setPen(QColor(kHeardIn));
            p.drawText(corner, Qt::AlignRight | Qt::AlignTop, tr("in %1").arg(m_heardIn));
            p.setPen(QColor(kHeardOut));
            p.drawText(corner, Qt::AlignRight | Qt::AlignBottom, tr("out %1").arg(m_heardOut));
        }
    }
    painter.fillRect(QRect(0, 0, clientWidth, clientHeight), QColor::fromRgba(kBackground));
    painter.drawPixmap(1, 1, buffer);
}

void CNoteWheel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Render(painter, width(), height());
}

void CNoteWheel::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton || e->button() == Qt::RightButton) {
        grabMouse();
        m_pressed = e->button() == Qt::LeftButton;
    }
}

void CNoteWheel::mouseReleaseEvent(QMouseEvent* e) {
    releaseMouse();
    if (e->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    emit Released();
    if (auto* owner = OwnerWindow(this))
        owner->PostUserMessage(kMsgWheelReleased);
}
