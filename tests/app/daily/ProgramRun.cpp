#include "ProgramRun.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace quilbex::daily_testing {

namespace fs = std::filesystem;

std::string read_file(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
}

ProgramFolder::ProgramFolder(const std::string& name) {
    std::string pattern = (fs::temp_directory_path() / "quilbex-daily-XXXXXX").string();
    m_base = ::mkdtemp(pattern.data());
    m_path = name.empty() ? m_base : m_base / name;
    fs::create_directories(m_path);
    fs::copy_file(fs::path(QUILBEX_BIN_DIR) / "quilbex", m_path / "quilbex");
}

ProgramFolder::~ProgramFolder() {
    std::error_code error;
    fs::remove_all(m_base, error);
}

int ProgramFolder::start(const std::vector<std::string>& args, const std::map<std::string, std::string>& env) {
    int run = ++m_runs;
    std::map<std::string, std::string> merged;
    for (char** entry = environ; *entry; ++entry) {
        std::string text = *entry;
        auto eq = text.find('=');
        if (eq != std::string::npos)
            merged[text.substr(0, eq)] = text.substr(eq + 1);
    }
    for (const auto& [key, value] : env)
        merged[key] = value;
    std::vector<std::string> env_texts;
    for (const auto& [key, value] : merged)
        env_texts.push_back(key + "=" + value);
    std::vector<std::string> argv_texts = {(m_path / "quilbex").string()};
    argv_texts.insert(argv_texts.end(), args.begin(), args.end());

    std::vector<char*> argv, envp;
    for (auto& text : argv_texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    for (auto& text : env_texts)
        envp.push_back(text.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    std::string out = file("out" + std::to_string(run) + ".txt").string();
    std::string err = file("err" + std::to_string(run) + ".txt").string();
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        return -1;
    m_run_of_pid[pid] = run;
    return pid;
}

RunResult ProgramFolder::wait(int pid, std::chrono::seconds ceiling) {
    RunResult result;
    if (pid <= 0)
        return result;
    auto deadline = std::chrono::steady_clock::now() + ceiling;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            status = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (status != -1 && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    int run = m_run_of_pid[pid];
    result.out = read_file(file("out" + std::to_string(run) + ".txt"));
    result.err = read_file(file("err" + std::to_string(run) + ".txt"));
    return result;
}

RunResult ProgramFolder::run(const std::vector<std::string>& args, const std::map<std::string, std::string>& env) {
    return wait(start(args, env));
}

}  // namespace quilbex::daily_testing
