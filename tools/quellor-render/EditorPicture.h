#pragma once
// The plug-in's editor drawn into memory and written as a PNG, from the engine's state now.

#include <string>

class Quellor;

// Opens the editor of `plugin` on a context without a window, runs one idle tick and one frame
// (as an open editor would show the state of the last processed block) and writes the picture.
// The editor is closed again. False with a message when the picture cannot be written.
bool WriteEditorPicture(Quellor& plugin, const std::string& path, float scale, std::string& error);

// The slot holding a manual notch near `hz` (within 1 Hz after the engine's limits), or -1.
int FindManualNotch(Quellor& plugin, float hz);
