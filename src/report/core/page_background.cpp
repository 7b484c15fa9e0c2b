#include "report/core/page_background.h"

#include <fstream>

namespace quorvex {

void WritePageBackground(const std::filesystem::path& folder) {
    const std::filesystem::path image = folder / kPageBackgroundName;
    std::error_code ec;
    // A link put in its place is removed, never written through.
    if (std::filesystem::is_symlink(image, ec)) std::filesystem::remove(image, ec);
    const std::string_view gif = PageBackgroundGif();
    if (std::filesystem::is_regular_file(image, ec) && std::filesystem::file_size(image, ec) == gif.size()) return;
    std::ofstream out(image, std::ios::binary | std::ios::trunc);
    out.write(gif.data(), static_cast<std::streamsize>(gif.size()));
}

}  // namespace quorvex
