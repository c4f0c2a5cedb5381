#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QLocalServer;
class QLockFile;
class QThread;

// Keeps a second start of the program from running beside the first on the
// same data folder, where both would write Config.xml and Stocks.xml. The
// first start holds a lock file in the folder for as long as it runs, and
// listens on a local socket named after the folder; a later one finds the
// lock taken, asks the holder through the socket to come forward and ends.
class TSingleInstance : public QObject
{
    Q_OBJECT
public:
    // `dataFolder` is the folder of the data files.
    explicit TSingleInstance(const QString& dataFolder, QObject* parent = nullptr);
    ~TSingleInstance() override;

    // Begins taking the folder's lock on a thread of its own and returns at
    // once: the lock file is written through to the disk, and the caller may
    // do other start-up work, which touches no data file, while it waits.
    // start() finishes what this began.
    void startLocking();

    // False when another instance runs on the folder (it has been asked to
    // come forward); otherwise true, and this one holds the folder.
    bool start();

    QString serverName() const { return name; }
    QString lockFileName() const;

signals:
    // Another start of the program asked this one to come forward.
    void activationRequested();

private:
    bool takeLock() const;
    bool heldUnderOwnId() const;
    void listen();
    bool askRunning() const;

    QString name;
    std::unique_ptr<QLockFile> lock;
    QLocalServer* server;
    std::unique_ptr<QThread> locking;
    // Written by the locking thread, read once it has ended.
    std::optional<bool> lockTaken;
};
