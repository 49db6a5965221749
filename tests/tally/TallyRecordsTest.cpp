// Record keeping: the ten best scores and their order, the totals, the highlight and the reset.
#include "tally/TallyRecords.h"
#include "tally/TallyTable.h"
#include "tests/support/Fakes.h"

#include <gtest/gtest.h>

namespace {

using namespace testsupport;

// A record keeper over a table, with the window, the calendar and the dialogs faked.
struct Tally {
    TallyTable table;
    ShownTally shown;
    FixedCalendar calendar;
    ScriptedDialogs dialogs;
    TallyRecords records{table, shown, calendar, dialogs};

    // Puts scores into the table's places as a file would, then loads them.
    void stored(const std::vector<int>& scores) {
        for (std::size_t i = 0; i < scores.size(); ++i) {
            const int place = static_cast<int>(i) + 1;
            table.setCell(0, place, "d" + std::to_string(place));
            table.setCell(1, place, std::to_string(scores[i]));
            table.setCell(2, place, "n" + std::to_string(place));
        }
        records.loadtally();
    }

    std::vector<std::string> cells() const {
        std::vector<std::string> out;
        for (int row = 0; row < table.rowCount(); ++row) {
            for (int col = 0; col < table.columnCount(); ++col) {
                out.push_back(table.cell(col, row));
            }
        }
        return out;
    }

    // The date, score and name cells of a table row.
    std::array<std::string, 3> row(int r) const {
        return {table.cell(0, r), table.cell(1, r), table.cell(2, r)};
    }
    using Row = std::array<std::string, 3>;

    std::vector<int> values() const {
        std::vector<int> out;
        for (const auto& row : shown.places) {
            out.push_back(row.value);
        }
        return out;
    }
};

TEST(TallyRecords, LoadtallyCopiesTheTableAndMarksEmptyPlaces) {
    Tally t;
    t.table.setCell(1, 0, "12");
    t.table.setCell(2, 0, "7");
    t.table.setCell(3, 0, "2");
    t.table.setCell(0, 1, "1/2/24");
    t.table.setCell(1, 1, "900");
    t.table.setCell(2, 1, "Ann");
    t.table.setCell(1, 2, "");     // empty score cell
    t.table.setCell(1, 3, "lots"); // not a number
    t.table.setCell(2, 3, "Bob");
    t.table.setCell(1, 4, "-2000"); // below the empty mark
    t.records.loadtally();

    EXPECT_EQ(t.shown.totals, (std::array<std::string, 3>{"12", "7", "2"}));
    EXPECT_EQ(t.shown.places[0], (TallyPlace{"1/2/24", "Ann", "900", 900, TallyLook::Bold}))
        << "loading keeps the looks";
    EXPECT_EQ(t.table.cell(1, 2), "-1000");
    EXPECT_EQ(t.shown.places[1].high, "");
    EXPECT_EQ(t.shown.places[1].value, -1000);
    EXPECT_EQ(t.shown.places[2].high, "") << "a score that is no number shows as an empty place";
    EXPECT_EQ(t.shown.places[2].value, -1000);
    EXPECT_EQ(t.shown.places[2].name, "Bob");
    EXPECT_EQ(t.table.cell(1, 3), "lots") << "its text stays in the table";
    EXPECT_EQ(t.shown.places[3].high, "");
    EXPECT_EQ(t.shown.places[3].value, -2000);
}

TEST(TallyRecords, EqualScoreGoesAboveTheStoredOne) {
    Tally t;
    t.stored({500, 400, 300, 200, 100});
    EXPECT_EQ(t.records.enterScore(300, "Cy"), 3);
    EXPECT_EQ(t.values(),
              (std::vector<int>{500, 400, 300, 300, 200, 100, -1000, -1000, -1000, -1000}));
    EXPECT_EQ(t.shown.places[2], (TallyPlace{"3/14/24", "Cy", "300", 300, TallyLook::Newest}));
    EXPECT_EQ(t.shown.places[3], (TallyPlace{"d3", "n3", "300", 300, TallyLook::Plain}));
    EXPECT_EQ(t.row(3), (Tally::Row{"3/14/24", "300", "Cy"}));
    EXPECT_EQ(t.row(4), (Tally::Row{"d3", "300", "n3"}));
    EXPECT_EQ(t.table.cell(1, 6), "100");
    EXPECT_EQ(t.table.cell(1, 7), "-1000");
    for (int n : {0, 1, 3, 4, 5, 9}) {
        EXPECT_EQ(t.shown.places[n].look, TallyLook::Plain) << n;
    }
}

TEST(TallyRecords, LowScoreChangesNothingButClearsTheHighlight) {
    Tally t;
    t.stored({100, 90, 80, 70, 60, 50, 40, 30, 20, 10});
    ASSERT_EQ(t.records.enterScore(55, "Ann"), 6);
    auto places = t.shown.places;
    const auto cells = t.cells();

    EXPECT_EQ(t.records.enterScore(5, "Bob"), 0);
    for (auto& place : places) {
        place.look = TallyLook::Plain;
    }
    EXPECT_EQ(t.shown.places, places);
    EXPECT_EQ(t.cells(), cells);
}

TEST(TallyRecords, FullListDropsPlaceTen) {
    Tally t;
    t.stored({100, 90, 80, 70, 60, 50, 40, 30, 20, 10});
    EXPECT_EQ(t.records.enterScore(1000, "Top"), 1);
    EXPECT_EQ(t.values(), (std::vector<int>{1000, 100, 90, 80, 70, 60, 50, 40, 30, 20}));
    EXPECT_EQ(t.row(10), (Tally::Row{"d9", "20", "n9"}));
    EXPECT_EQ(t.table.cell(1, 11), "") << "row 11 is not part of the list";
}

TEST(TallyRecords, ZeroEntersWhileAPlaceIsEmpty) {
    Tally t;
    t.stored({50, 40});
    EXPECT_EQ(t.records.enterScore(0, "Zed"), 3);
    EXPECT_EQ(t.table.cell(1, 3), "0");

    Tally full;
    full.stored({10, 9, 8, 7, 6, 5, 4, 3, 2, 1});
    EXPECT_EQ(full.records.enterScore(0, "Zed"), 0);
}

TEST(TallyRecords, FirstGameWithoutAFileEntersAboveTheFirstTexts) {
    Tally t; // no file: the table holds empty places, the window its first texts
    EXPECT_EQ(t.shown.totals, (std::array<std::string, 3>{"0", "0", "0"}));
    for (const auto& row : t.shown.places) {
        EXPECT_EQ(row, (TallyPlace{"Feb 11, 2008", "Varnok", "0", 0, TallyLook::Bold}));
    }
    EXPECT_EQ(t.records.enterScore(0, "Ann"), 1);
    EXPECT_EQ(t.shown.places[0], (TallyPlace{"3/14/24", "Ann", "0", 0, TallyLook::Newest}));
    for (int n = 1; n < 10; ++n) {
        EXPECT_EQ(t.shown.places[n],
                  (TallyPlace{"Feb 11, 2008", "Varnok", "0", 0, TallyLook::Plain}));
    }
    EXPECT_EQ(t.table.cell(1, 1), "0");
    EXPECT_EQ(t.row(2), (Tally::Row{"", "-1000", ""})) << "the table shifts its empty rows instead";
}

TEST(TallyRecords, EntryKeepsTheNameItWasMadeWith) {
    Tally t;
    std::string name = "Ann";
    t.records.checkscore(70, name);
    name = "Bob";
    t.calendar.today = "3/15/24";
    EXPECT_EQ(t.shown.places[0].name, "Ann");
    EXPECT_EQ(t.table.cell(2, 1), "Ann");
    t.records.checkscore(80, name);
    EXPECT_EQ(t.row(1), (Tally::Row{"3/15/24", "80", "Bob"}));
    EXPECT_EQ(t.row(2), (Tally::Row{"3/14/24", "70", "Ann"}));
    EXPECT_EQ(t.shown.places[1].look, TallyLook::Plain);
    EXPECT_EQ(t.shown.places[0].look, TallyLook::Newest);
}

TEST(TallyRecords, CheckchangeOnlyRaises) {
    Tally t;
    t.table.setCell(2, 0, "7");
    t.records.loadtally();
    t.records.checkchange(2, 5);
    EXPECT_EQ(t.table.cell(2, 0), "7");
    EXPECT_EQ(t.shown.totals[1], "7");
    t.records.checkchange(2, 7);
    EXPECT_EQ(t.table.cell(2, 0), "7");

    t.table.setCell(2, 0, "3");
    t.records.checkchange(2, 5);
    EXPECT_EQ(t.table.cell(2, 0), "5");
    EXPECT_EQ(t.shown.totals[1], "5");

    t.table.setCell(2, 0, "high");
    t.records.checkchange(2, 1);
    EXPECT_EQ(t.table.cell(2, 0), "1") << "a total that is no number counts as 0";
    t.records.checkchange(2, 0);
    EXPECT_EQ(t.table.cell(2, 0), "1");
}

TEST(TallyRecords, AddtomineincreaseCountsUp) {
    Tally t;
    t.records.addtomineincrease(1);
    t.records.addtomineincrease(1);
    t.records.addtomineincrease(3);
    EXPECT_EQ(t.table.cell(1, 0), "2");
    EXPECT_EQ(t.table.cell(3, 0), "1");
    EXPECT_EQ(t.shown.totals, (std::array<std::string, 3>{"2", "0", "1"}));
    EXPECT_EQ(t.records.addit(5, 7), 1);
    EXPECT_EQ(t.table.cell(5, 7), "1");
}

TEST(TallyRecords, TotalThatIsNoNumberCountsAsZero) {
    Tally t;
    for (const char* bad : {"", "abc", "1e3", "99999999999"}) {
        t.table.setCell(1, 0, bad);
        t.records.addtomineincrease(1);
        EXPECT_EQ(t.table.cell(1, 0), "1") << bad;
        EXPECT_EQ(t.shown.totals[0], "1") << bad;
    }
    t.table.setCell(3, 0, "2147483647");
    EXPECT_EQ(t.records.addit(3, 0), 2147483647) << "stops at the top instead of wrapping";
}

TEST(TallyRecords, ResetOnYesEmptiesEverything) {
    Tally t;
    t.stored({100, 90, 80});
    t.table.setCell(1, 0, "5");
    t.table.setCell(0, 11, "x");
    t.table.setCell(7, 0, "junk");
    t.table.setRowCount(14);
    t.records.loadtally();
    t.records.enterScore(95, "New");
    t.dialogs.answer = TallyAnswer::Yes;

    EXPECT_TRUE(t.records.confirmReset());
    EXPECT_EQ(t.dialogs.questions, (std::vector<std::string>{"reset"}));
    EXPECT_EQ(t.table.rowCount(), 12);
    EXPECT_EQ(t.shown.totals, (std::array<std::string, 3>{"0", "0", "0"}));
    for (int col = 1; col <= 8; ++col) {
        EXPECT_EQ(t.table.cell(col, 0), "0") << col;
    }
    for (int row = 1; row <= 11; ++row) {
        EXPECT_EQ(t.row(row), (Tally::Row{"", "-1000", ""})) << row;
    }
    for (const auto& row : t.shown.places) {
        EXPECT_EQ(row, (TallyPlace{"", "", "", -1000, TallyLook::Plain}));
    }
    EXPECT_EQ(t.records.enterScore(0, "After"), 1) << "every place is empty after a reset";
}

TEST(TallyRecords, ResetOnlyOnYes) {
    for (TallyAnswer answer : {TallyAnswer::No, TallyAnswer::Closed}) {
        Tally t;
        t.stored({100, 90});
        t.records.addtomineincrease(1);
        t.records.enterScore(95, "New");
        const auto places = t.shown.places;
        const auto totals = t.shown.totals;
        const auto cells = t.cells();

        t.dialogs.answer = answer;
        EXPECT_FALSE(t.records.confirmReset());
        EXPECT_EQ(t.dialogs.questions.size(), 1u);
        EXPECT_EQ(t.shown.places, places);
        EXPECT_EQ(t.shown.totals, totals);
        EXPECT_EQ(t.cells(), cells);
    }
}

} // namespace
