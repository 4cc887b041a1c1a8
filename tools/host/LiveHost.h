// quellor-host --live: the plug-in between a microphone and the PA as a JACK client (Linux; the
// Windows build says so and stops).
#pragma once

namespace qhost {

int RunLiveHost(int argc, char** argv);

} // namespace qhost
