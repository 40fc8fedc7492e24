#include "core/CharString.h"
#include "core/VarList.h"

#include <gtest/gtest.h>

TEST(CharString, EditingOperations) {
    CCharString text("==key==");
    text.Trim('=');
    EXPECT_EQ(text, "key");
    text.Replace('e', 'a');
    EXPECT_EQ(text, "kay");
    EXPECT_EQ(text.At(1), 'a');
    EXPECT_EQ(text.At(3), 0);
    EXPECT_EQ(text.At(1000), 0);
    text.Format("%s=%d", "Tempo", 120);
    EXPECT_EQ(text, "Tempo=120");
    text.Cut(5);
    EXPECT_EQ(text, "Tempo");
    text.Cut(50);
    EXPECT_EQ(text, "Tempo");
    text.Set(nullptr);
    EXPECT_TRUE(text.IsEmpty());
    CCharString all("====");
    all.Trim('=');
    EXPECT_TRUE(all.IsEmpty());
}

TEST(CharString, FormatTimeEmptyResultIsEmptyText) {
    CCharString text("old");
    text.FormatTime("");
    EXPECT_TRUE(text.IsEmpty());
    text.FormatTime("%Y", true);
    EXPECT_EQ(text.GetLength(), 4u);
}

TEST(VarList, RefillAfterRemoveAllKeepsCapacityAndEditsKeepTheOrder) {
    CVarList<int> list(16);
    for (int i = 0; i < 1000; ++i)
        list.Add(i);
    size_t capacity = list.GetCapacity();
    EXPECT_EQ(capacity % 16, 0u);
    list.RemoveAll();
    EXPECT_EQ(list.GetCapacity(), capacity);
    for (int i = 0; i < 1000; ++i)
        list.Add(i);
    EXPECT_EQ(list.GetCapacity(), capacity);
    list.InsertAt(0, -1);
    EXPECT_EQ(list[0], -1);
    EXPECT_EQ(list[1000], 999);
    list.RemoveAt(500); // the value 499
    EXPECT_EQ(list[499], 498);
    EXPECT_EQ(list[500], 500);
    EXPECT_EQ(list.GetCount(), 1000u);
}
