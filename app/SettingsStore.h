#pragma once

#include "core/Settings.h"

// The settings store: QSettings under the organisation "Morvane" and the application title
// (the user's configuration file on Linux), with the value names and byte layouts that the
// program has always used, so a store written by one version reads in another.
//
// The store can be pointed at another file, for tests and scripted runs: SetSettingsFile, or
// the environment variable MA_SETTINGS_FILE when no file was set.

// An empty or null path goes back to the environment variable, then the user's store.
void SetSettingsFile(const char* path);
// The file that the store reads and writes now.
CCharString GetSettingsFile(const char* title);

// Fills the record: computes the content folders, reads the folders that are read back and
// every window's part (each part first takes its defaults). True only when every key and value
// was found; a missing or malformed value keeps its default.
bool LoadSettings(APP_SETTINGS* settings, const char* title, int appNumber);
// Writes the nine folder values and all eleven window subkeys. True only when every write
// succeeded; a failed write does not stop the others.
bool SaveSettings(const APP_SETTINGS* settings, const char* title, int appNumber);
