#include "common/gui/text_codec.h"

#include "common/text_1252.h"

namespace quorvex {

QString FromCp1252(std::string_view bytes) {
    QString out(qsizetype(bytes.size()), Qt::Uninitialized);
    QChar* data = out.data();
    for (std::size_t i = 0; i < bytes.size(); ++i)
        data[i] = QChar(char16_t(Cp1252CodePoint(static_cast<unsigned char>(bytes[i]))));
    return out;
}

std::string ToCp1252(const QString& text) {
    std::string out;
    out.reserve(std::size_t(text.size()));
    for (const QChar ch : text) out.push_back(Cp1252Byte(ch.unicode()));
    return out;
}

namespace {

QString LineFeeds(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar(u'\r'), QChar(u'\n'));
    return text;
}

}  // namespace

QString MessageText(std::string_view bytes) { return LineFeeds(FromCp1252(bytes)); }

QString Utf8MessageText(std::string_view utf8) {
    return LineFeeds(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
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
