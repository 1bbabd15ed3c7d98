#include "xml/CodePages.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <vector>

namespace x5k {
namespace {

struct IconvName {
    int codePage;
    const char* name;
};

// Windows code page numbers and the names glibc's iconv knows them by. Sorted by code
// page. UTF-8, Windows-1252, Latin-1 and ASCII are decoded without iconv.
constexpr IconvName kIconvNames[] = {
    {37, "IBM037"},          {437, "IBM437"},         {500, "IBM500"},
    {708, "ISO-8859-6"},     {737, "CP737"},          {775, "IBM775"},
    {850, "IBM850"},         {852, "IBM852"},         {855, "IBM855"},
    {857, "IBM857"},         {858, "IBM858"},         {860, "IBM860"},
    {861, "IBM861"},         {862, "IBM862"},         {863, "IBM863"},
    {864, "IBM864"},         {865, "IBM865"},         {866, "IBM866"},
    {869, "IBM869"},         {870, "IBM870"},         {874, "WINDOWS-874"},
    {875, "IBM875"},         {932, "WINDOWS-31J"},    {936, "CP936"},
    {949, "CP949"},          {950, "BIG5"},           {1026, "IBM1026"},
    {1047, "IBM1047"},       {1140, "IBM1140"},       {1141, "IBM1141"},
    {1142, "IBM1142"},       {1143, "IBM1143"},       {1144, "IBM1144"},
    {1145, "IBM1145"},       {1146, "IBM1146"},       {1147, "IBM1147"},
    {1148, "IBM1148"},       {1149, "IBM1149"},       {1250, "CP1250"},
    {1251, "CP1251"},        {1253, "CP1253"},        {1254, "CP1254"},
    {1255, "CP1255"},        {1256, "CP1256"},        {1257, "CP1257"},
    {1258, "CP1258"},        {1361, "JOHAB"},         {10000, "MACINTOSH"},
    {10007, "MAC-CYRILLIC"}, {10017, "MACUKRAINIAN"}, {10029, "MAC-CENTRALEUROPE"},
    {10079, "MAC-IS"},       {20273, "IBM273"},       {20277, "IBM277"},
    {20278, "IBM278"},       {20280, "IBM280"},       {20284, "IBM284"},
    {20285, "IBM285"},       {20297, "IBM297"},       {20420, "IBM420"},
    {20424, "IBM424"},       {20866, "KOI8-R"},       {20871, "IBM871"},
    {20880, "IBM880"},       {20905, "IBM905"},       {20932, "EUC-JP"},
    {20936, "GB2312"},       {21866, "KOI8-U"},       {28592, "ISO-8859-2"},
    {28593, "ISO-8859-3"},   {28594, "ISO-8859-4"},   {28595, "ISO-8859-5"},
    {28596, "ISO-8859-6"},   {28597, "ISO-8859-7"},   {28598, "ISO-8859-8"},
    {28599, "ISO-8859-9"},   {28603, "ISO-8859-13"},  {28605, "ISO-8859-15"},
    {38598, "ISO-8859-8"},   {50220, "ISO-2022-JP"},  {50221, "ISO-2022-JP"},
    {50222, "ISO-2022-JP"},  {50225, "ISO-2022-KR"},  {50227, "ISO-2022-CN"},
    {51932, "EUC-JP"},       {51936, "EUC-CN"},       {51949, "EUC-KR"},
    {54936, "GB18030"},      {65000, "UTF-7"},
};

const char* IconvNameOf(int codePage) {
    for (const IconvName& entry : kIconvNames) {
        if (entry.codePage == codePage) return entry.name;
    }
    return nullptr;
}

// Closes the converter however the conversion ends.
class Converter {
public:
    explicit Converter(const char* from) : cd_(iconv_open("UTF-16LE", from)) {}
    ~Converter() {
        if (valid()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

}  // namespace

bool ConvertWithIconv(int codePage, std::span<const uint8_t> bytes, std::u16string& out) {
    const char* name = IconvNameOf(codePage);
    if (name == nullptr) return false;
    Converter converter(name);
    if (!converter.valid()) return false;

    // iconv works on bytes; the UTF-16LE result is put together unit by unit below so
    // the outcome does not depend on the host's byte order.
    std::vector<char> buffer(std::max<size_t>(64, bytes.size() * 2 + 16));
    // iconv's interface takes a non-const input pointer but never writes through it.
    char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
    size_t inLeft = bytes.size();
    out.reserve(out.size() + bytes.size());

    auto appendUnits = [&](size_t count) {
        for (size_t i = 0; i + 1 < count; i += 2) {
            out += static_cast<char16_t>(static_cast<uint8_t>(buffer[i]) |
                                         static_cast<uint8_t>(buffer[i + 1]) << 8);
        }
    };

    bool flushing = false;
    while (true) {
        char* outPtr = buffer.data();
        size_t outLeft = buffer.size();
        // A null input flushes the shift state of stateful encodings (ISO-2022, UTF-7).
        const size_t result = flushing ? iconv(converter.get(), nullptr, nullptr, &outPtr, &outLeft)
                                       : iconv(converter.get(), &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        appendUnits(static_cast<size_t>(outPtr - buffer.data()));
        if (result != static_cast<size_t>(-1)) {
            if (flushing) break;
            flushing = true;
            continue;
        }
        if (error == E2BIG) continue;  // the buffer was emptied into `out`; go on
        if (flushing) break;
        // An invalid sequence is replaced and skipped one byte at a time; an incomplete
        // one at the end of the input is replaced and ends the text.
        out += u'\uFFFD';
        if (error == EILSEQ && inLeft > 0) {
            ++in;
            --inLeft;
            continue;
        }
        flushing = true;
    }
    return true;
}

}  // namespace x5k
