#pragma once

#include <QDir>
#include <QStringList>

#include "song/Composer.h"
#include "sound/HeardNotes.h"
#include "theory/Chord.h"
#include "theory/NoteList.h"
#include "theory/Spelling.h"
#include "ui/BaseWindow.h"
#include "ui/Controls.h"

class CFretboardView;
class CNoteManager;
class CNoteWheel;
class QMenu;
class QPushButton;
class QTimer;

// What the Show Scale tool asks of the application: playback and the band. Band operations
// do nothing (and succeed) while there is no band; the application clamps as the tool does.
class CShowScaleHost {
public:
    virtual ~CShowScaleHost() = default;
    virtual CNoteManager& GetNoteManager() = 0;
    virtual CComposer& GetComposer() = 0;
    virtual bool PlayNotes(const CNoteList& notes, bool animate, int repeatCount,
                           double startOffset, double lengthPerRepeat, int repeats,
                           int playOptions) = 0;
    virtual void Stop() = 0;
    // The seconds since the current playback started, negative when nothing plays.
    virtual double GetPlayTime() const = 0;
    virtual const CCharString& GetHostError() const = 0;
    // The folder of the groove styles, and the user's own (empty: none), whose styles and
    // grooves join the list.
    virtual CCharString GetGrooveRoot() const = 0;
    virtual CCharString GetUserGrooveRoot() const { return CCharString(); }

    virtual bool ShowScaleMarks(int root, int scale) = 0;
    virtual bool ShowNotesOnGuitars(const CNoteList& notes) = 0;
    virtual bool ShowChordNames(const CChord& chord) = 0;
    virtual bool ShowChordOnGuitarist(const CChord& chord) = 0;
    virtual bool SetHandPosition(THING guitar, int fret) = 0;
    virtual bool FrameFrets(THING guitar, int firstFret, int lastFret) = 0;
};

// The options a lesson command adds to a request.
struct SHOW_SCALE_OPTIONS {
    int chordDegree = 0; // 0: no chord
    int chordGroup = 0;
    CCharString rootName;
    bool play = false;
    bool viewPosition = true;
    bool viewNeck = false;
};

// The central tool: pick a scale and a root, see it on the neck and the note wheel, hear it
// over a groove; pick a chord of the scale, see its name, formula and fingering, hear it
// strummed.
class CShowScaleDlg : public CBaseWindow {
    Q_OBJECT
public:
    // Control identifiers, kept as the names by which commands and tests address them.
    enum CONTROL : int {
        kIdWheel = 1638,
        kIdScale = 1584,
        kIdRoot = 1361,
        kIdPosition = 1371,
        kIdCommands = 1664,
        kIdShowScale = 1577,
        kIdStyle = 1596,
        kIdGroove = 1336,
        kIdTempo = 1368,
        kIdNoteLength = 1386,
        kIdPattern = 1587,
        kIdProgression = 1590,
        kIdProgressionText = 1667,
        kIdPlayScale = 1649,
        kIdChordName = 1653,
        kIdFormula = 1659,
        kIdChord = 1594,
        kIdType = 1604,
        kIdShowChord = 1571,
        kIdPlayChord = 1651,
        kIdViewNone = 1671,
        kIdViewPosition = 1662,
        kIdViewNeck = 1561,
        kIdMute = 1668,
        kIdCountIn = 1670,
    };
    enum MODE { kScaleMode, kChordMode };
    static constexpr float kGuitarVolume = 0.7f;
    static constexpr float kMutedVolume = 0.0001f;

    CShowScaleDlg(CShowScaleHost& host, SHOW_SCALE_SETTINGS* record, QWidget* parent = nullptr);
    ~CShowScaleDlg() override;

    // A request with nothing named: zero scale, tempo, length and pattern, position -1, no
    // style or groove. Lessons fill in what they name.
    static PRACTICE_REQUEST EmptyRequest();
    // The semitone position of a scale's tonic within its parent major scale.
    static int WheelOffset(int scale);
    static int ClampHand(int fret) { return std::clamp(fret, 0, 14); }
    static int ClampFret(int fret) { return std::clamp(fret, 0, 22); }

    // The lessons' two entries: apply, then strum the chord or play the scale when asked.
    bool ApplyRequestPlayChord(const PRACTICE_REQUEST& request, const SHOW_SCALE_OPTIONS& options);
    bool ApplyRequestPlayScale(const PRACTICE_REQUEST& request, const SHOW_SCALE_OPTIONS& options);
    // Playback ended or was stopped by the application.
    void PlaybackStopped();
    // An input note of the sound capture: the note the player plays is lit on the neck and the
    // wheel, green when it belongs to the scale (or, in chord mode, the chord) shown, red when
    // not, and counted since Play Scale was last pressed.
    void HearInput(const CNote& input);
    // Capture stopped: nothing is lit any more.
    void StopHearing();
    const CHeardNotes& GetHeard() const { return m_heard; }

    bool ShowScale();
    bool ShowChord();
    bool PlayScale();
    bool PlayChord();
    // The request the controls make.
    PRACTICE_REQUEST AssembleRequest() const;

    // How note and chord names are shown, kept in the record. Changing it renames what is shown
    // and keeps every choice.
    NOTE_NAMES GetNoteNames() const { return m_noteNames; }
    void SetNoteNames(NOTE_NAMES names);
    // The names of the shown scale's notes, for anything else that names one of them.
    const CSpelling& GetSpelling() const { return m_spelling; }

    MODE GetMode() const { return m_mode; }
    bool IsPlaying() const { return m_playing; }
    const CChord& GetChord() const { return m_chord; }
    int GetChordType() const { return m_chordType; }
    const CNoteList& GetShownNotes() const { return m_shownNotes; }
    const CNoteList& GetLastPlayed() const { return m_lastPlayed; }
    bool IsMuted() const { return m_muted; }
    bool IsCountIn() const { return m_countIn; }
    bool IsViewPosition() const { return m_viewPosition; }
    bool IsViewNeck() const { return m_viewNeck; }

    CListWrapper& List(CONTROL id);
    QPushButton* Button(CONTROL id) const;
    CCharString GetText(CONTROL id) const;
    CNoteWheel* GetWheel() const { return m_wheel; }
    CFretboardView* GetFretboard() const { return m_fretboard; }
    QMenu* GetCommandsMenu() const { return m_menu; }

    bool OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    bool OnDestroyed() override;

private:
    bool ApplyRequest(const PRACTICE_REQUEST& request, const SHOW_SCALE_OPTIONS& options);
    bool Fail(const char* format, ...) MA_PRINTF(2, 3);
    void BuildControls();
    void FillLists();
    void FillGrooves();
    // The names under sub in the groove root and the user's, each once, sorted.
    QStringList ListGrooveRoots(const QString& sub, const QStringList& patterns,
                                QDir::Filters filters) const;
    void ScaleOrRootChanged();
    void PatternChanged();
    void UpdateProgressionText();
    void SetPlayButtonText(bool playing);
    void FrameNotes(const CNoteList& notes, THING guitar);
    void UpdateMenuChecks();
    void UpdatePlayHighlight();

    CShowScaleHost& m_host;
    SHOW_SCALE_SETTINGS* m_record;
    MODE m_mode = kScaleMode;
    bool m_playing = false;
    bool m_muted = false;
    bool m_countIn = false;
    bool m_viewPosition = false;
    bool m_viewNeck = false;
    bool m_filling = false; // list changes made by the tool itself are not user changes
    CChord m_chord;
    int m_chordType = 0;
    NOTE_NAMES m_noteNames = NOTE_NAMES_KEY;
    CSpelling m_spelling;
    CNoteList m_shownNotes;
    CNoteList m_lastPlayed;
    double m_playedOffset = 0.0;
    CHeardNotes m_heard;
    uint16_t m_heardBelonging = 0;

    CNoteWheel* m_wheel = nullptr;
    CFretboardView* m_fretboard = nullptr;
    CCmdButton* m_commands = nullptr;
    QMenu* m_menu = nullptr;
    QTimer* m_highlightTimer = nullptr;
    CListWrapper m_scale, m_root, m_position, m_style, m_groove, m_tempo, m_noteLength, m_pattern,
        m_progression, m_chordList, m_type;
    CTextWrapper m_progressionText, m_chordName, m_formula;
    QPushButton* m_showScaleButton = nullptr;
    QPushButton* m_playScaleButton = nullptr;
    QPushButton* m_showChordButton = nullptr;
    QPushButton* m_playChordButton = nullptr;
};
