#include "support/test_support.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace qel::test {

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "qeltest-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
    if (const char* v = std::getenv(name_.c_str())) old_ = v;
    if (value)
        setenv(name_.c_str(), value->c_str(), 1);
    else
        unsetenv(name_.c_str());
}

ScopedEnv::~ScopedEnv() {
    if (old_)
        setenv(name_.c_str(), old_->c_str(), 1);
    else
        unsetenv(name_.c_str());
}

std::optional<std::filesystem::path> corpus_dir() {
    std::filesystem::path dir;
    if (const char* v = std::getenv("QEL_CORPUS_DIR"); v && *v)
        dir = v;
    else
        dir = source_dir().parent_path() / "shared" / "corpus";
    if (std::filesystem::is_directory(dir)) return dir;
    return std::nullopt;
}

std::filesystem::path source_dir() { return QEL_SOURCE_DIR; }
std::filesystem::path binary_dir() { return QEL_BINARY_DIR; }

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

}  // namespace qel::test
