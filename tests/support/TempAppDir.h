#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Gives one test its own data folder: Config.xml, Stocks.xml and Settings.ini of the code
// under test are read and written there for as long as this object lives.
class TempAppDir
{
public:
    TempAppDir();
    ~TempAppDir();
    TempAppDir(const TempAppDir&) = delete;
    TempAppDir& operator=(const TempAppDir&) = delete;

    bool isValid() const { return dir.isValid(); }
    QString path() const { return dir.path(); }
    QString filePath(const QString& name) const { return dir.filePath(name); }
    QString configFile() const { return filePath(QStringLiteral("Config.xml")); }
    QString stocksFile() const { return filePath(QStringLiteral("Stocks.xml")); }
    QString settingsFile() const { return filePath(QStringLiteral("Settings.ini")); }

    bool writeFile(const QString& name, const QByteArray& bytes) const;
    QByteArray readFile(const QString& name) const;
    bool exists(const QString& name) const;

private:
    QTemporaryDir dir;
};

// Test data committed under tests/data.
QByteArray readTestData(const QString& name);
