#pragma once
// Where the session reads and writes files, and what it must never write: the files of its
// own (the checker's report, the copy of the IJVM source, the unnamed program), the cache
// for microprogram files whose source's folder cannot take them, and the shipped examples,
// read, compiled and run but never written to, whoever runs the window.

#include <filesystem>
#include <string>

namespace tarveno {

struct SessionFiles {
    std::string report;      // where the checker writes its report (this process's own)
    std::string swapFile;    // the copy of the last IJVM source opened (this process's own)
    std::string unnamedFile; // where an unnamed program is saved and compiled ("tmp.mal")
    std::string cacheFolder; // microprogram files whose source's folder cannot take them
    // The shipped examples. Empty: none.
    std::string protectedFolder;
    // The shipped IJVM interpreter microprogram, offered when an IJVM program is opened
    // with no microprogram loaded. Empty: none.
    std::string interpreter;
};

class FileRules {
  public:
    explicit FileRules(SessionFiles places) : files(std::move(places)) {}

    // Whether fileName may be written: not in the shipped folder, and the file (or, for a
    // new one, its folder) writable.
    bool writable(const std::string& fileName) const;
    // The microprogram file of source: beside it when its folder may be written, otherwise
    // in the cache folder, and note then says so (one line).
    std::string microprogramFile(const std::string& source, std::string& note) const;
    // The reason Save As is asked for, when fileName cannot take the changes.
    static std::string cannotWriteReason(const std::string& fileName);

    // A file's bytes; a file that cannot be read ends the command with its message.
    static std::string read(const std::string& fileName);
    // Replaces a file whole; a failure ends the command with its message, the file as it was.
    static void write(const std::string& fileName, const std::string& bytes);
    // A file name for a message: its last part in quotes, as the user reads it.
    static std::string quoted(const std::string& fileName);

    const SessionFiles files;

  private:
    bool isProtected(const std::filesystem::path& folder) const;
};

} // namespace tarveno
