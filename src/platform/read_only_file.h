// Files opened for reading only and read at an offset, without a file
// position: the archive files and the disk files that the content loaders
// read. Errors are the system's error numbers (0 for none).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace glorbe {

struct ReadOnlyFile {
  int handle = -1;  // the system's descriptor, -1 while closed
};

// Opens the regular file at `path`. 0, or the error number with the file
// left closed (EINVAL for something that is not a regular file).
int32_t openReadOnlyFile(const std::string& path, ReadOnlyFile& file);

bool readOnlyFileIsOpen(const ReadOnlyFile& file);

// The file's length in bytes. 0, or the error number.
int32_t readOnlyFileLength(const ReadOnlyFile& file, uint64_t& length);

// Reads up to `count` bytes at `offset`; gives the number read, fewer only
// at the end of the file or on an error (then `error` holds its number when
// given, else it is set to 0). Interrupted reads are resumed.
size_t readReadOnlyFile(const ReadOnlyFile& file, uint64_t offset, void* destination, size_t count,
                        int32_t* error = nullptr);

// True when all `count` bytes at `offset` could be read.
inline bool readReadOnlyFileExactly(const ReadOnlyFile& file, uint64_t offset, void* destination, size_t count) {
  return readReadOnlyFile(file, offset, destination, count) == count;
}

// Closes an open file; a closed one is left alone.
void closeReadOnlyFile(ReadOnlyFile& file);

}  // namespace glorbe
