#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// Keeps a second start of the program from running beside the first on the
// same data folder, where both would write Config.xml and Stocks.xml. The
// first start listens on a local socket named after the folder; a later one
// finds it, asks it to come forward and ends.
class TSingleInstance : public QObject
{
    Q_OBJECT
public:
    // `dataFolder` is the folder of the data files.
    explicit TSingleInstance(const QString& dataFolder, QObject* parent = nullptr);
    ~TSingleInstance() override;

    // False when another instance runs on the folder and has been asked to
    // come forward; otherwise true, and this one listens where it can.
    bool start();

    QString serverName() const { return name; }

signals:
    // Another start of the program asked this one to come forward.
    void activationRequested();

private:
    bool askRunning() const;

    QString name;
    QLocalServer* server;
};
