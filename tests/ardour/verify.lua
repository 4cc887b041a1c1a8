-- Reopens the saved session, reads the plug-in's parameters back and bounces once more.
-- Arguments: session folder, name, length.
local dir, name, length = arg[1], arg[2], tonumber(arg[3])
ARDOUR.config():set_hide_dummy_backend(false)
assert(AudioEngine:set_backend("None (Dummy)", "", ""))
assert(load_session(dir, name), "session not loaded")
local track
for r in Session:get_tracks():iter() do track = r:to_track() end
local proc = track:nth_plugin(0)
assert(not proc:isnil(), "no plug-in after reload")
print("QUELLOR reloaded " .. proc:name())
for i = 1, 9 do
  print(string.format("QUELLOR param %d %.6f", i, ARDOUR.LuaAPI.get_processor_param(proc, i, true)))
end
track:bounce_range(0, length, ARDOUR.InterThreadInfo(), proc, true, "reloaded")
print(string.format("QUELLOR latency reloaded %d", proc:signal_latency()))
close_session()
