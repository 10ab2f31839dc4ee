#pragma once

#include <sys/resource.h>
#include <csignal>

namespace vonnik::test {

// No file of this process may grow beyond `bytes` while it lives: a write past it fails
// part-way through the file, as on a full disk (with EFBIG rather than ENOSPC).
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        handler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    void (*handler_)(int);
};

}  // namespace vonnik::test
