#pragma once
// The program copied into a fresh folder of its own (its history, lock and
// settings files live beside it), with Config.ini and Cookie.ini there, run
// as a child process with arguments and an environment, its output kept.

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quilbex::daily_testing {

std::string read_file(const std::filesystem::path& file);
void write_file(const std::filesystem::path& file, const std::string& text);

struct RunResult {
    int status = -1;  // the exit status; -1 when it did not end within the ceiling (it is then killed)
    std::string out;
    std::string err;
};

class ProgramFolder {
public:
    // A fresh folder of its own; with a name, a folder of that name inside it.
    explicit ProgramFolder(const std::string& name = "");
    ~ProgramFolder();

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path file(const std::string& name) const { return m_path / name; }

    // Starts the program; `env` is added to (or overrides) this process's environment.
    int start(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {});
    // Waits for a started run; kills it after the ceiling.
    RunResult wait(int pid, std::chrono::seconds ceiling = std::chrono::seconds(120));
    RunResult run(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {});

private:
    std::filesystem::path m_base;
    std::filesystem::path m_path;
    int m_runs = 0;
    std::map<int, int> m_run_of_pid;
};

}  // namespace quilbex::daily_testing
