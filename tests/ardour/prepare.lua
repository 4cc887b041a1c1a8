-- Makes a session with one stereo track holding one region of silence, to be overwritten with
-- the test signal. Arguments: session folder, session name, length in samples.
local dir, name, length = arg[1], arg[2], tonumber(arg[3])
ARDOUR.config():set_hide_dummy_backend(false)
assert(AudioEngine:set_backend("None (Dummy)", "", ""))
local s = create_session(dir, name, 48000)
assert(s, "session not created")
local tracks = Session:new_audio_track(2, 2, nil, 1, "signal", ARDOUR.PresentationInfo.max_order,
                                       ARDOUR.TrackMode.Normal, true)
local track = tracks:front()
local region = track:bounce_range(0, length, ARDOUR.InterThreadInfo(), track:main_outs(), false, "input")
track:playlist():add_region(region, Temporal.timepos_t(0), 1, false, 0, 0, false)
Session:save_state("", false, false, false, false, false)
close_session()
print("prepared")
