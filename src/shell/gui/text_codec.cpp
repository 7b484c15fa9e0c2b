#include "shell/gui/text_codec.h"

#include <array>

namespace quorvex {

namespace {

// Code page 1252 characters of the bytes 0x80-0x9F; 0 marks the five unassigned bytes,
// which are kept as the C1 control of the same value.
constexpr std::array<char16_t, 32> kHighTable = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char16_t Decode(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) {
        const char16_t mapped = kHighTable[byte - 0x80];
        return mapped != 0 ? mapped : char16_t(byte);
    }
    return char16_t(byte);
}

}  // namespace

QString FromCp1252(std::string_view bytes) {
    QString out(qsizetype(bytes.size()), Qt::Uninitialized);
    QChar* data = out.data();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        data[i] = QChar(Decode(static_cast<unsigned char>(bytes[i])));
    }
    return out;
}

std::string ToCp1252(const QString& text) {
    std::string out;
    out.reserve(std::size_t(text.size()));
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.push_back(char(u));
            continue;
        }
        char byte = '?';
        for (std::size_t i = 0; i < kHighTable.size(); ++i) {
            const char16_t mapped = kHighTable[i] != 0 ? kHighTable[i] : char16_t(0x80 + i);
            if (mapped == u) {
                byte = char(0x80 + i);
                break;
            }
        }
        out.push_back(byte);
    }
    return out;
}

QString MessageText(std::string_view bytes) {
    QString text = FromCp1252(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar(u'\r'), QChar(u'\n'));
    return text;
}

QStringList NameFilters(std::string_view filter) {
    QStringList parts = FromCp1252(filter).split(u'|');
    if (!parts.isEmpty() && parts.back().isEmpty()) parts.removeLast();

    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        if (description.endsWith(u')')) {
            const qsizetype open = description.lastIndexOf(u'(');
            if (open >= 0) description = description.left(open).trimmed();
        }
        QStringList patterns;
        for (QString pattern : parts[i + 1].split(u';', Qt::SkipEmptyParts)) {
            pattern = pattern.trimmed();
            if (pattern == QStringLiteral("*.*")) pattern = QStringLiteral("*");
            if (!pattern.isEmpty()) patterns << pattern;
        }
        if (patterns.isEmpty()) patterns << QStringLiteral("*");
        if (description.isEmpty()) description = patterns.join(u' ');
        filters << QStringLiteral("%1 (%2)").arg(description, patterns.join(u' '));
    }
    return filters;
}

}  // namespace quorvex
