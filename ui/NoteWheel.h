#pragma once

#include <QColor>
#include <QPoint>
#include <QWidget>

#include "theory/Chord.h"
#include "theory/NoteList.h"
#include "theory/Spelling.h"

// The circle of the twelve pitch classes at the top of the Show Scale tool: spokes of the
// parent major scale drawn thick, the scale's notes named at the rim with the tonic ringed, and
// the current chord's notes numbered by their chord interval on an inner ring.
class CNoteWheel : public QWidget {
    Q_OBJECT
public:
    static constexpr QRgb kBackground = 0xFFFFFFFF;
    static constexpr QRgb kThinPen = 0xFF8080FF;
    static constexpr QRgb kThickPen = 0xFF0000C0;
    static constexpr QRgb kChordText = 0xFF0000FF; // blue
    static constexpr QRgb kHeardIn = 0xFF18A038;   // a heard note that belongs
    static constexpr QRgb kHeardOut = 0xFFD02020;  // one that does not
    static constexpr int kFontHeight = 18;
    static constexpr int kRingRadius = 12; // truncation of 0.7 x the font height

    // What stands at one of the twelve positions (0 at the top, clockwise), after the offset.
    struct SPOKE {
        bool thick = false;
        QPoint rim, interval, name; // P, Q and N
        const CNote* scaleNote = nullptr;
        const CNote* chordNote = nullptr;
        int chordInterval = 0; // 0 when the chord has no interval entry for the note
        bool ringAtRim = false;
        bool ringAtInterval = false;
        bool nameAtMiddle = false; // a chord note outside the scale
        QString scaleName, chordName;
    };

    // Geometry of a paint: client size less 2 in each direction.
    struct GEOMETRY {
        int width = 0, height = 0;
        QPoint centre;
        int radius = 0, intervalRadius = 0, nameRadius = 0;
    };

    explicit CNoteWheel(QWidget* parent = nullptr);

    // Made in the place of a placeholder widget of the parent (which is hidden).
    bool Create(QWidget* parent, QWidget* placeholder);

    // The scale's notes over one octave from the tonic, and the semitone position of the tonic
    // within its parent major scale.
    void SetScale(const CNoteList& notes, int offset);
    void SetChord(const CNoteList& notes, const CChord& chord);
    // How the scale's notes at the rim and the chord's notes on the middle ring are named;
    // sharp names until set.
    void SetNoteNames(const CSpelling& scaleNames, const CSpelling& chordNames);

    // The pitch class heard from the sound input (-1: none), ringed at the rim in green when it
    // belongs to what is shown, in red when not; and the counts of played notes that belong and
    // that do not, in the top right corner (negative: not shown).
    void SetHeardPitch(int pitchClass, bool belongs);
    void SetHeardCounts(int in, int out);
    int GetHeardPitch() const { return m_heardPitch; }

    int GetOffset() const { return m_offset; }
    const CNoteList& GetScale() const { return m_scale; }
    static GEOMETRY ComputeGeometry(int clientWidth, int clientHeight);
    // Everything a paint draws at position i, for the current notes and size.
    SPOKE ComputeSpoke(int position, const GEOMETRY& geometry) const;
    // Paints into any device (tests render to an image).
    void Render(QPainter& painter, int clientWidth, int clientHeight) const;

    QSize sizeHint() const override { return QSize(220, 220); }
    QSize minimumSizeHint() const override { return QSize(120, 120); }

signals:
    void Released();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void DrawWheel(QPainter& painter, const GEOMETRY& geometry) const;

    CNoteList m_scale;
    int m_offset = 0;
    CNoteList m_chordNotes;
    CChord m_chord;
    CSpelling m_scaleNames, m_chordNames;
    bool m_pressed = false;
    int m_heardPitch = -1;
    bool m_heardBelongs = false;
    int m_heardIn = -1;
    int m_heardOut = -1;
};
