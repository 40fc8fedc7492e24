#pragma once

// The application as the tool tests see it: a real note manager and composer behind the Show
// Scale tool, with playback and band requests recorded instead of carried out.

#include <gtest/gtest.h>
#include <utility>
#include <vector>

#include "theory/NoteManager.h"
#include "tools/ShowScaleDlg.h"

// Records what the tool asks of the application.
class CRecordingScaleHost : public CShowScaleHost {
public:
    CRecordingScaleHost() : m_composer(m_manager) {
        m_manager.Initialize();
        m_composer.SetGrooveRoot(MA_RUNTIME_DIR "/Grooves");
    }
    CNoteManager& GetNoteManager() override { return m_manager; }
    CComposer& GetComposer() override { return m_composer; }
    bool PlayNotes(const CNoteList& notes, bool animate, int repeatCount, double startOffset,
                   double, int, int) override {
        played = notes;
        playAnimate = animate;
        playRepeatCount = repeatCount;
        playStartOffset = startOffset;
        ++playCalls;
        return true;
    }
    void Stop() override { ++stopCalls; }
    double GetPlayTime() const override { return -1.0; }
    const CCharString& GetHostError() const override { return m_error; }
    CCharString GetGrooveRoot() const override { return CCharString(MA_RUNTIME_DIR "/Grooves"); }
    bool ShowScaleMarks(int, int) override { return true; }
    bool ShowNotesOnGuitars(const CNoteList&) override { return true; }
    bool ShowChordNames(const CChord&) override { return true; }
    bool ShowChordOnGuitarist(const CChord&) override { return true; }
    bool SetHandPosition(THING guitar, int fret) override {
        EXPECT_EQ(guitar, THING_LEAD_GUITAR);
        handPositions.push_back(fret);
        return true;
    }
    bool FrameFrets(THING, int first, int last) override {
        frames.emplace_back(first, last);
        return true;
    }

    CNoteList played;
    bool playAnimate = false;
    int playRepeatCount = -1;
    double playStartOffset = -1.0;
    int playCalls = 0, stopCalls = 0;
    std::vector<int> handPositions;
    std::vector<std::pair<int, int>> frames;

private:
    CNoteManager m_manager;
    CComposer m_composer;
    CCharString m_error;
};
