#include "tools/ShowScaleDlg.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <regex>

#include "tests/tools/ShowScaleTestHost.h"
#include "theory/NoteManager.h"
#include "theory/ScaleTables.h"
#include "tools/FretboardView.h"
#include "ui/NoteWheel.h"

namespace {
class ShowScaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        tool = std::make_unique<CShowScaleDlg>(host, &record);
        ASSERT_TRUE(tool->Create(nullptr, nullptr, "Show Scale")) << tool->GetError().GetText();
    }
    QComboBox* Combo(CShowScaleDlg::CONTROL id) {
        return static_cast<QComboBox*>(tool->List(id).Control());
    }
    // Picks an item as the user does: through the combo box, so the tool's handlers run.
    void Pick(CShowScaleDlg::CONTROL id, int value) {
        QComboBox* combo = Combo(id);
        int index = combo->findData(value);
        ASSERT_GE(index, 0) << "no item with value " << value;
        combo->setCurrentIndex(index);
    }
    void Click(CShowScaleDlg::CONTROL id) { QTest::mouseClick(tool->Button(id), Qt::LeftButton); }

    CRecordingScaleHost host;
    SHOW_SCALE_SETTINGS record;
    std::unique_ptr<CShowScaleDlg> tool;
};
} // namespace

TEST_F(ShowScaleTest, StartsWithTheDefaults) {
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdScale).GetCount(), 21);
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdRoot).GetSelectedValue(), 48);
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdPosition).GetSelectedValue(), 7);
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdTempo).GetSelectedText(), "120");
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdTempo).GetCount(), 21); // 40 to 240 by 10
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdStyle).GetSelectedText(), "Rock");
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdGroove).GetSelectedText(), "2 Rock");
    EXPECT_EQ(tool->GetMode(), CShowScaleDlg::kScaleMode);
    EXPECT_EQ(tool->Button(CShowScaleDlg::kIdPlayScale)->text(), "Play Scale");
    PRACTICE_REQUEST request = tool->AssembleRequest();
    EXPECT_EQ(request.lowest, 47);
    EXPECT_EQ(request.highest, 75);
    EXPECT_EQ(request.handSpanEnd, 11);
    EXPECT_DOUBLE_EQ(request.beatTime, 0.5);
    EXPECT_FLOAT_EQ(request.guitarVolume, 0.7f);
}

TEST_F(ShowScaleTest, DorianTurnsTheWheelByTwo) {
    int dorian = 0;
    ASSERT_TRUE(FindScaleTypeByName("Dorian", dorian));
    Pick(CShowScaleDlg::kIdScale, dorian);
    CNoteWheel* wheel = tool->GetWheel();
    EXPECT_EQ(wheel->GetOffset(), 2);
    auto spoke = wheel->ComputeSpoke(2, CNoteWheel::ComputeGeometry(202, 202));
    ASSERT_NE(spoke.scaleNote, nullptr);
    EXPECT_EQ(spoke.scaleNote->m_degree, 1);
    EXPECT_STREQ(spoke.scaleNote->m_sharpName, "C"); // C Dorian: the tonic on the 60-degree spoke
    EXPECT_TRUE(spoke.thick);
}

TEST_F(ShowScaleTest, LateScalesOfferFourPatternsAndNoProgression) {
    Pick(CShowScaleDlg::kIdPattern, 2);
    EXPECT_TRUE(tool->List(CShowScaleDlg::kIdProgression).IsEnabled());
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdPattern).GetCount(), 6);
    Pick(CShowScaleDlg::kIdScale, 15);
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdPattern).GetCount(), 4);
    EXPECT_FALSE(tool->List(CShowScaleDlg::kIdProgression).IsEnabled());
    Pick(CShowScaleDlg::kIdScale, 14);
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdPattern).GetCount(), 6);
    EXPECT_TRUE(tool->List(CShowScaleDlg::kIdProgression).IsEnabled());
}

TEST_F(ShowScaleTest, UpPatternHasNoProgression) {
    Pick(CShowScaleDlg::kIdPattern, 2);
    Pick(CShowScaleDlg::kIdPattern, 1);
    CListWrapper& progression = tool->List(CShowScaleDlg::kIdProgression);
    EXPECT_EQ(progression.GetSelectedText(), "Not for Up pattern");
    EXPECT_FALSE(progression.IsEnabled());
    EXPECT_EQ(tool->AssembleRequest().progression, 0);
    Pick(CShowScaleDlg::kIdPattern, 3);
    EXPECT_TRUE(progression.IsEnabled());
    EXPECT_NE(progression.GetSelectedText(), "Not for Up pattern");
}

TEST_F(ShowScaleTest, RootChangeRefillsTheChordDegrees) {
    Pick(CShowScaleDlg::kIdRoot, 50); // D major
    CListWrapper& chords = tool->List(CShowScaleDlg::kIdChord);
    ASSERT_EQ(chords.GetCount(), 7);
    EXPECT_EQ(chords.GetItemText(0), "1 - D");
    EXPECT_EQ(chords.GetItemText(2), "3 - F#");
    EXPECT_EQ(chords.GetItemText(6), "7 - C#");
    EXPECT_EQ(chords.GetItemValue(6), 7);
    int selected = -1;
    EXPECT_TRUE(chords.GetSelectedIndex(selected));
    EXPECT_EQ(selected, 0);
}

TEST_F(ShowScaleTest, SeventhDegreeTriadOfCMajorIsBDiminished) {
    Pick(CShowScaleDlg::kIdType, CHORD_GROUP_TRIAD);
    Pick(CShowScaleDlg::kIdChord, 7);
    Click(CShowScaleDlg::kIdShowChord);
    EXPECT_EQ(tool->GetMode(), CShowScaleDlg::kChordMode);
    CCharString name = tool->GetText(CShowScaleDlg::kIdChordName);
    EXPECT_EQ(name.Str().rfind("B", 0), 0u) << name.GetText();
    EXPECT_NE(name.Str().find("iminished"), std::string::npos) << name.GetText();
    EXPECT_EQ(tool->GetText(CShowScaleDlg::kIdFormula), "Notes: B D F");
}

TEST_F(ShowScaleTest, PlayChordStrumsSixStringsThreeTenthsApart) {
    Pick(CShowScaleDlg::kIdType, CHORD_GROUP_TRIAD);
    Pick(CShowScaleDlg::kIdChord, 4); // F major: barred at the first fret on all six strings
    Click(CShowScaleDlg::kIdPlayChord);
    ASSERT_EQ(host.playCalls, 1);
    EXPECT_FALSE(host.playAnimate);
    EXPECT_DOUBLE_EQ(host.playStartOffset, 0.0);
    ASSERT_EQ(host.played.GetCount(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(host.played[i].m_time, 0.3 * i, 1e-9);
        EXPECT_NEAR(host.played[i].m_duration, 3.0 - 0.3 * i, 1e-9);
        EXPECT_FLOAT_EQ(host.played[i].m_volume, 0.7f);
    }
    // Strummed from the lowest-pitched string up.
    EXPECT_LT(host.played[0].m_midi, host.played[5].m_midi);
}

TEST_F(ShowScaleTest, PlayScaleTogglesTheButtonUntilPlaybackEnds) {
    QPushButton* play = tool->Button(CShowScaleDlg::kIdPlayScale);
    Click(CShowScaleDlg::kIdPlayScale);
    ASSERT_EQ(host.playCalls, 1) << tool->GetError().GetText();
    EXPECT_TRUE(tool->IsPlaying());
    EXPECT_EQ(play->text(), "Stop");
    EXPECT_TRUE(host.playAnimate);
    EXPECT_EQ(host.playRepeatCount, 4);
    EXPECT_DOUBLE_EQ(host.playStartOffset, 0.5);
    EXPECT_GT(host.played.GetCount(), 0);
    tool->PlaybackStopped(); // what the application's end-of-play check calls
    EXPECT_FALSE(tool->IsPlaying());
    EXPECT_EQ(play->text(), "Play Scale");

    Click(CShowScaleDlg::kIdPlayScale);
    EXPECT_EQ(play->text(), "Stop");
    Click(CShowScaleDlg::kIdPlayScale); // pressing it while playing stops
    EXPECT_EQ(host.stopCalls, 1);
    EXPECT_EQ(play->text(), "Play Scale");
}

TEST_F(ShowScaleTest, CountInStartsTheScaleFourBeatsLater) {
    tool->OnCommand(CShowScaleDlg::kIdCountIn, 0);
    EXPECT_TRUE(tool->IsCountIn());
    Click(CShowScaleDlg::kIdPlayScale);
    ASSERT_EQ(host.playCalls, 1) << tool->GetError().GetText();
    int clicks = 0;
    double firstLead = 1e9;
    for (const CNote& note : host.played) {
        if (note.m_thing == THING_HIHAT_FOOT && note.m_time < 2.0)
            ++clicks;
        if (note.m_thing == THING_LEAD_GUITAR)
            firstLead = std::min(firstLead, note.m_time);
    }
    EXPECT_EQ(clicks, 4);
    EXPECT_DOUBLE_EQ(firstLead, 2.0);
}

TEST_F(ShowScaleTest, ShownNotesStayInTheHandSpan) {
    Pick(CShowScaleDlg::kIdPosition, 5);
    const CNoteList& notes = tool->GetShownNotes();
    ASSERT_GT(notes.GetCount(), 0);
    for (const CNote& note : notes) {
        EXPECT_GE(note.m_midi, 45);
        EXPECT_LE(note.m_midi, 73);
        EXPECT_NE(note.Position().string, INT_NOT_SET);
    }
}

TEST_F(ShowScaleTest, LessonRequestSelectsEverythingItNames) {
    PRACTICE_REQUEST request = CShowScaleDlg::EmptyRequest();
    FindScaleTypeByName("Mixolydian", request.scale);
    request.position = 3;
    request.tempo = 90;
    SHOW_SCALE_OPTIONS options;
    options.rootName = "G";
    options.viewNeck = true;
    options.viewPosition = false;
    ASSERT_TRUE(tool->ApplyRequestPlayScale(request, options)) << tool->GetError().GetText();
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdScale).GetSelectedValue(), request.scale);
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdRoot).GetSelectedValue(), 55);
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdPosition).GetSelectedValue(), 3);
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdTempo).GetSelectedText(), "90");
    EXPECT_TRUE(tool->IsViewNeck());
    EXPECT_EQ(host.playCalls, 0); // no play flag

    SHOW_SCALE_OPTIONS chord;
    chord.chordDegree = 2;
    chord.chordGroup = CHORD_GROUP_TRIAD;
    chord.rootName = "Db";
    chord.play = true;
    ASSERT_TRUE(tool->ApplyRequestPlayChord(CShowScaleDlg::EmptyRequest(), chord));
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdRoot).GetSelectedValue(), 49);
    EXPECT_EQ(tool->GetMode(), CShowScaleDlg::kChordMode);
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdChord).GetSelectedValue(), 2);
    EXPECT_EQ(host.playCalls, 1);
}

// Every name the tool shows for the current scale and root, as one text.
std::string ShownNames(CShowScaleDlg& tool) {
    std::string text;
    CListWrapper& degrees = tool.List(CShowScaleDlg::kIdChord);
    for (int i = 0; i < degrees.GetCount(); ++i)
        text += degrees.GetItemText(i).Str() + "|";
    for (CShowScaleDlg::CONTROL id : {CShowScaleDlg::kIdChordName, CShowScaleDlg::kIdFormula,
                                      CShowScaleDlg::kIdProgressionText})
        text += tool.GetText(id).Str() + "|";
    for (int midi = 48; midi < 60; ++midi)
        text += tool.GetFretboard()->LabelFor(midi).toStdString() + " ";
    return text;
}

// The text with every note name replaced by the note table's sharp name of its pitch.
std::string InSharps(const std::string& text) {
    std::string result;
    const std::regex name("([A-G])(##|#|bb|b)?");
    auto at = text.cbegin();
    for (std::sregex_iterator m(text.begin(), text.end(), name), end; m != end; ++m) {
        result.append(at, (*m)[0].first);
        int midi = 0;
        FindRootByName((*m)[1].str().c_str(), midi);
        const std::string accidentals = (*m)[2];
        for (char c : accidentals)
            midi += c == '#' ? 1 : -1;
        result += GetSharpName(midi);
        at = (*m)[0].second;
    }
    return result.append(at, text.cend());
}

TEST_F(ShowScaleTest, SharpsOnlyNamesAsTheNoteTableAndTheKeyNamesTheSameNotes) {
    Pick(CShowScaleDlg::kIdPattern, 2); // a pattern that takes a progression
    for (int scale = 1; scale <= SCALE_TYPE_COUNT; ++scale) {
        Pick(CShowScaleDlg::kIdScale, scale);
        if (tool->List(CShowScaleDlg::kIdProgression).IsEnabled())
            Pick(CShowScaleDlg::kIdProgression, 2);
        for (int root = 48; root < 60; ++root) {
            Pick(CShowScaleDlg::kIdRoot, root);
            tool->SetNoteNames(NOTE_NAMES_SHARPS);
            const std::string sharps = ShownNames(*tool);
            tool->SetNoteNames(NOTE_NAMES_KEY);
            const std::string key = ShownNames(*tool);
            EXPECT_EQ(InSharps(sharps), sharps);
            EXPECT_EQ(InSharps(key), sharps) << key;
        }
    }
}

TEST_F(ShowScaleTest, EbMajorIsWrittenWithFlatsAndRenamingKeepsTheChord) {
    Pick(CShowScaleDlg::kIdRoot, 51);
    Pick(CShowScaleDlg::kIdPattern, 2);
    Pick(CShowScaleDlg::kIdProgression, 1);
    Pick(CShowScaleDlg::kIdType, CHORD_GROUP_TRIAD);
    Pick(CShowScaleDlg::kIdChord, 2);
    Click(CShowScaleDlg::kIdShowChord);
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdChord).GetItemText(3), "4 - Ab");
    EXPECT_EQ(tool->GetText(CShowScaleDlg::kIdChordName), "Fm - Minor");
    EXPECT_EQ(tool->GetText(CShowScaleDlg::kIdFormula), "Notes: F Ab C");
    EXPECT_EQ(tool->GetFretboard()->LabelFor(58), "Bb");
    EXPECT_EQ(tool->GetText(CShowScaleDlg::kIdProgressionText), "Eb-Bb-Ab-Bb");
    tool->SetNoteNames(NOTE_NAMES_SHARPS);
    EXPECT_EQ(record.noteNames, NOTE_NAMES_SHARPS);
    EXPECT_EQ(tool->GetText(CShowScaleDlg::kIdFormula), "Notes: F G# C");
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdChord).GetSelectedValue(), 2);
}

TEST_F(ShowScaleTest, AStringTheVoicingLeavesOutIsMutedNotMarked) {
    Pick(CShowScaleDlg::kIdRoot, 51);
    Pick(CShowScaleDlg::kIdType, CHORD_GROUP_TRIAD);
    Pick(CShowScaleDlg::kIdChord, 6); // C minor, rooted on the fifth string
    Click(CShowScaleDlg::kIdShowChord);
    EXPECT_TRUE(tool->GetFretboard()->IsMuted(6));
    EXPECT_FALSE(tool->GetFretboard()->IsMuted(5));
}

// Pictures of the tool for people to look at: kept only when MA_SCREENSHOT_DIR names a folder.
TEST_F(ShowScaleTest, PicturesOfScaleAndChordMode) {
    tool->resize(900, 520);
    tool->show();
    Pick(CShowScaleDlg::kIdRoot, 51); // Eb major, written with its flats
    QImage scale = tool->grab().toImage();
    Pick(CShowScaleDlg::kIdType, CHORD_GROUP_TRIAD);
    Pick(CShowScaleDlg::kIdChord, 6); // C minor
    Click(CShowScaleDlg::kIdShowChord);
    QImage chord = tool->grab().toImage();
    // The two modes must look different: the chord's marks replace the position's.
    EXPECT_NE(scale, chord);
    const QByteArray folder = qgetenv("MA_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        EXPECT_TRUE(scale.save(folder + "/show-scale-scale.png"));
        EXPECT_TRUE(chord.save(folder + "/show-scale-chord.png"));
    }
}
