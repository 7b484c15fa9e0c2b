#include "support/test_support.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "errorlog/sqlite.h"

namespace quorvex::test {

std::string LogScalar(const std::filesystem::path& log, const std::string& sql) {
    quorvex::sql::Database db(log.string(), false, true);
    auto q = db.prepare(sql);
    return q.step() ? (q.isNull(0) ? "NULL" : q.text(0)) : "<no row>";
}

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quorvex-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Restore permissions a test may have taken away, so the folder can go.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Record(std::string_view start) {
    std::string r(start.substr(0, 512));
    r.resize(512, ' ');
    return r;
}

void Put(std::string& record, int pos, std::string_view text) {
    record.replace(static_cast<std::size_t>(pos - 1), text.size(), text);
}

}  // namespace quorvex::test
