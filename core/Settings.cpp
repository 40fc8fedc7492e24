#include "core/Settings.h"

#include <climits>
#include <unistd.h>

APP_SETTINGS::APP_SETTINGS() {
    SetWindowDefaults();
}

void APP_SETTINGS::SetWindowDefaults() {
    mainRect.Unset();
    spacePainter.SetDefaults(true);
    showChord.SetDefaults(true);
    showScale.wnd.SetDefaults(true);
    composition.SetDefaults(true);
    grooveMaker.SetDefaults(true);
    text.wnd.SetDefaults(true);
    text.contentIndex = 0;
    text.scrollPos = 0;
    mixer.SetDefaults(false);
    generator.SetDefaults(false);
    musicEditor.wnd.SetDefaults(true);
    musicEditor.playSelected = 1;
    musicEditor.showNoteGrid = 1;
}

void APP_SETTINGS::SetContentFolders(const char* root) {
    CCharString base(root);
    // Trailing separators would double up in "%s/Data/".
    while (base.GetLength() > 1 && base.At(base.GetLength() - 1) == '/')
        base.Cut(base.GetLength() - 1);
    dataPath.Format("%s/Data/", base.GetText());
    soundPath.Format("%s/Sound/", base.GetText());
    tutorialPath.Format("%s/Tutorials/", base.GetText());
    grooveRootPath.Format("%s/Grooves/", base.GetText());
    groovePath = grooveRootPath;
    tempPath.Format("%s/Temp/", base.GetText());
    midiPath.Format("%s/MIDI/", base.GetText());
    wavePath.Format("%s/WAVE/", base.GetText());
    defaultSongPath.Format("%s/Songs/", base.GetText());
    songPath = defaultSongPath;
}

static CCharString& ContentRootOverride() {
    static CCharString root;
    return root;
}

void SetContentRoot(const char* root) {
    ContentRootOverride() = root;
}

CCharString GetContentRoot() {
    if (!ContentRootOverride().IsEmpty())
        return ContentRootOverride();
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0)
        return CCharString();
    path[n] = 0;
    CCharString folder(path);
    size_t cut = folder.Str().find_last_of('/');
    if (cut == std::string::npos)
        return CCharString();
    folder.Cut(cut == 0 ? 1 : cut);
    return folder;
}
