// The installer's main window as a model of its controls: what each control
// shows and whether it is visible, enabled, read-only, checked or running.
// The handlers of uInstal change only this model; a front end draws it (the
// terminal on Linux, real controls on Windows) and turns the user's actions
// into handler calls.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace installer {

enum class ControlKind {
    Label,
    Edit,
    Button,
    CheckBox,
    Link,        // an underlined label with a hand cursor
    ProgressBar, // marquee
    Memo,        // multi-line text
    RichEdit,
};

class Control {
public:
    Control(std::string name, ControlKind kind, std::string text)
        : name_(std::move(name)), kind_(kind), text_(std::move(text)) {}
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& name() const { return name_; }
    ControlKind kind() const { return kind_; }

    // The text (a caption for labels, buttons and check boxes). An upper-case
    // edit converts what it is given; a memo runs its change handler.
    const std::string& text() const { return text_; }
    void setText(const std::string& text);

    bool visible = true;
    bool enabled = true;
    bool readOnly = false;
    bool checked = false;
    bool running = false; // a progress bar's animation

    // Edit fields: the most characters the user can type (0: no limit), and
    // whether typed text becomes upper case.
    std::size_t maxLength = 0;
    bool upperCaseInput = false;

    // The change handler of a memo.
    std::function<void()> onChange;
    // What the user's actions run, the same on every front end: the click
    // handler of a button, the check box or the link, and the exit handler
    // of an edit field, which runs when the focus leaves it.
    std::function<void()> onClick;
    std::function<void()> onExit;

    // Whether a click gives the control the focus (a label takes none).
    bool takesFocus() const { return kind_ != ControlKind::Link && kind_ != ControlKind::Label; }

    // True when the user can act on the control: visible and enabled.
    bool usable() const { return visible && enabled; }

private:
    std::string name_;
    ControlKind kind_;
    std::string text_;
};

// The controls of the main window in the state of its design, before the
// start-up step fills them.
class WindowModel {
public:
    WindowModel();
    WindowModel(const WindowModel&) = delete;
    WindowModel& operator=(const WindowModel&) = delete;

    std::string caption = "-";
    // The name of the control that has the focus (empty: none).
    std::string focus;
    bool closed = false;

    Control LblInst{"LblInst", ControlKind::Label, "Instalovat do složky: "};
    Control EdSlozka{"EdSlozka", ControlKind::Edit, "12345678"};
    Control LblInst2{"LblInst2", ControlKind::Label, "v níže uvedené cestě"};
    Control VyberAdr{"VyberAdr", ControlKind::Edit, "C:\\"};
    Control BtnProjit{"BtnProjit", ControlKind::Button, "..."};
    Control LblKonec{"LblKonec", ControlKind::Label,
                     "Dokončete  instalaci stiskem tlačítka Ukončit."};
    Control lblWWWdro{"lblWWWdro", ControlKind::Link, "Pokyny k instalaci  "};
    Control ChckJeto64bit{"ChckJeto64bit", ControlKind::CheckBox, "64bitový operační systém"};
    Control BtnInstal{"BtnInstal", ControlKind::Button, "Instalovat"};
    Control btnAktualizovat{"btnAktualizovat", ControlKind::Button, "&Aktualizovat"};
    Control BtnZrus{"BtnZrus", ControlKind::Button, "Zrušit"};
    Control UkazPrubeh{"UkazPrubeh", ControlKind::ProgressBar, ""};
    Control CheckBxZrus{"CheckBxZrus", ControlKind::CheckBox,
                        "Po instalaci smazat instalsční soubor"};
    Control MemoPom{"MemoPom", ControlKind::Memo, ""};
    Control RichEdFont{"RichEdFont", ControlKind::RichEdit, ""};

    // The controls in the order of the window, top to bottom.
    std::vector<Control*> controls();
    std::vector<const Control*> controls() const;
    // The control of that name (exact), or null.
    Control* find(const std::string& name);

    // Gives the focus to the control when it can take it (visible and
    // enabled); otherwise the focus stays where it is.
    void setFocus(Control& control);

    // Shows and starts, or stops and hides, the marquee.
    void startProgress();
    void stopProgress();
};

} // namespace installer
