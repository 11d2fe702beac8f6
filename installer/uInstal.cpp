#include "uInstal.h"

#include <array>
#include <cmath>
#include <exception>
#include <optional>

#include "platform/Encoding.h"
#include "platform/WinPath.h"
#include "support/DesktopShortcut.h"
#include "support/Dialogs.h"
#include "support/Errors.h"
#include "support/LaunchScripts.h"
#include "support/TextFiles.h"
#include "support/Utilities.h"

namespace installer {

using namespace platform;
using namespace support;

namespace {

// The message of an error as the window shows it: with a closing period.
std::string errorText(const std::string& message) {
    std::string text = message;
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.')
        text += '.';
    return text;
}

} // namespace

TInstal::TInstal(Windows& win, std::vector<std::string> arguments)
    : win_(win), arguments_(std::move(arguments)) {
    // FormCreate: the message that a second start sends, and the hook that
    // answers it.
    instanceMessage_ = win_.registerWindowMessage(kInstanceName);
    window.MemoPom.onChange = [this] { MemoPomChange(); };
    // Which of the user's actions runs which handler.
    window.BtnInstal.onClick = [this] { BtnInstalClick(); };
    window.btnAktualizovat.onClick = [this] { btnAktualizovatClick(); };
    window.BtnZrus.onClick = [this] { BtnZrusClick(); };
    window.BtnProjit.onClick = [this] { BtnProjitClick(); };
    window.lblWWWdro.onClick = [this] { lblWWWdroClick(); };
    window.ChckJeto64bit.onClick = [this] { ChckJeto64bitClick(); };
    window.VyberAdr.onExit = [this] { VyberAdrExit(); };
    window.EdSlozka.onExit = [this] { EdSlozkaExit(); };
}

TInstal::~TInstal() {
    for (Control* c : window.controls()) {
        c->onChange = nullptr;
        c->onClick = nullptr;
        c->onExit = nullptr;
    }
}

std::string TInstal::argument(std::size_t n) const {
    return n < arguments_.size() ? arguments_[n] : std::string();
}

std::string TInstal::ShortVersion() const {
    return PackageVersion.size() > 2 ? PackageVersion.substr(2, 2) : std::string();
}

bool TInstal::isDemoPackage() const {
    return PackageFile == "DroDemo.exe";
}

bool TInstal::isLanPackage() const {
    return upperCase(PackageFile) == "LAN.EXE";
}

bool TInstal::isUpdateMode() const {
    return argument(4) == "update";
}

bool TInstal::deleteFlag() const {
    return argument(3) == "X";
}

int TInstal::messageBox(const std::string& text, const std::string& title, std::uint32_t style) {
    return win_.ui().messageBox(text, title, style);
}

void TInstal::warning(const std::string& text) {
    messageBox(text, "Varování", kMbOk | kMbIconError);
}

std::string TInstal::runButtonName() const {
    return isUpdateMode() ? "btnAktualizovat" : "BtnInstal";
}

bool TInstal::Dispatch(void (TInstal::*handler)()) {
    return Dispatch([this, handler] { (this->*handler)(); });
}

bool TInstal::Dispatch(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        messageBox(errorText(e.what()), kApplicationTitle, kMbOk | kMbIconError);
    }
    return false;
}

bool TInstal::WindowProc(std::uint32_t message) {
    if (message != instanceMessage_)
        return false;
    if (onBringToFront)
        onBringToFront();
    return true;
}

void TInstal::ProcessMessages() {
    for (std::uint32_t m : win_.takeReceivedMessages())
        WindowProc(m);
}

bool TInstal::LeaveFocusedField() {
    Control* field = window.find(window.focus);
    if (!field || !field->onExit)
        return true;
    return Dispatch(field->onExit) && !closed();
}

bool TInstal::MoveFocus(Control& to) {
    if (window.focus == to.name())
        return true;
    if (!to.usable())
        return false;
    if (!LeaveFocusedField())
        return false;
    window.focus = to.name();
    return true;
}

TInstal::ClickResult TInstal::Click(Control& control) {
    // A hidden or disabled control takes neither the click nor the focus.
    if (!control.usable())
        return ClickResult::NoLongerUsable;
    const bool moves = control.takesFocus() && window.focus != control.name();
    if (moves && !LeaveFocusedField())
        return ClickResult::FocusStayed;
    // The exit handler may have disabled or hidden it.
    if (!control.usable())
        return ClickResult::NoLongerUsable;
    if (moves)
        window.focus = control.name();
    if (control.kind() == ControlKind::CheckBox)
        control.checked = !control.checked;
    if (control.onClick)
        Dispatch(control.onClick);
    return ClickResult::Ran;
}

void TInstal::closeWindow() {
    window.closed = true;
}

// --- Start-up ---

void TInstal::Activate() {
    if (activated_)
        return;
    activated_ = true;
    Dispatch(&TInstal::FormActivate);
}

void TInstal::FormActivate() {
    NothingInstalled = true;
    const std::string version = argument(1);
    PackageFile = argument(2);
    const auto number = ParseWholeNumber(version);
    if (!number) {
        // Not a number at all: the conversion's own message, then the same
        // end as for any other wrong parameter.
        messageBox(errorText("'" + version + "' is not a valid integer value"), kApplicationTitle,
                   kMbOk | kMbIconError);
    }
    bool known = false;
    for (const auto& name : kPackageFiles)
        known = known || PackageFile == name;
    if (!number || *number <= 0 || !known) {
        NothingInstalled = true;
        warning("Chybné vstupní parametry, program se ukončí.");
        BtnZrusClick();
        return;
    }

    window.ChckJeto64bit.checked = IsWindows64(win_);
    if (isLanPackage()) {
        window.ChckJeto64bit.checked = false;
        window.ChckJeto64bit.visible = false;
    }

    window.CheckBxZrus.checked = false;
    window.setFocus(window.VyberAdr);
    window.UkazPrubeh.visible = false;

    InstallerFolder = WithoutTrailingBackslash(extractFileDir(argument(0)));
    PackageVersion = version;

    std::string title;
    if (isUpdateMode())
        title = "Aktualizace programu DRO" + PackageVersion;
    else if (isDemoPackage())
        title = "Instalace demoverze DRO" + PackageVersion;
    else
        title = "Instalace programu DRO" + PackageVersion;
    if (isDemoPackage() && !isUpdateMode() && window.ChckJeto64bit.checked)
        window.EdSlozka.enabled = false;

    const std::string packageOnDisk = InstallerFolder + "\\" + PackageFile;
    window.caption = title + "  sestavena dne " +
                     FormatShortDate(FileDateOf(win_, packageOnDisk), ShortDatePattern(win_));

    TargetFolder = "C:\\DRO";
    acceptedParent_ = TargetFolder;
    window.VyberAdr.setText(TargetFolder);
    window.EdSlozka.setText((isDemoPackage() ? "Demo" : "DRO") + PackageVersion);

    if (isUpdateMode()) {
        window.BtnInstal.visible = false;
        window.btnAktualizovat.visible = true;
        window.ChckJeto64bit.visible = false;
    }

    if (!FileExists(win_, packageOnDisk)) {
        window.BtnInstal.enabled = false;
        window.btnAktualizovat.visible = false;
        window.LblKonec.setText("Soubor pro instalaci (aktualizací) DRO nenalezen!");
        MemoPomChange();
        window.BtnZrus.setText("&Konec");
    }
}

void TInstal::MemoPomChange() {
    window.stopProgress();
    window.EdSlozka.readOnly = true;
    window.LblInst.visible = false;
    window.LblInst2.visible = false;
    window.btnAktualizovat.enabled = false;
    window.BtnInstal.enabled = false;
    window.BtnProjit.visible = false;
    window.LblKonec.visible = true;
}

void TInstal::ChckJeto64bitClick() {
    if (window.ChckJeto64bit.checked) {
        window.EdSlozka.enabled = false;
        window.EdSlozka.setText((isDemoPackage() ? "DEMO" : "DRO") + PackageVersion);
    } else {
        window.EdSlozka.enabled = true;
    }
}

void TInstal::lblWWWdroClick() {
    const std::string site = kMakerWebSite;
    const std::string page = isUpdateMode() ? site : site + "/Upgr" + ShortVersion() + ".html";
    win_.shellExecute("open", page, "", "", kSwShowNormal);
}

// --- Installation run ---

// Set up once a run has been confirmed. When an error ends the run, nothing
// is left that claims an installation: NothingInstalled is true again, the
// caption of BtnZrus is what it was (no completion work at closing), and
// CheckBxZrus is cleared unless the run itself copied the package file, so
// that closing deletes nothing the run did not make.
class TInstal::FailedRunGuard {
public:
    explicit FailedRunGuard(TInstal& form)
        : form_(form), caption_(form.window.BtnZrus.text()),
          exceptions_(std::uncaught_exceptions()) {
        form_.packageCopied_ = false;
    }
    ~FailedRunGuard() {
        if (reachedEnd_ || std::uncaught_exceptions() <= exceptions_)
            return;
        form_.NothingInstalled = true;
        form_.window.BtnZrus.setText(caption_);
        if (!form_.packageCopied_)
            form_.window.CheckBxZrus.checked = false;
    }
    FailedRunGuard(const FailedRunGuard&) = delete;
    FailedRunGuard& operator=(const FailedRunGuard&) = delete;
    // The run is complete: what the close step does now is no part of it.
    void reachedEnd() { reachedEnd_ = true; }

private:
    TInstal& form_;
    std::string caption_;
    int exceptions_;
    bool reachedEnd_ = false;
};

// While a run is under way its waits handle the window's messages, so the
// controls that would change its folder, start it again or end it are
// disabled: the folder fields, the picker, the 64-bit option (it renames
// the sub-folder), the run buttons and BtnZrus. When the handler ends
// without handing over to the close step (an error, or idle again) they get
// their states back; the close step that the run calls itself gets BtnZrus
// back first, so that the user can leave after an error of the close step.
class TInstal::RunControls {
public:
    explicit RunControls(WindowModel& w)
        : controls_{&w.VyberAdr,  &w.EdSlozka,        &w.BtnProjit, &w.ChckJeto64bit,
                    &w.BtnInstal, &w.btnAktualizovat, &w.BtnZrus} {
        for (std::size_t i = 0; i < controls_.size(); ++i) {
            enabled_[i] = controls_[i]->enabled;
            controls_[i]->enabled = false;
        }
    }
    ~RunControls() {
        if (handedOver_)
            return;
        for (std::size_t i = 0; i < controls_.size(); ++i)
            controls_[i]->enabled = enabled_[i];
    }
    RunControls(const RunControls&) = delete;
    RunControls& operator=(const RunControls&) = delete;

    // The run disables the control for good.
    void keepDisabled(const Control& control) {
        for (std::size_t i = 0; i < controls_.size(); ++i)
            if (controls_[i] == &control)
                enabled_[i] = false;
    }
    // The run goes on in the close step.
    void handOver() {
        handedOver_ = true;
        controls_.back()->enabled = true;
    }

private:
    std::array<Control*, 7> controls_;
    std::array<bool, 7> enabled_{};
    bool handedOver_ = false;
};

void TInstal::runPackage(const std::string& program, const std::string& folder,
                         std::unique_ptr<File> hold) {
    // A program that cannot be started ends the run with the system's text:
    // going on would report an installation that never happened.
    WinError failure = kErrorSuccess;
    if (RunAndWait(win_, program, folder, kSwShowNormal, &failure, std::move(hold)) < 0)
        throw EOSError(failure, SysErrorMessage(win_, failure));
}

bool TInstal::CheckTargetVersion(bool forUpdate) {
    if (!DirectoryExists(win_, TargetFolder + "\\{rt42}"))
        return !forUpdate; // no installation
    const bool sameVersion = FileExists(win_, TargetFolder + "\\DRO" + PackageVersion + ".ver");
    return sameVersion;
}

void TInstal::NahlasTo() {
    window.UkazPrubeh.visible = false;
    warning("Program DRO" + PackageVersion + " je pravděpodobně spuštěn!!!\n\r\n\rUkončete DRO" +
            PackageVersion + " a pokračujte v instalci tlačítkem OK.");
    window.UkazPrubeh.visible = true;
}

void TInstal::NeniDostatekMista() {
    // The drive (or the share of a network path) whose free space was asked.
    warning("Na disku " + extractFileDrive(TargetFolder) + " není dostatek volného místa!");
}

void TInstal::BtnInstalClick() {
    const std::string& v = PackageVersion;
    NothingInstalled = true;
    const std::string parent = window.VyberAdr.text();
    const std::string subFolder = NormalizeFolderName(window.EdSlozka.text());
    if (AskDialog(win_, "Dotaz",
                  "Instalovat DRO" + v + " do složky " + parent + "\\" + subFolder + "\\?",
                  MsgDlgType::Custom, mbOK | mbCancel, mrNo, 0) != mrOk)
        return;

    NothingInstalled = false;
    TargetFolder = parent + "\\" + subFolder;
    runTarget_ = TargetFolder;
    FailedRunGuard guard(*this);
    RunControls controls(window);

    if (!HasEnoughFreeSpace(win_, TargetFolder, 499)) {
        NeniDostatekMista();
        NothingInstalled = true;
        controls.handOver();
        BtnZrusClick();
        return;
    }

    if (!CheckTargetVersion(false)) {
        warning("Ve zvolené složce je jiná verze programu než DRO" + v + "!\r\nZvolený adresář " +
                TargetFolder + " není prázdný.");
        NothingInstalled = true;
        runTarget_.clear();
        return;
    }

    window.startProgress();

    bool demoOverInstallation = false;
    if (DirectoryExists(win_, TargetFolder + "\\{rt42}")) {
        if (IsPackageRunning(win_, TargetFolder))
            NahlasTo();
        if (!isDemoPackage()) {
            const bool hasConfig = FileExists(win_, TargetFolder + "\\{rt42}\\fand.cfg");
            BackupFandConfig(win_, TargetFolder);
            if (hasConfig)
                configSavedIn_ = TargetFolder;
        }
        demoOverInstallation = isDemoPackage();
    }

    ForceDirectories(win_, TargetFolder, nullptr);
    if (deleteFlag())
        window.CheckBxZrus.checked = true;

    if (!DirectoryExists(win_, TargetFolder) || demoOverInstallation) {
        window.stopProgress();
        warning(demoOverInstallation
                    ? "Ve zvolené složce již existuje demoverze DRO.\n\rPřepsání souborů "
                      "demoverze je zakázano!"
                    : "Nepodařilo se založit složku pro instalaci!\n\rPřekontrolujte přístupová "
                      "práva a zkuste instalaci znovu.");
        window.btnAktualizovat.enabled = false;
        window.BtnProjit.enabled = false;
        window.BtnInstal.enabled = false;
        window.VyberAdr.readOnly = false;
        if (deleteFlag())
            window.CheckBxZrus.checked = false;
        controls.handOver();
        window.BtnZrus.enabled = true;
        window.BtnZrus.visible = true;
        NothingInstalled = true;
        BtnZrusClick();
        return;
    }

    window.VyberAdr.readOnly = true;
    controls.keepDisabled(window.BtnInstal);
    PackagePath = TargetFolder + "\\" + PackageFile;
    const std::string source = InstallerFolder + "\\" + PackageFile;
    CopyFileTo(win_, source, PackagePath);
    packageCopied_ = true;
    // The copy is run as administrator, but anybody may write into the
    // target: it is held unchanged until it has started.
    auto hold = HoldCopy(win_, source, PackagePath);
    if (isLanPackage())
        CopyFileTo(win_, InstallerFolder + "\\Tavel.exe", TargetFolder + "\\Tavel.exe");

    // Wait until the copy has reached its full size.
    window.UkazPrubeh.running = true;
    std::int32_t previous = 0;
    while (true) {
        Delay(win_, 1000);
        const std::int32_t size = FileSizeOf(win_, PackagePath);
        if (size == previous)
            break;
        previous = size;
    }

    Delay(win_, 500);
    window.UkazPrubeh.visible = false;
    controls.keepDisabled(window.BtnProjit);
    runPackage(PackagePath, TargetFolder, std::move(hold));
    Delay(win_, 600);
    window.UkazPrubeh.visible = true;

    EnsureConfigNtFiles(win_);

    std::string script;
    if (window.ChckJeto64bit.checked)
        script = "S64.bat";
    else
        script = (isDemoPackage() ? "Demo" : "DRO") + v + ".bat";
    WriteLaunchScript(win_, TargetFolder, script, PackageFile);

    if (WindowsMajorVersion(win_) > 5) {
        MemoPomChange();
    } else {
        const std::string& f = TargetFolder;
        const std::string application =
            isDemoPackage() ? f + "\\Demo" + v + ".BAT" : f + "\\DRO" + v + ".BAT";
        window.MemoPom.setText(JoinLines({
            "[DRO]",
            "Aplikace=" + application,
            "Umisteni=" + f + "\\DRO" + v,
            "Ikona=" + f + "\\DRO" + v + "\\Dro" + v + ".ICO",
            "IkonaP=Dro" + v + ".pif",
            "MasterXP=" + f + "\\DRO" + v + "\\Dro.wXP",
            "Master98=" + f + "\\DRO" + v + "\\Dro.w98",
            "verze=" + v,
            "Status=1",
        }));
        SaveMemoPom(f + "\\Ikon.ini");
    }

    window.BtnZrus.setText("&Ukončit");
    // Sg.000 goes when it can: a missing one, or one that stays, is no
    // fault of the installation.
    if (window.CheckBxZrus.checked)
        static_cast<void>(win_.deleteFile(TargetFolder + "\\Sg.000"));

    if (IsWindowsVistaOr7(win_) && !window.ChckJeto64bit.checked) {
        window.RichEdFont.visible = true;
        window.RichEdFont.setText(InstalledFontList(win_));
        if (!FontListContains(window.RichEdFont.text(), "Zuva Voza")) {
            window.RichEdFont.visible = false;
            messageBox("Pro provoz DRO ve WIN7 je potřeba nainstalovat font\n\r\n\rZuva Voza. Jeho "
                       "instalaci potvrďte v následujícím dialogu.",
                       "Informace", kMbOk);
            runPackage(TargetFolder + "\\{tisk}\\Fontinst.exe", TargetFolder + "\\{tisk}");
        }
        window.RichEdFont.visible = false;
    }

    guard.reachedEnd();
    controls.handOver();
    BtnZrusClick();
}

// --- Completion and closing ---

void TInstal::BtnZrusClick() {
    const std::string& v = PackageVersion;
    if (!NothingInstalled)
        messageBox("DRO nainstalováno do zvolenéné složky " + TargetFolder, "Informace", kMbOk);

    window.LblKonec.visible = false;
    window.ChckJeto64bit.visible = true;
    window.ChckJeto64bit.enabled = true;
    const bool is64 = window.ChckJeto64bit.checked;
    const bool installed = window.BtnZrus.text() == "&Ukončit";

    bool pathFormed = false;
    if (!isLanPackage()) {
        // The folder of the run that was confirmed, else the fields'.
        TargetFolder = !runTarget_.empty() ? runTarget_
                                           : window.VyberAdr.text() + "\\" +
                                                 NormalizeFolderName(window.EdSlozka.text());
        PackagePath = TargetFolder + "\\" + PackageFile;
        pathFormed = true;
        if (installed) {
            if (WindowsMajorVersion(win_) > 5) {
                std::string script;
                if (is64)
                    script = "\\S64.bat";
                else
                    script = (isDemoPackage() ? "\\Demo" : "\\Dro") + v + ".bat";
                const std::string link = (isDemoPackage() ? "Demo" : "DRO") + v + ".lnk";
                const std::string icon = "DRO" + v + ".ico";
                // A shortcut that cannot be made is reported, and the
                // installation is completed and closed all the same.
                try {
                    CreateDesktopShortcut(win_, v, TargetFolder, TargetFolder, script, link, icon,
                                          is64);
                } catch (const std::exception& e) {
                    messageBox(errorText(e.what()), kApplicationTitle, kMbOk | kMbIconError);
                }
            } else {
                ExecuteFile(win_, TargetFolder + "\\Ikon.exe", "", TargetFolder + "\\Ikon.ini",
                            kSwShowNormal);
            }
            RestoreFandConfig(win_, TargetFolder);
            configSavedIn_.clear();
        }
    }
    // A run that failed after saving the user's configuration: the package
    // may have replaced it, so it is put back.
    if (!installed && !configSavedIn_.empty()) {
        RestoreFandConfig(win_, configSavedIn_);
        configSavedIn_.clear();
    }

    if (isLanPackage() && installed) {
        window.startProgress();
        const std::string y = ShortVersion();
        const std::string cis = TargetFolder + "\\CIS\\";
        const std::string work = TargetFolder + "\\WORK\\";
        try {
            for (const char* name : {"Cibhelp.000", "Cihelp.000", "Ciihelp.000", "Cijhelp.000",
                                     "Cimhelp.000", "Cishelp.000", "Cibhelp.t00", "Cihelp.t00",
                                     "Ciihelp.t00", "Cijhelp.t00", "Cimhelp.t00", "Cishelp.t00"})
                CopyFileTo(win_, cis + name, work + name);
            CopyFileTo(win_, TargetFolder + "\\Dro.cat", work + "Dro.cat");
            CopyFileTo(win_, TargetFolder + "\\Dro" + y + "L.ico", work + "Dro" + y + "L.ico");
        } catch (const std::exception&) {
            warning("Kopírování pomocných souborů do složky " + TargetFolder +
                    "\\WORK se nezdařilo");
        }
        window.stopProgress();
        UdelejIniTavel();
        // By its full path: a bare name would be looked for elsewhere first.
        ExecuteFile(win_, TargetFolder + "\\Tavel.exe", "", TargetFolder, kSwShowNormal);
    }

    // The package file goes when it can: one that stays (on a medium that
    // cannot be written, say) is no fault of the installation.
    if (window.CheckBxZrus.checked && pathFormed)
        static_cast<void>(win_.deleteFile(PackagePath));

    closeWindow();
}

void TInstal::UdelejIniTavel() {
    const std::string& v = PackageVersion;
    const std::string y = ShortVersion();
    window.MemoPom.setText(JoinLines({
        "[DRO-TAVEL]",
        "UfandL=C:\\Ufand42L",
        "WORK=C:\\Ufand42L\\WORK" + y,
        "BAT=C:\\Ufand42L\\WORK" + y,
        "LANNODE=1",
        "BATEDIT=NE",
        "Rok=" + v,
    }));
    SaveMemoPom(TargetFolder + "\\Tavel.ini");
}

void TInstal::SaveMemoPom(const std::string& file) {
    std::optional<TextFileWriter> out;
    try {
        out.emplace(win_, file);
    } catch (const EInOutError&) {
        throw EFCreateError("Cannot create file " + file);
    }
    for (const auto& line : SplitLines(window.MemoPom.text()))
        out->writeLine(win_.toAnsiCodePage(line));
    out->close();
}

// --- Update run ---

void TInstal::btnAktualizovatClick() {
    const std::string& v = PackageVersion;
    NothingInstalled = true;
    const std::string subFolder = NormalizeFolderName(window.EdSlozka.text());
    std::optional<RunControls> controls;
    if (AskDialog(win_, "Dotaz",
                  "Aktualizovat DRO" + v + " ve složce " + TargetFolder + "\\" + subFolder + "\\?",
                  MsgDlgType::Custom, mbOK | mbCancel, mrNo, 0) == mrOk) {
        NothingInstalled = false;
        const std::string parent = TargetFolder;
        TargetFolder = parent + "\\" + subFolder;
        runTarget_ = TargetFolder;
        const FailedRunGuard guard(*this);
        controls.emplace(window);
        if (deleteFlag())
            window.CheckBxZrus.checked = true;

        if (CheckTargetVersion(true)) {
            window.startProgress();
            window.VyberAdr.readOnly = true;
            if (IsPackageRunning(win_, TargetFolder))
                NahlasTo();
            const std::string source = InstallerFolder + "\\" + PackageFile;
            const std::string copied = TargetFolder + "\\" + PackageFile;
            CopyFileTo(win_, source, copied);
            packageCopied_ = true;
            auto hold = HoldCopy(win_, source, copied);
            Delay(win_, 500);
            std::int32_t previous = 0;
            while (true) {
                const std::int32_t size = FileSizeOf(win_, copied);
                if (size == previous)
                    break;
                previous = size;
            }
            runPackage(copied, TargetFolder, std::move(hold));
            window.LblKonec.setText("");
            Delay(win_, 1000);
            window.BtnZrus.setText("&Dokončit");
        } else {
            messageBox("Ve zvoleném adresáři " + TargetFolder + " neexistuje instalace DRO" + v +
                           "!",
                       "Nejsou splněny podmínky aktualizace", kMbOk | kMbIconError);
            window.BtnZrus.setText("Konec");
            window.LblKonec.setText("Aktualizace se nezdařila.");
            // Only an empty folder goes; one with files stays as it is.
            static_cast<void>(win_.removeDirectory(parent));
            // The package file there is the other installation's own.
            if (deleteFlag())
                window.CheckBxZrus.checked = false;
            NothingInstalled = true;
        }
        window.MemoPom.setText("Update");
        controls->handOver();
    }
    BtnZrusClick();
}

// --- Target folder entry ---

void TInstal::VyberAdrExit() {
    TargetFolder = WithoutTrailingBackslash(NormalizeFolderName(window.VyberAdr.text()));
    const std::string fallback = acceptedParent_;

    if (window.ChckJeto64bit.checked) {
        // DOSBox needs the installation below a folder of its own.
        if (TargetFolder.size() > 3 && TargetFolder.substr(3) == window.EdSlozka.text())
            TargetFolder = TargetFolder.substr(0, 3) + "DRO\\" + TargetFolder.substr(3);
        if (TargetFolder.size() == 2)
            TargetFolder += "\\DRO";
    }
    // The field shows the cleaned path also without the 64-bit option, and
    // below the parent folder that the probe accepted: the runs join the
    // field's text with the sub-folder, so C:\DRO2015 typed with sub-folder
    // DRO2015 installs into C:\DRO2015, not C:\DRO2015\DRO2015 (nor
    // C:\DRO\DRO2015\DRO2015 with the option).
    window.VyberAdr.setText(TargetFolder);

    TargetFolder = StripTrailingFolder(window.EdSlozka.text(), window.VyberAdr.text());

    // Probe the path: make it, then take away what the probe made.
    bool accepted = false;
    if (TargetFolder.size() >= 2 && TargetFolder[1] == ':') {
        std::vector<std::string> created;
        ForceDirectories(win_, TargetFolder, &created);
        accepted = DirectoryExists(win_, TargetFolder);
        // What the probe made goes when it can; an empty folder left
        // behind harms nothing.
        for (auto it = created.rbegin(); it != created.rend(); ++it)
            static_cast<void>(win_.removeDirectory(*it));
    }
    if (!accepted) {
        warning(TargetFolder + " je neplatná cesta. Nastavena cesta " + fallback);
        TargetFolder = fallback;
    }
    window.VyberAdr.setText(TargetFolder);
    acceptedParent_ = TargetFolder;

    window.setFocus(isUpdateMode() ? window.btnAktualizovat : window.BtnInstal);
}

void TInstal::EdSlozkaExit() {
    std::string name = NormalizeFolderName(window.EdSlozka.text());
    if (!name.empty()) {
        name = upperCase(name);
    } else {
        warning("Údaj Instalovat do složky musí být vyplněn!\n\r\n\rNastaví se implicitní složka "
                "DRO" +
                PackageVersion + ".");
        name = "DRO" + PackageVersion;
    }
    window.EdSlozka.setText(name);
}

void TInstal::BtnProjitClick() {
    std::string folder;
    BrowseForFolder(win_, "Vyberte adresář", "", folder);
    if (!folder.empty())
        window.VyberAdr.setText(folder);
    if (folder.size() == 3)
        folder = folder.substr(0, 2) + "\\DRO";
    if (NormalizeFolderName(folder).empty())
        folder = NormalizeFolderName(window.VyberAdr.text());
    TargetFolder = folder;
    window.VyberAdr.setText(folder);
    if (!folder.empty())
        acceptedParent_ = window.VyberAdr.text();
}

} // namespace installer
