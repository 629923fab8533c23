#pragma once
// Helpers shared by the tests: temporary folders, files of exact bytes, the messages of a
// fatal error, and running a program with an argument list (no shell), capturing its exit
// status, standard output and standard error, for the black-box tests of mic1 and quorc.

#include "support/FatalError.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace testutil {

// A small IJVM program whose image the assembler and interpreter tests work out by hand.
inline const std::string workedIjvm =
    ".constant\none 1\n.end-constant\n.main\n.var\ni\n.end-var\nBIPUSH 3\nISTORE i\n"
    "loop: ILOAD i\nIFEQ done\nIINC i -1\nGOTO loop\ndone: LDCW one\nHALT\n.end-main\n";

struct Result {
    int status = -1; // exit status, or -1 when the program did not exit normally (a crash)
    std::string out;
    std::string err;
};

inline std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeFile(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// The message and the box text of the fatal error f raises.
inline std::pair<std::string, std::string> fatalOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const tarveno::FatalError& e) {
        return {e.message(), e.userMessage()};
    }
    return {"(no error)", ""};
}

inline std::string repeat(const std::string& text, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += text;
    return out;
}

// A fresh folder for one test, removed afterwards.
class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarveno-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    // Writes a file of exactly these bytes in the folder; answers its path.
    std::string write(const std::string& name, const std::string& bytes) const {
        writeFile(path_ / name, bytes);
        return (path_ / name).string();
    }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Standard input is /dev/null. meanwhile, when given, is called once the program started,
// with its process id and the file its standard output goes to. The program sees the
// test's environment without its language (so the course texts), plus environment
// (NAME=VALUE entries).
inline Result run(const std::string& program, const std::vector<std::string>& args,
                  const std::function<void(pid_t, const std::string&)>& meanwhile = {},
                  const std::vector<std::string>& environment = {}) {
    std::vector<std::string> names = environment;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const bool language = entry.starts_with("LANGUAGE=") || entry.starts_with("LC_ALL=") ||
                              entry.starts_with("LC_MESSAGES=") || entry.starts_with("LANG=");
        if (!language) names.push_back(entry);
    }
    std::vector<char*> envp;
    for (std::string& entry : names)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    TempDir io;
    const std::string outPath = (io / "out").string(), errPath = (io / "err").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    Result r;
    pid_t pid;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0) {
        if (meanwhile) meanwhile(pid, outPath);
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    r.out = readFile(outPath);
    r.err = readFile(errPath);
    return r;
}

} // namespace testutil
