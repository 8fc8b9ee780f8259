// Trimming, prefixing and normalising AddInfo texts.
#include "events/AddInfoText.h"

#include "config/Translator.h"
#include "events/TextFormat.h"

namespace {

constexpr std::string_view kEllipsis = " ...";

bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

bool IsLeadByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0xC0;
}

} // namespace

void TrimEnd(std::string& text, char c)
{
    size_t end = text.find_last_not_of(c);
    text.erase(end == std::string::npos ? 0 : end + 1);
}

void CutAtCharBoundary(std::string& text, size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return;
    // Back off over the continuation bytes of a UTF-8 sequence cut in half;
    // at most three, so a text in some other encoding loses little.
    size_t cut = maxBytes;
    size_t limit = maxBytes >= 3 ? maxBytes - 3 : 0;
    size_t back = cut;
    while (back > limit && IsContinuationByte(text[back]))
        --back;
    if (back < cut && IsContinuationByte(text[cut]) && IsLeadByte(text[back]))
        cut = back;
    text.erase(cut);
}

std::string ProtocolErrorText()
{
    return Tr("Fehler: Interner Protokollfehler!");
}

std::string FailInfoPrefix(std::string_view text)
{
    return FormatText("%s %s ", Tr("FAILINFO!"), text);
}

std::string NormaliseAddInfo(std::string_view text)
{
    std::string out;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == ' ' && text[i + 1] == ' ')
            continue;
        out += text[i];
    }
    if (out.size() <= kMaxNormalisedAddInfo)
        return out;
    CutAtCharBoundary(out, kMaxNormalisedAddInfo - kEllipsis.size());
    return out + std::string(kEllipsis);
}
