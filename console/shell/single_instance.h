#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One console per user: the first copy answers on a local socket named after the default
// window title and the user; a later start asks it to show its window and ends.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& name = DefaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    static QString DefaultName();

    // True when a running copy answered and was asked to show its window.
    bool HandOverToRunningCopy(int timeoutMs = 2000);
    // Starts answering later starts. A socket left behind by a copy that died is replaced.
    bool Listen();

signals:
    void ShowRequested();

private:
    QString m_name;
    QLocalServer* m_server = nullptr;
};
