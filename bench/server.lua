-- wrk script for vandrax-scored: each connection does what the game does, over and over: the
-- version query for a token, then a score query carrying it. Run with one connection a thread
-- (-tN -cN), so each thread's requests strictly alternate.

local alphabet = "ABCDEFGHJKLMNPQRSTUVWXY123456789"

-- The game's codec for a text whose length is a multiple of 5: every 5 bytes are 40 bits, 8
-- symbols, no zeros in front. 40 bits fit exactly in a Lua number.
local function encode(text)
  local out = {}
  for i = 1, #text, 5 do
    local b1, b2, b3, b4, b5 = text:byte(i, i + 4)
    local v = (((b1 * 256 + b2) * 256 + b3) * 256 + b4) * 256 + b5
    for k = 7, 0, -1 do
      local s = math.floor(v / 2 ^ (5 * k)) % 32
      out[#out + 1] = alphabet:sub(s + 1, s + 1)
    end
  end
  return table.concat(out)
end

-- The fifth "|" field, as the game takes it.
local function fifth(answer)
  local fields = {}
  for field in (answer .. "|"):gmatch("([^|]*)|") do fields[#fields + 1] = field end
  return fields[5]
end

local threads = {}

function setup(thread)
  thread:set("id", #threads + 1)
  threads[#threads + 1] = thread
end

-- Per thread (globals, so done() can read them).
stored = 0
failed = 0
local token = nil
local waiting = nil
local count = 0

function request()
  if token then
    count = count + 1
    local record = "type=0|name=Bench" .. id .. "|score=" .. (count % 1000000) .. "|key=V|p=" .. token ..
                   "|add=Benchland|z="
    while #record % 5 ~= 0 do record = record .. "0" end
    token = nil
    waiting = "score"
    return wrk.format("GET", "/cgi/version.pl?hs&prg=Vandrax&inf=" .. encode(record))
  end
  waiting = "version"
  return wrk.format("GET", "/cgi/version.pl?version&prg=Vandrax")
end

function response(status, headers, body)
  if waiting == "version" then
    if status == 200 and body:sub(1, 2) == "OK" then token = fifth(body) else failed = failed + 1 end
  elseif status == 200 and body == "OK" then
    stored = stored + 1
  else
    failed = failed + 1
  end
end

function done(summary, latency, requests)
  local scores, failures = 0, 0
  for _, thread in ipairs(threads) do
    scores = scores + thread:get("stored")
    failures = failures + thread:get("failed")
  end
  local seconds = summary.duration / 1e6
  local e = summary.errors
  io.write(string.format("queries: %d in %.1f s = %.0f queries/s (%.0f scores stored/s)\n",
                         summary.requests, seconds, summary.requests / seconds, scores / seconds))
  io.write(string.format("latency: p50 %.3f ms, p99 %.3f ms, max %.3f ms\n", latency:percentile(50) / 1000,
                         latency:percentile(99) / 1000, latency.max / 1000))
  io.write(string.format("scores stored: %d; refused answers: %d; socket errors: %d\n", scores, failures,
                         e.connect + e.read + e.write + e.timeout + e.status))
end
