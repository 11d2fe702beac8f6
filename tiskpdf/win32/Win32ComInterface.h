// The COM face of the PDF document library on Windows (TiskPDF.dll) for
// C++: the interface IPDFDocument4 and the identifiers of TiskPDF.idl, as
// widl makes them, with the class's programmatic identifier and the
// HRESULTs of run-time error numbers.
#pragma once

#include <cstdint>

#include "platform/win32/Support.h"

// winuser.h names two functions as the document names its operations; the
// document's names win in the files that include this header (windows.h is
// in before the interface is declared, so that it stays as declared).
#undef DrawText
#undef LoadImage

#include "TiskPDFLib.h"

namespace tiskpdf::com {

using ::IPDFDocument4;

inline constexpr const wchar_t* kProgId = L"TiskPDF.PDFDocument4";
inline constexpr const wchar_t* kClassDescription = L"TiskPDF PDFDocument4";

inline const CLSID& kClsidPdfDocument4 = __uuidof(::PDFDocument4);
inline const IID& kIidPdfDocument4 = __uuidof(::IPDFDocument4);

// The HRESULT of a standard run-time error number, and back.
inline constexpr HRESULT runtimeErrorResult(std::int32_t number) {
    return static_cast<HRESULT>(0x800A0000u | (static_cast<std::uint32_t>(number) & 0xFFFFu));
}
inline constexpr bool isRuntimeErrorResult(HRESULT hr) {
    return (static_cast<std::uint32_t>(hr) & 0xFFFF0000u) == 0x800A0000u;
}

} // namespace tiskpdf::com
