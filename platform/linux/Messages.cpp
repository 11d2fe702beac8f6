// The emulated single instance and registered messages: named mutexes as
// locked files, broadcasts as datagrams to every program's socket in the
// runtime folder.
#include "linux/LinuxWindows.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/Encoding.h"

namespace platform {

namespace {

class LockMutex : public NamedMutex {
public:
    LockMutex(int fd, bool existed) : fd_(fd), existed_(existed) {}
    ~LockMutex() override {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool alreadyExisted() const override { return existed_; }

private:
    int fd_;
    bool existed_;
};

std::string safeName(const std::string& name) {
    std::string out;
    for (char c : name)
        out += (c == '/' || c == '\0') ? '_' : c;
    return out;
}

} // namespace

std::unique_ptr<NamedMutex> LinuxWindows::createMutex(const std::string& name) {
    makeDirectories(runtimeDir_);
    const std::string lockPath = hostJoin(runtimeDir_, safeName(name) + ".lock");
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return std::make_unique<LockMutex>(-1, false);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return std::make_unique<LockMutex>(-1, true);
    }
    return std::make_unique<LockMutex>(fd, false);
}

std::uint32_t LinuxWindows::registerWindowMessage(const std::string& name) {
    // Registered messages lie in 0xC000..0xFFFF; every program that
    // registers the same name (in any case) gets the same number.
    std::uint32_t h = 2166136261u;
    for (unsigned char c : upperCase(name)) {
        h ^= c;
        h *= 16777619u;
    }
    const std::uint32_t message = 0xC000u + (h % 0x4000u);
    openMessageSocket();
    return message;
}

void LinuxWindows::broadcastMessage(std::uint32_t message) {
    const std::string folder = hostJoin(runtimeDir_, "messages");
    DIR* d = ::opendir(folder.c_str());
    if (!d)
        return;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    while (dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() < 5 || name.substr(name.size() - 5) != ".sock")
            continue;
        const std::string path = hostJoin(folder, name);
        if (path == socketPath_)
            continue;
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        if (path.size() >= sizeof addr.sun_path)
            continue;
        std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
        if (::sendto(fd, &message, sizeof message, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&addr),
                     sizeof addr) < 0 &&
            errno == ECONNREFUSED)
            ::unlink(path.c_str()); // left behind by a program that ended
    }
    if (fd >= 0)
        ::close(fd);
    ::closedir(d);
}

std::vector<std::uint32_t> LinuxWindows::takeReceivedMessages() {
    std::vector<std::uint32_t> out;
    if (socketFd_ < 0)
        return out;
    std::uint32_t m;
    while (::recv(socketFd_, &m, sizeof m, MSG_DONTWAIT) == static_cast<ssize_t>(sizeof m))
        out.push_back(m);
    return out;
}

void LinuxWindows::openMessageSocket() {
    if (socketFd_ >= 0)
        return;
    const std::string folder = hostJoin(runtimeDir_, "messages");
    makeDirectories(folder);
    static std::atomic<int> counter{0};
    socketPath_ =
        hostJoin(folder, std::to_string(::getpid()) + "." + std::to_string(counter++) + ".sock");
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath_.size() >= sizeof addr.sun_path)
        return;
    std::memcpy(addr.sun_path, socketPath_.c_str(), socketPath_.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return;
    ::unlink(socketPath_.c_str());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return;
    }
    socketFd_ = fd;
}

} // namespace platform
