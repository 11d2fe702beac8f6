// The emulated processes: CreateProcess, ShellExecute and FindExecutable
// on host programs (Windows programs through Wine), the module path.
#include "linux/LinuxWindows.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/Encoding.h"
#include "platform/WinPath.h"

extern char** environ;

namespace platform {

namespace {

std::string findInPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (!path)
        return {};
    std::string p(path);
    std::size_t start = 0;
    while (start <= p.size()) {
        std::size_t end = p.find(':', start);
        if (end == std::string::npos)
            end = p.size();
        const std::string dir = p.substr(start, end - start);
        if (!dir.empty()) {
            const std::string candidate = hostJoin(dir, name);
            if (::access(candidate.c_str(), X_OK) == 0 && !hostIsDirectory(candidate))
                return candidate;
        }
        start = end + 1;
    }
    return {};
}

// The arguments of a command line, by the rules of CommandLineToArgvW.
std::vector<std::string> splitArguments(const std::string& s) {
    std::vector<std::string> args;
    std::size_t i = 0;
    while (true) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
            ++i;
        if (i >= s.size())
            break;
        std::string arg;
        bool quoted = false;
        while (i < s.size()) {
            char c = s[i];
            if (!quoted && (c == ' ' || c == '\t'))
                break;
            if (c == '\\') {
                std::size_t n = 0;
                while (i < s.size() && s[i] == '\\') {
                    ++n;
                    ++i;
                }
                if (i < s.size() && s[i] == '"') {
                    arg.append(n / 2, '\\');
                    if (n % 2) {
                        arg += '"';
                        ++i;
                    }
                } else {
                    arg.append(n, '\\');
                }
                continue;
            }
            if (c == '"') {
                if (quoted && i + 1 < s.size() && s[i + 1] == '"') {
                    arg += '"';
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            arg += c;
            ++i;
        }
        args.push_back(arg);
    }
    return args;
}

std::vector<std::string> environmentWith(const std::string& name, const std::string& value) {
    std::vector<std::string> env;
    const std::string prefix = name + "=";
    for (char** e = environ; e && *e; ++e)
        if (std::strncmp(*e, prefix.c_str(), prefix.size()) != 0)
            env.emplace_back(*e);
    env.push_back(prefix + value);
    return env;
}

// Starts argv[0] (a host path, or a name looked up in PATH when usePath) in
// folder, never through a shell. Standard input comes from /dev/null and
// standard output goes to our standard error, as the program gets a console
// of its own on Windows.
Result<pid_t> spawn(const std::vector<std::string>& argv, const std::string& folder,
                    const std::vector<std::string>* env) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 2, 1);
    if (!folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> envp;
    if (env) {
        for (const auto& e : *env)
            envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
    }
    pid_t pid = 0;
    const int rc =
        ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), env ? envp.data() : environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return Result<pid_t>::failure(winErrorFromErrno(rc));
    return pid;
}

// Runs a host program and returns its standard output (for xdg-mime).
std::optional<std::string> runAndCapture(const std::vector<std::string>& argv) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        return std::nullopt;
    }
    std::string out;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0)
            out.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' '))
        out.pop_back();
    return out;
}

class LinuxProcess : public Process {
public:
    explicit LinuxProcess(pid_t pid) : pid_(pid) {}
    std::uint32_t wait() override {
        if (done_)
            return exitCode_;
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0) {
            if (errno != EINTR) {
                done_ = true;
                return exitCode_ = 259; // STILL_ACTIVE: not our child any more
            }
        }
        done_ = true;
        if (WIFEXITED(status))
            exitCode_ = static_cast<std::uint32_t>(WEXITSTATUS(status));
        else
            exitCode_ = 0xC000013A; // ended by a signal, as STATUS_CONTROL_C_EXIT
        return exitCode_;
    }

private:
    pid_t pid_;
    bool done_ = false;
    std::uint32_t exitCode_ = 0;
};

} // namespace

Result<std::unique_ptr<Process>> LinuxWindows::createProcess(const std::string& commandLine,
                                                             const std::string& currentDirectory,
                                                             int /*showMode*/) {
    using R = Result<std::unique_ptr<Process>>;
    std::string rest;
    std::size_t i = 0;
    while (i < commandLine.size() && (commandLine[i] == ' ' || commandLine[i] == '\t'))
        ++i;
    if (i >= commandLine.size())
        return R::failure(kErrorFileNotFound);
    std::string folderHost;
    if (!currentDirectory.empty()) {
        auto h = hostOf(currentDirectory);
        if (!h || !hostIsDirectory(*h))
            return R::failure(kErrorDirectory);
        folderHost = *h;
    }
    Result<std::string> programHost = Result<std::string>::failure(kErrorFileNotFound);
    if (commandLine[i] == '"') {
        const auto close = commandLine.find('"', i + 1);
        const std::string program = commandLine.substr(
            i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
        rest = close == std::string::npos ? "" : commandLine.substr(close + 1);
        if (program.empty())
            return R::failure(kErrorFileNotFound);
        programHost = locateProgram(program);
    } else {
        // An unquoted path with blanks is tried as Windows tries it: up to
        // the first blank (C:\Program.exe), then up to the next one, and so
        // on; the first program that exists is started with the rest as its
        // arguments.
        std::size_t end = i;
        do {
            end = commandLine.find_first_of(" \t", end == i ? i : end + 1);
            const std::string program =
                commandLine.substr(i, end == std::string::npos ? std::string::npos : end - i);
            programHost = locateProgram(program);
            rest = end == std::string::npos ? "" : commandLine.substr(end);
        } while (!programHost && end != std::string::npos);
    }
    if (!programHost)
        return R::failure(programHost.error());
    auto pid = startHostProgram(*programHost, splitArguments(rest), folderHost);
    if (!pid)
        return R::failure(pid.error());
    return std::unique_ptr<Process>(std::make_unique<LinuxProcess>(*pid));
}

std::intptr_t LinuxWindows::shellExecute(const std::string& verb, const std::string& file,
                                         const std::string& parameters,
                                         const std::string& directory, int showMode) {
    if (!verb.empty() && !equalsIgnoreCase(verb, "open"))
        return kSeErrNoAssoc;
    if (isUrl(file))
        return openWithDesktop(file);
    std::string full;
    std::string host;
    if (!resolveDocument(file, directory, full, host))
        return hostIsDirectory(hostParent(host)) ? kSeErrFnf : kSeErrPnf;
    if (isProgram(host)) {
        // The default folder is the program's working folder; one that is
        // not a folder gives way to the program's own folder.
        std::string folder = directory;
        auto folderHost =
            directory.empty() ? Result<std::string>(std::string()) : hostOf(directory);
        if (!folderHost || !hostIsDirectory(*folderHost))
            folder = extractFileDir(full);
        const std::string line = "\"" + full + "\"" + (parameters.empty() ? "" : " " + parameters);
        auto p = createProcess(line, folder, showMode);
        if (!p)
            return p.error() == kErrorFileNotFound   ? kSeErrFnf
                   : p.error() == kErrorBadExeFormat ? 11 // SE_ERR_BAD_FORMAT... ERROR_BAD_FORMAT
                                                     : kSeErrAccessDenied;
        started_.push_back(std::move(*p));
        return 42;
    }
    if (hostIsDirectory(host))
        return openWithDesktop(host);
    return openWithDesktop(host);
}

std::intptr_t LinuxWindows::findExecutable(const std::string& file, const std::string& directory,
                                           std::string& program) {
    program.clear();
    std::string full, host;
    if (!resolveDocument(file, directory, full, host))
        return kSeErrFnf;
    if (isProgram(host)) {
        program = full;
        return 42;
    }
    const std::string xdgMime = findInPath("xdg-mime");
    if (xdgMime.empty())
        return kSeErrNoAssoc;
    std::string type;
    if (upperCase(host.substr(host.size() >= 4 ? host.size() - 4 : 0)) == ".PDF")
        type = "application/pdf";
    else if (auto t = runAndCapture({xdgMime, "query", "filetype", host}))
        type = *t;
    if (type.empty())
        return kSeErrNoAssoc;
    auto desktop = runAndCapture({xdgMime, "query", "default", type});
    if (!desktop || desktop->empty())
        return kSeErrNoAssoc;
    const std::string exec = desktopEntryProgram(*desktop);
    program = exec.empty() ? *desktop : mapper_.toWindows(exec);
    return 42;
}

std::string LinuxWindows::modulePath() {
    std::string host = options_.modulePath;
    if (host.empty()) {
        char buf[PATH_MAX];
        const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
        host = n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string("/");
    }
    return mapper_.toWindows(host);
}

bool LinuxWindows::isUrl(const std::string& s) {
    const auto colon = s.find("://");
    if (colon != std::string::npos && colon > 1)
        return true;
    return s.rfind("mailto:", 0) == 0;
}

std::intptr_t LinuxWindows::openWithDesktop(const std::string& what) {
    const std::string opener = findInPath("xdg-open");
    if (opener.empty())
        return kSeErrNoAssoc;
    auto pid = spawn({opener, what}, "", nullptr);
    if (!pid)
        return kSeErrNoAssoc;
    started_.push_back(std::make_unique<LinuxProcess>(*pid));
    return 42;
}

// Resolves a document or program name: relative names against the
// default folder, then the current folder.
bool LinuxWindows::resolveDocument(const std::string& file, const std::string& directory,
                                   std::string& full, std::string& host) {
    std::vector<std::string> candidates;
    const bool relative =
        !(file.size() >= 2 && (file[1] == ':' || (file[0] == '\\' && file[1] == '\\'))) &&
        !(file.size() >= 1 && (file[0] == '\\' || file[0] == '/'));
    if (relative && !directory.empty())
        candidates.push_back(directory + "\\" + file);
    candidates.push_back(file);
    for (const auto& c : candidates) {
        auto f = fullPathName(c);
        if (!f)
            continue;
        auto h = mapper_.toHost(*f);
        if (!h)
            continue;
        full = *f;
        host = *h;
        if (hostExists(*h))
            return true;
    }
    return false;
}

bool LinuxWindows::isProgram(const std::string& host) {
    if (hostIsDirectory(host))
        return false;
    const std::string ext = upperCase(host.substr(host.size() >= 4 ? host.size() - 4 : 0));
    if (ext == ".EXE" || ext == ".COM")
        return true;
    return ::access(host.c_str(), X_OK) == 0;
}

// The program of a desktop entry (its Exec line's first word).
std::string LinuxWindows::desktopEntryProgram(const std::string& desktopId) {
    std::vector<std::string> dirs;
    const char* home = std::getenv("XDG_DATA_HOME");
    if (home && *home)
        dirs.push_back(home);
    else if (const char* h = std::getenv("HOME"))
        dirs.push_back(std::string(h) + "/.local/share");
    const char* data = std::getenv("XDG_DATA_DIRS");
    std::string all = (data && *data) ? data : "/usr/local/share:/usr/share";
    for (std::size_t s = 0; s <= all.size();) {
        auto e = all.find(':', s);
        if (e == std::string::npos)
            e = all.size();
        dirs.push_back(all.substr(s, e - s));
        s = e + 1;
    }
    for (const auto& d : dirs) {
        FILE* f = std::fopen((d + "/applications/" + desktopId).c_str(), "r");
        if (!f)
            continue;
        char line[4096];
        std::string program;
        while (std::fgets(line, sizeof line, f)) {
            if (std::strncmp(line, "Exec=", 5) != 0)
                continue;
            auto args = splitArguments(std::string(line + 5));
            if (!args.empty()) {
                std::string p = args[0];
                while (!p.empty() && (p.back() == '\n' || p.back() == '\r'))
                    p.pop_back();
                program = p.find('/') == std::string::npos ? findInPath(p) : p;
            }
            break;
        }
        std::fclose(f);
        if (!program.empty())
            return program;
    }
    return {};
}

// The host file of a program name: a name without a folder is looked
// for in the program's own folder, the current folder and the system
// folders; ".exe" is added to a name without an extension.
Result<std::string> LinuxWindows::locateProgram(const std::string& program) {
    std::vector<std::string> names{program};
    const auto lastSep = program.find_last_of("\\/");
    const std::string base = lastSep == std::string::npos ? program : program.substr(lastSep + 1);
    if (base.find('.') == std::string::npos)
        names.push_back(program + ".exe");
    const bool bare = lastSep == std::string::npos && !(program.size() >= 2 && program[1] == ':');
    std::vector<std::string> candidates;
    if (bare) {
        const std::string self = modulePath();
        const std::vector<std::string> folders{self.substr(0, self.find_last_of('\\')), cwd_,
                                               "C:\\windows\\system32", "C:\\windows"};
        for (const auto& folder : folders)
            for (const auto& n : names)
                candidates.push_back(folder + "\\" + n);
    } else {
        candidates = names;
    }
    WinError error = kErrorFileNotFound;
    for (const auto& c : candidates) {
        auto host = hostOf(c);
        if (!host) {
            error = host.error();
            continue;
        }
        struct stat st;
        if (::stat(host->c_str(), &st) == 0 && S_ISREG(st.st_mode))
            return *host;
        if (!bare)
            error = missingError(*host);
    }
    return Result<std::string>::failure(error);
}

// Starts a host program file: a Windows program through Wine, any other
// executable directly.
Result<pid_t> LinuxWindows::startHostProgram(const std::string& host,
                                             const std::vector<std::string>& args,
                                             const std::string& folder) {
    std::string head(256, '\0');
    if (FILE* f = std::fopen(host.c_str(), "rb")) {
        head.resize(std::fread(head.data(), 1, head.size(), f));
        std::fclose(f);
    } else {
        head.clear();
    }
    std::vector<std::string> argv;
    if (head.rfind("MZ", 0) == 0) {
        const std::string wine = findInPath("wine");
        if (wine.empty())
            return Result<pid_t>::failure(kErrorBadExeFormat);
        argv = {wine, host};
        argv.insert(argv.end(), args.begin(), args.end());
        const auto env = environmentWith("WINEPREFIX", mapper_.prefix());
        return spawn(argv, folder, &env);
    }
    if (::access(host.c_str(), X_OK) == 0) {
        argv = {host};
    } else if (head.rfind("#!", 0) == 0) {
        // Windows knows no permission to execute: a program file copied
        // by a Windows program runs. A script without the host's execute
        // bit is therefore started through the interpreter it names.
        const auto end = head.find('\n');
        if (end == std::string::npos)
            return Result<pid_t>::failure(kErrorBadExeFormat);
        std::string line = head.substr(2, end - 2);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto start = line.find_first_not_of(" \t");
        if (start == std::string::npos)
            return Result<pid_t>::failure(kErrorBadExeFormat);
        line = line.substr(start);
        const auto blank = line.find_first_of(" \t");
        argv = {line.substr(0, blank)};
        if (blank != std::string::npos) {
            const auto arg = line.find_first_not_of(" \t", blank);
            if (arg != std::string::npos)
                argv.push_back(line.substr(arg));
        }
        argv.push_back(host);
    } else {
        return Result<pid_t>::failure(kErrorBadExeFormat);
    }
    argv.insert(argv.end(), args.begin(), args.end());
    return spawn(argv, folder, nullptr);
}

} // namespace platform
