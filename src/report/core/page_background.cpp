#include "report/core/page_background.h"

#include "common/safe_file.h"

namespace quorvex {

void WritePageBackground(const std::filesystem::path& folder, bool keepOthers) {
    const std::filesystem::path image = folder / kPageBackgroundName;
    const std::string_view gif = PageBackgroundGif();
    std::error_code ec;
    if (keepOthers && std::filesystem::symlink_status(image, ec).type() != std::filesystem::file_type::not_found)
        return;
    if (!std::filesystem::is_symlink(image, ec) && std::filesystem::is_regular_file(image, ec) &&
        std::filesystem::file_size(image, ec) == gif.size())
        return;
    // The page shows without its background when the image cannot be written.
    try {
        WriteFileSafely(image, gif);
    } catch (const FileWriteError&) {
    }
}

}  // namespace quorvex
