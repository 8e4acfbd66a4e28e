#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <optional>

class JavaService;
struct ServiceMessage;

// A piece of what the shell answers to an input, in the order it happened.
struct ShellPiece
{
    enum class Kind { Output, Value, Note, Error, Exception };
    Kind kind = Kind::Output;
    QString text;

    bool operator==(const ShellPiece &other) const = default;
};

// The pieces of a "started", "evaluated" or "more" answer; nothing when it is not one.
std::optional<QList<ShellPiece>> shellPieces(const ServiceMessage &answer);

// The Java shell of the Java service: snippets evaluated one after the other in a Java
// machine of the service's, each seeing what the earlier ones declared. One input is out at a
// time; what it prints arrives while it runs. Snippets have no deadline: a snippet may run as
// long as the user lets it, and Stop ends it.
class JavaShell : public QObject
{
    Q_OBJECT

public:
    explicit JavaShell(JavaService *service, QObject *parent = nullptr);
    ~JavaShell() override;

    // A fresh shell with the class path (":"-joined folders and archives) and the
    // declarations of the source files (of the unnamed package, whose classes the shell
    // cannot take from the class path); any shell before goes, a snippet running in it too.
    void start(const QString &classPath, const QStringList &sources = {});
    QString classPath() const { return m_classPath; }
    QStringList sources() const { return m_sources; }
    // The shell has started and runs no input.
    bool isIdle() const { return m_state == State::Idle; }
    // An input is being evaluated.
    bool isRunning() const { return m_state == State::Running; }

    // Evaluates the input (one or more snippets) when the shell is idle: incomplete() when it
    // needs more lines (nothing ran), else accepted(), pieces as they come and evaluated() at
    // the end.
    bool evaluate(const QString &input);
    // Asks for the texts that can stand at the caret: suggested() when they are in.
    void suggest(const QString &input, int caret);
    // Ends the input that is running.
    void stop();

signals:
    void started();
    // The shell could not start or was lost (with the service): why.
    void failed(const QString &why);
    void incomplete();
    // The input is complete and runs.
    void accepted();
    void piecesArrived(const QList<ShellPiece> &pieces);
    void evaluated();
    // The texts that can replace the input from anchor to the caret.
    void suggested(int anchor, const QStringList &texts);

private:
    enum class State { Off, Starting, Idle, Running };

    void lost(const QString &why);

    QPointer<JavaService> m_service;
    State m_state = State::Off;
    QString m_classPath;
    QStringList m_sources;
    qint32 m_request = 0;
    qint32 m_suggestion = 0;
    bool m_accepted = false;
    // Counts the starts, so that an answer about an earlier shell is known.
    int m_generation = 0;
};
