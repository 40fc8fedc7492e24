#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstring>
#include <gtest/gtest.h>

#include "app/SettingsStore.h"
#include "core/Path.h"

namespace {

constexpr const char* kTitle = "Modal Atlas";

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_file = m_dir.filePath("store.ini");
        SetSettingsFile(m_file.toUtf8().constData());
        OverrideExecutableFolder(m_dir.filePath("root").toUtf8().constData());
    }
    void TearDown() override {
        SetSettingsFile(nullptr);
        OverrideExecutableFolder(nullptr);
    }
    QString Root(const char* sub) const { return m_dir.filePath(QString("root/") + sub); }

    QTemporaryDir m_dir;
    QString m_file;
};

// A record with every stored field away from its default.
APP_SETTINGS MakeEdited() {
    APP_SETTINGS s;
    s.mainRect.Set(10, 20, 1010, 820);
    s.spacePainter.rect.Set(400, 0, 1000, 450);
    s.spacePainter.show = 0;
    s.showChord.rect.Set(1, 2, 3, 4);
    s.showScale.wnd.rect.Set(400, 0, 900, 600);
    s.showScale.noteNames = 1;
    s.composition.show = 0;
    s.grooveMaker.rect.Set(-5, -6, 100, 200);
    s.text.wnd.rect.Set(0, 0, 400, 500);
    s.text.contentIndex = 3;
    s.text.scrollPos = 17;
    s.mixer.rect.Set(0, 500, 700, 800);
    s.mixer.show = 1;
    s.generator.show = 1;
    s.musicEditor.wnd.rect.Set(5, 5, 50, 50);
    s.musicEditor.playSelected = 0;
    s.musicEditor.showNoteGrid = 0;
    s.musicEditor.humanization = 0.25f;
    for (int i = 0; i < kDeviceGuidSize; ++i) {
        s.audio.inputGuid[i] = static_cast<uint8_t>(i + 1);
        s.audio.outputGuid[i] = static_cast<uint8_t>(0xF0 - i);
    }
    s.audio.inputName = "USB Microphone";
    s.audio.outputName = "Speakers (HDA Intel)";
    s.audio.masterVolume = 0.5f;
    return s;
}

TEST_F(SettingsStoreTest, FirstRunUsesEveryDefault) {
    APP_SETTINGS s;
    EXPECT_FALSE(LoadSettings(&s, kTitle, 5)) << "nothing was stored yet";
    EXPECT_FALSE(s.mainRect.IsSet());
    EXPECT_FALSE(s.showScale.wnd.rect.IsSet());
    EXPECT_EQ(s.showScale.wnd.show, 1);
    EXPECT_EQ(s.text.wnd.show, 1);
    EXPECT_EQ(s.spacePainter.show, 1);
    EXPECT_EQ(s.mixer.show, 0) << "the Mixer starts hidden";
    EXPECT_EQ(s.generator.show, 0) << "the Generator starts hidden";
    EXPECT_EQ(s.text.contentIndex, 0);
    EXPECT_EQ(s.musicEditor.playSelected, 1);
    EXPECT_EQ(s.musicEditor.showNoteGrid, 1);
    EXPECT_FLOAT_EQ(s.audio.masterVolume, 1.0f);
    EXPECT_EQ(QString(s.dataPath), Root("Data/"));
    EXPECT_EQ(QString(s.soundPath), Root("Sound/"));
    EXPECT_EQ(QString(s.tutorialPath), Root("Tutorials/"));
    EXPECT_EQ(QString(s.midiPath), Root("MIDI/"));
    EXPECT_EQ(QString(s.groovePath), Root("Grooves/"))
        << "the current groove folder starts at the root";
    EXPECT_EQ(QString(s.songPath), Root("Songs/"));
}

TEST_F(SettingsStoreTest, SavedRecordReadsBackFieldByField) {
    APP_SETTINGS saved = MakeEdited();
    saved.SetContentFolders(GetExecutableFolder());
    ASSERT_TRUE(SaveSettings(&saved, kTitle, 5));
    APP_SETTINGS s;
    EXPECT_TRUE(LoadSettings(&s, kTitle, 5)) << "every key and value is there after a save";
    EXPECT_EQ(s.mainRect, saved.mainRect);
    EXPECT_EQ(s.spacePainter.rect, saved.spacePainter.rect);
    EXPECT_EQ(s.spacePainter.show, 0);
    EXPECT_EQ(s.showChord.rect, saved.showChord.rect);
    EXPECT_EQ(s.showScale.wnd.rect, saved.showScale.wnd.rect);
    EXPECT_EQ(s.showScale.noteNames, 1);
    EXPECT_EQ(s.composition.show, 0);
    EXPECT_EQ(s.grooveMaker.rect, saved.grooveMaker.rect);
    EXPECT_EQ(s.text.wnd.rect, saved.text.wnd.rect);
    EXPECT_EQ(s.text.contentIndex, 3);
    EXPECT_EQ(s.text.scrollPos, 17);
    EXPECT_EQ(s.mixer.rect, saved.mixer.rect);
    EXPECT_EQ(s.mixer.show, 1);
    EXPECT_EQ(s.generator.show, 1);
    EXPECT_EQ(s.musicEditor.wnd.rect, saved.musicEditor.wnd.rect);
    EXPECT_EQ(s.musicEditor.playSelected, 0);
    EXPECT_EQ(s.musicEditor.showNoteGrid, 0);
    EXPECT_FLOAT_EQ(s.musicEditor.humanization, 0.25f);
    EXPECT_EQ(std::memcmp(s.audio.inputGuid, saved.audio.inputGuid, 16), 0);
    EXPECT_EQ(std::memcmp(s.audio.outputGuid, saved.audio.outputGuid, 16), 0);
    EXPECT_STREQ(s.audio.inputName, "USB Microphone");
    EXPECT_STREQ(s.audio.outputName, "Speakers (HDA Intel)");
    EXPECT_FLOAT_EQ(s.audio.masterVolume, 0.5f);
}

TEST_F(SettingsStoreTest, ValuesHaveTheirFixedByteLayouts) {
    APP_SETTINGS saved = MakeEdited();
    ASSERT_TRUE(SaveSettings(&saved, kTitle, 5));
    QSettings raw(m_file, QSettings::IniFormat);
    QByteArray rect = raw.value("Main Window/Window rectangle").toByteArray();
    ASSERT_EQ(rect.size(), 16);
    EXPECT_EQ(qFromLittleEndian<qint32>(rect.constData()), 10);
    EXPECT_EQ(qFromLittleEndian<qint32>(rect.constData() + 4), 20);
    EXPECT_EQ(qFromLittleEndian<qint32>(rect.constData() + 8), 1010);
    EXPECT_EQ(qFromLittleEndian<qint32>(rect.constData() + 12), 820);
    QByteArray negative = raw.value("Groove Maker/Window rectangle").toByteArray();
    ASSERT_EQ(negative.size(), 16);
    EXPECT_EQ(qFromLittleEndian<qint32>(negative.constData()), -5);
    EXPECT_EQ(raw.value("Mixer/Show window").toByteArray(), QByteArray("\x01", 1))
        << "one byte, not four";
    EXPECT_EQ(raw.value("Space Painter/Show window").toByteArray(), QByteArray("\x00", 1));
    EXPECT_EQ(raw.value("Text/Content index").toByteArray(), QByteArray("\x03\x00\x00\x00", 4));
    QByteArray volume = raw.value("Audio/Master volume").toByteArray();
    ASSERT_EQ(volume.size(), 4);
    EXPECT_EQ(qFromLittleEndian<quint32>(volume.constData()), 0x3F000000u)
        << "0.5 as a single-precision float";
    EXPECT_EQ(raw.value("Audio/Audio output GUID").toByteArray().size(), 16);
    EXPECT_EQ(raw.value("Audio/Audio input GUID").toByteArray().at(0), 1);
}

TEST_F(SettingsStoreTest, SaveWritesNineFoldersAndElevenSubkeys) {
    APP_SETTINGS s;
    LoadSettings(&s, kTitle, 5);
    ASSERT_TRUE(SaveSettings(&s, kTitle, 5));
    QSettings raw(m_file, QSettings::IniFormat);
    for (const char* name : {"Data path", "MIDI path", "Wave path", "Temp path", "Sound path",
                             "Tutorial path", "Song path", "Groove root path", "Groove path"})
        EXPECT_TRUE(raw.contains(name)) << name;
    QStringList groups = raw.childGroups();
    for (const char* subkey :
         {"Main Window", "Show Chord", "Show Scale", "Composition", "Groove Maker", "Text", "Mixer",
          "Generator", "Music Editor", "Space Painter", "Audio"})
        EXPECT_TRUE(groups.contains(subkey)) << subkey;
    EXPECT_EQ(groups.size(), 11);
    EXPECT_EQ(raw.value("Data path").toString(), Root("Data/"));
}

TEST_F(SettingsStoreTest, HandEditedMidiPathIsUsedAndDataPathIgnored) {
    {
        QSettings raw(m_file, QSettings::IniFormat);
        raw.setValue("MIDI path", "/home/user/My MIDI/");
        raw.setValue("Groove path", "/home/user/Grooves/Jazz/");
        raw.setValue("Data path", "/somewhere/else/");
        raw.setValue("Sound path", "/somewhere/else/Sound/");
    }
    APP_SETTINGS s;
    LoadSettings(&s, kTitle, 5);
    EXPECT_STREQ(s.midiPath, "/home/user/My MIDI/");
    EXPECT_STREQ(s.groovePath, "/home/user/Grooves/Jazz/");
    EXPECT_EQ(QString(s.dataPath), Root("Data/"));
    EXPECT_EQ(QString(s.soundPath), Root("Sound/"));
    ASSERT_TRUE(SaveSettings(&s, kTitle, 5));
    QSettings raw(m_file, QSettings::IniFormat);
    EXPECT_EQ(raw.value("Data path").toString(), Root("Data/")) << "overwritten at close";
    EXPECT_EQ(raw.value("MIDI path").toString(), "/home/user/My MIDI/");
}

TEST_F(SettingsStoreTest, MalformedValuesKeepTheirDefaults) {
    {
        QSettings raw(m_file, QSettings::IniFormat);
        raw.setValue("Main Window/Window rectangle",
                     QByteArray(20, '\x01')); // larger than the field
        raw.setValue("Mixer/Show window", QByteArray("\x01\x00\x00\x00", 4)); // a DWORD, not a byte
        raw.setValue("Text/Content index", QByteArray("\x05", 1));            // too short
        raw.setValue("MIDI path", QString(300, 'x')); // beyond 259 characters
        raw.setValue("Audio/Master volume", QByteArray("\x00\x00\x00\x3F", 4)); // a good value
        raw.setValue("Show Scale/Note names", QByteArray("\x07", 1));           // neither 0 nor 1
    }
    APP_SETTINGS s;
    EXPECT_FALSE(LoadSettings(&s, kTitle, 5));
    EXPECT_FALSE(s.mainRect.IsSet());
    EXPECT_EQ(s.mixer.show, 0);
    EXPECT_EQ(s.text.contentIndex, 0);
    EXPECT_EQ(QString(s.midiPath), Root("MIDI/"));
    EXPECT_EQ(s.showScale.noteNames, 0);
    EXPECT_FLOAT_EQ(s.audio.masterVolume, 0.5f) << "good values around bad ones are still read";
}

TEST_F(SettingsStoreTest, StoreWithoutNoteNamesStillLoadsWhole) {
    APP_SETTINGS saved = MakeEdited();
    ASSERT_TRUE(SaveSettings(&saved, kTitle, 5));
    QSettings(m_file, QSettings::IniFormat).remove("Show Scale/Note names");
    APP_SETTINGS s;
    s.showScale.noteNames = 1;
    EXPECT_TRUE(LoadSettings(&s, kTitle, 5));
    EXPECT_EQ(s.showScale.noteNames, 0) << "names as the key is written";
}

TEST_F(SettingsStoreTest, UnwritableStoreWritesNothing) {
    // A "folder" that is a plain file cannot hold the store, whoever runs the test.
    QString notFolder = m_dir.filePath("plain-file");
    QFile file(notFolder);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    SetSettingsFile((notFolder + "/store.ini").toUtf8().constData());
    APP_SETTINGS s;
    EXPECT_FALSE(SaveSettings(&s, kTitle, 5));
    EXPECT_EQ(QFileInfo(notFolder).size(), 0) << "nothing was written";
}

} // namespace
