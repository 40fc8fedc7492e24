#pragma once

// The application as the lesson tests see it: a real note manager and composer behind the Show
// Scale tool, playback and camera requests recorded instead of sounded.

#include <memory>
#include <string>
#include <vector>

#include "theory/NoteManager.h"
#include "tools/ShowScaleDlg.h"
#include "tools/TutorialCommand.h"

class CLessonScaleHost : public CShowScaleHost {
public:
    CLessonScaleHost() : m_composer(m_manager) {
        m_manager.Initialize();
        m_composer.SetGrooveRoot(MA_RUNTIME_DIR "/Grooves");
    }
    CNoteManager& GetNoteManager() override { return m_manager; }
    CComposer& GetComposer() override { return m_composer; }
    bool PlayNotes(const CNoteList& notes, bool animate, int, double, double, int, int) override {
        played = notes;
        playAnimate = animate;
        ++playCalls;
        return true;
    }
    void Stop() override { ++stopCalls; }
    double GetPlayTime() const override { return -1.0; }
    const CCharString& GetHostError() const override { return m_error; }
    CCharString GetGrooveRoot() const override { return CCharString(MA_RUNTIME_DIR "/Grooves"); }
    bool ShowScaleMarks(int, int) override { return true; }
    bool ShowNotesOnGuitars(const CNoteList&) override { return true; }
    bool ShowChordNames(const CChord&) override { return true; }
    bool ShowChordOnGuitarist(const CChord&) override { return true; }
    bool SetHandPosition(THING, int) override { return true; }
    bool FrameFrets(THING, int, int) override { return true; }

    CNoteList played;
    bool playAnimate = false;
    int playCalls = 0;
    int stopCalls = 0;

private:
    CNoteManager m_manager;
    CComposer m_composer;
    CCharString m_error;
};

// Song editor requests are recorded; there is an editor only when a test gives one.
class CLessonHost : public CTutorialHost {
public:
    explicit CLessonHost(CShowScaleDlg* tool) : m_tool(tool) {}
    CShowScaleDlg* GetShowScaleTool() override { return m_tool; }
    CCharString GetGrooveRoot() const override { return CCharString(MA_RUNTIME_DIR "/Grooves/"); }
    CCharString GetSongPath() const override { return CCharString("/lessons/Songs/"); }
    bool LookAt(THING thing) override {
        lookedAt.push_back(thing);
        return true;
    }
    bool FindOpenWindow(int kind, CBaseWindow*& window, CCharString& error) override {
        if (kind == kKindSongEditor && editor) {
            window = editor;
            return true;
        }
        error.Format("Can't find open window %d", kind);
        return false;
    }
    bool OpenLessonFile(CBaseWindow&, const PRACTICE_REQUEST& request, const char* path,
                        bool showNotes, bool play, CCharString&) override {
        opened.push_back(path);
        openedStyle = request.style.Str();
        openedShowNotes = showNotes;
        openedPlay = play;
        return true;
    }

    CShowScaleDlg* m_tool;
    CBaseWindow* editor = nullptr;
    std::vector<THING> lookedAt;
    std::vector<std::string> opened;
    std::string openedStyle;
    bool openedShowNotes = false;
    bool openedPlay = false;
};
