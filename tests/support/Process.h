#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace TestSupport {
struct Outcome
{
    int status = -1; // exit status, or -1 when the process did not exit normally
    int signal = 0;  // the signal that ended it, if one did
    bool timedOut = false;
    std::string out;
    std::string err;
};

// Runs `program` with `arguments` and the current environment changed by `environment` (a value of
// std::nullopt removes the variable), standard input from /dev/null, and waits at most `timeout`; a process
// still running then is killed. Output streams are captured in full.
Outcome run(const std::string& program, const std::vector<std::string>& arguments,
            const std::map<std::string, std::optional<std::string>>& environment = {},
            std::chrono::seconds timeout = std::chrono::seconds(120));

// A fresh directory under the system's temporary folder, removed with everything in it when destroyed.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);
} // namespace TestSupport
