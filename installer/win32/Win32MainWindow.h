// The installer's main window on Windows: real controls for the window
// model, laid out at 96 pixels per inch and scaled for the system's DPI.
// The handlers of uInstal change the model; the window brings its controls
// up to date from it after every handler and whenever a handler waits or
// asks something, and turns what the user does (a click, the focus leaving
// a field) into the model's shared actions (TInstal::Click, MoveFocus).
//
// The controls have fixed IDs, listed in Win32MainWindow.cpp, so that the
// scenarios under Wine can find them.
#pragma once

#include <memory>

#include "platform/UserInterface.h"

namespace installer {

class TInstal;
class Win32MainWindow;

// The installer's user interface on Windows: the system's message boxes,
// message dialog and folder picker, with the main window brought up to date
// before each of them, and the main window's messages handled while a
// handler waits (Delay).
class MainWindowUserInterface : public platform::UserInterface {
public:
    explicit MainWindowUserInterface(platform::UserInterface& system) : system_(system) {}

    int messageBox(const std::string& text, const std::string& title, std::uint32_t style) override;
    int showMessageDialog(const platform::MessageDialogSpec& dialog) override;
    std::optional<std::string> browseForFolder(const std::string& title,
                                               const std::string& root) override;
    void processPendingMessages() override;
    void setWindowsEnabled(bool enabled) override { system_.setWindowsEnabled(enabled); }

private:
    friend class Win32MainWindow;
    platform::UserInterface& system_;
    Win32MainWindow* window_ = nullptr;
};

class Win32MainWindow {
public:
    // The window of the form; ui is the user interface that the form's
    // Windows layer was made with.
    Win32MainWindow(TInstal& form, MainWindowUserInterface& ui);
    ~Win32MainWindow();
    Win32MainWindow(const Win32MainWindow&) = delete;
    Win32MainWindow& operator=(const Win32MainWindow&) = delete;

    // Creates and shows the window, runs the start-up step and the message
    // loop until the window has closed; the program's exit code.
    int run();

    // Brings the controls up to date from the model.
    void refresh();
    // Handles the messages that are waiting, then waits a moment for more.
    void pump();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace installer
