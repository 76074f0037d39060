// The slot bookkeeping of the process's dialog table.
#include <gtest/gtest.h>

#include "session/ErrorDialogs.h"
#include "base/LogMsg.h"

#include <string>
#include <vector>

namespace {

std::vector<std::string>& LoggedLines() {
    static std::vector<std::string> lines;
    return lines;
}
void CollectLine(int, const char* line) { LoggedLines().push_back(line); }

TEST(ErrorDialogsSlotTest, SlotsComeFromTheBottomOrTheTopAndAreReused) {
    ErrorDialogs table;
    EXPECT_EQ(table.getNumberOfActiveDialogs(), 0);
    EXPECT_EQ(table.getAvailableIndex(0), 0);
    EXPECT_EQ(table.getAvailableIndex(0), 1);
    EXPECT_EQ(table.getAvailableIndex(1), 98);
    EXPECT_EQ(table.getAvailableIndex(1), 97);
    EXPECT_EQ(table.getNumberOfActiveDialogs(), 4);
    table.freeIndex(0);
    table.freeIndex(98);
    table.freeIndex(98);  // a free slot is not counted twice
    table.freeIndex(-1);
    table.freeIndex(99);
    EXPECT_EQ(table.getNumberOfActiveDialogs(), 2);
    EXPECT_EQ(table.getAvailableIndex(0), 0);
    EXPECT_EQ(table.getAvailableIndex(1), 98);
}

TEST(ErrorDialogsSlotTest, AFullTableRefusesWithALogLine) {
    LoggedLines().clear();
    SetLogSyslogFunction(CollectLine);
    ErrorDialogs table;
    // Alternately from the bottom (0, 1, ...) and the top (98, 97, ...).
    for (int i = 0; i < ErrorDialogs::kSlots; ++i) {
        const bool fromTop = i % 2 == 1;
        ASSERT_EQ(table.getAvailableIndex(fromTop), fromTop ? 98 - i / 2 : i / 2);
    }
    EXPECT_EQ(table.getAvailableIndex(0), -1);
    EXPECT_EQ(table.getAvailableIndex(1), -1);
    EXPECT_EQ(table.getNumberOfActiveDialogs(), ErrorDialogs::kSlots);
    SetLogSyslogFunction(nullptr);
    ASSERT_FALSE(LoggedLines().empty());
    EXPECT_NE(LoggedLines().back().find(
                  "QWC0001: ErrorDialogs::getAvailableIndex(): no more dialogs available."),
              std::string::npos);
    // A slot freed anywhere is found from either end.
    table.freeIndex(40);
    EXPECT_EQ(table.getAvailableIndex(1), 40);
    table.freeIndex(40);
    EXPECT_EQ(table.getAvailableIndex(0), 40);
}

TEST(ErrorDialogsSlotTest, EmptySlotsHaveNoDialog) {
    ErrorDialogs table;
    int slot = table.getAvailableIndex(0);
    EXPECT_EQ(table.dialogOf(slot), nullptr);
    EXPECT_EQ(table.kindOf(slot), DialogKindNone);
    EXPECT_EQ(table.kindOf(-1), DialogKindNone);
    EXPECT_EQ(table.dialogOf(99), nullptr);
    // Destroying a slot without a widget does nothing.
    table.destroyErrorDialogByNumber(slot);
    table.destroyErrorDialogByNumber(77);
    EXPECT_EQ(table.getNumberOfActiveDialogs(), 1);
}

}  // namespace
