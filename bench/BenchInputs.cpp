#include "BenchInputs.h"

#include "core/Gb18030.h"

#include <QString>
#include <QStringList>

namespace {
struct Moment
{
    QString code;
    QString name;
    double base;
    double price;
};

Moment momentOf(int i, int moment)
{
    static const QStringList names{QStringLiteral("浦发银行"), QStringLiteral("平安银行"),
                                   QStringLiteral("工商银行"), QStringLiteral("万科Ａ"),
                                   QStringLiteral("贵州茅台"), QStringLiteral("中国石化"),
                                   QStringLiteral("招商银行"), QStringLiteral("五粮液"),
                                   QStringLiteral("格力电器"), QStringLiteral("中信证券")};
    const bool shanghai = i % 2 == 0;
    const double base = 5.0 + (i % 97) * 0.37;
    return {(shanghai ? QStringLiteral("sh60") : QStringLiteral("sz00")) +
                QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0')),
            names.at(i % names.size()) + QString::number(i % 7), base,
            base * (1.0 + (((i + 7 * moment) % 21) - 10) / 100.0)};
}
} // namespace

QByteArray makeQuoteReply(int count, int moment)
{
    QString text;
    text.reserve(count * 260);
    for (int i = 0; i < count; ++i) {
        const Moment m = momentOf(i, moment);
        QStringList values{m.name,
                           QString::number(m.base * 1.001, 'f', 2),
                           QString::number(m.base, 'f', 2),
                           QString::number(m.price, 'f', 2),
                           QString::number(m.price * 1.02, 'f', 2),
                           QString::number(m.price * 0.98, 'f', 2)};
        for (int v = 6; v < 30; ++v)
            values << QString::number((i + 1) * v * 131 % 100000) + QStringLiteral(".00");
        values << QStringLiteral("2026-12-07") << QStringLiteral("15:00:03");
        text += QStringLiteral("var hq_str_") + m.code + QStringLiteral("=\"") +
                values.join(QLatin1Char(',')) + QStringLiteral("\";\n");
    }
    return gb18030::encode(text);
}

QByteArray makeBackupReply(int count, int moment)
{
    QString text;
    text.reserve(count * 360);
    for (int i = 0; i < count; ++i) {
        const Moment m = momentOf(i, moment);
        QStringList f;
        for (int v = 0; v < 50; ++v)
            f << QString::number((i + 1) * v * 131 % 100000);
        f[1] = m.name;
        f[2] = m.code.mid(2);
        f[3] = QString::number(m.price, 'f', 2);
        f[4] = QString::number(m.base, 'f', 2);
        f[5] = QString::number(m.base * 1.001, 'f', 2);
        f[6] = f[36] = QString::number((i + 1) * 8 * 131 % 100000);
        f[9] = QString::number(m.price - 0.01, 'f', 2);
        f[19] = f[3];
        f[30] = QStringLiteral("20261207150003");
        f[31] = QString::number(m.price - m.base, 'f', 2);
        f[32] = QString::number((m.price - m.base) / m.base * 100, 'f', 2);
        f[33] = QString::number(m.price * 1.02, 'f', 2);
        f[34] = QString::number(m.price * 0.98, 'f', 2);
        f[37] = QString::number((i + 1) * 9 * 131 % 100000) + QStringLiteral(".5");
        text += QStringLiteral("v_") + m.code + QStringLiteral("=\"") + f.join(QLatin1Char('~')) +
                QStringLiteral("\";\n");
    }
    return gb18030::encode(text);
}
