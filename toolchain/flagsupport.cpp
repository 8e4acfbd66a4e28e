#include "flagsupport.h"

#include "platform/files.h"
#include "platform/programs.h"

#include <QThread>

#include <future>
#include <vector>

namespace {

// A compiler's start-up takes well under a second; one that hangs is given up on.
constexpr int QuestionTimeoutMs = 30000;

} // namespace

QStringList flagsRejectedBy(const QString &compiler, const QStringList &flags,
                            const std::function<int(const QStringList &)> &run)
{
    const QString version = QStringLiteral("-version");
    if (run({compiler, version}) != 0)
        return {};
    // The questions are independent, so they are asked at the same time.
    std::vector<std::future<int>> answers;
    for (const QString &flag : flags) {
        answers.push_back(std::async(std::launch::async, run,
                                     QStringList{compiler, u'-' + flag, version}));
    }
    QStringList rejected;
    for (qsizetype i = 0; i < flags.size(); ++i) {
        if (answers[size_t(i)].get() != 0)
            rejected.append(flags[i]);
    }
    return rejected;
}

struct CompilerFlagSupport::Question
{
    QThread *thread = nullptr;
    QStringList rejected;
    bool answered = false;
};

CompilerFlagSupport::CompilerFlagSupport(QObject *parent)
    : QObject(parent)
{}

CompilerFlagSupport::~CompilerFlagSupport()
{
    for (const std::shared_ptr<Question> &question : std::as_const(m_questions)) {
        if (question->thread) {
            question->thread->wait();
            delete question->thread;
        }
    }
}

void CompilerFlagSupport::learn(const QString &compiler, const QStringList &flags)
{
    if (m_questions.contains(compiler))
        return;
    auto question = std::make_shared<Question>();
    m_questions.insert(compiler, question);
    if (!qv::fileExists(compiler)) {
        question->answered = true;
        return;
    }
    question->thread = QThread::create([compiler, flags, question] {
        question->rejected = flagsRejectedBy(compiler, flags, [](const QStringList &command) {
            return qv::exitStatusOf(command, QuestionTimeoutMs);
        });
    });
    connect(question->thread, &QThread::finished, this, [this, compiler, question] {
        if (question->answered)
            return;
        question->answered = true;
        emit learnt(compiler);
    });
    question->thread->start();
}

bool CompilerFlagSupport::knows(const QString &compiler) const
{
    const std::shared_ptr<Question> question = m_questions.value(compiler);
    return question && question->answered;
}

QStringList CompilerFlagSupport::rejected(const QString &compiler) const
{
    return knows(compiler) ? m_questions.value(compiler)->rejected : QStringList();
}

QStringList CompilerFlagSupport::waitForRejected(const QString &compiler,
                                                 const QStringList &flags)
{
    learn(compiler, flags);
    const std::shared_ptr<Question> question = m_questions.value(compiler);
    if (!question->answered) {
        question->thread->wait();
        question->answered = true;
        emit learnt(compiler);
    }
    return question->rejected;
}
