#pragma once
// A file descriptor that closes itself: owned by one object, moved, never
// copied. -1 means none. Used for the descriptors the platform layer opens
// itself (the settings file's temporary copy); the serial device keeps its own.

#include <unistd.h>

#include <utility>

namespace halyard {

class CUniqueFd {
public:
    CUniqueFd() = default;
    explicit CUniqueFd(int fd)
        : m_fd(fd)
    {}
    ~CUniqueFd() { Reset(); }
    CUniqueFd(CUniqueFd&& other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    {}
    CUniqueFd& operator=(CUniqueFd&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    CUniqueFd(const CUniqueFd&) = delete;
    CUniqueFd& operator=(const CUniqueFd&) = delete;

    bool IsValid() const { return m_fd >= 0; }
    int Get() const { return m_fd; }
    // Closes the descriptor held (if any) and takes fd instead.
    void Reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // Closes now and reports whether the close succeeded (a write error of a
    // network file system may only show here).
    bool Close()
    {
        const int fd = std::exchange(m_fd, -1);
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd = -1;
};

}  // namespace halyard
