#include "server/PgSchema.h"

#include "server/ScoreStore.h"
#include "server/TicketSigner.h"

#include <cstdint>

namespace server::pgschema {

namespace {

// Stores a batch of postings ($1 to $5: arrays of names, dates, scores, addresses and limits, 0
// for none), checked against the rate limit in the same statement; one row per posting: its
// place in the batch (from 1) and whether it was taken. Each limited address has a row holding
// the times of its postings within the window. The upsert takes those rows' locks in address
// order, so two batches never wait for each other in a circle, and reads each row as last
// committed, whichever process wrote it: a batch that waited for another's lock counts what that
// one stored, and the limit holds exactly across processes.
std::string storeBatchStatement() {
    const std::string window = std::to_string(std::int64_t{rateWindowSeconds} * 1000);
    return "WITH batch AS (SELECT * FROM unnest($1::text[], $2::text[], $3::integer[],"
           "   $4::text[], $5::integer[]) WITH ORDINALITY AS b (name, date, score, address, lim,"
           "   ord)),"
           " asked AS (SELECT address, count(*)::integer AS n, max(lim) AS lim FROM batch"
           "   WHERE lim > 0 GROUP BY address),"
           " counted AS (INSERT INTO posting_rate AS p (address, stamps, granted, allowance)"
           "   SELECT address, array_fill((extract(epoch FROM clock_timestamp()) * 1000)::bigint,"
           "     ARRAY[least(n, lim)]), least(n, lim), lim FROM asked ORDER BY address"
           "   ON CONFLICT (address) DO UPDATE SET (stamps, granted, allowance) ="
           "     (SELECT k.kept || excluded.stamps[1:g.n], g.n, excluded.allowance"
           "      FROM (SELECT ARRAY(SELECT s FROM unnest(p.stamps) AS s"
           "        WHERE s > excluded.stamps[1] - " +
           window +
           ") AS kept) AS k,"
           "      LATERAL (SELECT greatest(0, least(excluded.granted,"
           "        excluded.allowance - cardinality(k.kept))) AS n) AS g)"
           "   RETURNING address, granted),"
           " ranked AS (SELECT b.*, b.lim = 0 OR row_number() OVER (PARTITION BY b.address,"
           "   b.lim > 0 ORDER BY b.ord) <= c.granted AS taken"
           "   FROM batch b LEFT JOIN counted c ON c.address = b.address),"
           " stored AS (INSERT INTO postings (name, date, score, address)"
           "   SELECT name, date, score, address FROM ranked WHERE taken ORDER BY ord"
           "   RETURNING 1),"
           // The notification goes out on commit.
           " notified AS (SELECT pg_notify('" +
           std::string(channel) +
           "', '') FROM (SELECT count(*) AS n FROM stored) AS s WHERE s.n > 0)"
           " SELECT ord, taken, (SELECT count(*) FROM notified) FROM ranked";
}

void prepareDaily(pqxx::connection& c) {
    // The first verified daily game of a name that day takes the unique place; a second one
    // from any process waits for the first's transaction and then finds it taken.
    c.prepare("daily_first",
              "INSERT INTO daily_games (posting_id, day, name, counted) VALUES ($1, $2, $3, true)"
              " ON CONFLICT (day, name) WHERE counted DO NOTHING RETURNING 1");
    c.prepare("daily_practice", "INSERT INTO daily_games (posting_id, day, name, counted)"
                                " VALUES ($1, $2, $3, false)");
    c.prepare("keep_record", "INSERT INTO replays (posting_id, record) VALUES ($1, $2)"
                             " ON CONFLICT (posting_id) DO UPDATE SET record = excluded.record");
    // Kept: the best $1 verified games of all time, and the best $1 counted games of every day
    // from $2 on.
    c.prepare("prune_records",
              "DELETE FROM replays WHERE posting_id NOT IN ("
              " SELECT id FROM (SELECT id FROM postings WHERE verified"
              "  ORDER BY score DESC, id LIMIT $1) AS best"
              " UNION SELECT posting_id FROM (SELECT d.posting_id, row_number() OVER"
              "  (PARTITION BY d.day ORDER BY p.score DESC, p.id) AS place"
              "  FROM daily_games d JOIN postings p ON p.id = d.posting_id"
              "  WHERE d.counted AND d.day >= $2) AS days WHERE place <= $1)");
    c.prepare("daily", "SELECT p.name, p.date, p.score, p.verified, coalesce(r.posting_id, 0)"
                       " FROM daily_games d JOIN postings p ON p.id = d.posting_id"
                       " LEFT JOIN replays r ON r.posting_id = d.posting_id"
                       " WHERE d.day = $1 AND d.counted = $2 ORDER BY p.score DESC, p.id LIMIT $3");
    c.prepare("daily_total", "SELECT count(*) FROM daily_games WHERE day = $1 AND counted");
    c.prepare("kept_record", "SELECT record FROM replays WHERE posting_id = $1");
}

} // namespace

std::string arrayElement(const std::string& text) {
    std::string out = "\"";
    for (const char ch : text) {
        if (ch == '"' || ch == '\\') {
            out += '\\';
        }
        out += ch;
    }
    return out + "\"";
}

void prepare(pqxx::connection& c) {
    {
        pqxx::nontransaction setup(c);
        setup.exec("SET statement_timeout = " + std::to_string(statementTimeoutMs));
    }
    c.prepare("store_batch", storeBatchStatement());
    c.prepare("best", "SELECT p.name, p.date, p.score, p.verified, coalesce(r.posting_id, 0)"
                      " FROM postings p LEFT JOIN replays r ON r.posting_id = p.id"
                      " ORDER BY p.score DESC, p.id LIMIT $1");
    c.prepare("total", "SELECT count(*) FROM postings");
    c.prepare("best_verified",
              "SELECT p.name, p.date, p.score, p.verified, coalesce(r.posting_id, 0)"
              " FROM postings p LEFT JOIN replays r ON r.posting_id = p.id"
              " WHERE p.verified ORDER BY p.score DESC, p.id LIMIT $1");
    c.prepare("total_verified", "SELECT count(*) FROM postings WHERE verified");
    // The ticket is taken first: a second use of it, from any process, waits for this
    // transaction and then finds it taken.
    c.prepare("use_ticket",
              "INSERT INTO used_tickets (id) VALUES ($1) ON CONFLICT DO NOTHING RETURNING id");
    c.prepare("unverified", "SELECT id FROM postings WHERE score = $3 AND name = $1 AND date = $2"
                            " AND received >= to_timestamp($4::bigint / 1000.0) AND NOT verified"
                            " ORDER BY id LIMIT 1 FOR UPDATE");
    c.prepare("ticket_spent", "SELECT 1 FROM used_tickets WHERE id = $1");
    c.prepare("posting_waits",
              "SELECT 1 FROM postings WHERE score = $3 AND name = $1 AND date = $2"
              " AND received >= to_timestamp($4::bigint / 1000.0) AND NOT verified LIMIT 1");
    c.prepare("mark_verified", "UPDATE postings SET verified = true WHERE id = $1");
    c.prepare("ticket_posting", "UPDATE used_tickets SET posting_id = $2 WHERE id = $1");
    c.prepare("forget_tickets",
              "DELETE FROM used_tickets"
              " WHERE used < clock_timestamp() - $1::bigint * interval '1 second'");
    prepareDaily(c);
}

void create(pqxx::connection& c) {
    pqxx::work tx(c);
    tx.exec("SELECT pg_advisory_xact_lock(hashtext('bloomzap schema'))");
    tx.exec("CREATE TABLE IF NOT EXISTS bloomzap_schema (version integer NOT NULL)");
    const pqxx::result found = tx.exec("SELECT max(version) FROM bloomzap_schema");
    const int current = found[0][0].is_null() ? 0 : found[0][0].as<int>();
    if (current > version) {
        throw StoreOpenError("the database was made by a newer server (schema " +
                             std::to_string(current) + ")");
    }
    if (current < 1) {
        tx.exec("CREATE TABLE postings ("
                " id bigserial PRIMARY KEY,"
                " name text NOT NULL, date text NOT NULL,"
                " score integer NOT NULL CHECK (score >= 0),"
                " received timestamptz NOT NULL DEFAULT clock_timestamp(),"
                " address text NOT NULL)");
        tx.exec("CREATE INDEX postings_rank ON postings (score DESC, id)");
        tx.exec("CREATE INDEX postings_recent ON postings (address, received)");
        tx.exec("INSERT INTO bloomzap_schema (version) VALUES (1)");
    }
    if (current < 2) {
        // Postings stored before replays existed stay, unverified.
        tx.exec("ALTER TABLE postings ADD COLUMN verified boolean NOT NULL DEFAULT false");
        tx.exec("CREATE INDEX postings_verified_rank ON postings (score DESC, id) WHERE verified");
        tx.exec("CREATE TABLE used_tickets ("
                " id text PRIMARY KEY, posting_id bigint,"
                " used timestamptz NOT NULL DEFAULT clock_timestamp())");
        tx.exec("CREATE INDEX used_tickets_age ON used_tickets (used)");
        tx.exec("CREATE TABLE bloomzap_ticket_key (key text NOT NULL)");
        tx.exec("INSERT INTO bloomzap_ticket_key (key) VALUES (" +
                tx.quote(ticketKeyText(randomTicketKey())) + ")");
        tx.exec("INSERT INTO bloomzap_schema (version) VALUES (2)");
    }
    if (current < 3) {
        // The rate limit counts in a row per address instead of in the postings.
        tx.exec("CREATE TABLE posting_rate ("
                " address text PRIMARY KEY,"
                " stamps bigint[] NOT NULL,"     // unix ms of the postings taken in the window
                " granted integer NOT NULL,"     // postings the last batch was allowed
                " allowance integer NOT NULL)"); // the limit in force then
        tx.exec("DROP INDEX IF EXISTS postings_recent");
        tx.exec("INSERT INTO bloomzap_schema (version) VALUES (3)");
    }
    if (current < 4) {
        // One row per verified daily game; of a name's games on one day only the first counts.
        tx.exec("CREATE TABLE daily_games ("
                " posting_id bigint PRIMARY KEY, day text NOT NULL, name text NOT NULL,"
                " counted boolean NOT NULL)");
        tx.exec("CREATE UNIQUE INDEX daily_first ON daily_games (day, name) WHERE counted");
        tx.exec("CREATE INDEX daily_day ON daily_games (day, counted)");
        tx.exec("CREATE TABLE replays (posting_id bigint PRIMARY KEY, record text NOT NULL)");
        tx.exec("INSERT INTO bloomzap_schema (version) VALUES (4)");
    }
    tx.commit();
}

} // namespace server::pgschema
