#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

namespace plimo {

// One panel per program folder. The first copy started from a folder holds a lock beside its config.ini and
// listens for later starts; a later start asks that copy to show its panel, and ends. Copies in two folders do not
// meet: each folder has its own settings.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& folder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this copy may run: it is the folder's first, the lock cannot be taken at all (a read-only folder),
    // or the lock is stale: it names another computer, or its holder does not answer within 3 s. None of these is
    // a reason to refuse the panel. False when another copy runs there and has been asked to show itself.
    bool claim();

    // The name the running copy listens under (tests).
    QString serverName() const { return m_serverName; }

signals:
    // A later start from the same folder asks for the panel.
    void showRequested();

private:
    bool listen();
    bool askRunningCopy();
    bool heldOnAnotherComputer() const;
    bool takeOverStaleLock();

    QString m_folder;
    QString m_serverName;
    QLockFile m_lock;
    QLocalServer* m_server = nullptr;
};

}  // namespace plimo
