// A Windows layer that fails chosen reads and writes: it wraps any
// implementation and the files it hands out, and asks its hooks before each
// read or write whether that one fails, and with which Windows error. For
// the tests of what a program does when the disk fails it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Windows.h"

namespace testmachine {

// One read or write about to happen: the file by its native path (a
// replacement file by its target's), where in the file it starts and how
// many bytes it moves. kErrorSuccess lets it happen.
using FaultHook = std::function<platform::WinError(const std::string& nativePath,
                                                   std::uint64_t offset, std::size_t size)>;

class FaultInjectingWindows final : public platform::Windows {
    template <class T> using Result = platform::Result<T>;

public:
    // Wraps a layer that outlives the wrapper, or one it then owns.
    explicit FaultInjectingWindows(platform::Windows& inner) : inner_(inner) {}
    explicit FaultInjectingWindows(std::unique_ptr<platform::Windows> inner)
        : owned_(std::move(inner)), inner_(*owned_) {}

    FaultHook readFault;
    FaultHook writeFault;

    Result<std::unique_ptr<platform::File>> createFile(const std::string& path,
                                                       platform::Access access, std::uint32_t share,
                                                       platform::Disposition disposition) override;
    Result<std::unique_ptr<platform::ReplacementFile>>
    createReplacement(const std::string& path) override;

    Result<std::uint32_t> fileAttributes(const std::string& path) override {
        return inner_.fileAttributes(path);
    }
    Result<std::vector<platform::FindData>> findFiles(const std::string& pattern) override {
        return inner_.findFiles(pattern);
    }
    Result<std::string> fullPathName(const std::string& path) override {
        return inner_.fullPathName(path);
    }
    platform::WinError deleteFile(const std::string& path) override {
        return inner_.deleteFile(path);
    }
    platform::WinError createDirectory(const std::string& path) override {
        return inner_.createDirectory(path);
    }
    platform::WinError removeDirectory(const std::string& path) override {
        return inner_.removeDirectory(path);
    }
    platform::WinError moveFile(const std::string& from, const std::string& to,
                                bool replace) override {
        return inner_.moveFile(from, to, replace);
    }
    std::string currentDirectory() override { return inner_.currentDirectory(); }
    platform::WinError setCurrentDirectory(const std::string& path) override {
        return inner_.setCurrentDirectory(path);
    }
    platform::FileTime toLocalFileTime(platform::FileTime utc) override {
        return inner_.toLocalFileTime(utc);
    }
    Result<std::string> nativePath(const std::string& path) override {
        return inner_.nativePath(path);
    }

    Result<std::unique_ptr<platform::Process>> createProcess(const std::string& commandLine,
                                                             const std::string& currentDirectory,
                                                             int showMode) override {
        return inner_.createProcess(commandLine, currentDirectory, showMode);
    }
    std::intptr_t shellExecute(const std::string& verb, const std::string& file,
                               const std::string& parameters, const std::string& directory,
                               int showMode) override {
        return inner_.shellExecute(verb, file, parameters, directory, showMode);
    }
    std::intptr_t findExecutable(const std::string& file, const std::string& directory,
                                 std::string& program) override {
        return inner_.findExecutable(file, directory, program);
    }
    std::string modulePath() override { return inner_.modulePath(); }

    std::uint32_t tickCount() override { return inner_.tickCount(); }
    Result<platform::DiskSpace> diskFreeSpace(const std::string& path) override {
        return inner_.diskFreeSpace(path);
    }
    Result<std::string> systemDirectory() override { return inner_.systemDirectory(); }
    Result<std::string> desktopDirectory() override { return inner_.desktopDirectory(); }
    platform::VersionInfo reportedVersion() override { return inner_.reportedVersion(); }
    std::optional<std::uint32_t> registryDword(platform::RegistryHive hive, const std::string& key,
                                               const std::string& value) override {
        return inner_.registryDword(hive, key, value);
    }
    std::optional<std::string> registryString(platform::RegistryHive hive, const std::string& key,
                                              const std::string& value) override {
        return inner_.registryString(hive, key, value);
    }
    std::uint16_t nativeProcessorArchitecture() override {
        return inner_.nativeProcessorArchitecture();
    }
    std::string formatMessage(std::uint32_t code) override { return inner_.formatMessage(code); }
    std::string toAnsiCodePage(const std::string& utf8) override {
        return inner_.toAnsiCodePage(utf8);
    }

    std::unique_ptr<platform::NamedMutex> createMutex(const std::string& name) override {
        return inner_.createMutex(name);
    }
    std::uint32_t registerWindowMessage(const std::string& name) override {
        return inner_.registerWindowMessage(name);
    }
    void broadcastMessage(std::uint32_t message) override { inner_.broadcastMessage(message); }
    std::vector<std::uint32_t> takeReceivedMessages() override {
        return inner_.takeReceivedMessages();
    }

    std::vector<std::string> installedFontNames() override { return inner_.installedFontNames(); }

    platform::ShellLinkOutcome updateShellLink(const std::string& linkFile,
                                               const platform::ShellLinkChange& change) override {
        return inner_.updateShellLink(linkFile, change);
    }

    platform::UserInterface& ui() override { return inner_.ui(); }

private:
    std::unique_ptr<platform::Windows> owned_;
    platform::Windows& inner_;
};

} // namespace testmachine
