// The groove, part, chord and text dialogs as a user fills them: what OK refuses and why, and
// what reaches the edited object.
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

#include "song/Composition.h"
#include "tests/tools/SongEditorTestHost.h"
#include "theory/ScaleTables.h"
#include "tools/EditDlg.h"
#include "tools/GrooveInfoDlg.h"
#include "tools/PartChordDlg.h"
#include "tools/SongPartDlg.h"

namespace {

struct GROOVE_INFO_CASE {
    const char* what;
    const char *numerator, *denominator, *bars, *style, *name;
    const char* refusal; // null: accepted
};

void PrintTo(const GROOVE_INFO_CASE& c, std::ostream* out) {
    *out << c.what;
}

class GrooveInfoTest : public ::testing::TestWithParam<GROOVE_INFO_CASE> {};

TEST_P(GrooveInfoTest, OkChecksTheFieldsInOrder) {
    const GROOVE_INFO_CASE& c = GetParam();
    CMessageScript messages;
    SONG_HEADER header;
    header.name = "Old";
    CGrooveInfoDlg dialog(header, {"Rock", "Funk"});
    dialog.GetStyleCombo()->setCurrentText(c.style);
    Type(dialog, CGrooveInfoDlg::kIdName, c.name);
    Type(dialog, CGrooveInfoDlg::kIdNumerator, c.numerator);
    Type(dialog, CGrooveInfoDlg::kIdDenominator, c.denominator);
    Type(dialog, CGrooveInfoDlg::kIdBars, c.bars);
    Type(dialog, CGrooveInfoDlg::kIdDescription, "Slow one");
    Press(dialog, QDialogButtonBox::Ok);
    if (c.refusal) {
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.Last(), c.refusal);
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(header.name, "Old") << "a refused dialog writes nothing";
    } else {
        EXPECT_TRUE(messages.shown.empty()) << messages.Last();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(header.name, c.name);
        EXPECT_EQ(header.style, c.style);
        EXPECT_EQ(header.text, "Slow one");
        EXPECT_EQ(header.beatsPerMeasure, std::atoi(c.numerator));
        EXPECT_EQ(header.beatUnit, std::atoi(c.denominator));
        EXPECT_EQ(header.measureCount, std::atoi(c.bars));
    }
}

const char* const kTooMany = "Too many notes.\nPlease choose fewer number of measures.";
const char* const kDenominator =
    "Denominator in the time signature\ncan be only 4 or 8:\n4/4, 3/4, 7/8, etc.";

INSTANTIATE_TEST_SUITE_P(
    Cases, GrooveInfoTest,
    ::testing::Values(
        GROOVE_INFO_CASE{"two bars of 4/4 (32 cells)", "4", "4", "2", "Rock", "Beat", nullptr},
        GROOVE_INFO_CASE{"four bars of 4/4 (64 cells)", "4", "4", "4", "Rock", "Beat", kTooMany},
        GROOVE_INFO_CASE{"five bars of 3/8: the bar count first", "3", "8", "5", "Rock", "Beat",
                         "The maximum number of measures is 4"},
        GROOVE_INFO_CASE{"3/4", "3", "4", "1", "Waltz", "Slow", nullptr},
        GROOVE_INFO_CASE{"3/2", "3", "2", "1", "Rock", "Beat", kDenominator},
        GROOVE_INFO_CASE{"no style", "4", "4", "1", "", "Beat", "Groove style is required."},
        GROOVE_INFO_CASE{"no name", "4", "4", "1", "Rock", "", "Groove name is required."},
        GROOVE_INFO_CASE{"no bars", "4", "4", "0", "Rock", "Beat",
                         "A groove needs at least one measure"}));

TEST(EditDlg, EmptyTextIsRefusedWithTheCallersCaption) {
    CMessageScript messages;
    CEditDlg dialog("Song's name", "");
    Type(dialog, CEditDlg::kIdText, "   ");
    Press(dialog, QDialogButtonBox::Ok);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Please enter some text\nor press 'Cancel' to exit.");
    EXPECT_EQ(messages.shown[0].caption, "Song's name");
    Type(dialog, CEditDlg::kIdText, " Blue Moon ");
    Press(dialog, QDialogButtonBox::Ok);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetText(), "Blue Moon");
}

class PartDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        manager.Initialize();
        auto* verse = new CSongPart();
        verse->m_name = "Verse";
        song.AddPart(verse);
        part = new CSongPart();
        part->m_name = "Chorus";
        part->m_scale = 6; // Mixolydian
        part->m_scaleRoot = 43;
        song.AddPart(part);
    }
    CNoteManager manager;
    CComposition song;
    CSongPart* part = nullptr;
};

TEST_F(PartDialogTest, NameMustBeUniqueAndNothingIsWrittenUntilOk) {
    CMessageScript messages;
    CSongPartDlg dialog(*part, CSongPartDlg::kInfo);
    EXPECT_EQ(dialog.Root().GetSelectedText(), "G") << "root 43 shows as its note";
    Type(dialog, CSongPartDlg::kIdName, "Verse");
    Type(dialog, CSongPartDlg::kIdRepeat, "3");
    Press(dialog, QDialogButtonBox::Ok);
    EXPECT_EQ(messages.Last(), "The song already has a part named \"Verse\".");
    EXPECT_EQ(part->m_name, "Chorus");
    EXPECT_EQ(part->m_repeat, 1);
    Type(dialog, CSongPartDlg::kIdName, "Bridge");
    dialog.Scale().SelectValue(1);
    Press(dialog, QDialogButtonBox::Ok);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(part->m_name, "Bridge");
    EXPECT_EQ(part->m_repeat, 3);
    EXPECT_EQ(part->m_scale, 1);
    EXPECT_EQ(part->m_scaleRoot, 55);
}

TEST_F(PartDialogTest, ChordDialogScaleChordNamesTheChordOfTheDegree) {
    CChord chord;
    CPartChordDlg dialog(chord, *part, manager);
    EXPECT_EQ(dialog.GetMode(), CPartChordDlg::kScaleChord) << "a new chord starts on a degree";
    EXPECT_EQ(dialog.GetLabel(CPartChordDlg::kIdPartScale), "G Mixolydian");
    EXPECT_EQ(dialog.List(CPartChordDlg::kIdDegree).GetItemText(6), "7 - F");
    EXPECT_EQ(dialog.List(CPartChordDlg::kIdGroup).GetItemText(0), "sus2sus4");
    EXPECT_EQ(dialog.List(CPartChordDlg::kIdGroup).GetCount(), 16);
    dialog.List(CPartChordDlg::kIdDegree).SelectValue(5); // D: a minor triad in G Mixolydian
    EXPECT_EQ(dialog.GetLabel(CPartChordDlg::kIdChordLabel), "Dm - Minor");
    Type(dialog, CPartChordDlg::kIdRepeat, "2");
    Press(dialog, QDialogButtonBox::Ok);
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(chord.m_degree, 5);
    EXPECT_EQ(chord.m_chordGroup, CHORD_GROUP_TRIAD);
    EXPECT_EQ(chord.m_repeat, 2);
    EXPECT_EQ(chord.GetSoundingRoot() % 12, 2);
}

TEST_F(PartDialogTest, ChordDialogSpecificChordOnEFlat) {
    CChord chord;
    CPartChordDlg dialog(chord, *part, manager);
    ClickLabel(dialog.ModeButton(CPartChordDlg::kSpecificChord));
    EXPECT_FALSE(dialog.List(CPartChordDlg::kIdDegree).IsEnabled());
    EXPECT_EQ(dialog.List(CPartChordDlg::kIdType).GetItemText(0), "Major ()");
    dialog.List(CPartChordDlg::kIdRoot).SelectText("E");
    dialog.List(CPartChordDlg::kIdAccidental).SelectText("b");
    dialog.List(CPartChordDlg::kIdType).SelectValue(1);
    Press(dialog, QDialogButtonBox::Ok);
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(chord.GetSoundingRoot(), 27);
    EXPECT_EQ(chord.m_degree, 0);
    EXPECT_EQ(chord.m_chordGroup, 0);
    EXPECT_EQ(chord.m_chordType, 1);
}

TEST_F(PartDialogTest, ChordNotInTheScaleIsRefusedAndCancelKeepsTheChord) {
    CMessageScript messages;
    CChord chord;
    chord.m_root.m_midi = 33;
    chord.m_chordType = 2;
    CPartChordDlg dialog(chord, *part, manager);
    EXPECT_EQ(dialog.GetMode(), CPartChordDlg::kSpecificChord);
    ClickLabel(dialog.ModeButton(CPartChordDlg::kScaleChord));
    // Some degree of the scale has no chord of some group: pick the first such pair.
    bool found = false;
    for (int degree = 1; degree <= 7 && !found; ++degree)
        for (int group = 1; group <= CHORD_GROUP_COUNT && !found; ++group) {
            dialog.List(CPartChordDlg::kIdDegree).SelectValue(degree);
            dialog.List(CPartChordDlg::kIdGroup).SelectValue(group);
            found = dialog.GetLabel(CPartChordDlg::kIdChordLabel) == "Not in scale";
        }
    ASSERT_TRUE(found);
    Press(dialog, QDialogButtonBox::Ok);
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(messages.shown.empty());
    Press(dialog, QDialogButtonBox::Cancel);
    EXPECT_EQ(chord.m_root.m_midi, 33);
    EXPECT_EQ(chord.m_chordType, 2);
}

} // namespace
