#include "core/Settings.h"

#include "core/Path.h"

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
    CCharString user = GetUserDataFolder();
    if (!user.IsEmpty())
        userGrooveRootPath.Format("%s/Grooves/", user.GetText());
    tempPath.Format("%s/Temp/", base.GetText());
    midiPath.Format("%s/MIDI/", base.GetText());
    wavePath.Format("%s/WAVE/", base.GetText());
    defaultSongPath.Format("%s/Songs/", base.GetText());
    songPath = defaultSongPath;
}
