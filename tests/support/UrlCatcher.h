#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

// Stands in for the desktop's browser and mail program: every address the
// code under test opens for these schemes lands in `urls` instead.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    explicit UrlCatcher(const QStringList& schemes = {QStringLiteral("http"),
                                                      QStringLiteral("https"),
                                                      QStringLiteral("mailto")});
    ~UrlCatcher() override;

    QList<QUrl> urls;
    QStringList texts() const;

public slots:
    void open(const QUrl& url);

private:
    QStringList schemes;
};
