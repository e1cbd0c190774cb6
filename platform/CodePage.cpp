#include "CodePage.h"

#include "Exceptions.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <iconv.h>

namespace {

const char *iconvName(CodePage page)
{
    return page == CodePage::CP866 ? "CP866" : "CP1251";
}

// One conversion descriptor per direction, opened on first use and kept for the thread: opening one costs far
// more than converting a short text (report streams convert every string they write).
class Converter
{
public:
    Converter(const char *to, const char *from)
        : m_cd(iconv_open(to, from))
    {
        if (m_cd == iconv_t(-1))
            throw Exception(QStringLiteral("No conversion from %1 to %2").arg(QLatin1String(from), QLatin1String(to)));
    }
    ~Converter() { iconv_close(m_cd); }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    static Converter &get(const char *to, const char *from, CodePage page, bool encoding)
    {
        thread_local std::unique_ptr<Converter> converters[2][2];
        std::unique_ptr<Converter> &slot = converters[page == CodePage::CP866 ? 1 : 0][encoding ? 1 : 0];
        if (!slot)
            slot = std::make_unique<Converter>(to, from);
        return *slot;
    }

    // Converts all of the input; `skip` answers how many input bytes an unconvertible character takes, and
    // `replacement` is written in its place.
    template <class Skip> QByteArray run(const char *input, size_t length, const QByteArray &replacement, Skip skip)
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        QByteArray out;
        out.reserve(qsizetype(length));
        char buffer[4096];
        char *in = const_cast<char *>(input);
        size_t inLeft = length;
        while (inLeft > 0) {
            char *o = buffer;
            size_t outLeft = sizeof buffer;
            const size_t r = iconv(m_cd, &in, &inLeft, &o, &outLeft);
            out.append(buffer, qsizetype(o - buffer));
            if (r != size_t(-1))
                continue;
            if (errno == E2BIG)
                continue;
            // EILSEQ or a truncated sequence at the end: replace one character and go on.
            const size_t n = std::min(inLeft, skip(in, inLeft));
            in += n;
            inLeft -= n;
            out.append(replacement);
        }
        return out;
    }

private:
    iconv_t m_cd;
};

} // namespace

QByteArray encodeText(const QString &text, CodePage page)
{
    if (text.isEmpty())
        return {};
    // Both code pages keep ASCII as it is.
    const char16_t *units16 = reinterpret_cast<const char16_t *>(text.utf16());
    if (std::all_of(units16, units16 + text.size(), [](char16_t u) { return u < 0x80; }))
        return text.toLatin1();
    Converter &converter = Converter::get(iconvName(page), "UTF-16LE", page, true);
    const auto *units = reinterpret_cast<const char *>(text.utf16());
    return converter.run(units, size_t(text.size()) * 2, QByteArrayLiteral("?"), [](const char *at, size_t left) {
        const char16_t unit = char16_t(uchar(at[0]) | (uchar(left > 1 ? at[1] : 0) << 8));
        return QChar::isHighSurrogate(unit) && left >= 4 ? size_t(4) : size_t(2);
    });
}

QString decodeText(const QByteArray &bytes, CodePage page)
{
    if (bytes.isEmpty())
        return {};
    if (std::all_of(bytes.begin(), bytes.end(), [](char b) { return uchar(b) < 0x80; }))
        return QString::fromLatin1(bytes);
    Converter &converter = Converter::get("UTF-16LE", iconvName(page), page, false);
    const QByteArray utf16 = converter.run(
        bytes.constData(), size_t(bytes.size()), QByteArray("?\0", 2), [](const char *, size_t) { return size_t(1); });
    return QString(reinterpret_cast<const QChar *>(utf16.constData()), utf16.size() / 2);
}
