#include "sheet_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

SheetFile::~SheetFile()
{
    if (m_committed)
        return;
    m_device.close();
    if (!m_writing.empty())
        ::unlink(m_writing.c_str());
    if (!m_folder.empty())
        ::rmdir(m_folder.c_str());
}

bool SheetFile::Adopt(int fd, std::string& error)
{
    if (!m_device.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        error = "cannot write " + m_path + ": " + m_device.errorString().toStdString();
        return false;
    }
    return true;
}

bool SheetFile::Open(const std::string& path, std::string& error)
{
    m_path = path;
    std::vector<char> name(path.begin(), path.end());
    const char suffix[] = ".XXXXXX";
    name.insert(name.end(), suffix, suffix + sizeof suffix);
    // mkostemp: O_EXCL, mode 0600.
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    m_writing = name.data();
    return Adopt(fd, error);
}

bool SheetFile::OpenPrivate(const std::string& stem, std::string& error)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = (tmp && *tmp ? std::string(tmp) : std::string("/tmp")) + "/stickwell-XXXXXX";
    std::vector<char> folder(pattern.begin(), pattern.end());
    folder.push_back('\0');
    if (!::mkdtemp(folder.data())) { // mode 0700
        error = "cannot make a folder in " + pattern.substr(0, pattern.rfind('/')) + ": " + std::strerror(errno);
        return false;
    }
    m_folder = folder.data();
    m_path = m_folder + "/" + stem + ".pdf";
    const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = "cannot write " + m_path + ": " + std::strerror(errno);
        return false;
    }
    m_writing = m_path;
    return Adopt(fd, error);
}

bool SheetFile::Commit(std::string& error)
{
    bool ok = m_device.flush() && ::fsync(m_device.handle()) == 0;
    m_device.close();
    if (ok && m_writing != m_path)
        ok = ::rename(m_writing.c_str(), m_path.c_str()) == 0;
    if (!ok) {
        error = "cannot write " + m_path + ": " + std::strerror(errno);
        return false;
    }
    m_committed = true;
    return true;
}
