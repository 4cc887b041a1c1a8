-- Inserts the plug-in, bounces the test region through it with Drytail, Hushen and both, then
-- sets a state, bounces it and saves the session. Arguments: session folder, name, length.
local dir, name, length = arg[1], arg[2], tonumber(arg[3])
ARDOUR.config():set_hide_dummy_backend(false)
assert(AudioEngine:set_backend("None (Dummy)", "", ""))
assert(load_session(dir, name), "session not loaded")
local track
for r in Session:get_tracks():iter() do track = r:to_track() end

local proc = ARDOUR.LuaAPI.new_plugin(Session, "F2AEE70D00DE4F4E56616E55516C7278",
                                      ARDOUR.PluginType.VST3, "")
assert(not proc:isnil(), "plug-in not found")
assert(track:add_processor_by_index(proc, 0, nil, true) == 0, "plug-in not inserted")
print("QUELLOR inserted " .. proc:name())

-- Ardour's control indices: the binding's bypass first, then the ten parameters in order.
local HUSHEN, DRYTAIL = 6, 7
local function bounce(tag)
  -- Ardour hands new values to the plug-in with the next processed block, so only then can the
  -- plug-in report their latency; a short bounce first stands in for the running engine.
  track:bounce_range(0, 4096, ARDOUR.InterThreadInfo(), proc, true, tag .. "-warmup")
  track:bounce_range(0, length, ARDOUR.InterThreadInfo(), proc, true, tag)
  print(string.format("QUELLOR latency %s %d", tag, proc:signal_latency()))
end

for _, c in ipairs({{"drytail", 0, 50}, {"hushen", 50, 0}, {"both", 50, 50}}) do
  ARDOUR.LuaAPI.set_processor_param(proc, HUSHEN, c[2])
  ARDOUR.LuaAPI.set_processor_param(proc, DRYTAIL, c[3])
  bounce(c[1])
end

-- Sensitivity, Auto Cut, Auto Width, Master Trim, Master Width, Hushen, Drytail, Gain, Hold.
local state = {70, -24, 12.5, -1.5, 1.25, 40, 30, -6, 1}
for i, v in ipairs(state) do
  ARDOUR.LuaAPI.set_processor_param(proc, i, v)
end
bounce("saved")
for i = 1, #state do
  print(string.format("QUELLOR param %d %.6f", i, ARDOUR.LuaAPI.get_processor_param(proc, i, true)))
end
Session:save_state("", false, false, false, false, false)
close_session()
