#include "BenchInputs.h"

#include "core/Gb18030.h"

#include <QString>
#include <QStringList>

QByteArray makeQuoteReply(int count, int moment)
{
    static const QStringList names{QStringLiteral("浦发银行"), QStringLiteral("平安银行"),
                                   QStringLiteral("工商银行"), QStringLiteral("万科Ａ"),
                                   QStringLiteral("贵州茅台"), QStringLiteral("中国石化"),
                                   QStringLiteral("招商银行"), QStringLiteral("五粮液"),
                                   QStringLiteral("格力电器"), QStringLiteral("中信证券")};
    QString text;
    text.reserve(count * 260);
    for (int i = 0; i < count; ++i) {
        const bool shanghai = i % 2 == 0;
        const QString code = (shanghai ? QStringLiteral("sh60") : QStringLiteral("sz00")) +
                             QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0'));
        const double base = 5.0 + (i % 97) * 0.37;
        const double price = base * (1.0 + (((i + 7 * moment) % 21) - 10) / 100.0);
        QStringList values{names.at(i % names.size()) + QString::number(i % 7),
                           QString::number(base * 1.001, 'f', 2),
                           QString::number(base, 'f', 2),
                           QString::number(price, 'f', 2),
                           QString::number(price * 1.02, 'f', 2),
                           QString::number(price * 0.98, 'f', 2)};
        for (int v = 6; v < 30; ++v)
            values << QString::number((i + 1) * v * 131 % 100000) + QStringLiteral(".00");
        values << QStringLiteral("2026-12-07") << QStringLiteral("15:00:03");
        text += QStringLiteral("var hq_str_") + code + QStringLiteral("=\"") +
                values.join(QLatin1Char(',')) + QStringLiteral("\";\n");
    }
    return gb18030::encode(text);
}
