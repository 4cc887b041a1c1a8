#pragma once
// The editor's embedded resources (font and logo), found by file name.

#include <cstddef>
#include <cstdint>
#include <string_view>

// Looks up an embedded resource by its file name ("Roboto-Regular.ttf", "Quellor.png",
// "Quellor@2x.png" when such a variant is embedded). Returns true and sets data/size when found;
// the bytes live in the binary for the life of the process. Unknown names return false and leave
// data/size untouched. Matches plugfw::ui::IResourceFinder, so it can be passed directly.
bool FindQuellorResource(std::string_view name, const uint8_t*& data, size_t& size);
