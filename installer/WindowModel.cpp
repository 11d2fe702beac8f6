#include "WindowModel.h"

#include "platform/Encoding.h"

namespace installer {

void Control::setText(const std::string& text) {
    text_ = upperCaseInput ? platform::upperCase(text) : text;
    if (onChange)
        onChange();
}

WindowModel::WindowModel() {
    EdSlozka.maxLength = 8;
    VyberAdr.upperCaseInput = true;
    LblKonec.visible = false;
    btnAktualizovat.visible = false;
    UkazPrubeh.visible = false;
    CheckBxZrus.visible = false;
    MemoPom.visible = false;
    RichEdFont.visible = false;
}

std::vector<Control*> WindowModel::controls() {
    return {&LblInst,         &EdSlozka,   &LblInst2,   &VyberAdr,      &BtnProjit,
            &LblKonec,        &RichEdFont, &lblWWWdro,  &ChckJeto64bit, &BtnInstal,
            &btnAktualizovat, &BtnZrus,    &UkazPrubeh, &CheckBxZrus,   &MemoPom};
}

std::vector<const Control*> WindowModel::controls() const {
    std::vector<const Control*> out;
    for (Control* c : const_cast<WindowModel*>(this)->controls())
        out.push_back(c);
    return out;
}

Control* WindowModel::find(const std::string& name) {
    for (Control* c : controls())
        if (c->name() == name)
            return c;
    return nullptr;
}

void WindowModel::setFocus(Control& control) {
    if (control.usable())
        focus = control.name();
}

void WindowModel::startProgress() {
    UkazPrubeh.visible = true;
    UkazPrubeh.running = true;
}

void WindowModel::stopProgress() {
    UkazPrubeh.running = false;
    UkazPrubeh.visible = false;
}

} // namespace installer
