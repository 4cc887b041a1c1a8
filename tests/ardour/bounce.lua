-- Opens the session, bounces the region through the plug-in as it was saved, then saves the
-- session again. Arguments: session folder, name, length in samples, render tag.
local dir, name, length, tag = arg[1], arg[2], tonumber(arg[3]), arg[4]
ARDOUR.config():set_hide_dummy_backend(false)
assert(AudioEngine:set_backend("None (Dummy)", "", ""))
assert(load_session(dir, name), "session not loaded")
local track
for r in Session:get_tracks():iter() do track = r:to_track() end
local proc = track:nth_plugin(0)
assert(not proc:isnil(), "no plug-in in the session")
track:bounce_range(0, length, ARDOUR.InterThreadInfo(), proc, true, tag)
Session:save_state("", false, false, false, false, false)
close_session()
print("QUELLOR bounced " .. tag)
