#include "ui/NoteWheel.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {
const char* const kSharpNames[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                     "F#", "G",  "G#", "A",  "A#", "B"};

// One octave of a scale from a tonic, as the tool hands it to the wheel.
CNoteList MakeScale(int tonic, std::initializer_list<int> semitones) {
    CNoteList list;
    int degree = 1;
    for (int step : semitones) {
        CNote note;
        note.m_midi = tonic + step;
        note.m_sharpName = kSharpNames[(tonic + step) % 12];
        note.m_semitones = step;
        note.m_degree = degree++;
        list.Append(note);
    }
    return list;
}

int CountNonWhite(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) != 0xFFFFFFFF;
    return count;
}

QImage RenderWheel(const CNoteWheel& wheel, int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::red); // anything the wheel leaves unpainted shows
    QPainter painter(&image);
    wheel.Render(painter, size, size);
    return image;
}
} // namespace

TEST(NoteWheel, GeometryFollowsTheClientSize) {
    auto g = CNoteWheel::ComputeGeometry(202, 302);
    EXPECT_EQ(g.width, 200);
    EXPECT_EQ(g.height, 300);
    EXPECT_EQ(g.centre, QPoint(100, 150));
    EXPECT_EQ(g.radius, 87);         // 200 x 0.87 x 0.5
    EXPECT_EQ(g.intervalRadius, 43); // truncated halves
    EXPECT_EQ(g.nameRadius, 69);
}

TEST(NoteWheel, DorianTonicSitsOnTheSixtyDegreeSpoke) {
    CNoteWheel wheel;
    // D Dorian: the second mode of C major, so its tonic stands two semitones round.
    wheel.SetScale(MakeScale(50, {0, 2, 3, 5, 7, 9, 10}), 2);
    auto g = CNoteWheel::ComputeGeometry(202, 202);

    auto tonic = wheel.ComputeSpoke(2, g);
    ASSERT_NE(tonic.scaleNote, nullptr);
    EXPECT_EQ(tonic.scaleNote->m_degree, 1);
    EXPECT_STREQ(tonic.scaleNote->m_sharpName, "D");
    EXPECT_TRUE(tonic.thick);
    EXPECT_TRUE(tonic.ringAtRim);
    // 60 degrees clockwise from the top: right of and above the centre.
    EXPECT_EQ(tonic.rim.x(), static_cast<int>(100 + 87 * std::cos(-30.0 * M_PI / 180.0)));
    EXPECT_EQ(tonic.rim.y(), static_cast<int>(100 + 87 * std::sin(-30.0 * M_PI / 180.0)));

    // The parent major scale's notes all fall on thick spokes, the others on thin ones.
    for (int i = 0; i < 12; ++i) {
        auto spoke = wheel.ComputeSpoke(i, g);
        EXPECT_EQ(spoke.scaleNote != nullptr, spoke.thick) << "position " << i;
    }
    auto top = wheel.ComputeSpoke(0, g);
    ASSERT_NE(top.scaleNote, nullptr);
    EXPECT_STREQ(top.scaleNote->m_sharpName, "C"); // the flat seventh of D Dorian
    EXPECT_FALSE(top.ringAtRim);
}

TEST(NoteWheel, ChordIntervalsAndNotesOutsideTheScale) {
    CNoteWheel wheel;
    wheel.SetScale(MakeScale(48, {0, 2, 4, 5, 7, 9, 11}), 0); // C major
    // C7: its B flat is not in C major.
    CNoteList chordNotes = MakeScale(48, {0, 4, 7, 10});
    CChord chord;
    const int intervals[4] = {1, 3, 5, 7};
    for (int i = 0; i < 4; ++i) {
        CNote entry = chordNotes[i];
        entry.m_degree = intervals[i];
        chord.m_notes.Append(entry);
    }
    wheel.SetChord(chordNotes, chord);
    auto g = CNoteWheel::ComputeGeometry(202, 202);

    auto root = wheel.ComputeSpoke(0, g);
    EXPECT_EQ(root.chordInterval, 1);
    EXPECT_TRUE(root.ringAtInterval);
    EXPECT_FALSE(root.nameAtMiddle);

    auto third = wheel.ComputeSpoke(4, g);
    EXPECT_EQ(third.chordInterval, 3);
    EXPECT_FALSE(third.ringAtInterval);
    ASSERT_NE(third.scaleNote, nullptr); // in the scale: named at the rim only
    EXPECT_FALSE(third.nameAtMiddle);

    auto seventh = wheel.ComputeSpoke(10, g);
    EXPECT_EQ(seventh.scaleNote, nullptr);
    EXPECT_EQ(seventh.chordInterval, 7);
    EXPECT_TRUE(seventh.nameAtMiddle);
    ASSERT_NE(seventh.chordNote, nullptr);
    EXPECT_STREQ(seventh.chordNote->m_sharpName, "A#");

    auto empty = wheel.ComputeSpoke(1, g);
    EXPECT_EQ(empty.scaleNote, nullptr);
    EXPECT_EQ(empty.chordNote, nullptr);
}

TEST(NoteWheel, NamesFollowTheSpellingItIsGiven) {
    CNoteWheel wheel;
    wheel.SetScale(MakeScale(63, {0, 2, 4, 5, 7, 9, 11}), 0); // Eb major
    const CNoteWheel::GEOMETRY g = CNoteWheel::ComputeGeometry(200, 200);
    EXPECT_EQ(wheel.ComputeSpoke(5, g).scaleName, "G#") << "sharp names until told otherwise";
    wheel.SetNoteNames(CSpelling(1, 63, NOTE_NAMES_KEY), CSpelling());
    EXPECT_EQ(wheel.ComputeSpoke(0, g).scaleName, "Eb");
    EXPECT_EQ(wheel.ComputeSpoke(5, g).scaleName, "Ab");
}

TEST(NoteWheel, PaintsOnlyBackgroundWithoutAScale) {
    CNoteWheel wheel;
    CChord chord;
    wheel.SetChord(MakeScale(48, {0, 4, 7}), chord);
    EXPECT_EQ(CountNonWhite(RenderWheel(wheel, 160)), 0);

    wheel.SetScale(MakeScale(48, {0, 2, 4, 5, 7, 9, 11}), 0);
    QImage drawn = RenderWheel(wheel, 160);
    EXPECT_GT(CountNonWhite(drawn), 500);
    // The spoke to the top reaches the rim in the thick pen's blue.
    QRgb spoke = drawn.pixel(80, 40);
    EXPECT_GT(qBlue(spoke), qRed(spoke));
}
