#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace talvik::macro {

// Why a file operation failed.
enum class FileError {
    kNone,
    kNotFound,      // the file does not exist
    kCannotOpen,    // it exists but cannot be opened (permissions, a folder in its place ...)
    kCannotRead,    // a read failed part way
    kTooShort,      // shorter than one record
    kWrongSize,     // not the size of one record
    kCannotWrite,   // creating, writing, syncing or renaming failed; the old file is untouched
    kCannotCreate,  // the folder could not be created
};

// The outcome of a file operation; `detail` is one line for the user or the trace.
struct FileStatus {
    FileError error = FileError::kNone;
    std::string detail;

    bool ok() const { return error == FileError::kNone; }
    static FileStatus Failure(FileError error, const std::filesystem::path& path,
                              const std::string& what);
};

// One piece of a file's content.
struct ByteRange {
    const void* data;
    std::size_t size;
};

// Writes `parts` back to back into a new file in the folder of `path`, syncs it and renames it
// over `path`, so a crash leaves either the old content or the new, never a mix. A symbolic link
// at `path` keeps pointing to the file it names. The folder must exist.
FileStatus WriteFileAtomically(const std::filesystem::path& path,
                               const std::vector<ByteRange>& parts);

// Removes the temporary files an interrupted WriteFileAtomically of `path` left in its folder.
// Only for start-up, while no other write of `path` can be under way.
void RemoveStaleTemporaries(const std::filesystem::path& path);

// Creates `folder` (and its parents) unless it is a folder already.
FileStatus EnsureFolder(const std::filesystem::path& folder);

// Renames `path` to "<name>.bad", or "<name>.bad.1", ".2" ... when that exists already. Returns
// the new path.
std::optional<std::filesystem::path> MoveAside(const std::filesystem::path& path,
                                               std::string* error);

// Reads a file from its start, record by record.
class FileReader {
public:
    FileReader() = default;
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    FileStatus Open(const std::filesystem::path& path);
    // Size when opened.
    std::uint64_t size() const { return size_; }
    // Reads up to `size` bytes; returns how many were read (fewer only at the end of the file),
    // or nullopt on a read error.
    std::optional<std::size_t> Read(void* buffer, std::size_t size);
    // Moves the read position `count` bytes on; false when that leaves the file.
    bool Skip(std::uint64_t count);

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

// Reads a file that holds exactly one record of `size` bytes into `record`. On any failure the
// record is left as it was.
FileStatus ReadSingleRecord(const std::filesystem::path& path, void* record, std::size_t size);

}  // namespace talvik::macro
