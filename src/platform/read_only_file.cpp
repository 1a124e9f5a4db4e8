// Read-only files on POSIX descriptors, read with pread so that no file
// position is shared between readers.
#include "platform/read_only_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace glorbe {

int32_t openReadOnlyFile(const std::string& path, ReadOnlyFile& file) {
  file.handle = -1;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat st {};
  const int32_t error = fstat(fd, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : EINVAL;
  if (error != 0) {
    ::close(fd);
    return error;
  }
  file.handle = fd;
  return 0;
}

bool readOnlyFileIsOpen(const ReadOnlyFile& file) { return file.handle >= 0; }

int32_t readOnlyFileLength(const ReadOnlyFile& file, uint64_t& length) {
  struct stat st {};
  if (fstat(file.handle, &st) != 0) return errno;
  length = static_cast<uint64_t>(st.st_size);
  return 0;
}

size_t readReadOnlyFile(const ReadOnlyFile& file, uint64_t offset, void* destination, size_t count, int32_t* error) {
  auto* out = static_cast<uint8_t*>(destination);
  size_t done = 0;
  if (error != nullptr) *error = 0;
  while (done < count) {
    const ssize_t n = ::pread(file.handle, out + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && error != nullptr) *error = errno;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

void closeReadOnlyFile(ReadOnlyFile& file) {
  if (file.handle >= 0) ::close(file.handle);
  file.handle = -1;
}

}  // namespace glorbe
