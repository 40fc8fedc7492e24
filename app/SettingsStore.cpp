#include "app/SettingsStore.h"
#include "core/Path.h"

#include <QByteArray>
#include <QFileInfo>
#include <QSettings>
#include <QtEndian>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr const char* kCompany = "Morvane";
constexpr int kMaxPath = 259;

CCharString& FileOverride() {
    static CCharString path;
    return path;
}

std::unique_ptr<QSettings> OpenStore(const char* title) {
    const char* env = std::getenv("MA_SETTINGS_FILE");
    if (!FileOverride().IsEmpty() || (env && *env)) {
        CCharString file = GetSettingsFile(title);
        return std::make_unique<QSettings>(QString::fromUtf8(file.GetText()), QSettings::IniFormat);
    }
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, kCompany,
                                       QString::fromUtf8(title));
}

// Reads a value of exactly `size` bytes into field; any other size leaves the field alone.
bool ReadBytes(QSettings& store, const char* name, void* field, int size) {
    QVariant value = store.value(QString::fromUtf8(name));
    if (!value.isValid())
        return false;
    QByteArray bytes = value.toByteArray();
    if (bytes.size() != size)
        return false;
    std::memcpy(field, bytes.constData(), static_cast<size_t>(size));
    return true;
}

bool ReadInt(QSettings& store, const char* name, int32_t* field) {
    unsigned char raw[4];
    if (!ReadBytes(store, name, raw, 4))
        return false;
    *field = qFromLittleEndian<qint32>(raw);
    return true;
}

bool ReadFloat(QSettings& store, const char* name, float* field) {
    unsigned char raw[4];
    if (!ReadBytes(store, name, raw, 4))
        return false;
    quint32 bits = qFromLittleEndian<quint32>(raw);
    std::memcpy(field, &bits, 4);
    return true;
}

bool ReadFlag(QSettings& store, const char* name, uint8_t* field) {
    return ReadBytes(store, name, field, 1);
}

bool ReadRect(QSettings& store, const char* name, WND_RECT* rect) {
    unsigned char raw[16];
    if (!ReadBytes(store, name, raw, 16))
        return false;
    rect->left = qFromLittleEndian<qint32>(raw);
    rect->top = qFromLittleEndian<qint32>(raw + 4);
    rect->right = qFromLittleEndian<qint32>(raw + 8);
    rect->bottom = qFromLittleEndian<qint32>(raw + 12);
    return true;
}

bool ReadText(QSettings& store, const char* name, CCharString* field) {
    QVariant value = store.value(QString::fromUtf8(name));
    if (!value.isValid())
        return false;
    QByteArray text = value.toString().toUtf8();
    if (text.size() > kMaxPath)
        return false;
    field->Set(text.constData());
    return true;
}

bool Write(QSettings& store, const char* name, const QVariant& value) {
    store.setValue(QString::fromUtf8(name), value);
    return store.status() == QSettings::NoError;
}

bool WriteBytes(QSettings& store, const char* name, const void* data, int size) {
    return Write(store, name, QByteArray(static_cast<const char*>(data), size));
}

bool WriteInt(QSettings& store, const char* name, int32_t value) {
    unsigned char raw[4];
    qToLittleEndian<qint32>(value, raw);
    return WriteBytes(store, name, raw, 4);
}

bool WriteFloat(QSettings& store, const char* name, float value) {
    quint32 bits;
    std::memcpy(&bits, &value, 4);
    unsigned char raw[4];
    qToLittleEndian<quint32>(bits, raw);
    return WriteBytes(store, name, raw, 4);
}

bool WriteFlag(QSettings& store, const char* name, uint8_t value) {
    uint8_t flag = value ? 1 : 0;
    return WriteBytes(store, name, &flag, 1);
}

bool WriteRect(QSettings& store, const char* name, const WND_RECT& rect) {
    unsigned char raw[16];
    qToLittleEndian<qint32>(rect.left, raw);
    qToLittleEndian<qint32>(rect.top, raw + 4);
    qToLittleEndian<qint32>(rect.right, raw + 8);
    qToLittleEndian<qint32>(rect.bottom, raw + 12);
    return WriteBytes(store, name, raw, 16);
}

bool WriteText(QSettings& store, const char* name, const CCharString& text) {
    return Write(store, name, QString::fromUtf8(text.GetText()));
}

// One window subkey: its rectangle and show flag.
bool ReadWindow(QSettings& store, const char* subkey, WND_SETTINGS* wnd) {
    store.beginGroup(QString::fromUtf8(subkey));
    bool ok = ReadRect(store, "Window rectangle", &wnd->rect);
    ok &= ReadFlag(store, "Show window", &wnd->show);
    store.endGroup();
    return ok;
}

bool WriteWindow(QSettings& store, const char* subkey, const WND_SETTINGS& wnd) {
    store.beginGroup(QString::fromUtf8(subkey));
    bool ok = WriteRect(store, "Window rectangle", wnd.rect);
    ok &= WriteFlag(store, "Show window", wnd.show);
    store.endGroup();
    return ok;
}

} // namespace

void SetSettingsFile(const char* path) {
    FileOverride() = path;
}

CCharString GetSettingsFile(const char* title) {
    if (!FileOverride().IsEmpty())
        return FileOverride();
    if (const char* env = std::getenv("MA_SETTINGS_FILE"); env && *env)
        return CCharString(env);
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, kCompany,
                    QString::fromUtf8(title));
    return CCharString(store.fileName().toUtf8().constData());
}

bool LoadSettings(APP_SETTINGS* settings, const char* title, int appNumber) {
    (void)appNumber; // this application's key is its title
    settings->SetContentFolders(GetExecutableFolder());
    std::unique_ptr<QSettings> store = OpenStore(title);
    bool ok = store->status() == QSettings::NoError;

    // Only these folders are read back; the others always follow the executable.
    ok &= ReadText(*store, "MIDI path", &settings->midiPath);
    ok &= ReadText(*store, "Wave path", &settings->wavePath);
    ok &= ReadText(*store, "Song path", &settings->songPath);
    ok &= ReadText(*store, "Groove path", &settings->groovePath);

    settings->SetWindowDefaults();
    store->beginGroup("Main Window");
    ok &= ReadRect(*store, "Window rectangle", &settings->mainRect);
    store->endGroup();
    ok &= ReadWindow(*store, "Show Chord", &settings->showChord);
    ok &= ReadWindow(*store, "Show Scale", &settings->showScale.wnd);
    // Added later than the rest: a store without it is still whole, and anything but 0 or 1
    // keeps the default.
    settings->showScale.noteNames = 0;
    store->beginGroup("Show Scale");
    uint8_t noteNames = 0;
    if (ReadFlag(*store, "Note names", &noteNames) && noteNames <= 1)
        settings->showScale.noteNames = noteNames;
    store->endGroup();
    ok &= ReadWindow(*store, "Composition", &settings->composition);
    ok &= ReadWindow(*store, "Groove Maker", &settings->grooveMaker);
    ok &= ReadWindow(*store, "Text", &settings->text.wnd);
    store->beginGroup("Text");
    ok &= ReadInt(*store, "Content index", &settings->text.contentIndex);
    ok &= ReadInt(*store, "Scroll position", &settings->text.scrollPos);
    store->endGroup();
    ok &= ReadWindow(*store, "Mixer", &settings->mixer);
    ok &= ReadWindow(*store, "Generator", &settings->generator);
    ok &= ReadWindow(*store, "Music Editor", &settings->musicEditor.wnd);
    store->beginGroup("Music Editor");
    ok &= ReadFlag(*store, "Play selected", &settings->musicEditor.playSelected);
    ok &= ReadFlag(*store, "Show note grid", &settings->musicEditor.showNoteGrid);
    ok &= ReadFloat(*store, "Humanization", &settings->musicEditor.humanization);
    store->endGroup();
    ok &= ReadWindow(*store, "Space Painter", &settings->spacePainter);

    AUDIO_SETTINGS& audio = settings->audio;
    audio = AUDIO_SETTINGS();
    store->beginGroup("Audio");
    ok &= ReadBytes(*store, "Audio input GUID", audio.inputGuid, kDeviceGuidSize);
    ok &= ReadText(*store, "Audio input name", &audio.inputName);
    ok &= ReadBytes(*store, "Audio output GUID", audio.outputGuid, kDeviceGuidSize);
    ok &= ReadText(*store, "Audio output name", &audio.outputName);
    ok &= ReadFloat(*store, "Master volume", &audio.masterVolume);
    store->endGroup();
    return ok;
}

bool SaveSettings(const APP_SETTINGS* settings, const char* title, int appNumber) {
    (void)appNumber;
    std::unique_ptr<QSettings> store = OpenStore(title);
    // A store that cannot be written gets nothing.
    if (!store->isWritable())
        return false;
    bool ok = true;
    ok &= WriteText(*store, "Data path", settings->dataPath);
    ok &= WriteText(*store, "MIDI path", settings->midiPath);
    ok &= WriteText(*store, "Wave path", settings->wavePath);
    ok &= WriteText(*store, "Temp path", settings->tempPath);
    ok &= WriteText(*store, "Sound path", settings->soundPath);
    ok &= WriteText(*store, "Tutorial path", settings->tutorialPath);
    ok &= WriteText(*store, "Song path", settings->songPath);
    ok &= WriteText(*store, "Groove root path", settings->grooveRootPath);
    ok &= WriteText(*store, "Groove path", settings->groovePath);

    store->beginGroup("Main Window");
    ok &= WriteRect(*store, "Window rectangle", settings->mainRect);
    store->endGroup();
    ok &= WriteWindow(*store, "Show Chord", settings->showChord);
    ok &= WriteWindow(*store, "Show Scale", settings->showScale.wnd);
    store->beginGroup("Show Scale");
    ok &= WriteFlag(*store, "Note names", settings->showScale.noteNames);
    store->endGroup();
    ok &= WriteWindow(*store, "Composition", settings->composition);
    ok &= WriteWindow(*store, "Groove Maker", settings->grooveMaker);
    ok &= WriteWindow(*store, "Text", settings->text.wnd);
    store->beginGroup("Text");
    ok &= WriteInt(*store, "Content index", settings->text.contentIndex);
    ok &= WriteInt(*store, "Scroll position", settings->text.scrollPos);
    store->endGroup();
    ok &= WriteWindow(*store, "Mixer", settings->mixer);
    ok &= WriteWindow(*store, "Generator", settings->generator);
    ok &= WriteWindow(*store, "Music Editor", settings->musicEditor.wnd);
    store->beginGroup("Music Editor");
    ok &= WriteFlag(*store, "Play selected", settings->musicEditor.playSelected);
    ok &= WriteFlag(*store, "Show note grid", settings->musicEditor.showNoteGrid);
    ok &= WriteFloat(*store, "Humanization", settings->musicEditor.humanization);
    store->endGroup();
    ok &= WriteWindow(*store, "Space Painter", settings->spacePainter);

    const AUDIO_SETTINGS& audio = settings->audio;
    store->beginGroup("Audio");
    ok &= WriteBytes(*store, "Audio input GUID", audio.inputGuid, kDeviceGuidSize);
    ok &= WriteText(*store, "Audio input name", audio.inputName);
    ok &= WriteBytes(*store, "Audio output GUID", audio.outputGuid, kDeviceGuidSize);
    ok &= WriteText(*store, "Audio output name", audio.outputName);
    ok &= WriteFloat(*store, "Master volume", audio.masterVolume);
    store->endGroup();

    store->sync();
    return ok && store->status() == QSettings::NoError;
}
