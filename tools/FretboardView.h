#pragma once

#include <QWidget>
#include <vector>

#include "theory/Chord.h"
#include "theory/NoteList.h"
#include "theory/Spelling.h"

// A flat picture of the lead guitar's neck beside the 3D band: the scale's pitch marks over
// the whole neck, the notes of the current position with their fingers, the current chord's
// shape, and the note that sounds during playback. It is fed the same note lists as the band's
// guitars, so both views always agree.
class CFretboardView : public QWidget {
    Q_OBJECT
public:
    enum LABELS { kNoteNames, kDegrees, kIntervals };
    static constexpr int kLastFret = 22;

    explicit CFretboardView(QWidget* parent = nullptr);

    // The open strings, string 1 (the highest) first.
    void SetTuning(const CNoteList& openStrings);
    int GetStringCount() const { return static_cast<int>(m_open.size()); }
    // True when the shown chord leaves string (1 = first) out.
    bool IsMuted(int string) const {
        return string >= 1 && string <= static_cast<int>(m_chordMuted.size()) &&
               m_chordMuted[string - 1];
    }
    // The pitch classes to mark everywhere on the neck, each with its scale degree; the root's
    // pitch class stands out.
    void ShowPitchMarks(const CNoteList& scaleNotes, int rootMidi);
    // Notes placed on strings and frets, with their fingers.
    void ShowNoteMarks(const CNoteList& notes);
    // The chord's placed notes; strings without a note are marked as not played.
    void ShowChord(const CChord& chord);
    void SetLabels(LABELS labels);
    // How note-name labels are written; sharp names until set.
    void SetNoteNames(const CSpelling& names);
    LABELS GetLabels() const { return m_labels; }

    // The notes being played and where playback stands: the notes of this guitar sounding at
    // that time are highlighted. A negative time clears the highlight.
    void SetPlayedNotes(const CNoteList& notes, THING thing);
    void SetPlayTime(double seconds);
    // String and fret of each highlighted note (for tests and the status line).
    std::vector<std::pair<int, int>> GetHighlighted() const;
    // The note heard from the sound input (255: none), lit wherever it lies on the neck, green
    // when it belongs to what is shown, red when not.
    void SetHeardNote(int midi, bool belongs);
    int GetHeardNote() const { return m_heardMidi; }

    // The text shown beside a mark of this MIDI note under the current labels.
    QString LabelFor(int midi) const;
    // Horizontal centre of the space behind a fret (fret 0: left of the nut) and the height of
    // a string, for the current size.
    double FretCentre(int fret) const;
    // A narrow view leaves the highest frets out rather than crowding them.
    int LastVisibleFret() const { return width() < 640 ? 17 : kLastFret; }
    double StringY(int string) const;

    QSize sizeHint() const override { return QSize(600, 190); }
    QSize minimumSizeHint() const override { return QSize(460, 130); }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    struct MARK {
        int string;
        int fret;
        int midi;
        int finger; // 0 = none
    };
    double FretX(int fret) const;
    int PitchDegree(int pitchClass) const;

    std::vector<int> m_open;
    std::vector<int> m_degreeOf = std::vector<int>(12, 0); // pitch class -> degree, 0 = none
    int m_rootClass = -1;
    std::vector<MARK> m_notes;
    std::vector<MARK> m_chord;
    std::vector<bool> m_chordMuted;
    int m_barre = 0;
    CNoteList m_played;
    THING m_playedThing = THING_LEAD_GUITAR;
    std::vector<std::pair<int, int>> m_highlight;
    int m_heardMidi = MIDI_NO_PITCH;
    bool m_heardBelongs = false;
    LABELS m_labels = kNoteNames;
    CSpelling m_names;
};
