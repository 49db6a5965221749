// Game records and tickets as text: written and read back exactly, anything else refused.

#include "engine/GameRecord.h"
#include "engine/Ticket.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string ticket = "1.0123456789abcdef0123456789abcdef.fedcba9876543210.1796601600."
                           "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";

GameRecord sample() {
    GameRecord r;
    r.ticket = ticket;
    r.name = "Zo\xC3\xAB 1%";
    r.date = "12/7/26";
    r.events = {{RecordedEvent::Kind::click, 3010, 1, 10},
                {RecordedEvent::Kind::pause, 3010, 0, 0},
                {RecordedEvent::Kind::resume, 9000, 0, 0},
                {RecordedEvent::Kind::click, 12345, 10, 1}};
    r.endedAt = 20000;
    r.score = 1234;
    r.lastRound = 3;
    return r;
}

TEST(GameRecord, ReadsBackEveryFieldOfWhatItWrote) {
    const std::string text = writeRecord(sample());
    EXPECT_NE(text.find("\nname Zo%C3%AB%201%25\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n3010 09\n0 p\n5990 r\n3345 90\nend 20000 1234 3\n"), std::string::npos)
        << text;
    const auto back = readRecord(text);
    ASSERT_TRUE(back);
    const GameRecord want = sample();
    EXPECT_EQ(back->ticket, want.ticket);
    EXPECT_EQ(back->name, want.name);
    EXPECT_EQ(back->date, want.date);
    ASSERT_EQ(back->events.size(), want.events.size());
    for (std::size_t i = 0; i < want.events.size(); ++i) {
        EXPECT_EQ(back->events[i].kind, want.events[i].kind) << i;
        EXPECT_EQ(back->events[i].at, want.events[i].at) << i;
        EXPECT_EQ(back->events[i].column, want.events[i].column) << i;
        EXPECT_EQ(back->events[i].row, want.events[i].row) << i;
    }
    EXPECT_EQ(back->endedAt, want.endedAt);
    EXPECT_EQ(back->score, want.score);
    EXPECT_EQ(back->lastRound, want.lastRound);
}

TEST(GameRecord, RefusesTruncatedMalformedAndOversizedRecords) {
    const std::string text = writeRecord(sample());
    for (std::size_t n = 0; n < text.size(); ++n) {
        EXPECT_FALSE(readRecord(text.substr(0, n))) << "cut after " << n << " bytes";
    }
    const auto changed = [&](const std::string& from, const std::string& to) {
        std::string t = text;
        t.replace(t.find(from), from.size(), to);
        return t;
    };
    for (const std::string& bad : {
             changed("bloomzap record 1", "bloomzap record 2"),
             changed("ticket ", "ticket"),
             changed("name ", "nom "),
             changed("%C3", "%c3"),     // lower-case escape
             changed("%C3", "%C"),      // cut escape
             changed("%201", "%32%31"), // bytes that stand as they are
             changed("0 p\n", "-1 p\n"),
             changed("0 p\n", "00 p\n"),
             changed("0 p\n", "0 q\n"),
             changed("3345 90", "3345 9"),
             changed("3345 90", "3345 a0"),
             changed("3345 90", "3345  90"),
             changed("end 20000", "end 20"), // ends before its last input
             changed(" 1234 3\n", " 1234 30\n"),
             changed(" 1234 3\n", " 1234 0\n"),
             changed(" 1234 3\n", " 2147483648 3\n"),
             changed(" 1234 3\n", " 1234 3 \n"),
             changed("\n0 p", "\r\n0 p"),
             text + "end 20000 1234 3\n",
             std::string("bloomzap record 1\nticket \nname a\ndate b\nend 0 0 1\n"),
         }) {
        EXPECT_FALSE(readRecord(bad)) << bad;
    }

    // The longest record passes; one byte more does not.
    GameRecord many = sample();
    many.events.clear();
    many.endedAt = 0;
    const std::size_t clickBytes = std::string("0 44\n").size();
    many.events.assign((maxRecordBytes - writeRecord(many).size()) / clickBytes,
                       {RecordedEvent::Kind::click, 0, 5, 5});
    EXPECT_TRUE(readRecord(writeRecord(many)));
    many.events.push_back({RecordedEvent::Kind::click, 0, 5, 5});
    EXPECT_GT(writeRecord(many).size(), maxRecordBytes);
    EXPECT_FALSE(readRecord(writeRecord(many)));
    GameRecord longName = sample();
    longName.name = std::string(maxRecordFieldBytes + 1, 'x');
    EXPECT_FALSE(readRecord(writeRecord(longName)));
}

TEST(Ticket, TakesOnlyTheExactLineTheServerIssues) {
    const auto fields = parseTicket(ticket);
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->id, "0123456789abcdef0123456789abcdef");
    EXPECT_EQ(fields->seed, 0xfedcba9876543210ULL);
    EXPECT_EQ(fields->issued, 1796601600);
    EXPECT_EQ(fields->mac, ticket.substr(ticket.size() - 64));
    EXPECT_EQ(fields->signedPart, ticket.substr(0, ticket.size() - 65));

    const auto changed = [&](const std::string& from, const std::string& to) {
        std::string t = ticket;
        t.replace(t.find(from), from.size(), to);
        return t;
    };
    for (const std::string& bad :
         {ticket + "\n", " " + ticket, ticket + ".", changed("1.0123", "2.0123"),
          changed("fedcba", "FEDCBA"), changed("fedcba98", "fedcba9"),
          changed(".1796601600.", ".01796601600."), changed(".1796601600.", ".-1796601600."),
          changed(".1796601600.", ".."), changed(".1796601600.", ".1796601600.1."),
          changed("0123456789abcdef0123456789abcdef", "0123456789abcdef0123456789abcdeg"),
          ticket.substr(0, ticket.size() - 1), std::string()}) {
        EXPECT_FALSE(parseTicket(bad)) << bad;
    }
    EXPECT_EQ(fields->day, "");
}

TEST(Ticket, TakesADailyTicketWithItsDayAndOnlyARealDay) {
    const std::string daily = "2.0123456789abcdef0123456789abcdef.fedcba9876543210.1796601600."
                              "2026-12-08."
                              "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";
    const auto fields = parseTicket(daily);
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->day, "2026-12-08");
    EXPECT_EQ(fields->seed, 0xfedcba9876543210ULL);
    EXPECT_EQ(fields->issued, 1796601600);
    EXPECT_EQ(fields->mac, daily.substr(daily.size() - 64));
    EXPECT_EQ(fields->signedPart, daily.substr(0, daily.size() - 65));

    const auto changed = [&](const std::string& from, const std::string& to) {
        std::string t = daily;
        t.replace(t.find(from), from.size(), to);
        return t;
    };
    for (const std::string& bad :
         {changed("2.0123", "1.0123"), changed("2026-12-08.", ""),
          changed("2026-12-08", "2026-12-8"), changed("2026-12-08", "2026-13-08"),
          changed("2026-12-08", "2026-02-29"), changed("2026-12-08", "2026-12-00"),
          changed("2026-12-08", "1969-12-31"), changed("2026-12-08", "2026/12/08"),
          changed("2026-12-08", "+026-12-08"), changed("2026-12-08", "2026-12-08.2026-12-08"),
          daily + "\n"}) {
        EXPECT_FALSE(parseTicket(bad)) << bad;
    }
    EXPECT_TRUE(parseTicket(changed("2026-12-08", "2028-02-29")));
}

TEST(Ticket, CountsDaysFromTheEpochBothWays) {
    EXPECT_EQ(dayNumber("1970-01-01"), 0);
    EXPECT_EQ(dayNumber("2026-12-07"), 1796601600 / 86400);
    EXPECT_EQ(dayText(1796601600 / 86400), "2026-12-07");
    EXPECT_EQ(dayText(*dayNumber("2028-02-29") + 1), "2028-03-01");
    EXPECT_FALSE(dayNumber("2026-12-08 "));
    EXPECT_FALSE(dayNumber("10000-01-01"));
}

} // namespace
