#include "Windows1252.h"

namespace {

// 0x80 … 0x9F; 0 marks a byte the code page leaves unassigned.
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,      // 88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178, // 98
};

// The byte for one character, or -1 when the code page has none.
int encodeOne(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    if (c >= 0x80 && c < 0xA0 && kHigh[c - 0x80] == 0)
        return c; // an unassigned byte goes back as it was read
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == c)
            return 0x80 + i;
    return -1;
}

} // namespace

bool AppendWindows1252(QByteArray &out, const QString &text)
{
    bool fits = true;
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char *dst = out.data() + start;
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        // A surrogate pair is one character the code page cannot hold: one "?".
        const bool pair = ch.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        if (pair)
            ++i;
        const int byte = pair ? -1 : encodeOne(ch.unicode());
        fits &= byte >= 0;
        dst[n++] = byte >= 0 ? char(byte) : '?';
    }
    out.resize(start + n);
    return fits;
}

bool FitsWindows1252(const QString &text)
{
    for (QChar ch : text)
        if (encodeOne(ch.unicode()) < 0)
            return false;
    return true;
}

QByteArray EncodeWindows1252(const QString &text)
{
    QByteArray out;
    AppendWindows1252(out, text);
    return out;
}

QString DecodeWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *dst = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b >= 0x80 && b < 0xA0 && kHigh[b - 0x80] != 0)
            dst[i] = QChar(kHigh[b - 0x80]);
        else
            dst[i] = QChar(char16_t(b));
    }
    return text;
}
