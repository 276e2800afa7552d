#pragma once

#include <QFile>

#include <string>

// The file a sheet is written into. The sheet holds codes that make fakes pass, so it is
// readable by its owner only (0600) and never reached through a symbolic link: a new file
// is made with O_EXCL | O_NOFOLLOW. Until Commit nothing is left behind.
class SheetFile final {
public:
    SheetFile() = default;
    ~SheetFile();
    SheetFile(const SheetFile&) = delete;
    SheetFile& operator=(const SheetFile&) = delete;

    // The given path: written beside it under a new name and renamed over it at the end,
    // so a cut-short run leaves no half sheet and a link at the path is replaced.
    bool Open(const std::string& path, std::string& error);
    // No path given: "<stem>.pdf" in a new folder of the temporary folder that only the
    // owner can enter (0700), so no other user can guess the name or plant a link there.
    bool OpenPrivate(const std::string& stem, std::string& error);

    QIODevice& Device() { return m_device; }
    const std::string& Path() const { return m_path; }
    bool Commit(std::string& error);

private:
    bool Adopt(int fd, std::string& error);

    QFile m_device;
    std::string m_path;    // where the sheet ends up
    std::string m_writing; // the file being written; renamed to m_path on Commit
    std::string m_folder;  // a private folder made for it
    bool m_committed = false;
};
