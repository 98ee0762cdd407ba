#pragma once

#include <QtGlobal>

#include <sys/resource.h>

#include <csignal>

// Lowers the file size limit of this process while it lives; a write that
// crosses it comes out short or fails with EFBIG instead of killing us.
struct FileSizeLimit {
    explicit FileSizeLimit(qint64 bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit lowered = saved;
        lowered.rlim_cur = rlim_t(bytes);
        setrlimit(RLIMIT_FSIZE, &lowered);
        savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, savedHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    rlimit saved{};
    void (*savedHandler)(int) = nullptr;
};
