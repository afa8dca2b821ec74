#include "runtime/soaptk/client/xsd_lexical.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cwchar>
#include <limits>
#include <optional>
#include <string>

#include "base/common/bstr.h"

namespace nvx::soaptk {
namespace {

constexpr std::wstring_view kXmlSpace = L" \t\r\n";
// Longer than any number or dateTime in lexical form, with room to spare.
constexpr size_t kMaxLexicalLength = 400;
constexpr double kSecondsPerDay = 86400.0;
constexpr double kMinutesPerDay = 1440.0;

std::wstring_view Collapsed(std::wstring_view text)
{
    const size_t first = text.find_first_not_of(kXmlSpace);
    if (first == text.npos) return {};
    return text.substr(first, text.find_last_not_of(kXmlSpace) - first + 1);
}

// The text as ASCII, or nullopt when it holds anything else (no number or
// date does) or is implausibly long.
std::optional<std::string> Ascii(std::wstring_view text)
{
    if (text.size() > kMaxLexicalLength) return std::nullopt;
    std::string ascii;
    for (wchar_t c : text) {
        if (c >= 0x80) return std::nullopt;
        ascii += static_cast<char>(c);
    }
    return ascii;
}

bool AllOf(std::string_view text, std::string_view allowed)
{
    return !text.empty() && text.find_first_not_of(allowed) == text.npos;
}

// A sign other than '-' is not taken by from_chars.
std::string_view WithoutPlus(std::string_view text)
{
    return text.size() > 1 && text[0] == '+' && text[1] != '-' ? text.substr(1) : text;
}

HRESULT ParseInteger(std::string_view text, std::int64_t min, std::int64_t max, std::int64_t* value)
{
    text = WithoutPlus(text);
    const std::string_view digits = !text.empty() && text[0] == '-' ? text.substr(1) : text;
    if (!AllOf(digits, "0123456789")) return DISP_E_TYPEMISMATCH;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    if (error == std::errc::result_out_of_range) return DISP_E_OVERFLOW;
    if (error != std::errc() || end != text.data() + text.size()) return DISP_E_TYPEMISMATCH;
    return *value < min || *value > max ? DISP_E_OVERFLOW : S_OK;
}

template <class Real>
HRESULT ParseReal(std::string_view text, Real* value)
{
    if (text == "INF" || text == "+INF") return *value = std::numeric_limits<Real>::infinity(), S_OK;
    if (text == "-INF") return *value = -std::numeric_limits<Real>::infinity(), S_OK;
    if (text == "NaN") return *value = std::numeric_limits<Real>::quiet_NaN(), S_OK;
    text = WithoutPlus(text);
    if (!AllOf(text, "0123456789.eE+-")) return DISP_E_TYPEMISMATCH;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    if (error == std::errc::result_out_of_range) return DISP_E_OVERFLOW;
    return error != std::errc() || end != text.data() + text.size() ? DISP_E_TYPEMISMATCH : S_OK;
}

bool IsDecimalForm(std::string_view text)
{
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
    const size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == text.npos ? std::string_view() : text.substr(point + 1);
    const bool wholeOk = whole.empty() || AllOf(whole, "0123456789");
    const bool fractionOk = fraction.empty() || AllOf(fraction, "0123456789");
    return wholeOk && fractionOk && (!whole.empty() || !fraction.empty());
}

template <class Real>
std::wstring RealText(Real value)
{
    if (std::isnan(value)) return L"NaN";
    if (std::isinf(value)) return value > 0 ? L"INF" : L"-INF";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::wstring(buffer, result.ptr);
}

// Reads `count` digits at `*position` as a number.
bool Digits(std::string_view text, size_t* position, size_t count, int* value)
{
    if (*position + count > text.size()) return false;
    *value = 0;
    for (size_t index = 0; index < count; ++index) {
        const char c = text[(*position)++];
        if (c < '0' || c > '9') return false;
        *value = *value * 10 + (c - '0');
    }
    return true;
}

bool Expect(std::string_view text, size_t* position, char expected)
{
    if (*position >= text.size() || text[*position] != expected) return false;
    ++*position;
    return true;
}

// Days since 30 December 1899 (fractional, negative before), as VT_DATE
// encodes them: before that day the fraction counts forward from a negative
// whole day.
DATE ToVariantDate(double days)
{
    const double whole = std::floor(days);
    return whole >= 0 ? days : whole - (days - whole);
}

struct DateTimeFields {
    SYSTEMTIME clock{};
    double fraction = 0;  // of a second
    int offsetMinutes = 0;
};

bool ParseFraction(std::string_view text, size_t* position, double* fraction)
{
    if (*position >= text.size() || text[*position] != '.') return true;
    const size_t start = ++*position;
    while (*position < text.size() && text[*position] >= '0' && text[*position] <= '9') ++*position;
    if (*position == start) return false;
    const std::string digits = "0." + std::string(text.substr(start, *position - start));
    std::from_chars(digits.data(), digits.data() + digits.size(), *fraction);
    return true;
}

bool ParseZone(std::string_view text, size_t* position, int* offsetMinutes)
{
    if (*position == text.size()) return true;
    if (text[*position] == 'Z') return ++*position == text.size();
    const char sign = text[*position];
    if (sign != '+' && sign != '-') return false;
    ++*position;
    int hours = 0;
    int minutes = 0;
    if (!Digits(text, position, 2, &hours) || !Expect(text, position, ':') || !Digits(text, position, 2, &minutes) ||
        hours > 14 || minutes > 59 || *position != text.size())
        return false;
    *offsetMinutes = (sign == '-' ? -1 : 1) * (hours * 60 + minutes);
    return true;
}

// "YYYY-MM-DDThh:mm:ss[.s+][Z|(+|-)hh:mm]", years of four digits.
bool ParseDateTimeFields(std::string_view text, DateTimeFields* fields)
{
    size_t position = 0;
    int year, month, day, hour, minute, second;
    if (!Digits(text, &position, 4, &year) || !Expect(text, &position, '-') || !Digits(text, &position, 2, &month) ||
        !Expect(text, &position, '-') || !Digits(text, &position, 2, &day) || !Expect(text, &position, 'T') ||
        !Digits(text, &position, 2, &hour) || !Expect(text, &position, ':') || !Digits(text, &position, 2, &minute) ||
        !Expect(text, &position, ':') || !Digits(text, &position, 2, &second) ||
        !ParseFraction(text, &position, &fields->fraction) || !ParseZone(text, &position, &fields->offsetMinutes))
        return false;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59) return false;
    fields->clock.wYear = static_cast<WORD>(year);
    fields->clock.wMonth = static_cast<WORD>(month);
    fields->clock.wDay = static_cast<WORD>(day);
    fields->clock.wHour = static_cast<WORD>(hour);
    fields->clock.wMinute = static_cast<WORD>(minute);
    fields->clock.wSecond = static_cast<WORD>(second);
    return true;
}

HRESULT ParseDateTime(std::string_view text, DATE* value)
{
    DateTimeFields fields;
    if (!ParseDateTimeFields(text, &fields)) return DISP_E_TYPEMISMATCH;
    SYSTEMTIME midnight = fields.clock;
    midnight.wHour = midnight.wMinute = midnight.wSecond = 0;
    DATE day = 0;
    if (fields.clock.wYear < 100) return DISP_E_OVERFLOW;
    if (!SystemTimeToVariantTime(&midnight, &day)) return DISP_E_TYPEMISMATCH;
    // Round-tripping the day refuses 31 February and its kind.
    SYSTEMTIME check{};
    if (!VariantTimeToSystemTime(day, &check) || check.wDay != fields.clock.wDay) return DISP_E_TYPEMISMATCH;
    const double seconds =
        fields.clock.wHour * 3600.0 + fields.clock.wMinute * 60.0 + fields.clock.wSecond + fields.fraction;
    *value = ToVariantDate(day + seconds / kSecondsPerDay - fields.offsetMinutes / kMinutesPerDay);
    return S_OK;
}

std::wstring DateText(DATE value)
{
    SYSTEMTIME time{};
    if (!VariantTimeToSystemTime(value, &time)) return {};
    wchar_t text[32];
    std::swprintf(text, std::size(text), L"%04u-%02u-%02uT%02u:%02u:%02u", time.wYear, time.wMonth, time.wDay,
                  time.wHour, time.wMinute, time.wSecond);
    return text;
}

// Decimal and currency values have no fixed width; the invariant locale's
// conversion writes them with a point and without grouping.
HRESULT InvariantText(const VARIANT& value, std::wstring* text)
{
    VARIANT copy = value;  // the conversions take their input by pointer, not const
    Bstr converted;
    const HRESULT hr = value.vt == VT_DECIMAL ? VarBstrFromDec(&copy.decVal, LOCALE_INVARIANT, 0, converted.Put())
                                              : VarBstrFromCy(copy.cyVal, LOCALE_INVARIANT, 0, converted.Put());
    if (SUCCEEDED(hr)) *text = converted.View();
    return hr;
}

HRESULT StoreNonString(std::string_view text, VARTYPE type, VARIANT* value)
{
    std::int64_t integer = 0;
    HRESULT hr = DISP_E_TYPEMISMATCH;
    switch (type) {
    case VT_BOOL:
        if (text == "true" || text == "1") value->boolVal = VARIANT_TRUE, hr = S_OK;
        if (text == "false" || text == "0") value->boolVal = VARIANT_FALSE, hr = S_OK;
        break;
    case VT_I2:
        if (SUCCEEDED(hr = ParseInteger(text, SHRT_MIN, SHRT_MAX, &integer))) value->iVal = static_cast<SHORT>(integer);
        break;
    case VT_I4:
        if (SUCCEEDED(hr = ParseInteger(text, LONG_MIN, LONG_MAX, &integer))) value->lVal = static_cast<LONG>(integer);
        break;
    case VT_I8:
        if (SUCCEEDED(hr = ParseInteger(text, INT64_MIN, INT64_MAX, &integer))) value->llVal = integer;
        break;
    case VT_R4: hr = ParseReal(text, &value->fltVal); break;
    case VT_R8: hr = ParseReal(text, &value->dblVal); break;
    case VT_DATE: hr = ParseDateTime(text, &value->date); break;
    case VT_DECIMAL: {
        if (!IsDecimalForm(text)) break;
        const Bstr number(std::wstring(text.begin(), text.end()));
        hr = VarDecFromStr(number.Get(), LOCALE_INVARIANT, LOCALE_NOUSEROVERRIDE, &value->decVal);
        break;
    }
    default: break;
    }
    if (SUCCEEDED(hr)) value->vt = type;
    return hr;
}

}  // namespace

HRESULT XsdTextOf(const VARIANT& value, std::wstring* text)
{
    switch (value.vt) {
    case VT_BSTR: *text = std::wstring(value.bstrVal, SysStringLen(value.bstrVal)); return S_OK;
    case VT_BOOL: *text = value.boolVal ? L"true" : L"false"; return S_OK;
    case VT_I1: *text = std::to_wstring(value.cVal); return S_OK;
    case VT_I2: *text = std::to_wstring(value.iVal); return S_OK;
    case VT_I4: *text = std::to_wstring(value.lVal); return S_OK;
    case VT_INT: *text = std::to_wstring(value.intVal); return S_OK;
    case VT_I8: *text = std::to_wstring(value.llVal); return S_OK;
    case VT_UI1: *text = std::to_wstring(value.bVal); return S_OK;
    case VT_UI2: *text = std::to_wstring(value.uiVal); return S_OK;
    case VT_UI4: *text = std::to_wstring(value.ulVal); return S_OK;
    case VT_UINT: *text = std::to_wstring(value.uintVal); return S_OK;
    case VT_UI8: *text = std::to_wstring(value.ullVal); return S_OK;
    case VT_R4: *text = RealText(value.fltVal); return S_OK;
    case VT_R8: *text = RealText(value.dblVal); return S_OK;
    case VT_DATE: *text = DateText(value.date); return text->empty() ? DISP_E_OVERFLOW : S_OK;
    case VT_DECIMAL:
    case VT_CY: return InvariantText(value, text);
    default: return DISP_E_TYPEMISMATCH;
    }
}

HRESULT ValueFromXsdText(std::wstring_view text, VARTYPE type, VARIANT* value)
{
    VariantInit(value);
    if (type == VT_BSTR) {
        value->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!value->bstrVal) return E_OUTOFMEMORY;
        value->vt = VT_BSTR;
        return S_OK;
    }
    const std::optional<std::string> ascii = Ascii(Collapsed(text));
    if (!ascii) return DISP_E_TYPEMISMATCH;
    return StoreNonString(*ascii, type, value);
}

}  // namespace nvx::soaptk
