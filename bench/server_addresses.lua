-- wrk script for bench/server_load.sh: game tickets, each request from a client address of its
-- own as a trusted proxy names it (BZ_ADDRESSES=v4 or v6), or all from one (BZ_ADDRESSES=one).
local kind = os.getenv("BZ_ADDRESSES") or "one"
local counter = 0

function setup(thread)
  thread:set("base", math.random(0, 255))
end

request = function()
  counter = counter + 1
  local address
  -- wrk's Lua has no bit operators: the counter's bytes by division.
  local low, mid, high = counter % 256, math.floor(counter / 256) % 256,
    math.floor(counter / 65536) % 256
  if kind == "v4" then
    address = string.format("%d.%d.%d.%d", 11 + base % 200, high, mid, low)
  elseif kind == "v6" then
    address = string.format("2001:%x:%x:%x::1", 256 + base, high, mid * 256 + low)
  else
    address = "192.0.2.1"
  end
  return wrk.format("GET", "/bloomzap/ticket", { ["X-Real-IP"] = address })
end

function done(summary, latency, requests)
  local e = summary.errors
  local errors = e.connect + e.read + e.write + e.status + e.timeout
  io.write(string.format("RESULT\t%.0f\t%.2f\t%.2f\t%d\t%d\n",
    summary.requests / (summary.duration / 1e6),
    latency:percentile(50) / 1000, latency:percentile(99) / 1000,
    errors, summary.requests))
end
