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

QString backupQuoteEntry(const QString& code, const QString& name, double basePrice, double price)
{
    QStringList f;
    while (f.size() < 38)
        f << QString::number(f.size() * 100);
    f[0] = QStringLiteral("1");
    f[1] = name;
    f[2] = code.right(6);
    f[3] = QString::number(price, 'f', 2);
    f[4] = f[5] = QString::number(basePrice, 'f', 2);
    f[6] = f[36] = QString::number(8); // lots: quoteEntry's 800 shares
    f[30] = QStringLiteral("20261207150000");
    f[33] = QString::number(price * 1.01, 'f', 2);
    f[34] = QString::number(price * 0.99, 'f', 2);
    f[37] = QStringLiteral("0.09"); // 10,000 yuan: quoteEntry's 900
    return QStringLiteral("v_") + code + QStringLiteral("=\"") + f.join(QLatin1Char('~')) +
           QStringLiteral("\";\n");
}

QString quoteReplyFor(const QStringList& codes)
{
    return quoteReplyFor(codes, false);
}

QString quoteReplyFor(const QStringList& codes, bool backup)
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
            reply += (backup ? QStringLiteral("v_") : QStringLiteral("var hq_str_")) + code +
                     QStringLiteral("=\"\";\n");
            continue;
        }
        // Alternate rises and falls so both row colours appear.
        const double base = 10.0 + i;
        const double price = (i % 2 == 0) ? base * 1.02 : base * 0.97;
        reply += backup ? backupQuoteEntry(code, *name, base, price)
                        : quoteEntry(code, *name, base, price);
        ++i;
    }
    return reply;
}

QStringList codesOfQuotePath(const QString& path)
{
    const qsizetype at = path.indexOf(u'=');
    if (at < 0)
        return {};
    return path.mid(at + 1).split(QLatin1Char(','), Qt::SkipEmptyParts);
}
