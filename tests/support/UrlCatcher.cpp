#include "UrlCatcher.h"

#include <QDesktopServices>

UrlCatcher::UrlCatcher(const QStringList& schemes) : schemes(schemes)
{
    for (const QString& scheme : schemes)
        QDesktopServices::setUrlHandler(scheme, this, "open");
}

UrlCatcher::~UrlCatcher()
{
    for (const QString& scheme : schemes)
        QDesktopServices::unsetUrlHandler(scheme);
}

QStringList UrlCatcher::texts() const
{
    QStringList all;
    for (const QUrl& url : urls)
        all << url.toString();
    return all;
}

void UrlCatcher::open(const QUrl& url)
{
    urls.append(url);
}
