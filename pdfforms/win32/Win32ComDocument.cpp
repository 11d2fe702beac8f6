// The client side of the TiskPDF component: its interface wrapped as the
// driver's document interface. A failed call becomes a NumberedError with
// the component's number (a standard run-time error number for the
// 0x800A.... results, the HRESULT otherwise) and its description.
#include "Win32ComDocument.h"

#include "RuntimeErrors.h"
#include "platform/Host.h"
#include "tiskpdf/win32/Win32ComInterface.h"

namespace pdfforms {

namespace {

using tiskpdf::com::IPDFDocument4;

using platform::win32::ComPtr;

// A BSTR made from a UTF-8 string for one call; no memory for it is the
// run-time error of no memory.
platform::win32::Bstr bstr(const std::string& utf8) {
    try {
        return platform::win32::Bstr(std::string_view(utf8));
    } catch (const std::bad_alloc&) {
        throw runtimeError(err::kOutOfMemory);
    }
}

// The description the component left for a failed call, else the system's
// text for the result.
std::string describe(HRESULT hr) {
    ComPtr<IErrorInfo> info;
    std::string described;
    if (::GetErrorInfo(0, info.put()) == S_OK && info) {
        platform::win32::Bstr description;
        if (SUCCEEDED(info->GetDescription(description.put())))
            described = description.utf8();
    }
    if (described.empty())
        described = platform::systemErrorText(static_cast<std::uint32_t>(hr));
    if (described.empty())
        described = "Chyba komponenty TiskPDF.";
    return described;
}

void check(HRESULT hr) {
    if (SUCCEEDED(hr))
        return;
    const std::int32_t number = tiskpdf::com::isRuntimeErrorResult(hr)
                                    ? static_cast<std::int32_t>(hr & 0xFFFF)
                                    : static_cast<std::int32_t>(hr);
    throw NumberedError(number, describe(hr));
}

VARIANT_BOOL variantBool(bool value) {
    return value ? VARIANT_TRUE : VARIANT_FALSE;
}

class Win32ComDocument final : public IPDFDocument {
public:
    explicit Win32ComDocument(ComPtr<IPDFDocument4> object) : object_(std::move(object)) {}
    Win32ComDocument(const Win32ComDocument&) = delete;
    Win32ComDocument& operator=(const Win32ComDocument&) = delete;

    void OpenPdf(const std::string& path, const std::string& password) override {
        check(object_->OpenPdf(bstr(path), bstr(password)));
    }
    void AppendPdf(const std::string& path, const std::string& password) override {
        check(object_->AppendPdf(bstr(path), bstr(password)));
    }
    std::int32_t PageCount() override {
        LONG count = 0;
        check(object_->get_PageCount(&count));
        return count;
    }
    void SelectPage(std::int32_t index) override { check(object_->SelectPage(index)); }
    std::int32_t LoadImage(const std::string& path) override {
        LONG image = 0;
        check(object_->LoadImage(bstr(path), &image));
        return image;
    }
    std::int32_t ImageResolution(std::int32_t image) override {
        LONG dpi = 0;
        check(object_->ImageResolution(image, &dpi));
        return dpi;
    }
    std::int32_t Resolution() override {
        LONG units = 0;
        check(object_->get_Resolution(&units));
        return units;
    }
    void SetResolution(std::int32_t unitsPerInch) override {
        check(object_->put_Resolution(unitsPerInch));
    }
    std::int32_t NewWatermark() override {
        LONG watermark = 0;
        check(object_->NewWatermark(&watermark));
        return watermark;
    }
    void BeginWatermark(std::int32_t watermark) override {
        check(object_->BeginWatermark(watermark));
    }
    void DrawImage(std::int32_t image, float x, float y) override {
        check(object_->DrawImage(image, x, y));
    }
    void EndWatermark() override { check(object_->EndWatermark()); }
    void ApplyWatermark(std::int32_t page, std::int32_t watermark) override {
        check(object_->ApplyWatermark(page, watermark));
    }
    void SetDocumentMode(std::int32_t mode) override { check(object_->SetDocumentMode(mode)); }
    void SetInfoText(InfoText which, const std::string& text) override {
        check(object_->SetInfoText(static_cast<LONG>(which), bstr(text)));
    }
    std::int32_t RegisterFont(const std::string& face, bool bold, bool italic, std::int32_t arg1,
                              std::int32_t arg2, std::int32_t arg3) override {
        LONG font = 0;
        check(object_->RegisterFont(bstr(face), variantBool(bold), variantBool(italic), arg1, arg2,
                                    arg3, &font));
        return font;
    }
    void UseFont(std::int32_t font, float size) override { check(object_->UseFont(font, size)); }
    void SetTextScaling(float percent) override { check(object_->SetTextScaling(percent)); }
    void SetColorMode(std::int32_t mode) override { check(object_->SetColorMode(mode)); }
    void SetTextColor(float red, float green, float blue, float fourth) override {
        check(object_->SetTextColor(red, green, blue, fourth));
    }
    void MoveTextTo(float x, float y) override { check(object_->MoveTextTo(x, y)); }
    void DrawText(const std::string& text) override { check(object_->DrawText(bstr(text))); }
    void SetPassword(const std::string& password) override {
        check(object_->SetPassword(bstr(password)));
    }
    void FinishDocument() override { check(object_->FinishDocument()); }
    void SaveDocument(const std::string& path, bool flag) override {
        check(object_->SaveDocument(bstr(path), variantBool(flag)));
    }

private:
    ComPtr<IPDFDocument4> object_;
};

} // namespace

std::unique_ptr<IPDFDocument> Win32ComObjectCreator::CreateObject(const std::string& progId,
                                                                  const PdfDocumentHost&) const {
    CLSID clsid{};
    ComPtr<IPDFDocument4> object;
    HRESULT hr = ::CLSIDFromProgID(platform::win32::wide(progId).c_str(), &clsid);
    if (SUCCEEDED(hr))
        hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER,
                                tiskpdf::com::kIidPdfDocument4, object.putVoid());
    if (hr == E_OUTOFMEMORY)
        throw runtimeError(err::kOutOfMemory);
    // Whatever keeps the class from being made (not registered, its DLL
    // missing or broken, the interface unknown) is what Visual Basic reports
    // as error 429.
    if (FAILED(hr) || !object)
        throw runtimeError(err::kCannotCreateObject);
    return std::make_unique<Win32ComDocument>(std::move(object));
}

} // namespace pdfforms
