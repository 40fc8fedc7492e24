#include "ui/Controls.h"

#include <QComboBox>
#include <QListWidget>
#include <QProgressBar>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

TEST(TrackBar, PositionsMapLinearlyToValuesAndTruncateTowardZero) {
    QSlider slider;
    CTrackBar bar;
    bar.Bind(&slider);
    bar.SetRange(-50, 50, 10, -1.0, 1.0);
    const std::pair<int, double> pan[] = {{-50, -1.0}, {0, 0.0}, {50, 1.0}, {-25, -0.5}};
    for (auto [position, value] : pan) {
        slider.setValue(position);
        EXPECT_DOUBLE_EQ(bar.GetValue(), value) << position;
    }
    bar.SetValue(0.5);
    EXPECT_EQ(slider.value(), 25);
    EXPECT_EQ(slider.pageStep(), 10);
    bar.SetRange(0, 100, 10, 0.0, 1.0);
    slider.setValue(37);
    EXPECT_NEAR(bar.GetValue(), 0.37, 1e-12);
    EXPECT_EQ(CTrackBar::PositionFor(0.379, 0, 100, 0.0, 1.0), 37);
    EXPECT_EQ(CTrackBar::PositionFor(-0.379, -50, 50, -1.0, 1.0), -18);
}

TEST(ProgressBar, ColourSwitchesAboveThreshold) {
    QProgressBar widget;
    CProgressBar bar;
    bar.Bind(&widget);
    bar.SetRange(0, 100, 1, 0.0, 1.0);
    bar.SetColors(Qt::green, Qt::red, 0.8);
    bar.SetValue(0.8);
    EXPECT_EQ(bar.GetBarColor(), QColor(Qt::green)); // at the threshold: not above it
    EXPECT_EQ(widget.value(), 80);
    bar.SetValue(0.81);
    EXPECT_EQ(bar.GetBarColor(), QColor(Qt::red));
}

// The same operations drive a combo box and a list box.
template <typename Control> class ListWrapperTest : public ::testing::Test {};
using ListControls = ::testing::Types<QComboBox, QListWidget>;
TYPED_TEST_SUITE(ListWrapperTest, ListControls);

TYPED_TEST(ListWrapperTest, SelectionByValueAndText) {
    TypeParam control;
    CListWrapper list;
    ASSERT_TRUE(list.Bind(&control));
    EXPECT_TRUE(list.AddItem("C", 48));
    EXPECT_TRUE(list.AddItem("C#/Db", 49));
    EXPECT_TRUE(list.AddItem("D", 50));
    EXPECT_EQ(list.GetCount(), 3);

    EXPECT_TRUE(list.SelectValue(49));
    EXPECT_EQ(list.GetSelectedText(), "C#/Db");
    EXPECT_EQ(list.GetSelectedValue(), 49);

    // A value that no item carries clears the selection.
    EXPECT_FALSE(list.SelectValue(61));
    int index = 7;
    EXPECT_FALSE(list.GetSelectedIndex(index));
    EXPECT_EQ(index, -1);
    EXPECT_TRUE(list.GetSelectedText().IsEmpty());
    EXPECT_EQ(list.GetSelectedValue(), 0);

    EXPECT_TRUE(list.SelectText("D"));
    EXPECT_EQ(list.GetSelectedValue(), 50);
    EXPECT_FALSE(list.SelectText("E"));
    EXPECT_FALSE(list.GetSelectedIndex(index));
    EXPECT_TRUE(list.SelectText("E", true));
    EXPECT_EQ(list.GetCount(), 4);
    EXPECT_EQ(list.GetSelectedText(), "E");

    list.Reset();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_FALSE(list.SelectIndex(0));
}

TEST(ListWrapper, UnboundFailsQuietly) {
    CListWrapper list;
    EXPECT_FALSE(list.Bind(static_cast<QComboBox*>(nullptr)));
    EXPECT_FALSE(list.AddItem("x", 1));
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(CustomButton, FiresOncePerPressNotOnRelease) {
    QWidget parent;
    parent.resize(200, 100);
    CCmdButton button;
    ASSERT_TRUE(button.Create(&parent, nullptr, 1664, "Scale commands", QRect(10, 10, 24, 24)));
    int fired = 0;
    QObject::connect(&button, &CCustomButton::Command, [&](int id) {
        EXPECT_EQ(id, 1664);
        ++fired;
    });
    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(button.GetState(), CCustomButton::kDown);
    EXPECT_EQ(button.GetCurrentPicture(), kPicCmdPressed);
    QTest::mouseRelease(&button, Qt::LeftButton);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(button.GetCurrentPicture(), kPicCmdNormal);

    button.SetFireOnPress(false);
    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_EQ(fired, 1);
    QTest::mouseRelease(&button, Qt::LeftButton);
    EXPECT_EQ(fired, 2);
}

TEST(CustomButton, TakesThePlaceOfItsPlaceholderAndSwitchesPictures) {
    QWidget parent;
    QWidget placeholder(&parent);
    placeholder.setGeometry(30, 40, 28, 22);
    CRecordButton record;
    ASSERT_TRUE(record.Create(&parent, &placeholder, 1200, "Record"));
    EXPECT_EQ(record.geometry(), QRect(30, 40, 28, 22));
    EXPECT_TRUE(placeholder.isHidden());
    EXPECT_EQ(record.GetCurrentPicture(), kPicRecordOffNormal);
    record.SetRecording(true);
    EXPECT_EQ(record.GetCurrentPicture(), kPicRecordOnNormal);

    CPlayButton play;
    ASSERT_TRUE(play.Create(&parent, nullptr, 1201, "Play", QRect(0, 0, 20, 20)));
    play.Enable(false);
    EXPECT_EQ(play.GetCurrentPicture(), kPicPlayDisabled);
    EXPECT_FALSE(play.isEnabled());
    play.Enable(true);
    EXPECT_EQ(play.GetCurrentPicture(), kPicPlayNormal);

    CCmdButton orphan;
    EXPECT_FALSE(orphan.Create(nullptr, nullptr, 1, "Lost"));
    EXPECT_EQ(orphan.GetError(), "Can't create window 'Lost'");
}

TEST(ButtonPictures, EveryPictureDrawsSomethingDistinct) {
    const int pictures[] = {kPicCmdNormal,      kPicCmdPressed,      kPicCmdDisabled, kPicCmdHover,
                            kPicRecordOnNormal, kPicRecordOffNormal, kPicPlayNormal};
    QImage previous;
    for (int picture : pictures) {
        QImage image = DrawButtonPicture(picture, QSize(24, 24)).toImage();
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                opaque += qAlpha(image.pixel(x, y)) > 0;
        EXPECT_GT(opaque, 24 * 24 / 2) << picture;
        EXPECT_NE(image, previous) << picture;
        previous = image;
    }
    EXPECT_EQ(DrawButtonPicture(9999, QSize(8, 8)).toImage().pixel(4, 4), 0u);
}
