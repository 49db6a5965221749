-- wrk script for bench/server_load.sh: optional unique postings, and one summary line at the end.
local counter = 0

function setup(thread)
  thread:set("prefix", tostring(math.random(100000, 999999)))
end

if os.getenv("BZ_POSTING") == "1" then
  request = function()
    counter = counter + 1
    return wrk.format("GET", "/cgi-bin/bloomzap.cgi?name=Load" .. prefix .. "&date=12/7/26&score=" .. counter)
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
