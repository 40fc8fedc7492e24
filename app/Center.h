#pragma once

#include <QtCore/qnamespace.h>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "core/CharString.h"
#include "core/Settings.h"
#include "core/VarList.h"
#include "theory/Note.h"
#include "theory/NoteList.h"
#include "theory/Thing.h"
#include "tools/MainWnd.h"

class CBaseWindow;
class CNoteManager;
class CMidiKeyboard;
class CSound;
class CAudioDevice;
class CMix;
class CComposer;
class CShowScaleDlg;
class CSongEditorDlg;
class CSpacePainter;
class CAnimationPlayer;
class CBand;
class CSoundCapture;
class CGenerator;

// Application identity.
constexpr const char* kProductTitle = "Modal Atlas";
constexpr const char* kInstanceName = "{82627F9B-11B0-4e5b-B32F-67FB3829B31F}";
constexpr int kAppNumber = 5;
constexpr int kMainIcon = 1542;
constexpr int kMainMenu = 1394;
constexpr int kChannelCount = 63;
constexpr int kFirstPicture = 14;

// The application object: owns every long-lived service and, through its window list, every
// tool window. Create() is the first phase (services without devices, settings, main window),
// Initialize() the second (devices, tool windows, lesson index), run by the main window's start
// message; Close() takes it all down in reverse, saving the mix and the settings. Every
// operation runs on the user-interface thread; fallible ones return false with GetError() set.
// The main window reaches it through CMainWndHost.
class CCenter : public CMainWndHost {
public:
    CCenter(int appNumber, const char* commandLine);
    ~CCenter() override;
    CCenter(const CCenter&) = delete;
    CCenter& operator=(const CCenter&) = delete;

    bool Create();
    bool Initialize() override;
    bool Close() override;

    const CCharString& GetError() const override { return m_error; }
    CMainWnd* GetMainWindow() const { return m_mainWnd.get(); }
    int GetAppNumber() const { return m_appNumber; }
    const CCharString& GetCommandLine() const { return m_commandLine; }
    bool IsFirstRun() const { return m_firstRun; }

    // The first open window of that kind; fails with "Can't find open window %d".
    bool FindWindow(int kind, CBaseWindow** window);
    // Shows the window of that kind ("Can't find window %d to show", "Can't show window %d"),
    // centred over the main window when asked.
    bool ShowWindowKind(int kind, bool centre);
    const CVarList<CBaseWindow*>& GetWindows() const { return m_windows; }
    // Text window first, then the tools and the band view beside it, the Mixer below.
    void ArrangeWindows();

    // Plays notes (a copy) from the start offset on, with the band when animate is set and the
    // band view is shown. The play end time is lengthPerRepeat x repeats when lengthPerRepeat
    // is not 0, else the end of the list; plus the start offset. Play options pass to the
    // engine (which this application always starts once, without looping). With recordPath
    // the engine also writes what it plays to that WAVE file.
    bool PlayNotes(const CNoteList& notes, bool animate, int repeatCount, double startOffset,
                   double lengthPerRepeat, int repeats, int playOptions,
                   const char* recordPath = nullptr);
    void Stop();
    // Stops playback once the play end time has passed (not when it is 0); the 33 ms tick.
    void CheckEndOfPlay();
    bool IsPlaying() const { return m_playing; }
    double GetPlayEndTime() const { return m_playEndTime; }
    double GetFirstNoteTime() const { return m_firstNoteTime; }
    // Seconds since the current playback started; negative when nothing plays.
    double GetPlayTime() const;
    // A note from the computer keyboard or another thread: completed by the note manager,
    // remembered, appended to the current notes and sounded once.
    bool PlaySingleNote(CNote& note);
    const CNote& GetLastSingleNote() const { return m_lastNote; }
    // Opens a ".mid" or ".Song" file in the Song Editor, which is made when it is not open yet.
    bool OpenFile(const char* path, bool show);
    // The Song Editor (kind 12), made the first time it is asked for; null when it can't be.
    CSongEditorDlg* GetSongEditor();
    // Opens the output and input devices; a failure shows "Audio Device Error" and returns
    // false, and the application goes on without the device.
    bool OpenAudioDevices();
    // Tests choose the output device the engine opens (a failing or stepped one); without a
    // factory the engine picks its own.
    void SetAudioDeviceFactory(std::function<std::unique_ptr<CAudioDevice>()> factory) {
        m_deviceFactory = std::move(factory);
    }
    // Hands the command line to OpenFile when it names a file.
    void HandleCommandLine() override;

    // Sound input for the Tuner and for listening to the player. The first user readies
    // capture (without a recording) and starts it; the last one stops it. False with the
    // capture's words in error.
    bool StartCapture(CCharString& error);
    void StopCapture();
    // The latest input note, its names, octave and exact frequency filled; reset when capture
    // stops.
    const CNote& GetLatestInputNote() const { return m_latestInput; }
    // Empty while capture works; the capture's words once its device went away.
    CCharString GetCaptureError() const;
    // Records the sound input into path at 44,100 Hz, 16 bits, in channels, capture going on
    // for everyone who hears it; StopRecording closes the file and hears in the usual format
    // again. False with the capture's words in error.
    bool StartRecording(const char* path, int channels, CCharString& error);
    bool StopRecording(CCharString& error);
    CSoundCapture* GetCapture() const { return m_capture.get(); }
    // Whether the Show Scale tool hears the player (Show > Listen to my playing).
    bool IsListening() const { return m_listening; }
    // Tests choose the input device the capture opens; without a factory it picks its own.
    void SetCaptureDeviceFactory(std::function<std::unique_ptr<CAudioDevice>()> factory) {
        m_captureFactory = std::move(factory);
    }

    // Routes from the main window.
    bool OnCommand(int id) override;
    bool OnKeyDown(int key, Qt::KeyboardModifiers modifiers) override;
    bool OnSysKeyDown(int key, Qt::KeyboardModifiers modifiers) override;
    bool OnKeyUp(int key, Qt::KeyboardModifiers modifiers) override;
    void OnTimer(int id) override;
    bool OnUserMessage(int message, intptr_t wParam, intptr_t lParam) override;
    bool OnMouseWheel(int delta) override;

    // The distinct instruments of the current note list, in note order.
    bool BuildInstrumentList();
    const CVarList<THING>& GetInstruments() const { return m_instruments; }

    APP_SETTINGS* GetSettings() const { return m_settings.get(); }
    CNoteManager* GetNoteManager() const { return m_noteManager.get(); }
    CMix* GetMix() const { return m_mix.get(); }
    CSound* GetSound() const { return m_sound.get(); }
    CComposer* GetComposer() const { return m_composer.get(); }
    CSpacePainter* GetScene() const { return m_scene.get(); }
    CAnimationPlayer* GetAnimator() const { return m_animator.get(); }
    // The band of the band view's picture, or null when the picture holds none.
    CBand* GetBand() const;
    CMidiKeyboard* GetMidiKeyboard() const { return m_midiKeyboard.get(); }
    // One note per instrument 0 to 62 holding the channel's volume and pan.
    const CNoteList& GetChannels() const { return m_channels; }
    const CNoteList& GetCurrentNotes() const { return m_currentNotes; }
    // Taken by the timer path around the band animator and the scene, and by worker threads
    // that touch them.
    std::recursive_mutex& GetLock() { return m_lock; }

private:
    bool Fail(const char* format, ...) MA_PRINTF(2, 3);
    bool FailReported(const char* file, int line, const char* format, ...) MA_PRINTF(4, 5);
    bool CreateToolWindows();
    // The Generator is made when it is first asked for, or at start when it was left open.
    bool ShowGenerator();
    bool ShowTuner();
    bool ShowSampler();
    bool ToggleListening();
    // An input note from the capture thread: kept as the latest and heard by Show Scale.
    void TakeInputNote(CNote& note);
    void AddWindow(CBaseWindow* window);
    void SetDefaultDrumMix();
    CBaseWindow* Lookup(int kind) const;
    double KeyClock() const;
    double SecondsSinceStart() const;

    int m_appNumber;
    CCharString m_commandLine;
    CCharString m_error;
    CCharString m_title;
    int m_icon = 0;
    int m_menu = 0;

    CVarList<CBaseWindow*> m_windows{50};
    CVarList<THING> m_instruments{50};
    CNoteList m_currentNotes;
    CNoteList m_channels;
    CNote m_lastNote;

    std::unique_ptr<CNoteManager> m_noteManager;
    std::unique_ptr<CMix> m_mix;
    std::unique_ptr<CMidiKeyboard> m_midiKeyboard;
    std::unique_ptr<CComposer> m_composer;
    std::unique_ptr<CSound> m_sound;
    std::unique_ptr<CSoundCapture> m_capture;
    std::unique_ptr<CGenerator> m_generator;
    std::unique_ptr<CAnimationPlayer> m_animator;
    std::unique_ptr<CSpacePainter> m_scene;
    std::unique_ptr<APP_SETTINGS> m_settings;
    std::unique_ptr<CMainWnd> m_mainWnd;
    std::recursive_mutex m_lock;

    bool m_playing = false;
    std::chrono::steady_clock::time_point m_playStart;
    double m_firstNoteTime = 0.0;
    double m_playEndTime = 0.0;
    int m_picture = kFirstPicture;
    bool m_firstRun = false;
    bool m_showError = true;
    bool m_closed = false;
    std::chrono::steady_clock::time_point m_keyClockStart;
    std::function<std::unique_ptr<CAudioDevice>()> m_deviceFactory;
    std::function<std::unique_ptr<CAudioDevice>()> m_captureFactory;
    CNote m_latestInput;
    int m_captureUsers = 0;
    bool m_listening = false;
    // What the Show Scale tool asks of the application, answered by this object.
    class CShowScaleLink;
    std::unique_ptr<CShowScaleLink> m_showScaleLink;
    // What the lesson window asks of the application.
    class CTutorialLink;
    // What the Generator asks of the application.
    class CGeneratorLink;
    std::unique_ptr<CGeneratorLink> m_generatorLink;
    // What the Song Editor asks of the application.
    class CSongEditorLink;
    std::unique_ptr<CSongEditorLink> m_songEditorLink;
    // What the Tuner asks of the application.
    class CTunerLink;
    std::unique_ptr<CTunerLink> m_tunerLink;
    // What the Sample Recorder asks of the application.
    class CSamplerLink;
    std::unique_ptr<CSamplerLink> m_samplerLink;
};
