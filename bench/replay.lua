-- wrk script for vandrax-scored with replays: each connection does what the game does after a
-- game, over and over: the version query for a token, the score query carrying it with the
-- replay's score, then the replay uploaded with that token. The replay is REPLAY_FILE, the score
-- it plays to REPLAY_SCORE. When the server's queue is full (503) the connection waits a little
-- before its next game. Run with one connection a thread (-tN -cN).

local alphabet = "ABCDEFGHJKLMNPQRSTUVWXY123456789"

-- The game's codec for a text whose length is a multiple of 5 (see server.lua).
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
taken = 0     -- 202: queued for its check
queueFull = 0 -- 503
failed = 0    -- anything else
local file = nil
local score = nil
local token = nil
local step = "version"
local pause = 0
local gameDelay = tonumber(os.getenv("GAME_DELAY_MS") or "0")

function init(args)
  local f = assert(io.open(os.getenv("REPLAY_FILE"), "rb"))
  file = f:read("*a")
  f:close()
  score = assert(os.getenv("REPLAY_SCORE"))
end

function delay()
  local wait = pause
  pause = 0
  return wait
end

function request()
  if step == "score" then
    local record = "type=0|name=Bench" .. id .. "|score=" .. score .. "|key=V|p=" .. token .. "|add=Benchland|z="
    while #record % 5 ~= 0 do record = record .. "0" end
    return wrk.format("GET", "/cgi/version.pl?hs&prg=Vandrax&inf=" .. encode(record))
  elseif step == "replay" then
    return wrk.format("POST", "/api/replays?token=" .. token,
                      {["Content-Type"] = "application/octet-stream"}, file)
  end
  return wrk.format("GET", "/cgi/version.pl?version&prg=Vandrax")
end

function response(status, headers, body)
  if step == "version" then
    if status == 200 then token = fifth(body); step = "score" else failed = failed + 1 end
  elseif step == "score" then
    if status == 200 then step = "replay" else failed = failed + 1; step = "version" end
  else
    if status == 202 then
      taken = taken + 1
      pause = gameDelay
    elseif status == 503 then
      queueFull = queueFull + 1
      pause = 250
    else
      failed = failed + 1
    end
    step = "version"
  end
end

function done(summary, latency, requests)
  local t, q, f = 0, 0, 0
  for _, thread in ipairs(threads) do
    t = t + thread:get("taken")
    q = q + thread:get("queueFull")
    f = f + thread:get("failed")
  end
  io.write(string.format("uploads: %d taken for checking, %d refused with a full queue, %d other failures\n", t, q, f))
end
