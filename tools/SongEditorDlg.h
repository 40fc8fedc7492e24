#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>

#include "core/Settings.h"
#include "song/Composition.h"
#include "song/GrooveLibrary.h"
#include "song/Song.h"
#include "ui/BaseWindow.h"
#include "ui/Controls.h"

class CCmdButton;
class CComposer;
class CNoteArea;
class CNoteManager;
class CRecordButton;
class CWaveRenderer;
class QCheckBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class QTreeWidget;

// What the Song Editor asks of the application: composing, playback with the band, offline
// rendering and the sound input.
class CSongEditorHost {
public:
    virtual ~CSongEditorHost() = default;
    virtual CNoteManager& GetNoteManager() = 0;
    // The composer; its mix is the current mix.
    virtual CComposer& GetComposer() = 0;
    // The offline renderer, or null when the sound engine could not be opened.
    virtual CWaveRenderer* GetRenderer() = 0;
    // Plays notes from startOffset seconds on, with the band when its view is shown; with
    // recordPath the played sound is also written to that WAVE file.
    virtual bool PlayNotes(const CNoteList& notes, double startOffset, const char* recordPath) = 0;
    virtual void Stop() = 0;
    virtual const CCharString& GetHostError() const = 0;

    // The sound input for Record song: starts recording the input into path, and stops it. The
    // mix start is the input recording's offset against the playback recording (seconds).
    virtual bool StartInputRecording(const char* path, CCharString& error) = 0;
    virtual bool StopInputRecording(CCharString& error) = 0;
    virtual double GetInputMixStart() const = 0;
    // The latest input level, 0 to 1.
    virtual float GetInputLevel() const = 0;
    // Mixes the input recording into the playback recording from start seconds on, into out.
    virtual bool MixRecordings(const char* input, double start, const char* playback,
                               const char* out, CCharString& error) = 0;
};

// The Song Editor: the groove library, the song parts (a groove over chords of a scale) and the
// song (the parts in playing order), played by the band, recorded along with, and saved as
// ".Song", MIDI and WAVE files. The right side shows the current groove's notes.
class CSongEditorDlg : public CBaseWindow {
    Q_OBJECT
public:
    enum CONTROL : int {
        // Grooves
        kIdStyle = 1327,
        kIdGrooveCommands = 1611,
        kIdPlayGroove = 1338,
        kIdGrooves = 1283,
        // Song parts
        kIdPartCommands = 1617,
        kIdPlayPart = 1182,
        kIdChordCommands = 1614,
        kIdParts = 1273,
        kIdChords = 1276,
        // Song
        kIdSongCommands = 1620,
        kIdPlaySong = 1178,
        kIdOrder = 1297,
        kIdRepeat = 1216,
        kIdVolume = 1189,
        kIdInput = 1186,
        kIdRecord = 1181,
        // Play
        kIdLead = 1530,
        kIdRhythm = 1526,
        kIdBass = 1523,
        kIdDrums = 1527,
        kIdHuman = 1317,
        kIdTempo = 1214,
        kIdShowNotes = 1419,
        kIdNoteArea = 1292,
    };
    enum MENU_ITEM : int {
        kCmdNewGroove = 1359,
        kCmdOpenGroove = 1377,
        kCmdSaveGroove = 1393,
        kCmdSaveGrooveAs = 1446,
        kCmdDeleteGroove = 1448,
        kCmdPlayWhenSelected = 1640,
        kCmdNewPart = 1402,
        kCmdAddPartToSong = 1423,
        kCmdPartInfo = 1528,
        kCmdDeletePart = 1428,
        kCmdAddChord = 1418,
        kCmdInsertChord = 1420,
        kCmdChangeChord = 1432,
        kCmdChordUp = 1433,
        kCmdChordDown = 1434,
        kCmdDeleteChord = 1422,
        kCmdNewSong = 1345,
        kCmdOpenSong = 1335,
        kCmdSaveSong = 1339,
        kCmdSaveSongAs = 1464,
        kCmdSaveMidi = 1439,
        kCmdSaveWave = 1440,
        kCmdPartUp = 1451,
        kCmdPartDown = 1452,
        kCmdRemovePart = 1426,
    };
    enum PLAYING { kNone, kGroove, kPart, kSong, kRecord };
    // The left column alone, when the notes are hidden.
    static constexpr int kLeftWidth = 210;
    static constexpr int kLeftHeight = 576;
    static constexpr double kDefaultTempo = 120.0;

    CSongEditorDlg(CSongEditorHost& host, APP_SETTINGS* settings, QWidget* parent = nullptr);
    // Where the editor first opens: beside the lessons, wide enough for the notes.
    static WND_RECT DefaultRect();
    ~CSongEditorDlg() override;

    // Opens a ".Song" file as the song or a ".mid" file as the current groove; any other
    // ending fails. Failures are shown and leave what was open.
    bool OpenFile(const char* path);
    bool OpenSong(const char* path);
    bool OpenGroove(const char* path);
    // Selects a groove of the library (both names must be given) as the user does.
    bool SelectGroove(const char* style, const char* name);
    // Plays (or, when it plays already, stops) the groove, the selected part or the song, or
    // records the song; refusals are shown and start nothing.
    bool Play(PLAYING what);
    // Checks or clears "Show notes" as the user does.
    void SetShowNotes(bool show);
    // The application stopped playback (the end was reached, or something else plays now).
    void PlaybackStopped();
    // Asks about unsaved changes to the groove and the song; false when the user chose to keep
    // them open (a cancelled save).
    bool OfferToSaveAll();

    CComposition& GetComposition() { return *m_composition; }
    const CSong& GetGroove() const { return m_groove; }
    bool IsGrooveChanged() const;
    PLAYING GetPlaying() const { return m_playing; }
    CNoteArea* GetNoteArea() const { return m_noteArea; }
    CGrooveLibrary& GetLibrary() { return m_library; }
    CListWrapper& List(CONTROL id);
    QTreeWidget* GetChordList() const { return m_chords; }
    QCheckBox* Check(CONTROL id) const;
    QLineEdit* Edit(CONTROL id) const;
    QPushButton* Button(CONTROL id) const;
    QMenu* Menu(CONTROL commandButton) const;
    QAction* Action(int item) const;
    // The notes last handed to the application to play.
    const CNoteList& GetLastPlayed() const { return m_lastPlayed; }
    // The volume and time spreads the human level gives (time in beat-unit fractions).
    double GetVolumeSpread() const;
    double GetTimeSpread() const;

    bool OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    bool OnDestroyed() override;

private:
    bool Fail(const char* format, ...) MA_PRINTF(2, 3);
    void BuildControls();
    QWidget* BuildLeftColumn();
    void AddMenu(CONTROL button, const char* title,
                 std::initializer_list<std::pair<int, const char*>> items);
    void FillStyles();
    void FillGrooves();
    void FillNames(CListWrapper& list, int count, const std::function<CSongPart*(int)>& part);
    void FillParts();
    void FillChords();
    void FillOrder();
    void ShowSong();
    void SetPlaying(PLAYING playing);
    void ShowError(const char* caption, const char* format, ...) MA_PRINTF(3, 4);

    // Grooves.
    void StyleSelected();
    void GrooveSelected();
    bool LoadGroove(const char* path, const char* style, const char* name);
    bool OfferToSaveGroove();
    bool SaveGroove(bool askName);
    void NewGroove();
    void OpenGrooveFile();
    void DeleteGroove();
    void AddMeasure();
    void DeleteLastMeasure();

    // Parts and chords.
    CSongPart* SelectedPart() const;
    int SelectedChord() const;
    void PartSelected();
    void NewPart();
    void AddPartToSong();
    void PartInfo(CSongPart& part, int mode);
    void DeletePart();
    void EditChord(int item);
    void MoveChord(int delta);
    void DeleteChord();

    // The song.
    bool OfferToSaveSong();
    bool SaveSong(bool saveAs, const char* question);
    void NewSong();
    void OpenSongFile();
    void SaveSongAs(bool wave);
    void MoveOrderEntry(int delta);
    void RemoveOrderEntry();
    void TempoEdited();
    void RepeatEdited();

    // Playing and recording.
    bool PrepareNotes(CSong& song, CNoteList& notes);
    void Stop();
    void FinishRecording();
    void ShowNotes(bool show);

    CSongEditorHost& m_host;
    APP_SETTINGS* m_settings;
    MUSIC_EDITOR_SETTINGS* m_record;
    CGrooveLibrary m_library;
    std::unique_ptr<CComposition> m_composition;
    CSong m_groove;
    CCharString m_grooveStyle, m_grooveName, m_grooveFile;
    bool m_grooveChanged = false;
    PLAYING m_playing = kNone;
    bool m_filling = false;     // list changes the editor makes itself are not the user's
    bool m_quietSelect = false; // a groove selected for a part is not played
    CNoteList m_lastPlayed;
    CCharString m_inputPath, m_playbackPath;
    QSize m_fullSize;

    QWidget* m_left = nullptr;
    CNoteArea* m_noteArea = nullptr;
    CListWrapper m_style, m_grooves, m_parts, m_order, m_human;
    QTreeWidget* m_chords = nullptr;
    QLineEdit* m_repeat = nullptr;
    QLineEdit* m_tempo = nullptr;
    QCheckBox* m_checks[5] = {};
    QPushButton* m_playButtons[3] = {};
    CCmdButton* m_commandButtons[4] = {};
    QMenu* m_menus[4] = {};
    CRecordButton* m_recordButton = nullptr;
    CTrackBar m_volume;
    CProgressBar m_input;
    QTimer* m_levelTimer = nullptr;
};
