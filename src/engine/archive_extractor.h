// Unpacking a 7z package into a folder with the LZMA SDK's decoder.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

constexpr uint32_t kExtractBadArchive = 6;  // not 7z, undecodable entry, empty or unsafe name

// Called before each entry with its zero-based index and the number of entries.
using ExtractProgress = std::function<void(uint32_t index, uint32_t total)>;

// Unpacks every entry of `archive_path` into `destination` (ending with a backslash),
// preparing each folder once with the platform's permissions and restoring modification
// times. Returns 0, kExtractBadArchive, or the Windows error code of the failed file
// operation. `last_path` (optional) receives the path of the entry being written. An archive
// with a name that would leave the destination or reach a device, or with two entries that
// Windows would write to one file, is refused before anything is written. A damaged entry,
// and the files written from its block before the block's own check, are removed when this
// call created them; files that were there before stay.
uint32_t ExtractArchive(const std::string& archive_path, const std::string& destination,
                        std::string* last_path, const ExtractProgress& progress);

// True when an entry name stays below the destination: no drive or stream colon, no NUL,
// no leading slash or backslash, no ".." component, no component naming a Windows device.
bool IsSafeEntryName(const std::string& name);
