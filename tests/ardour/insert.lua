-- Inserts the plug-in with Hold on (the ring-out is locked) and saves the session, so that the
-- check can give the saved plug-in state a notch section. Arguments: session folder, name.
local dir, name = arg[1], arg[2]
ARDOUR.config():set_hide_dummy_backend(false)
assert(AudioEngine:set_backend("None (Dummy)", "", ""))
assert(load_session(dir, name), "session not loaded")
local track
for r in Session:get_tracks():iter() do track = r:to_track() end
local proc = ARDOUR.LuaAPI.new_plugin(Session, "F2AEE70D00DE4F4E56616E55516C7278",
                                      ARDOUR.PluginType.VST3, "")
assert(not proc:isnil(), "plug-in not found")
assert(track:add_processor_by_index(proc, 0, nil, true) == 0, "plug-in not inserted")
local HOLD = 9 -- Ardour's control index: the binding's bypass first, then the ten parameters
ARDOUR.LuaAPI.set_processor_param(proc, HOLD, 1)
Session:save_state("", false, false, false, false, false)
close_session()
print("QUELLOR inserted " .. proc:name())
