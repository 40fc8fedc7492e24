// The lesson library as a learner meets it: every page of the index is read into the real
// lesson window, and every button on it is pressed against the real Show Scale tool, note
// manager, composer and grooves. A button fails the check when its command fails or when some
// part of it would silently do nothing (a tempo the tool does not offer, a progression on a
// scale that has none, a chord group without a degree, "Play" that does not play, ...).

#include <QComboBox>
#include <QFontMetrics>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "LessonTestHost.h"
#include "theory/Chord.h"
#include "theory/NoteManager.h"
#include "theory/ScaleTables.h"
#include "tools/TextCtrl.h"
#include "tools/TextWnd.h"

namespace {

constexpr const char* kIndex = MA_TUTORIAL_DIR "/Scales/Scales Content.txt";

class LessonLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        tool = std::make_unique<CShowScaleDlg>(scaleHost, &scaleRecord);
        ASSERT_TRUE(tool->Create(nullptr, nullptr, "Show Scale")) << tool->GetError().GetText();
        wnd = std::make_unique<CTextWnd>(std::make_unique<CLessonHost>(tool.get()), &record);
        ASSERT_TRUE(wnd->Create(nullptr, nullptr, "Tutorial"));
        wnd->resize(400, 500);
        ASSERT_TRUE(wnd->LoadIndex(kIndex)) << wnd->GetError().GetText();
    }

    // What the tool shows after the command ran, against what the command asked for.
    std::vector<std::string> Problems(const CTutorialCommand& command, int playCallsBefore) {
        std::vector<std::string> problems;
        auto problem = [&](const std::string& text) { problems.push_back(text); };
        const PRACTICE_REQUEST& request = command.m_request;
        const SHOW_SCALE_OPTIONS& options = command.m_options;
        auto list = [this](CShowScaleDlg::CONTROL id) -> CListWrapper& { return tool->List(id); };

        if (command.Named(CTutorialCommand::kKeyFile))
            problem("names a file, which only a song editor can open");
        for (auto [key, name] : {std::pair{CTutorialCommand::kKeyFromNote, "FromNote"},
                                 std::pair{CTutorialCommand::kKeyToNote, "ToNote"},
                                 std::pair{CTutorialCommand::kKeyLookAt, "LookAt"},
                                 std::pair{CTutorialCommand::kKeyShowNotes, "ShowNotes"}})
            if (command.Named(key))
                problem(std::string(name) + " does nothing to the Show Scale tool");
        if (command.Named(CTutorialCommand::kKeyScale) &&
            list(CShowScaleDlg::kIdScale).GetSelectedValue() != request.scale)
            problem("scale not selected");
        if (command.Named(CTutorialCommand::kKeyRoot)) {
            int midi = 0;
            FindRootByName(options.rootName, midi);
            if (list(CShowScaleDlg::kIdRoot).GetSelectedValue() != midi)
                problem("root not selected");
        }
        if (command.Named(CTutorialCommand::kKeyPosition) &&
            list(CShowScaleDlg::kIdPosition).GetSelectedValue() != request.position)
            problem("position not offered");
        bool style = command.Named(CTutorialCommand::kKeyStyle);
        bool groove = command.Named(CTutorialCommand::kKeyGroove);
        if (style != groove)
            problem("Style and Groove only work together");
        if (style && groove &&
            (list(CShowScaleDlg::kIdStyle).GetSelectedText() != request.style.GetText() ||
             list(CShowScaleDlg::kIdGroove).GetSelectedText() != request.groove.GetText()))
            problem("no such groove");
        if (command.Named(CTutorialCommand::kKeyTempo)) {
            CCharString tempo;
            tempo.Format("%g", request.tempo);
            if (list(CShowScaleDlg::kIdTempo).GetSelectedText() != tempo.GetText())
                problem("tempo not offered");
        }
        if (command.Named(CTutorialCommand::kKeyNoteLength) &&
            list(CShowScaleDlg::kIdNoteLength).GetSelectedValue() != request.noteLength)
            problem("note length not offered");
        if (command.Named(CTutorialCommand::kKeyWalk) &&
            list(CShowScaleDlg::kIdPattern).GetSelectedValue() != request.pattern)
            problem("pattern not offered with this scale");
        if (command.Named(CTutorialCommand::kKeyChordProg) &&
            (!list(CShowScaleDlg::kIdProgression).IsEnabled() ||
             list(CShowScaleDlg::kIdProgression).GetSelectedValue() != request.progression))
            problem("progression not available here");
        bool degree = command.Named(CTutorialCommand::kKeyChordNumber);
        bool group = command.Named(CTutorialCommand::kKeyChordGroup);
        if (degree != group)
            problem("ChordNumber and ChordGroup only work together");
        if (degree && group) {
            if (tool->GetMode() != CShowScaleDlg::kChordMode)
                problem("chord not shown");
            if (list(CShowScaleDlg::kIdChord).GetSelectedValue() != options.chordDegree)
                problem("no such degree in this scale");
            if (list(CShowScaleDlg::kIdType).GetSelectedValue() != options.chordGroup)
                problem("chord group not offered");
            if (tool->GetChordType() == 0)
                problem("the chord has no name: " +
                        tool->GetText(CShowScaleDlg::kIdChordName).Str());
        } else if (tool->GetMode() != CShowScaleDlg::kScaleMode) {
            problem("scale not shown");
        }
        if (command.Named(CTutorialCommand::kKeyPlay)) {
            if (!options.play)
                problem("Play is not \"Y\": the button stays silent");
            else if (scaleHost.playCalls != playCallsBefore + 1 || scaleHost.played.GetCount() == 0)
                problem("nothing played");
        }
        if (tool->IsViewPosition() != options.viewPosition ||
            tool->IsViewNeck() != options.viewNeck)
            problem("view not set");
        return problems;
    }

    CLessonScaleHost scaleHost;
    SHOW_SCALE_SETTINGS scaleRecord;
    std::unique_ptr<CShowScaleDlg> tool;
    TEXT_SETTINGS record;
    std::unique_ptr<CTextWnd> wnd;
};

TEST_F(LessonLibrary, EveryButtonOfEveryPageWorks) {
    ASSERT_GE(wnd->GetLessonCount(), 15);
    std::set<int> scalesTaught;
    int buttons = 0;
    for (int lesson = 0; lesson < wnd->GetLessonCount(); ++lesson) {
        std::string title = wnd->GetLessonTitle(lesson).Str();
        wnd->GetSelector()->setCurrentIndex(lesson); // as the learner picks it
        ASSERT_GT(wnd->GetPage()->GetLineCount(), 0) << title << ": " << wnd->GetError().GetText();
        CTextCtrl* page = wnd->GetPage();
        // For looking at the pages: MA_LESSON_SHOTS names a folder for one picture per page.
        if (const char* shots = std::getenv("MA_LESSON_SHOTS"))
            wnd->grab().save(QString("%1/lesson-%2.png").arg(shots).arg(lesson, 2, 10, QChar('0')));
        EXPECT_GT(page->GetLineCount(), 2) << title;
        EXPECT_EQ(page->GetLinesDrawn(), page->GetLineCount())
            << title << ": the page ends early at line " << page->GetLinesDrawn() + 1;
        EXPECT_EQ(page->GetLine(0).Str().rfind("<1>", 0), 0u) << title << " starts without a title";
        for (int b = 0; b < page->GetButtonCount(); ++b) {
            const BUTTON_INFO& info = page->GetButton(b);
            std::string where = title + ", button \"" + info.button->text().toStdString() + "\"";
            EXPECT_LE(QFontMetrics(info.button->font()).horizontalAdvance(info.button->text()),
                      CTextCtrl::kButtonWidth - 8)
                << where << ": the label does not fit";
            CTutorialCommand command;
            ASSERT_TRUE(command.Parse(info.command, wnd->GetHost().GetGrooveRoot(),
                                      wnd->GetHost().GetSongPath()))
                << where << ": " << command.GetError().GetText();
            int before = scaleHost.playCalls;
            QTest::mouseClick(info.button, Qt::LeftButton);
            EXPECT_TRUE(wnd->GetCommandError().IsEmpty())
                << where << ": " << wnd->GetCommandError().GetText();
            for (const std::string& problem : Problems(command, before))
                ADD_FAILURE() << where << ": " << problem << " (" << info.command.GetText() << ")";
            if (command.m_request.scale != 0)
                scalesTaught.insert(command.m_request.scale);
            tool->PlaybackStopped();
            ++buttons;
        }
    }
    EXPECT_GE(buttons, 60);
    for (int scale = 1; scale <= SCALE_TYPE_COUNT; ++scale) {
        CCharString name;
        GetScaleTypeName(scale, name);
        EXPECT_TRUE(scalesTaught.count(scale)) << "no lesson shows the scale " << name.GetText();
    }
}

// What the pages say in words about notes and chords, against the note manager and the names
// the tool shows for the key: "D Dorian has the notes D E F G A B C", "The triads of A harmonic
// minor are Am, Bdim, C+, ...".
class LessonFacts : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(manager.Initialize()); }

    static int FindScale(std::string name) {
        auto lower = [](std::string text) {
            for (char& c : text)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            return text;
        };
        name = lower(name);
        if (name.size() > 6 && name.compare(name.size() - 6, 6, " scale") == 0)
            name.resize(name.size() - 6);
        if (name.rfind("neapolitan", 0) == 0 && name.rfind("neapolitanian", 0) != 0)
            name.insert(10, "ian"); // the table's spelling
        for (int scale = 1; scale <= SCALE_TYPE_COUNT; ++scale) {
            CCharString table;
            GetScaleTypeName(scale, table);
            if (lower(table.Str()) == name)
                return scale;
        }
        return 0;
    }
    // "Am, Bdim, C+ (augmented) and G#dim" -> {"Am", "Bdim", "C+", "G#dim"}
    static std::vector<std::string> SplitChords(std::string list) {
        list = std::regex_replace(list, std::regex(" \\([a-z]+\\)"), "");
        list = std::regex_replace(list, std::regex(" and "), ", ");
        std::vector<std::string> chords;
        size_t start = 0;
        for (size_t comma; (comma = list.find(", ", start)) != std::string::npos; start = comma + 2)
            chords.push_back(list.substr(start, comma - start));
        chords.push_back(list.substr(start));
        return chords;
    }
    // The written chord against the chord of the group on that degree of the scale.
    std::string CheckChord(int scale, int root, int group, int degree, const std::string& written) {
        static const std::pair<const char*, const char*> kQualities[] = {
            {"", ""},       {"m", "m"},
            {"dim", "o"},   {"+", "+"},
            {"7", "7"},     {"maj7", "maj7"},
            {"m7", "m7"},   {"m7b5", "m7-5"},
            {"dim7", "o7"}, {"m(maj7)", "m(maj7)"}};
        std::smatch parts;
        if (!std::regex_match(written, parts, std::regex("([A-G][#b]?)(.*)")))
            return "can't read the chord " + written;
        const char* symbol = nullptr;
        for (auto [quality, engine] : kQualities)
            if (parts[2] == quality)
                symbol = engine;
        if (!symbol)
            return "unknown chord quality in " + written;
        CChord chord;
        int type = 0;
        if (!manager.GetScaleChord(scale, root, group, degree, chord) ||
            chord.m_notes.GetCount() == 0 || !manager.FindChordType(chord.m_notes, type) ||
            type == 0)
            return "no chord on degree " + std::to_string(degree);
        const CSpelling key(scale, root, NOTE_NAMES_KEY);
        std::string actual = key.ChordName(chord.m_notes[0].m_midi, type).Str();
        if (parts[1] != key.Name(chord.m_notes[0].m_midi) ||
            std::string(GetChordTypeRecord(type)->symbol) != symbol)
            return "degree " + std::to_string(degree) + " is " + actual + ", not " + written;
        return "";
    }

    CNoteManager manager;
};

TEST_F(LessonFacts, NotesAndChordsNamedInTheTextAreRight) {
    CTextCtrl page;
    std::string index;
    CCharString reason;
    ASSERT_TRUE(CTextCtrl::ReadTextFile(kIndex, index, reason)) << reason.GetText();
    const std::regex notesSentence(
        "([A-G][#b]?) ([A-Za-z ()]+?) has the notes ([A-G][#b]?(?: [A-G][#b]?)*)[,.:;]");
    const std::regex triadSentence(
        "[Tt]he triads of ([A-G][#b]?) (.+?)(?:, degree by degree,)? are (.+?)\\.(?: |$)");
    const std::regex seventhSentence("With a seventh added they become (.+?)\\.(?: |$)");
    const std::regex noteName("[A-G][#b]?");
    int facts = 0;
    std::smatch entry;
    for (auto line = index.cbegin();
         std::regex_search(line, index.cend(), entry, std::regex("~([^\r\n]+)"));
         line = entry.suffix().first) {
        std::string path = std::string(MA_TUTORIAL_DIR "/Scales/") + entry[1].str();
        ASSERT_TRUE(page.LoadFile(path.c_str())) << page.GetError().GetText();
        int scale = 0, root = 0; // the scale the last triad sentence named, for its sevenths
        for (int i = 0; i < page.GetLineCount(); ++i) {
            const std::string text = page.GetLine(i).Str();
            std::string where = entry[1].str() + ": ";
            for (std::sregex_iterator m(text.begin(), text.end(), notesSentence), end; m != end;
                 ++m) {
                ++facts;
                int named = FindScale((*m)[2]);
                int rootMidi = 0;
                ASSERT_NE(named, 0) << where << "unknown scale " << (*m)[2];
                ASSERT_TRUE(FindRootByName((*m)[1].str().c_str(), rootMidi)) << where << (*m)[0];
                CNoteList notes;
                ASSERT_TRUE(manager.GetScaleNotes(rootMidi, named, notes));
                const CSpelling key(named, rootMidi, NOTE_NAMES_KEY);
                std::vector<std::string> expected;
                for (const CNote& note : notes)
                    if (note.m_midi >= rootMidi && note.m_midi < rootMidi + 12)
                        expected.push_back(key.Name(note.m_midi));
                std::vector<std::string> written;
                std::string list = (*m)[3];
                for (std::sregex_iterator n(list.begin(), list.end(), noteName), e; n != e; ++n)
                    written.push_back(n->str());
                EXPECT_EQ(written, expected) << where << (*m)[0];
            }
            std::smatch m;
            if (std::regex_search(text, m, triadSentence)) {
                ++facts;
                scale = FindScale(m[2]);
                ASSERT_NE(scale, 0) << where << "unknown scale " << m[2];
                ASSERT_TRUE(FindRootByName(m[1].str().c_str(), root)) << where << m[0];
                std::vector<std::string> chords = SplitChords(m[3]);
                for (size_t d = 0; d < chords.size(); ++d) {
                    std::string problem = CheckChord(scale, root, CHORD_GROUP_TRIAD,
                                                     static_cast<int>(d + 1), chords[d]);
                    EXPECT_TRUE(problem.empty()) << where << problem;
                }
            }
            if (std::regex_search(text, m, seventhSentence)) {
                ++facts;
                ASSERT_NE(scale, 0) << where << "sevenths without their triads";
                std::vector<std::string> chords = SplitChords(m[1]);
                for (size_t d = 0; d < chords.size(); ++d) {
                    std::string problem =
                        CheckChord(scale, root, 7, static_cast<int>(d + 1), chords[d]);
                    EXPECT_TRUE(problem.empty()) << where << problem;
                }
            }
        }
    }
    EXPECT_GE(facts, 30); // the check reads what the pages say
}

} // namespace
