// The sandbox on Linux: a whole emulated machine in a temporary folder.
#include <filesystem>

#include "Sandbox.h"
#include "TestMachine.h"

namespace contract {

struct Sandbox::Machine {
    testmachine::TestMachine machine;
    std::unique_ptr<platform::Windows> win;
};

Sandbox::Sandbox() : machine_(std::make_unique<Machine>()), root_("C:\\sandbox") {
    machine_->win = machine_->machine.another(ui);
    machine_->machine.makeFolders(root_);
}

Sandbox::~Sandbox() = default;

platform::Windows& Sandbox::win() {
    return *machine_->win;
}

void Sandbox::writeFile(const std::string& name, const std::string& bytes) {
    machine_->machine.writeFile(path(name), bytes);
}

std::string Sandbox::readFile(const std::string& name) {
    return machine_->machine.readFile(path(name));
}

bool Sandbox::exists(const std::string& name) {
    return machine_->machine.exists(path(name));
}

std::string Sandbox::exitCommand(int code, const std::string& marker) {
    // A program of the package, as the emulation runs them: a host script.
    const std::string program = "C:\\tools\\exit" + std::to_string(code);
    machine_->machine.writeScript(program, "if [ -n \"$1\" ]; then : > \"$1\"; fi\nexit " +
                                               std::to_string(code) + "\n");
    return "\"" + program + "\"" + (marker.empty() ? "" : " " + marker);
}

std::string Sandbox::programCopy(const std::string& name) {
    // Ends with its last argument.
    machine_->machine.writeScript(path(name), "for a; do code=$a; done\nexit $code\n");
    return path(name);
}

std::unique_ptr<platform::Windows> Sandbox::another(platform::UserInterface& otherUi) {
    return machine_->machine.another(otherUi);
}

} // namespace contract
