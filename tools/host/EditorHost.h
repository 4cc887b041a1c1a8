#pragma once
// quellor-host --editor: opens a plug-in's editor in a window of our own while audio plays
// through the plug-in in real time.

namespace qhost {

// argv[0] is the program, argv[1] "--editor". Returns the process exit code.
int RunEditorHost(int argc, char** argv);

} // namespace qhost
