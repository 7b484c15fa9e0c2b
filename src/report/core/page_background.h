#pragma once

#include <filesystem>
#include <string_view>

namespace quorvex {

// The background image the HTML report names ("orvantahalf.gif"): a pale copy of the
// agency's logo, kept beside the page so that the page shows as designed.
inline constexpr std::string_view kPageBackgroundName = "orvantahalf.gif";

// The image's bytes (a GIF file).
std::string_view PageBackgroundGif();

// Writes the image into `folder` unless it is there already. A folder that refuses it
// leaves the page without its background: the report itself is whole. With `keepOthers` (a
// folder of the user's, beside a report file written there) a file of that name that is not
// the image is left as it is; in the program folder it is the program's and is replaced.
void WritePageBackground(const std::filesystem::path& folder, bool keepOthers = false);

}  // namespace quorvex
