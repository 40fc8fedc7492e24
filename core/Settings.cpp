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
    folders.Locate(root);
    dataPath = folders.GetShipped(FOLDER_DATA);
    soundPath = folders.GetShipped(FOLDER_SOUND);
    tutorialPath = folders.GetShipped(FOLDER_TUTORIALS);
    grooveRootPath = folders.GetShipped(FOLDER_GROOVES);
    groovePath = folders.GetUser(FOLDER_GROOVES);
    userGrooveRootPath = groovePath;
    tempPath = folders.GetUser(FOLDER_TEMP);
    midiPath = folders.GetUser(FOLDER_MIDI);
    wavePath = folders.GetUser(FOLDER_WAVE);
    defaultSongPath = folders.GetShipped(FOLDER_SONGS);
    songPath = folders.GetUser(FOLDER_SONGS);
}
