-- wrk script for bench/server_load.sh: optional unique postings, and one summary line at the end.
-- With BZ_SPREAD=1 each posting names its player's address in X-Real-IP, as nginx in front does:
-- every player posts twice, each thread's players from 10.<thread>.0.0/16 in turn, so a player's
-- postings stay far under any rate limit while the limit is checked for every one.
local counter = 0
local threads = 0

function setup(thread)
  threads = threads + 1
  thread:set("prefix", tostring(math.random(100000, 999999)))
  thread:set("tid", threads)
end

if os.getenv("BZ_POSTING") == "1" then
  local spread = os.getenv("BZ_SPREAD") == "1"
  request = function()
    counter = counter + 1
    local path = "/cgi-bin/bloomzap.cgi?name=Load" .. prefix .. "&date=12/7/26&score=" .. counter
    if not spread then
      return wrk.format("GET", path)
    end
    local player = math.floor(counter / 2) % 65536
    local address = "10." .. tid .. "." .. math.floor(player / 256) .. "." .. (player % 256)
    return wrk.format("GET", path, { ["X-Real-IP"] = address })
  end
end

function done(summary, latency, requests)
  local e = summary.errors
  local errors = e.connect + e.read + e.write + e.status + e.timeout
  io.write(string.format("RESULT\t%.0f\t%.2f\t%.2f\t%d\t%d\n",
    summary.requests / (summary.duration / 1e6),
    latency:percentile(50) / 1000, latency:percentile(99) / 1000,
    errors, summary.requests))
end
