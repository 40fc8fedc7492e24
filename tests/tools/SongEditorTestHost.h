#pragma once

// The application as the Song Editor tests see it: a real note manager, composer, mix and (when
// the build made sample sets) an offline sound engine; playback and the sound input recorded
// instead of carried out. Modal dialogs, message boxes and file dialogs are answered from
// scripts, as a user would answer them.

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "song/Composer.h"
#include "song/Mix.h"
#include "sound/Render.h"
#include "sound/Sound.h"
#include "sound/SoundFile.h"
#include "sound/VirtualDevice.h"
#include "theory/NoteManager.h"
#include "tools/SongEditorDlg.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"

struct SHOWN_MESSAGE {
    std::string text, caption;
};

// Message boxes: each is recorded and answered from the queue (No when it is empty).
class CMessageScript {
public:
    CMessageScript() {
        Current() = this;
        SetMessageBoxHook([](const char* text, const char* caption, int, bool yesNo) {
            CMessageScript* self = Current();
            self->shown.push_back({text, caption});
            if (!yesNo)
                return true;
            if (self->answers.empty())
                return false;
            bool answer = self->answers.front();
            self->answers.pop_front();
            return answer;
        });
    }
    ~CMessageScript() {
        SetMessageBoxHook(nullptr);
        Current() = nullptr;
    }
    std::string Last() const { return shown.empty() ? "" : shown.back().text; }
    std::vector<SHOWN_MESSAGE> shown;
    std::deque<bool> answers;

private:
    static CMessageScript*& Current() {
        static CMessageScript* current = nullptr;
        return current;
    }
};

// File dialogs: each answered with the next path of the queue (Cancel when it is empty).
class CFileScript {
public:
    CFileScript() {
        SetFileDialogHook([this](const char* caption, const char* proposed, const char* filter,
                                 bool, CCharString& path) {
            asked.push_back(std::string(caption) + "|" + proposed + "|" + filter);
            if (paths.empty())
                return false;
            path = paths.front().c_str();
            paths.pop_front();
            return true;
        });
    }
    ~CFileScript() { SetFileDialogHook(nullptr); }
    std::deque<std::string> paths;
    std::vector<std::string> asked;
};

// Modal dialogs: the next answer runs on whichever dialog is modal, once per appearance.
class CDialogScript {
public:
    using ANSWER = std::function<void(QDialog&)>;
    CDialogScript() {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || answers.empty())
                return;
            ANSWER answer = answers.front();
            answers.pop_front();
            answer(*dialog);
        });
        m_timer.start();
    }
    std::deque<ANSWER> answers;

private:
    QTimer m_timer;
};

// Types into the dialog's line edit of that id, replacing what is there.
inline void Type(QDialog& dialog, int id, const char* text) {
    auto* edit = dialog.findChild<QLineEdit*>(QString::number(id));
    ASSERT_NE(edit, nullptr) << "no edit " << id << " in " << dialog.windowTitle().toStdString();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

// A click on a check box's or radio button's label, where a user clicks.
inline void ClickLabel(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

inline void Press(QDialog& dialog, QDialogButtonBox::StandardButton which) {
    auto* box = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(box, nullptr);
    QTest::mouseClick(box->button(which), Qt::LeftButton);
}

class CRecordingEditorHost : public CSongEditorHost {
public:
    explicit CRecordingEditorHost(bool withSound) : m_composer(m_manager) {
        m_manager.Initialize();
        m_mix.SetDefaults();
        m_composer.SetGrooveRoot(MA_RUNTIME_DIR "/Grooves");
        m_composer.SetMix(&m_mix);
        const std::string samples = std::string(MA_RUNTIME_DIR) + "/Sound/";
        if (withSound && std::filesystem::exists(samples + "Drums")) {
            m_settings.soundPath = samples.c_str();
            m_sound = std::make_unique<CSound>(m_settings, m_manager);
            m_sound->SetDevice(std::make_unique<CVirtualDevice>(CVirtualDevice::CLOCK_STEPPED));
            if (m_sound->OpenDevice())
                m_renderer = std::make_unique<CSongRenderer>(*m_sound);
            else
                m_sound.reset();
        }
    }
    ~CRecordingEditorHost() override {
        if (m_sound)
            m_sound->Close();
    }
    CNoteManager& GetNoteManager() override { return m_manager; }
    CComposer& GetComposer() override { return m_composer; }
    CWaveRenderer* GetRenderer() override { return m_renderer.get(); }
    bool PlayNotes(const CNoteList& notes, double startOffset, const char* recordPath) override {
        played = notes;
        playOffset = startOffset;
        playbackPath = recordPath ? recordPath : "";
        ++playCalls;
        // The playback recording: what the engine would have written while playing.
        if (recordPath && m_sound)
            m_sound->RenderToWave(notes, recordPath);
        return true;
    }
    void Stop() override { ++stopCalls; }
    const CCharString& GetHostError() const override { return m_error; }
    bool StartInputRecording(const char* path, CCharString&) override {
        inputPath = path;
        return true;
    }
    bool StopInputRecording(CCharString&) override {
        // The input heard a second of a quiet tone.
        CSoundInfo sample;
        sample.format = GetStreamFormat().format;
        if (!sample.Allocate(44100 * 4))
            return false;
        for (int i = 0; i < 44100 * 2; ++i)
            sample.GetValues()[i] = static_cast<int16_t>((i / 2) % 100 * 50);
        CSoundFile file;
        return file.Save(inputPath.c_str(), sample);
    }
    double GetInputMixStart() const override { return 0.0; }
    float GetInputLevel() const override { return 0.5f; }
    bool MixRecordings(const char* input, double start, const char* playback, const char* out,
                       CCharString& error) override {
        if (m_sound && m_sound->MixFiles(input, start, playback, out))
            return true;
        error = m_sound ? m_sound->GetErrorText() : CCharString("no sound engine");
        return false;
    }

    CNoteList played;
    double playOffset = -1.0;
    std::string playbackPath, inputPath;
    int playCalls = 0, stopCalls = 0;
    CMix m_mix;

private:
    CNoteManager m_manager;
    CComposer m_composer;
    APP_SETTINGS m_settings;
    std::unique_ptr<CSound> m_sound;
    std::unique_ptr<CSongRenderer> m_renderer;
    CCharString m_error;
};
