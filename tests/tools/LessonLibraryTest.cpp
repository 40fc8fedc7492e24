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
#include <cstdlib>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

#include "LessonTestHost.h"
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

// The check itself must catch the silent kinds of failure it is there for.
TEST_F(LessonLibrary, TheCheckCatchesButtonsThatDoNothing) {
    struct CASE {
        const char* command;
        const char* problem;
    } cases[] = {
        {"Scale=Major|Root=C|Tempo=125", "tempo not offered"},
        {"Scale=Blues|Root=A|ChordProg=I-V-IV-V", "progression not available here"},
        {"Scale=Major|Root=C|Walk=Up|ChordProg=I-V-IV-V", "progression not available here"},
        {"Scale=Blues|Root=A|Walk=1-3-5-8", "pattern not offered with this scale"},
        {"Scale=Major|Root=C|Style=Rock", "Style and Groove only work together"},
        {"Scale=Major|Root=C|Style=Rock|Groove=9 Nothing", "no such groove"},
        {"Scale=Major|Root=C|ChordGroup=Triad", "ChordNumber and ChordGroup only work together"},
        {"Scale=Major|Root=C|Play=Yes", "Play is not \"Y\": the button stays silent"},
        {"Scale=Major|Root=C|LookAt=Drum set", "LookAt does nothing to the Show Scale tool"},
        {"Scale=Major|Root=C|Position=13", "position not offered"},
    };
    for (const CASE& c : cases) {
        CTutorialCommand command;
        ASSERT_TRUE(command.Parse(c.command, "", "")) << c.command;
        int before = scaleHost.playCalls;
        wnd->RunCommand(c.command);
        std::vector<std::string> problems = Problems(command, before);
        EXPECT_NE(std::find(problems.begin(), problems.end(), c.problem), problems.end())
            << c.command << " was not caught";
    }
    CTutorialCommand good;
    ASSERT_TRUE(good.Parse("Scale=Dorian|Root=D|Position=9|Style=Funk|Groove=1 Funk|Tempo=100|"
                           "NoteLength=8|Walk=1-3-2-4|ChordProg=I-VI-II-V|Play=Y",
                           "", ""));
    int before = scaleHost.playCalls;
    wnd->RunCommand("Scale=Dorian|Root=D|Position=9|Style=Funk|Groove=1 Funk|Tempo=100|"
                    "NoteLength=8|Walk=1-3-2-4|ChordProg=I-VI-II-V|Play=Y");
    EXPECT_TRUE(Problems(good, before).empty());
}

} // namespace
