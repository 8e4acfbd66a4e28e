#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

// The flags among the given ones that the compiler rejects: each is tried alone with
// "-version", and a non-zero status rejects it. A compiler that fails "-version" by itself
// (missing, not a compiler) rejects nothing. run gives a command's exit status.
QStringList flagsRejectedBy(const QString &compiler, const QStringList &flags,
                            const std::function<int(const QStringList &)> &run);

// What each compiler file accepts of the flag boxes' flags, learnt once per compiler file
// and kept for the run. The compiler is asked off the user-interface thread.
class CompilerFlagSupport : public QObject
{
    Q_OBJECT

public:
    explicit CompilerFlagSupport(QObject *parent = nullptr);
    // Waits for questions still under way.
    ~CompilerFlagSupport() override;

    // Starts asking the compiler, unless its answer is known or under way.
    void learn(const QString &compiler, const QStringList &flags);
    bool knows(const QString &compiler) const;
    // The flags the compiler rejects; empty while not known.
    QStringList rejected(const QString &compiler) const;
    // The same, first waiting for an answer under way (or asking, when nobody has).
    QStringList waitForRejected(const QString &compiler, const QStringList &flags);

signals:
    void learnt(const QString &compiler);

private:
    struct Question;
    QHash<QString, std::shared_ptr<Question>> m_questions;
};
