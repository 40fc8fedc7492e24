#include "tools/TextWnd.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "LessonTestHost.h"
#include "tools/TextCtrl.h"

namespace {

// A window that keeps the commands its page's buttons send.
class CCommandSink : public CBaseWindow {
public:
    CCommandSink() : CBaseWindow(kKindText) {}
    bool OnUserMessage(int message, intptr_t, intptr_t lParam) override {
        if (message != kMsgTextCommand)
            return false;
        commands.emplace_back(reinterpret_cast<const char*>(lParam));
        return true;
    }
    std::vector<std::string> commands;
};

class TextCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        sink.resize(320, 400);
        ctrl = new CTextCtrl(&sink);
        ctrl->setGeometry(0, 0, 300, 400);
    }
    int OneLine(CTextCtrl::FONT font) { return QFontMetrics(ctrl->GetFont(font)).height(); }
    QRect ButtonRect(int index) { return ctrl->GetButton(index).button->geometry(); }

    CCommandSink sink;
    CTextCtrl* ctrl = nullptr;
};

TEST_F(TextCtrlTest, ButtonsSitBetweenParagraphsAt130By22) {
    ctrl->SetText("First");
    const int line = ctrl->GetTotalHeight(); // one paragraph of one line
    ASSERT_GT(line, 0);
    ctrl->SetText("First\r\n<b>Go~Scale=Major\r\n<b>Again~Scale=Dorian\r\nLast\r\n");
    ASSERT_EQ(ctrl->GetButtonCount(), 2);
    const int spacing = ctrl->GetLineSpacing();
    EXPECT_EQ(ButtonRect(0), QRect(CTextCtrl::kTextIndent, line + spacing / 2, 130, 22));
    EXPECT_EQ(ButtonRect(1).top(), ButtonRect(0).top() + 22 + spacing / 2 + spacing / 2);
    EXPECT_EQ(ButtonRect(1).size(), QSize(130, 22));
    EXPECT_EQ(ctrl->GetTotalHeight(), 2 * line + 2 * (spacing / 2 + spacing / 2 + 22));
    EXPECT_EQ(ctrl->GetButton(0).button->text(), "Go");
    EXPECT_EQ(ctrl->GetButton(1).command, "Scale=Dorian");
    EXPECT_EQ(ctrl->GetButton(0).button->property("controlId").toInt(), 1024);
    EXPECT_EQ(ctrl->GetButton(1).button->property("controlId").toInt(), 1024);
}

TEST_F(TextCtrlTest, EmptyLineAddsOneLineSpacing) {
    ctrl->SetText("A\nB\n");
    int without = ctrl->GetTotalHeight();
    ctrl->SetText("A\n\nB\n");
    EXPECT_EQ(ctrl->GetTotalHeight(), without + ctrl->GetLineSpacing());
}

struct STOP_CASE {
    const char* page;
    int linesDrawn;
};

class PageStops : public TextCtrlTest, public ::testing::WithParamInterface<STOP_CASE> {};

TEST_P(PageStops, NothingAfterTheStopIsDrawn) {
    ctrl->SetText(GetParam().page);
    EXPECT_EQ(ctrl->GetLinesDrawn(), GetParam().linesDrawn) << GetParam().page;
    EXPECT_EQ(ctrl->GetButtonCount(), 0) << GetParam().page;
}

INSTANTIATE_TEST_SUITE_P(Cases, PageStops,
                         ::testing::Values(STOP_CASE{"Intro\n<2>\n<b>Go~Scale=Major\n", 1},
                                           STOP_CASE{"<b>Label only\n<b>Go~Scale=Major\n", 0},
                                           STOP_CASE{"Text\n<b>Go~\n<b>Go~Scale=Major\n", 1},
                                           STOP_CASE{"<1\n<b>Go~Scale=Major\n", 0},
                                           STOP_CASE{"<b>\n<b>Go~Scale=Major\n", 0}));

TEST_F(TextCtrlTest, AnUnknownTagDrawsNothing) {
    ctrl->SetText("<x>Hidden words\n<b>Go~Scale=Major\n");
    ASSERT_EQ(ctrl->GetButtonCount(), 1);
    EXPECT_EQ(ButtonRect(0).top(), ctrl->GetLineSpacing() / 2);
    EXPECT_EQ(ctrl->GetLinesDrawn(), 2);
}

TEST_F(TextCtrlTest, ParagraphsWrapAndOneLineHeadingsDoNot) {
    const char* words = "Every scale has a root, a pattern of steps and a sound of its own, "
                        "and this sentence is long enough to need several lines.";
    ctrl->SetText("Every");
    const int line = ctrl->GetTotalHeight();
    ctrl->SetText(words);
    EXPECT_GE(ctrl->GetTotalHeight(), 3 * line);
    CCharString heading;
    heading.Format("<2>%s", words);
    ctrl->SetText(heading);
    EXPECT_EQ(ctrl->GetTotalHeight(), OneLine(CTextCtrl::kFontHeading2));
    heading.Format("<3>%s", words);
    ctrl->SetText(heading);
    EXPECT_EQ(ctrl->GetTotalHeight(), OneLine(CTextCtrl::kFontHeading3));
    heading.Format("<1>%s", words);
    ctrl->SetText(heading);
    EXPECT_GE(ctrl->GetTotalHeight(), 3 * OneLine(CTextCtrl::kFontHeading1));
}

TEST_F(TextCtrlTest, HeadingsAreBlueAndTextBlack) {
    auto count = [this](const char* page, bool blue) {
        ctrl->SetText(page);
        QImage image = ctrl->grab().toImage();
        int found = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < ctrl->GetPageWidth(); ++x) {
                QColor c = image.pixelColor(x, y);
                bool isBlue = c.blue() > 180 && c.red() < 90 && c.green() < 90;
                bool isBlack = c.blue() < 90 && c.red() < 90 && c.green() < 90;
                found += blue ? isBlue : isBlack;
            }
        return found;
    };
    EXPECT_GT(count("<1>Scales", true), 20);
    EXPECT_EQ(count("<1>Scales", false), 0);
    EXPECT_GT(count("Scales", false), 20);
    EXPECT_EQ(count("Scales", true), 0);
    EXPECT_EQ(count("<7>Scales", false) + count("<7>Scales", true), 0);
}

TEST_F(TextCtrlTest, ScrollingMovesTheButtonsAndStopsAtTheEnd) {
    std::string page;
    for (int i = 0; i < 60; ++i)
        page += "Line of text\r\n";
    page += "<b>Bottom~Scale=Major\r\n";
    ctrl->SetText(page.c_str());
    const int step = ctrl->GetScrollStep();
    const int total = ctrl->GetTotalHeight();
    ASSERT_GT(total, ctrl->height());
    EXPECT_EQ(ctrl->GetScrollMax(), (total - ctrl->height() + step - 1) / step);
    int top = ButtonRect(0).top();
    QPushButton* button = ctrl->GetButton(0).button;
    ctrl->SetScrollPos(3);
    EXPECT_EQ(ButtonRect(0).top(), top - 3 * step);
    EXPECT_EQ(ctrl->GetButton(0).button, button); // moved, not made again
    ctrl->SetScrollPos(100000);
    EXPECT_EQ(ctrl->GetScrollPos(), ctrl->GetScrollMax());
    EXPECT_LE(ButtonRect(0).bottom(), ctrl->height());
    ctrl->SetScrollPos(-4);
    EXPECT_EQ(ctrl->GetScrollPos(), 0);
}

TEST_F(TextCtrlTest, PressingAButtonSendsItsCommand) {
    ctrl->SetText("<b>One~Scale=Major|Root=C\n<b>Two~Scale=Dorian|Root=D\n");
    QTest::mouseClick(ctrl->GetButton(1).button, Qt::LeftButton);
    QTest::mouseClick(ctrl->GetButton(0).button, Qt::LeftButton);
    ASSERT_EQ(sink.commands.size(), 2u);
    EXPECT_EQ(sink.commands[0], "Scale=Dorian|Root=D");
    EXPECT_EQ(sink.commands[1], "Scale=Major|Root=C");
}

// ------------------------------------------------------------------ the window

class TextWndTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        tool = std::make_unique<CShowScaleDlg>(scaleHost, &scaleRecord);
        ASSERT_TRUE(tool->Create(nullptr, nullptr, "Show Scale"));
    }
    void MakeWindow() {
        wnd = std::make_unique<CTextWnd>(std::make_unique<CLessonHost>(tool.get()), &record);
        ASSERT_TRUE(wnd->Create(nullptr, nullptr, "Tutorial")) << wnd->GetError().GetText();
        wnd->resize(400, 500);
        wnd->show(); // sized widgets get their resize events when shown
    }
    std::string Write(const char* name, const char* text) {
        std::string path = dir.path().toStdString() + "/" + name;
        QFile file(QString::fromStdString(path));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }

    QTemporaryDir dir;
    CLessonScaleHost scaleHost;
    SHOW_SCALE_SETTINGS scaleRecord;
    std::unique_ptr<CShowScaleDlg> tool;
    TEXT_SETTINGS record;
    std::unique_ptr<CTextWnd> wnd;
};

// A broken index line stops the reading and keeps the lessons before it; a missing index is
// named with the system's reason.
TEST_F(TextWndTest, ABrokenOrMissingIndexFailsKeepingTheLessonsBefore) {
    Write("One.txt", "<1>One\r\n");
    const struct {
        const char* name;
        const char* text; // nullptr: no such file
        int lessons;
    } cases[] = {
        {"Bad.txt", "One~One.txt\r\nTwo~Two.txt\r\nThree Three.txt\r\nFour~Four.txt\r\n", 2},
        {"NoFile.txt", "One~One.txt\r\nTwo~\r\n", 1},
        {"Nowhere.txt", nullptr, 0},
    };
    for (const auto& c : cases) {
        const std::string index =
            c.text ? Write(c.name, c.text) : dir.path().toStdString() + "/" + c.name;
        MakeWindow();
        EXPECT_FALSE(wnd->LoadIndex(index.c_str())) << c.name;
        EXPECT_EQ(wnd->GetLessonCount(), c.lessons) << c.name;
        CCharString expected;
        expected.Format("Can't read content file '%s': ", index.c_str());
        EXPECT_EQ(wnd->GetError().Str().rfind(expected.Str(), 0), 0u) << wnd->GetError().GetText();
    }
    EXPECT_EQ(wnd->GetError().Str().find("No such file or directory"),
              wnd->GetError().GetLength() - 25);
}

TEST_F(TextWndTest, LessonsLieInTheIndexFolderAndEmptyLinesAreSkipped) {
    Write("A.txt", "<1>A\r\n");
    Write("B.txt", "<1>B\r\n<b>Go~Scale=Dorian\r\n");
    std::string index = Write("Index.txt", "\r\nFirst~A.txt\r\n\r\nSecond~B.txt\r\n");
    MakeWindow();
    ASSERT_TRUE(wnd->LoadIndex(index.c_str())) << wnd->GetError().GetText();
    ASSERT_EQ(wnd->GetLessonCount(), 2);
    EXPECT_EQ(wnd->GetLessonPath(1), (dir.path().toStdString() + "/B.txt").c_str());
    EXPECT_EQ(wnd->GetPage()->GetButtonCount(), 0);
    wnd->GetSelector()->setCurrentIndex(1); // as the user picks it
    EXPECT_EQ(wnd->GetPage()->GetButtonCount(), 1);
}

TEST_F(TextWndTest, ThePageIsStretchedSevenFromTheEdges) {
    Write("A.txt", "<1>A\r\n");
    MakeWindow();
    wnd->resize(420, 530);
    QApplication::processEvents();
    QRect page = wnd->GetPage()->geometry();
    EXPECT_EQ(page.left(), 7);
    EXPECT_EQ(wnd->width() - (page.right() + 1), 7);
    EXPECT_EQ(wnd->height() - (page.bottom() + 1), 7);
    EXPECT_GT(page.top(), wnd->GetSelector()->geometry().bottom());
    EXPECT_EQ(CTextWnd::DefaultRect(), (WND_RECT{0, 0, 400, 500}));
}

TEST_F(TextWndTest, TheSavedLessonAndScrollPositionComeBack) {
    std::string many;
    for (int i = 0; i < 80; ++i)
        many += "A line of the long lesson\r\n";
    Write("A.txt", "<1>A\r\n");
    Write("B.txt", many.c_str());
    std::string index = Write("Index.txt", "First~A.txt\r\nSecond~B.txt\r\n");
    record.contentIndex = 1;
    record.scrollPos = 5;
    MakeWindow();
    ASSERT_TRUE(wnd->LoadIndex(index.c_str()));
    EXPECT_EQ(wnd->GetSelectedLesson(), 1);
    EXPECT_EQ(wnd->GetPage()->GetScrollPos(), 5);
    wnd->GetPage()->SetScrollPos(9);
    wnd->Destroy();
    EXPECT_EQ(record.contentIndex, 1);
    EXPECT_EQ(record.scrollPos, 9);
}

TEST_F(TextWndTest, ASavedIndexOutOfRangeSelectsTheFirstLesson) {
    Write("A.txt", "<1>A\r\n");
    std::string index = Write("Index.txt", "First~A.txt\r\nSecond~A.txt\r\n");
    for (int saved : {-3, 2, 40}) {
        record.contentIndex = saved;
        MakeWindow();
        ASSERT_TRUE(wnd->LoadIndex(index.c_str()));
        EXPECT_EQ(wnd->GetSelectedLesson(), 0) << saved;
    }
}

TEST_F(TextWndTest, AMissingPageLeavesTheWindowWithItsLessons) {
    std::string index = Write("Index.txt", "Gone~Gone.txt\r\n");
    MakeWindow();
    EXPECT_TRUE(wnd->LoadIndex(index.c_str()));
    EXPECT_EQ(wnd->GetLessonCount(), 1);
    CCharString expected;
    expected.Format("Can't read file '%s/Gone.txt': No such file or directory",
                    dir.path().toStdString().c_str());
    EXPECT_EQ(wnd->GetError(), expected);
    EXPECT_EQ(wnd->GetPage()->GetLineCount(), 0);
}

TEST_F(TextWndTest, AButtonDrivesTheShowScaleTool) {
    Write("A.txt", "<1>Dorian\r\n<b>D Dorian~Scale=Dorian|Root=D|Position=9|Tempo=100\r\n"
                   "<b>Broken~Scale=Dorian|Root=H\r\n");
    std::string index = Write("Index.txt", "Dorian~A.txt\r\n");
    MakeWindow();
    ASSERT_TRUE(wnd->LoadIndex(index.c_str()));
    ASSERT_EQ(wnd->GetPage()->GetButtonCount(), 2);
    QTest::mouseClick(wnd->GetPage()->GetButton(0).button, Qt::LeftButton);
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdScale).GetSelectedText(), "Dorian");
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdRoot).GetSelectedValue(), 50);
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdPosition).GetSelectedValue(), 9);
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdTempo).GetSelectedText(), "100");
    EXPECT_TRUE(wnd->GetCommandError().IsEmpty());

    QTest::mouseClick(wnd->GetPage()->GetButton(1).button, Qt::LeftButton);
    EXPECT_FALSE(wnd->GetCommandError().IsEmpty());
    EXPECT_EQ(tool->List(CShowScaleDlg::kIdRoot).GetSelectedValue(), 50);
}

} // namespace
