#include "RuntimeErrors.h"

namespace pdfforms {

std::string runtimeErrorDescription(std::int32_t number) {
    switch (number) {
    case err::kInvalidArgument:
        return "Neplatné volání procedury nebo neplatný argument.";
    case err::kOverflow:
        return "Přetečení.";
    case err::kOutOfMemory:
        return "Nedostatek paměti.";
    case err::kSubscriptOutOfRange:
        return "Index je mimo rozsah.";
    case err::kDivisionByZero:
        return "Dělení nulou.";
    case err::kTypeMismatch:
        return "Neshoda typů.";
    case err::kInternalError:
        return "Vnitřní chyba.";
    case err::kBadFileNameOrNumber:
        return "Chybný název nebo číslo souboru.";
    case err::kFileNotFound:
        return "Soubor nebyl nalezen.";
    case err::kDeviceIoError:
        return "Chyba vstupu nebo výstupu zařízení.";
    case err::kInputPastEndOfFile:
        return "Vstup za koncem souboru.";
    case err::kPermissionDenied:
        return "Přístup odepřen.";
    case err::kPathFileAccessError:
        return "Chyba přístupu k cestě nebo souboru.";
    case err::kObjectVariableNotSet:
        return "Proměnná objektu nebo proměnná bloku With není nastavena.";
    case err::kCannotCreateObject:
        return "Komponenta ActiveX nemůže vytvořit objekt.";
    default:
        return "Chyba definovaná aplikací nebo objektem.";
    }
}

NumberedError runtimeError(std::int32_t number) {
    return NumberedError(number, runtimeErrorDescription(number));
}

} // namespace pdfforms
