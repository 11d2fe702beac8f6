// The installer's main window: its state and its handlers. The handlers read
// and change the window model and call the support routines; a front end
// shows the model and calls the handlers through Dispatch, which shows an
// error that ends a handler in a message box and leaves the window as far as
// the handler got.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "WindowModel.h"
#include "platform/Windows.h"
#include "support/Utilities.h"

namespace installer {

// The maker's web site: its home page, and the host of the installation
// notes "/Upgr" + short version + ".html". A placeholder until the real
// address is known.
inline constexpr const char* kMakerWebSite = "https://www.example.com";

// The application's title: the caption of the error messages.
inline constexpr const char* kApplicationTitle = "Instalace DRO";

// The name of the single-instance mutex and of the window message that a
// second start sends to the first.
inline constexpr const char* kInstanceName = "Instal DRO";

// The names of the package files that the installer accepts.
inline const std::vector<std::string> kPackageFiles{"DroDemo.exe", "Lan.exe", "Mono.exe",
                                                    "InetM.exe", "InetS.exe"};

class TInstal {
public:
    // arguments: the command line, argument 0 the installer's own path.
    TInstal(platform::Windows& win, std::vector<std::string> arguments);
    ~TInstal();
    TInstal(const TInstal&) = delete;
    TInstal& operator=(const TInstal&) = delete;

    WindowModel window;

    // --- Installer state ---
    std::string PackageVersion;
    std::string PackageFile;
    std::string InstallerFolder;
    std::string TargetFolder;
    std::string PackagePath;
    bool NothingInstalled = true;
    // Characters 3 and 4 of the version ("15" of 2015).
    std::string ShortVersion() const;

    bool isDemoPackage() const;
    bool isLanPackage() const;
    bool isUpdateMode() const;
    bool deleteFlag() const;

    // --- Handlers ---
    // The start-up step; Activate runs it on the first activation only.
    void FormActivate();
    void Activate();
    void MemoPomChange();
    void ChckJeto64bitClick();
    void lblWWWdroClick();
    void BtnInstalClick();
    bool CheckTargetVersion(bool forUpdate);
    void NahlasTo();
    void NeniDostatekMista();
    void BtnZrusClick();
    void UdelejIniTavel();
    void btnAktualizovatClick();
    void VyberAdrExit();
    void EdSlozkaExit();
    void BtnProjitClick();

    // --- What the user does, the same on every front end ---
    // The focus moves to the control: the field that held it is left first
    // (LeaveFocusedField). False when that failed; the focus then stays.
    bool MoveFocus(Control& to);
    // Runs the exit handler of the field that has the focus. False when an
    // error ended it or it closed the window.
    bool LeaveFocusedField();
    enum class ClickResult {
        Ran,           // the click handler ran (an error it ended with was shown)
        FocusStayed,   // the field that had the focus could not be left
        NoLongerUsable // leaving the field disabled or hid the control
    };
    // A click on the control: a control that takes the focus gets it first
    // (MoveFocus); then a check box toggles and the click handler runs.
    ClickResult Click(Control& control);

    // The window-procedure hook: answers the installer's registered message
    // (a second start) by bringing the window to the front. True when the
    // message was the installer's.
    bool WindowProc(std::uint32_t message);
    // Handles the registered messages that have arrived.
    void ProcessMessages();
    // Brings the window to the front (the front end's part).
    std::function<void()> onBringToFront;

    // Runs a handler as the window runs an event: an error that ends it is
    // shown in a message box. False when an error ended it.
    bool Dispatch(void (TInstal::*handler)());
    bool Dispatch(const std::function<void()>& handler);

    bool closed() const { return window.closed; }
    platform::Windows& windows() { return win_; }

private:
    std::string argument(std::size_t n) const;
    int messageBox(const std::string& text, const std::string& title, std::uint32_t style);
    void warning(const std::string& text);
    std::string runButtonName() const;
    // Saves the lines of MemoPom to the file in the ANSI code page,
    // replacing an existing file only once the new one is complete.
    void SaveMemoPom(const std::string& file);
    void closeWindow();
    // Runs a program of the package and waits for its end, releasing the
    // hold of its file once it has started; raises EOSError when it cannot
    // be started.
    void runPackage(const std::string& program, const std::string& folder,
                    std::unique_ptr<platform::File> hold = nullptr);
    class FailedRunGuard;
    class RunControls;

    platform::Windows& win_;
    std::vector<std::string> arguments_;
    std::uint32_t instanceMessage_ = 0;
    bool activated_ = false;
    // The last parent folder that the folder field accepted: what a refused
    // path is replaced with.
    std::string acceptedParent_ = "C:\\DRO";
    // The run copied the package file into the target (what "X" may delete).
    bool packageCopied_ = false;
    // The installation whose fand.cfg this run saved as fandcfg.dro; the
    // close step puts it back even after a failed run.
    std::string configSavedIn_;
    // The folder of the confirmed run (empty: none): the close step works
    // there, whatever the folder fields show by then.
    std::string runTarget_;
};

// The date formatting is the installer's support's; the tests and the
// window name it here.
using support::FormatShortDate;
using support::ShortDatePattern;

} // namespace installer
