#include "QuoteReplies.h"

#include <QHash>

QString quoteEntry(const QString& code, const QString& name, double basePrice, double price)
{
    QStringList values{name,
                       QString::number(basePrice, 'f', 2),
                       QString::number(basePrice, 'f', 2),
                       QString::number(price, 'f', 2),
                       QString::number(price * 1.01, 'f', 2),
                       QString::number(price * 0.99, 'f', 2)};
    while (values.size() < 30)
        values << QString::number(values.size() * 100);
    values << QStringLiteral("2026-12-07") << QStringLiteral("15:00:00");
    return QStringLiteral("var hq_str_") + code + QStringLiteral("=\"") +
           values.join(QLatin1Char(',')) + QStringLiteral("\";\n");
}

QString quoteReplyFor(const QStringList& codes)
{
    static const QHash<QString, QString> names{
        {QStringLiteral("sh600000"), QStringLiteral("浦发银行")},
        {QStringLiteral("sz000001"), QStringLiteral("平安银行")},
        {QStringLiteral("sh601398"), QStringLiteral("工商银行")},
        {QStringLiteral("sz000002"), QStringLiteral("万科Ａ")},
        {QStringLiteral("sh600519"), QStringLiteral("贵州茅台")},
    };
    QString reply;
    int i = 0;
    for (const QString& code : codes) {
        const auto name = names.constFind(code);
        if (name == names.constEnd()) {
            reply += QStringLiteral("var hq_str_") + code + QStringLiteral("=\"\";\n");
            continue;
        }
        // Alternate rises and falls so both row colours appear.
        const double base = 10.0 + i;
        reply += quoteEntry(code, *name, base, (i % 2 == 0) ? base * 1.02 : base * 0.97);
        ++i;
    }
    return reply;
}

QStringList codesOfQuotePath(const QString& path)
{
    const qsizetype at = path.indexOf(QStringLiteral("list="));
    if (at < 0)
        return {};
    return path.mid(at + 5).split(QLatin1Char(','), Qt::SkipEmptyParts);
}
