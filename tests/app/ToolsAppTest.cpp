// The fuller sound tools inside the running application: reached from the Tools menu, their
// places kept, and what they write.
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

#include "sound/Sound.h"
#include "sound/VirtualDevice.h"
#include "tests/app/AppHarness.h"
#include "tools/GeneratorDlg.h"
#include "tools/MainWnd.h"

namespace {

bool AnswerOk(const char*, const char*, int, bool) {
    return true;
}

class ToolsAppTest : public ::testing::Test, public CAppHarness {
protected:
    void SetUp() override {
        ASSERT_TRUE(MakeContentRoot("<1>Welcome\r\n"));
        LinkBuildFolder("Sound");
        Install(AnswerOk);
    }
    void TearDown() override { Uninstall(); }

    bool Start() {
        return CAppHarness::Start(
            []() -> std::unique_ptr<CAudioDevice> { return std::make_unique<CVirtualDevice>(); });
    }
    CGeneratorDlg* Generator() const {
        return dynamic_cast<CGeneratorDlg*>(Window(kKindGenerator));
    }
};

TEST_F(ToolsAppTest, GeneratorOpensFromTheToolsMenuPlaysAndIsThereAgainNextRun) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(Generator(), nullptr) << "not made at start";
    Frame()->GetAction(kCmdShowGenerator)->trigger();
    ASSERT_NE(Generator(), nullptr);
    EXPECT_TRUE(Generator()->IsShown());

    // Digits typed into a field are text: the computer keyboard's notes stay silent.
    QLineEdit* frequency = Generator()->Field(CGeneratorDlg::kIdFrequency);
    frequency->clear();
    frequency->setFocus();
    QTest::keyClicks(frequency, "220");
    EXPECT_EQ(frequency->text(), "220");
    EXPECT_EQ(m_center->GetCurrentNotes().GetCount(), 0);

    QTest::mouseClick(Generator()->Button(CGeneratorDlg::kIdPlay), Qt::LeftButton);
    EXPECT_TRUE(m_center->GetSound()->GetOneShot()->IsPlaying());
    EXPECT_TRUE(std::filesystem::exists(
        (QString(m_center->GetSettings()->wavePath.GetText()) + "Generated.wav").toStdString()));
    Generator()->SetRect(30, 40, 430, 540);
    Quit();

    ASSERT_TRUE(Start());
    ASSERT_NE(Generator(), nullptr) << "left open, so opened again";
    WND_RECT place;
    place.Set(30, 40, 430, 540);
    EXPECT_EQ(Generator()->GetRect(), place);
    Generator()->ShowWnd(false);
    Quit();

    ASSERT_TRUE(Start());
    EXPECT_EQ(Generator(), nullptr) << "closed, so left closed";
}

} // namespace
