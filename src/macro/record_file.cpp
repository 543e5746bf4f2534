#include "macro/record_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

namespace talvik::macro {

namespace fs = std::filesystem;

namespace {

std::string ErrnoText(int error) {
    return std::strerror(error);
}

// Mode for a new file: that of the file it replaces, else what the umask allows of 0666.
mode_t NewFileMode(const fs::path& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        return st.st_mode & 07777;
    }
    mode_t mask = 022;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            mask = static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
            break;
        }
    }
    return 0666 & ~mask;
}

bool WriteAll(int fd, const std::vector<ByteRange>& parts) {
    // writev in batches; partial writes continue where they stopped.
    std::vector<iovec> vec;
    vec.reserve(parts.size());
    for (const ByteRange& p : parts) {
        if (p.size > 0) {
            vec.push_back({const_cast<void*>(p.data), p.size});
        }
    }
    std::size_t first = 0;
    while (first < vec.size()) {
        const int count = static_cast<int>(std::min<std::size_t>(vec.size() - first, IOV_MAX));
        const ssize_t written = ::writev(fd, vec.data() + first, count);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        auto left = static_cast<std::size_t>(written);
        while (first < vec.size() && left >= vec[first].iov_len) {
            left -= vec[first].iov_len;
            ++first;
        }
        if (left > 0) {
            vec[first].iov_base = static_cast<char*>(vec[first].iov_base) + left;
            vec[first].iov_len -= left;
        }
    }
    return true;
}

void SyncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

FileStatus FileStatus::Failure(FileError error, const fs::path& path, const std::string& what) {
    return FileStatus{error, path.string() + ": " + what};
}

FileStatus WriteFileAtomically(const fs::path& requested, const std::vector<ByteRange>& parts) {
    fs::path path = requested;
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        const fs::path resolved = fs::weakly_canonical(path, ec);
        if (!ec) {
            path = resolved;
        }
    }
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    std::string pattern = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        return FileStatus::Failure(FileError::kCannotWrite, path,
                                   "cannot create a file beside it: " + ErrnoText(errno));
    }
    const fs::path temp = pattern;
    auto fail = [&](const std::string& what) {
        const int error = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        return FileStatus::Failure(FileError::kCannotWrite, path, what + ": " + ErrnoText(error));
    };
    if (::fchmod(fd, NewFileMode(path)) != 0) {
        return fail("cannot set the file mode");
    }
    if (!WriteAll(fd, parts)) {
        return fail("write failed");
    }
    if (::fsync(fd) != 0) {
        return fail("sync failed");
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return FileStatus::Failure(FileError::kCannotWrite, path,
                                   "close failed: " + ErrnoText(error));
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return FileStatus::Failure(FileError::kCannotWrite, path,
                                   "cannot replace the file: " + ErrnoText(error));
    }
    SyncFolder(folder);
    return {};
}

void RemoveStaleTemporaries(const fs::path& path) {
    const std::string prefix = "." + path.filename().string() + ".";
    constexpr std::size_t kRandomPart = 6;  // the XXXXXX of the name pattern
    std::error_code ec;
    fs::directory_iterator it(path.has_parent_path() ? path.parent_path() : fs::path("."), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() == prefix.size() + kRandomPart && name.rfind(prefix, 0) == 0 &&
            it->is_regular_file(ec)) {
            std::error_code ignored;
            fs::remove(it->path(), ignored);
        }
    }
}

FileStatus EnsureFolder(const fs::path& folder) {
    std::error_code ec;
    if (fs::is_directory(folder, ec)) {
        return {};
    }
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder)) {
        return FileStatus::Failure(FileError::kCannotCreate, folder,
                                   ec ? ec.message() : "not a folder");
    }
    return {};
}

std::optional<fs::path> MoveAside(const fs::path& path, std::string* error) {
    for (int n = 0; n < 1000; ++n) {
        fs::path target = path;
        target += n == 0 ? ".bad" : ".bad." + std::to_string(n);
        // Never replaces an earlier copy: renameat2 refuses an existing target.
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
            return target;
        }
        if (errno == EEXIST) {
            continue;
        }
        if (errno == EINVAL || errno == ENOSYS) {
            std::error_code ec;
            if (fs::exists(fs::symlink_status(target, ec))) {
                continue;
            }
            if (::rename(path.c_str(), target.c_str()) == 0) {
                return target;
            }
        }
        if (error != nullptr) {
            *error = path.string() + ": cannot move it aside: " + ErrnoText(errno);
        }
        return std::nullopt;
    }
    if (error != nullptr) {
        *error = path.string() + ": too many damaged copies beside it";
    }
    return std::nullopt;
}

FileReader::~FileReader() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

FileStatus FileReader::Open(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return FileStatus::Failure(errno == ENOENT ? FileError::kNotFound : FileError::kCannotOpen,
                                   path, ErrnoText(errno));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return FileStatus::Failure(FileError::kCannotOpen, path, "not a regular file");
    }
    if (fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = fd;
    size_ = static_cast<std::uint64_t>(st.st_size);
    return {};
}

std::optional<std::size_t> FileReader::Read(void* buffer, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd_, static_cast<char*>(buffer) + done, size - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool FileReader::Skip(std::uint64_t count) {
    const off_t here = ::lseek(fd_, 0, SEEK_CUR);
    if (here < 0 || static_cast<std::uint64_t>(here) + count > size_) {
        return false;
    }
    return ::lseek(fd_, static_cast<off_t>(count), SEEK_CUR) >= 0;
}

FileStatus ReadSingleRecord(const fs::path& path, void* record, std::size_t size) {
    FileReader reader;
    if (FileStatus status = reader.Open(path); !status.ok()) {
        return status;
    }
    if (reader.size() < size) {
        return FileStatus::Failure(FileError::kTooShort, path,
                                   "the file holds " + std::to_string(reader.size()) +
                                       " bytes, a record needs " + std::to_string(size));
    }
    if (reader.size() > size) {
        return FileStatus::Failure(FileError::kWrongSize, path,
                                   "the file holds " + std::to_string(reader.size()) +
                                       " bytes, a record is " + std::to_string(size));
    }
    auto buffer = std::make_unique<unsigned char[]>(size);
    const std::optional<std::size_t> got = reader.Read(buffer.get(), size);
    if (!got) {
        return FileStatus::Failure(FileError::kCannotRead, path, ErrnoText(errno));
    }
    if (*got != size) {
        return FileStatus::Failure(FileError::kTooShort, path, "the file ended early");
    }
    std::memcpy(record, buffer.get(), size);
    return {};
}

}  // namespace talvik::macro
