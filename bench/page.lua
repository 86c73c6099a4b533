-- wrk script: the table page asked for at a steady pace, one request every PAGE_DELAY_MS (default
-- 20) on each connection, as visitors would, rather than as fast as the server can answer.
local pause = tonumber(os.getenv("PAGE_DELAY_MS") or "20")

function delay()
  return pause
end
