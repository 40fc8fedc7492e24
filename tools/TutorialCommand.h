#pragma once

#include "core/CharString.h"
#include "song/Composer.h"
#include "theory/NoteManager.h" // FindRootByName, used with the commands
#include "theory/Thing.h"
#include "tools/ShowScaleDlg.h"

class CBaseWindow;

// What a lesson command needs from the application: the Show Scale tool, the content folders,
// the camera and the song editor.
class CTutorialHost {
public:
    virtual ~CTutorialHost() = default;
    // The Show Scale tool, or null when there is none.
    virtual CShowScaleDlg* GetShowScaleTool() = 0;
    // Both folders end with a separator: file names are appended as they are.
    virtual CCharString GetGrooveRoot() const = 0;
    virtual CCharString GetSongPath() const = 0;
    // Points the camera at a band thing.
    virtual bool LookAt(THING thing) = 0;
    // The open window of a kind; false with "Can't find open window %d" when there is none.
    virtual bool FindOpenWindow(int kind, CBaseWindow*& window, CCharString& error) = 0;
    // With the song editor open: sets its style and groove (when both are given) and its
    // show-notes flag, then opens the file, playing it when the play flag is on.
    virtual bool OpenLessonFile(CBaseWindow& editor, const PRACTICE_REQUEST& request,
                                const char* path, bool showNotes, bool play,
                                CCharString& error) = 0;
};

// One lesson button's command string, "Key=Value|Key=Value|...", parsed into a request for the
// Show Scale tool and the options around it, and run.
class CTutorialCommand {
public:
    // The keys a command named, so that a check can see what it asked for.
    enum KEY : unsigned {
        kKeyScale = 1u << 0,
        kKeyFile = 1u << 1,
        kKeyRoot = 1u << 2,
        kKeyPosition = 1u << 3,
        kKeyFromNote = 1u << 4,
        kKeyToNote = 1u << 5,
        kKeyStyle = 1u << 6,
        kKeyGroove = 1u << 7,
        kKeyTempo = 1u << 8,
        kKeyNoteLength = 1u << 9,
        kKeyChordProg = 1u << 10,
        kKeyWalk = 1u << 11,
        kKeyChordNumber = 1u << 12,
        kKeyChordGroup = 1u << 13,
        kKeyPlay = 1u << 14,
        kKeyLookAt = 1u << 15,
        kKeyShowNotes = 1u << 16,
        kKeyShow = 1u << 17,
    };

    CTutorialCommand();

    // Starts from the defaults and reads every pair. A pair without "=" or without a value, an
    // unknown key, a name that cannot be resolved, a number that does not read as one, or a
    // "Show" other than "Position" or "Neck" fails the whole command. "File" names are joined
    // to the groove root (".mid") or the songs folder (".Song"); any other ending fails.
    bool Parse(const char* text, const char* grooveRoot, const char* songPath);
    // Runs what Parse read: a file through the song editor (which must be open), else the Show
    // Scale tool, the chord entry when a chord degree is named and the scale entry otherwise
    // (which needs a scale). A failure does nothing to the tool.
    bool Run(CTutorialHost& host);
    // Parse with the host's folders, then Run.
    bool Execute(const char* text, CTutorialHost& host);

    const CCharString& GetError() const { return m_error; }
    bool Named(KEY key) const { return (m_named & key) != 0; }
    unsigned GetNamed() const { return m_named; }

    PRACTICE_REQUEST m_request;
    SHOW_SCALE_OPTIONS m_options;
    CCharString m_file; // the full path, empty when no file is named
    THING m_lookAt = THING_NONE;
    bool m_showNotes = true;

private:
    void Reset();
    bool SetPair(const CCharString& key, const CCharString& value, const char* grooveRoot,
                 const char* songPath);
    bool Fail(const char* format, ...) MA_PRINTF(2, 3);

    unsigned m_named = 0;
    CCharString m_error;
};
