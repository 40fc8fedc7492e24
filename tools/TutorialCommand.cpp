#include "tools/TutorialCommand.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "theory/NoteManager.h"
#include "theory/ScaleTables.h"
#include "ui/BaseWindow.h"

namespace {

bool EndsWith(const CCharString& text, const char* ending) {
    size_t length = std::strlen(ending);
    return text.GetLength() >= length &&
           std::strcmp(text.GetText() + text.GetLength() - length, ending) == 0;
}

// The whole value must be the number: "12x" or "" is no number.
bool ReadInteger(const char* text, int& value) {
    errno = 0;
    char* end = nullptr;
    long read = std::strtol(text, &end, 10);
    if (end == text || *end != 0 || errno != 0 || read < INT_MIN || read > INT_MAX)
        return false;
    value = static_cast<int>(read);
    return true;
}

bool ReadNumber(const char* text, double& value) {
    errno = 0;
    char* end = nullptr;
    double read = std::strtod(text, &end);
    if (end == text || *end != 0 || errno != 0 || !std::isfinite(read))
        return false;
    value = read;
    return true;
}

} // namespace

CTutorialCommand::CTutorialCommand() {
    Reset();
}

void CTutorialCommand::Reset() {
    m_request = CShowScaleDlg::EmptyRequest();
    m_options = SHOW_SCALE_OPTIONS();
    m_file.Empty();
    m_lookAt = THING_NONE;
    m_showNotes = true;
    m_named = 0;
    m_error.Empty();
}

bool CTutorialCommand::Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_error.FormatV(format, args);
    va_end(args);
    return false;
}

bool CTutorialCommand::Parse(const char* text, const char* grooveRoot, const char* songPath) {
    Reset();
    if (!text || !*text)
        return Fail("Empty command");
    const char* pair = text;
    for (;;) {
        const char* bar = std::strchr(pair, '|');
        size_t length = bar ? static_cast<size_t>(bar - pair) : std::strlen(pair);
        CCharString whole;
        whole.Set(std::string(pair, length).c_str());
        const char* equals = std::strchr(whole.GetText(), '=');
        if (!equals)
            return Fail("No \"=\" in \"%s\"", whole.GetText());
        CCharString key(whole);
        key.Cut(static_cast<size_t>(equals - whole.GetText()));
        CCharString value(equals + 1);
        if (value.IsEmpty())
            return Fail("No value for \"%s\"", key.GetText());
        if (!SetPair(key, value, grooveRoot ? grooveRoot : "", songPath ? songPath : ""))
            return false;
        if (!bar)
            break;
        pair = bar + 1;
    }
    return true;
}

bool CTutorialCommand::SetPair(const CCharString& key, const CCharString& value,
                               const char* grooveRoot, const char* songPath) {
    const char* v = value.GetText();
    int number = 0;
    if (key == "Scale") {
        if (!FindScaleTypeByName(v, m_request.scale))
            return Fail("Unknown scale \"%s\"", v);
        m_named |= kKeyScale;
    } else if (key == "File") {
        if (EndsWith(value, ".mid"))
            m_file.Format("%s%s", grooveRoot, v);
        else if (EndsWith(value, ".Song"))
            m_file.Format("%s%s", songPath, v);
        else
            return Fail("\"%s\" is neither a \".mid\" nor a \".Song\" file", v);
        m_named |= kKeyFile;
    } else if (key == "Root") {
        int midi = 0;
        if (!FindRootByName(v, midi))
            return Fail("Unknown root \"%s\"", v);
        m_options.rootName = value;
        m_named |= kKeyRoot;
    } else if (key == "Position" || key == "FromNote" || key == "ToNote" || key == "NoteLength" ||
               key == "ChordNumber") {
        if (!ReadInteger(v, number))
            return Fail("\"%s\" is not a whole number for \"%s\"", v, key.GetText());
        if (key == "Position") {
            m_request.position = number;
            m_named |= kKeyPosition;
        } else if (key == "FromNote") {
            m_request.lowest = number;
            m_named |= kKeyFromNote;
        } else if (key == "ToNote") {
            m_request.highest = number;
            m_named |= kKeyToNote;
        } else if (key == "NoteLength") {
            m_request.noteLength = number;
            m_named |= kKeyNoteLength;
        } else {
            m_options.chordDegree = number;
            m_named |= kKeyChordNumber;
        }
    } else if (key == "Style") {
        m_request.style = value;
        m_named |= kKeyStyle;
    } else if (key == "Groove") {
        m_request.groove = value;
        m_named |= kKeyGroove;
    } else if (key == "Tempo") {
        double tempo = 0.0;
        if (!ReadNumber(v, tempo) || tempo <= 0.0)
            return Fail("\"%s\" is not a tempo", v);
        m_request.SetTempo(tempo);
        m_named |= kKeyTempo;
    } else if (key == "ChordProg") {
        if (!FindProgressionByName(v, m_request.progression))
            return Fail("Unknown chord progression \"%s\"", v);
        m_named |= kKeyChordProg;
    } else if (key == "Walk") {
        if (!FindPatternByName(v, m_request.pattern))
            return Fail("Unknown pattern \"%s\"", v);
        m_named |= kKeyWalk;
    } else if (key == "ChordGroup") {
        if (!FindChordGroupByName(v, m_options.chordGroup))
            return Fail("Unknown chord group \"%s\"", v);
        m_named |= kKeyChordGroup;
    } else if (key == "Play") {
        // Only the exact "Y" plays; "y" or "Yes" leave the flag off.
        m_options.play = value == "Y";
        m_named |= kKeyPlay;
    } else if (key == "LookAt") {
        if (!FindThingByName(v, m_lookAt))
            return Fail("Unknown band thing \"%s\"", v);
        m_named |= kKeyLookAt;
    } else if (key == "ShowNotes") {
        m_showNotes = v[0] == 'Y';
        m_named |= kKeyShowNotes;
    } else if (key == "Show") {
        if (value == "Position") {
            m_options.viewPosition = true;
            m_options.viewNeck = false;
        } else if (value == "Neck") {
            m_options.viewPosition = false;
            m_options.viewNeck = true;
        } else {
            return Fail("Unknown view \"%s\"", v);
        }
        m_named |= kKeyShow;
    } else {
        return Fail("Unknown key \"%s\"", key.GetText());
    }
    return true;
}

bool CTutorialCommand::Run(CTutorialHost& host) {
    m_error.Empty();
    if (!m_file.IsEmpty()) {
        // The editor is looked for before the camera moves, so that a command that fails has
        // changed nothing.
        CBaseWindow* editor = nullptr;
        if (!host.FindOpenWindow(kKindSongEditor, editor, m_error) || !editor) {
            if (m_error.IsEmpty())
                m_error.Format("Can't find open window %d", kKindSongEditor);
            return false;
        }
        if (m_lookAt != THING_NONE)
            host.LookAt(m_lookAt);
        return host.OpenLessonFile(*editor, m_request, m_file, m_showNotes, m_options.play,
                                   m_error);
    }
    CShowScaleDlg* tool = host.GetShowScaleTool();
    if (!tool)
        return Fail("Can't find open window %d", kKindShowScale);
    bool done;
    if (m_options.chordDegree == 0) {
        if (m_request.scale == 0)
            return Fail("The command names neither a scale nor a chord");
        done = tool->ApplyRequestPlayScale(m_request, m_options);
    } else {
        done = tool->ApplyRequestPlayChord(m_request, m_options);
    }
    if (!done)
        m_error = tool->GetError();
    return done;
}

bool CTutorialCommand::Execute(const char* text, CTutorialHost& host) {
    CCharString grooveRoot = host.GetGrooveRoot();
    CCharString songPath = host.GetSongPath();
    return Parse(text, grooveRoot, songPath) && Run(host);
}
