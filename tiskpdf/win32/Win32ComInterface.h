// The COM face of the PDF document library on Windows (TiskPDF.dll): the
// class "TiskPDF.PDFDocument4" and its dual interface IPDFDocument4. A
// program that knows this header calls the interface's methods directly; a
// script reaches the same operations late-bound through IDispatch under the
// names of the methods below (DISPIDs 1, 2, ... in their order; Resolution
// is a property that can be read and written).
//
// Strings are BSTRs (UTF-16); booleans are VARIANT_BOOL; coordinates and
// sizes are single-precision floats. A failed call returns the error's
// HRESULT and leaves its description in the thread's IErrorInfo. The errors
// of the document are the negative numbers of tiskpdf/TiskPdf.h; a standard
// run-time error number n travels as 0x800A0000 + n, as Visual Basic's
// errors do.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <oaidl.h>
#include <objbase.h>

#include <cstdint>

// winuser.h names two functions as the document names its operations; the
// document's names win in the files that include this header.
#undef DrawText
#undef LoadImage

namespace tiskpdf::com {

inline constexpr const wchar_t* kProgId = L"TiskPDF.PDFDocument4";
inline constexpr const wchar_t* kClassDescription = L"TiskPDF PDFDocument4";

// {7F279EB3-88E3-4B14-8E07-26F3FDE5BAC2}
inline constexpr CLSID kClsidPdfDocument4 = {
    0x7f279eb3, 0x88e3, 0x4b14, {0x8e, 0x07, 0x26, 0xf3, 0xfd, 0xe5, 0xba, 0xc2}};
// {C1459DA9-2324-44F3-90D1-6B2EF395B3F0}
inline constexpr IID kIidPdfDocument4 = {
    0xc1459da9, 0x2324, 0x44f3, {0x90, 0xd1, 0x6b, 0x2e, 0xf3, 0x95, 0xb3, 0xf0}};

// The HRESULT of a standard run-time error number, and back.
inline constexpr HRESULT runtimeErrorResult(std::int32_t number) {
    return static_cast<HRESULT>(0x800A0000u | (static_cast<std::uint32_t>(number) & 0xFFFFu));
}
inline constexpr bool isRuntimeErrorResult(HRESULT hr) {
    return (static_cast<std::uint32_t>(hr) & 0xFFFF0000u) == 0x800A0000u;
}

// The document, in the order of its vtable after IDispatch.
struct IPDFDocument4 : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE OpenPdf(BSTR path, BSTR password) = 0;
    virtual HRESULT STDMETHODCALLTYPE AppendPdf(BSTR path, BSTR password) = 0;
    virtual HRESULT STDMETHODCALLTYPE PageCount(LONG* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE SelectPage(LONG index) = 0;
    virtual HRESULT STDMETHODCALLTYPE LoadImage(BSTR path, LONG* image) = 0;
    virtual HRESULT STDMETHODCALLTYPE ImageResolution(LONG image, LONG* dotsPerInch) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Resolution(LONG* unitsPerInch) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Resolution(LONG unitsPerInch) = 0;
    virtual HRESULT STDMETHODCALLTYPE NewWatermark(LONG* watermark) = 0;
    virtual HRESULT STDMETHODCALLTYPE BeginWatermark(LONG watermark) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrawImage(LONG image, float x, float y) = 0;
    virtual HRESULT STDMETHODCALLTYPE EndWatermark() = 0;
    virtual HRESULT STDMETHODCALLTYPE ApplyWatermark(LONG page, LONG watermark) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDocumentMode(LONG mode) = 0;
    // which: 0 title, 1 subject, 2 author, 3 keywords, 4 creator.
    virtual HRESULT STDMETHODCALLTYPE SetInfoText(LONG which, BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE RegisterFont(BSTR face, VARIANT_BOOL bold,
                                                   VARIANT_BOOL italic, LONG reserved1,
                                                   LONG reserved2, LONG reserved3, LONG* font) = 0;
    virtual HRESULT STDMETHODCALLTYPE UseFont(LONG font, float size) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetTextScaling(float percent) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetColorMode(LONG mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetTextColor(float red, float green, float blue,
                                                   float fourth) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveTextTo(float x, float y) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrawText(BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPassword(BSTR password) = 0;
    virtual HRESULT STDMETHODCALLTYPE FinishDocument() = 0;
    virtual HRESULT STDMETHODCALLTYPE SaveDocument(BSTR path, VARIANT_BOOL openInViewer) = 0;
};

} // namespace tiskpdf::com
