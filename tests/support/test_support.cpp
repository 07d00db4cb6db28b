#include "support/test_support.h"

#include <sys/wait.h>

#include <cstdio>
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

std::optional<std::filesystem::path> qelcfg_program() {
    auto program = binary_dir() / "bin" / "qelcfg";
    if (std::filesystem::exists(program)) return program;
    return std::nullopt;
}

namespace {

// Single quotes keep every character literal for the shell except the quote itself.
std::string shell_quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace

ProgramRun run_qelcfg(const std::vector<std::string>& args) {
    ProgramRun r;
    const auto program = qelcfg_program();
    if (!program) return r;
    std::string command = shell_quoted(program->string());
    for (const auto& a : args) command += " " + shell_quoted(a);
    command += " 2>/dev/null";
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr) return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int status = pclose(p);
    r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

}  // namespace qel::test
