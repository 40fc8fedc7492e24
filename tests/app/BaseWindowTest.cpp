#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

#include "ui/BaseWindow.h"

namespace {

// A tool window inside an MDI area, as the main window hosts them.
class BaseWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_area.resize(1200, 900);
        m_area.show();
    }
    QMdiArea m_area;
};

class CCountingWnd : public CBaseWindow {
public:
    explicit CCountingWnd(WND_SETTINGS* record = nullptr) : CBaseWindow(kKindMixer) {
        SetPlacement(record);
    }
    bool OnAccept() override { return ++accepted, true; }
    bool OnDestroyed() override { return ++destroyed, false; }
    int accepted = 0;
    int destroyed = 0;
};

TEST_F(BaseWindowTest, CreatingTwiceIsRefused) {
    CCountingWnd wnd;
    ASSERT_TRUE(wnd.Create(&m_area, nullptr, "Mixer"));
    EXPECT_FALSE(wnd.Create(&m_area, nullptr, "Mixer"));
    EXPECT_STREQ(wnd.GetError(), "Already created");
    EXPECT_EQ(wnd.Frame()->windowTitle(), "Mixer");
    EXPECT_FALSE(wnd.IsShown()) << "the visible flag is clear until the window is shown";
}

TEST_F(BaseWindowTest, ToolTakesItsSavedPlacementAndShowFlag) {
    WND_SETTINGS record;
    record.rect.Set(30, 40, 330, 290);
    record.show = 0;
    CCountingWnd wnd(&record);
    ASSERT_TRUE(wnd.CreateTool(&m_area, "Mixer"));
    EXPECT_EQ(wnd.GetRect(), record.rect);
    EXPECT_FALSE(wnd.IsShown());
    EXPECT_FALSE(wnd.Frame()->isVisible());
}

TEST_F(BaseWindowTest, UnsetPlacementTakesTheDefaultRectangleAndShows) {
    WND_SETTINGS record; // rectangle unset, shown
    WND_RECT fallback;
    fallback.Set(100, 100, 300, 300);
    CCountingWnd wnd(&record);
    ASSERT_TRUE(wnd.CreateTool(&m_area, "Band", &fallback));
    EXPECT_EQ(wnd.GetRect(), fallback);
    EXPECT_TRUE(wnd.IsShown());
    EXPECT_TRUE(wnd.Frame()->isVisible());
}

TEST_F(BaseWindowTest, DestroyStoresRectangleAndVisibility) {
    WND_SETTINGS record;
    CCountingWnd wnd(&record);
    ASSERT_TRUE(wnd.CreateTool(&m_area, "Mixer"));
    wnd.SetRect(50, 60, 450, 360);
    wnd.MoveTo(kKeep, 80);
    wnd.ShowWnd(false);
    wnd.Destroy();
    wnd.Destroy();
    EXPECT_EQ(wnd.destroyed, 1) << "destroyed once";
    WND_RECT expected;
    expected.Set(50, 80, 450, 380);
    EXPECT_EQ(record.rect, expected) << "MoveTo kept x and the size";
    EXPECT_EQ(record.show, 0);
}

TEST_F(BaseWindowTest, ClosingTheFrameHidesAndKeepsTheObject) {
    CCountingWnd wnd;
    ASSERT_TRUE(wnd.CreateTool(&m_area, "Mixer"));
    ASSERT_TRUE(wnd.IsShown());
    wnd.Frame()->close();
    EXPECT_FALSE(wnd.IsShown());
    EXPECT_FALSE(wnd.Frame()->isVisible());
    EXPECT_EQ(m_area.subWindowList().size(), 1) << "the sub-window still exists";
    EXPECT_TRUE(wnd.ShowWnd(true));
    EXPECT_TRUE(wnd.Frame()->isVisible());
}

TEST_F(BaseWindowTest, AspectFactorHoldsWhileSizing) {
    CCountingWnd wnd;
    wnd.SetAspect(0.75);
    ASSERT_TRUE(wnd.CreateTool(&m_area, "Band"));
    wnd.SetRect(0, 0, 400, 300);
    // The user drags the right edge: the height follows the width.
    wnd.Frame()->resize(600, 300);
    EXPECT_EQ(wnd.GetHeight(), 450);
    EXPECT_EQ(wnd.GetWidth(), 600);
    // Then the bottom edge: the width follows the height.
    wnd.Frame()->resize(600, 150);
    EXPECT_EQ(wnd.GetWidth(), 200);
    EXPECT_EQ(wnd.GetHeight(), 150);
}

TEST_F(BaseWindowTest, WindowWithoutAspectTakesAnyShape) {
    CCountingWnd wnd;
    ASSERT_TRUE(wnd.CreateTool(&m_area, "Mixer"));
    wnd.Frame()->resize(500, 120);
    EXPECT_EQ(wnd.GetWidth(), 500);
    EXPECT_EQ(wnd.GetHeight(), 120);
}

TEST_F(BaseWindowTest, MinimumTrackingSizeBoundsTheFrame) {
    CCountingWnd wnd;
    wnd.SetMinTrackSize(300, 300);
    ASSERT_TRUE(wnd.CreateTool(&m_area, "Main"));
    wnd.Frame()->resize(100, 100);
    EXPECT_GE(wnd.GetWidth(), 300);
    EXPECT_GE(wnd.GetHeight(), 300);
}

TEST_F(BaseWindowTest, EnterAcceptsAndEscapeMinimises) {
    CCountingWnd wnd;
    ASSERT_TRUE(wnd.CreateTool(&m_area, "Mixer"));
    wnd.setFocus();
    QTest::keyClick(&wnd, Qt::Key_Return);
    EXPECT_EQ(wnd.accepted, 1);
    QTest::keyClick(&wnd, Qt::Key_Escape);
    EXPECT_TRUE(wnd.Frame()->isMinimized());
}

TEST_F(BaseWindowTest, BringToTopLeavesHiddenWindowsAlone) {
    CCountingWnd a, b;
    ASSERT_TRUE(a.CreateTool(&m_area, "A"));
    ASSERT_TRUE(b.CreateTool(&m_area, "B"));
    b.ShowWnd(false);
    a.BringToTop();
    EXPECT_EQ(m_area.activeSubWindow(), a.Frame());
    b.BringToTop();
    EXPECT_EQ(m_area.activeSubWindow(), a.Frame()) << "a hidden window is not brought up";
    EXPECT_FALSE(b.Frame()->isVisible());
}

TEST_F(BaseWindowTest, PostedUserMessageArrivesOnTheWindowsThread) {
    struct CReceiver : CBaseWindow {
        CReceiver() : CBaseWindow(kKindText) {}
        bool OnUserMessage(int message, intptr_t w, intptr_t l) override {
            got = message * 1000 + static_cast<int>(w + l);
            thread = QThread::currentThread();
            return true;
        }
        int got = 0;
        QThread* thread = nullptr;
    } wnd;
    std::thread poster([&] { wnd.PostUserMessage(kMsgRunCommand, 3, 4); });
    poster.join();
    EXPECT_EQ(wnd.got, 0) << "posted, not sent";
    QCoreApplication::processEvents();
    EXPECT_EQ(wnd.got, 1026007);
    EXPECT_EQ(wnd.thread, QThread::currentThread());
}

} // namespace
