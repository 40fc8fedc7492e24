#pragma once

// The application as the lesson tests see it: a real note manager and composer behind the Show
// Scale tool, playback and camera requests recorded instead of sounded.

#include <memory>
#include <string>
#include <vector>

#include "tests/tools/ShowScaleTestHost.h"
#include "theory/NoteManager.h"
#include "tools/ShowScaleDlg.h"
#include "tools/TutorialCommand.h"

using CLessonScaleHost = CRecordingScaleHost;

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
