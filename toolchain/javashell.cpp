#include "javashell.h"

#include "toolchain/javaservice.h"

namespace {

std::optional<ShellPiece::Kind> pieceKind(const QByteArray &name)
{
    static const struct {
        const char *name;
        ShellPiece::Kind kind;
    } kinds[] = {{"output", ShellPiece::Kind::Output}, {"value", ShellPiece::Kind::Value},
                 {"note", ShellPiece::Kind::Note}, {"error", ShellPiece::Kind::Error},
                 {"exception", ShellPiece::Kind::Exception}};
    for (const auto &each : kinds) {
        if (name == each.name)
            return each.kind;
    }
    return std::nullopt;
}

ServiceMessage shellRequest(const char *kind)
{
    ServiceMessage message;
    message.kind = kind;
    return message;
}

} // namespace

std::optional<QList<ShellPiece>> shellPieces(const ServiceMessage &answer)
{
    if (answer.kind != "evaluated" && answer.kind != "more" && answer.kind != "started")
        return std::nullopt;
    FieldReader fields(answer);
    const qint32 count = fields.integer();
    QList<ShellPiece> pieces;
    for (qint32 i = 0; i < count && !fields.failed(); ++i) {
        const std::optional<ShellPiece::Kind> kind = pieceKind(fields.bytes());
        const QString text = fields.text();
        // A kind this side does not know yet is shown as a note.
        pieces.append({kind.value_or(ShellPiece::Kind::Note), text});
    }
    if (fields.failed() || count < 0)
        return std::nullopt;
    return pieces;
}

JavaShell::JavaShell(JavaService *service, QObject *parent)
    : QObject(parent)
    , m_service(service)
{
    // The shell lives in the service: a service that stops takes it along, idle or not.
    if (service) {
        connect(service, &JavaService::readyChanged, this, [this](bool ready) {
            if (!ready && m_state != State::Off) {
                ++m_generation;
                lost(QStringLiteral("the Java service stopped"));
            }
        });
    }
}

JavaShell::~JavaShell()
{
    if (!m_service)
        return;
    m_service->drop(m_request);
    m_service->drop(m_suggestion);
    if (m_state == State::Running)
        m_service->request(shellRequest("shellstop"), nullptr, {});
    // The shell's Java machine goes with the shell.
    if (m_state != State::Off)
        m_service->request(shellRequest("shellclose"), nullptr, {});
}

void JavaShell::start(const QString &classPath, const QStringList &sources)
{
    if (!m_service)
        return;
    ++m_generation;
    m_service->drop(m_request);
    m_service->drop(m_suggestion);
    if (m_state == State::Running)
        m_service->request(shellRequest("shellstop"), nullptr, {});
    m_classPath = classPath;
    m_sources = sources;
    m_state = State::Starting;
    const int generation = m_generation;
    ServiceMessage request = shellRequest("shellstart");
    request.add(classPath).add(qint32(sources.size()));
    for (const QString &source : sources)
        request.add(source);
    // Starting a Java machine may take long on a busy machine: no deadline.
    m_request = m_service->request(request, this, [this, generation](const ServiceMessage *answer) {
        if (generation != m_generation)
            return;
        m_request = 0;
        if (!answer) {
            lost(m_service && !m_service->offReason().isEmpty() ? m_service->offReason()
                                                                : QStringLiteral("the Java service stopped"));
            return;
        }
        if (answer->kind != "started") {
            FieldReader fields(*answer);
            m_state = State::Off;
            emit failed(fields.text());
            return;
        }
        m_state = State::Idle;
        if (const std::optional<QList<ShellPiece>> notes = shellPieces(*answer); notes && !notes->isEmpty())
            emit piecesArrived(*notes);
        emit started();
    }, -1);
}

bool JavaShell::evaluate(const QString &input)
{
    if (m_state != State::Idle || !m_service)
        return false;
    m_service->drop(m_suggestion);
    m_state = State::Running;
    m_accepted = false;
    const int generation = m_generation;
    ServiceMessage request = shellRequest("shelleval");
    request.add(input);
    m_request = m_service->request(request, this, [this, generation](const ServiceMessage *answer) {
        if (generation != m_generation)
            return;
        if (!answer) {
            m_request = 0;
            lost(QStringLiteral("the Java service stopped"));
            return;
        }
        if (answer->kind == "incomplete") {
            m_request = 0;
            m_state = State::Idle;
            emit incomplete();
            return;
        }
        if (!m_accepted) {
            m_accepted = true;
            emit accepted();
        }
        if (answer->kind == "more") {
            const std::optional<QList<ShellPiece>> pieces = shellPieces(*answer);
            if (pieces && !pieces->isEmpty())
                emit piecesArrived(*pieces);
            return;
        }
        m_request = 0;
        m_state = State::Idle;
        if (const std::optional<QList<ShellPiece>> pieces = shellPieces(*answer)) {
            emit piecesArrived(*pieces);
        } else {
            FieldReader fields(*answer);
            emit piecesArrived({{ShellPiece::Kind::Error, QStringLiteral("The shell failed: ")
                                                              + fields.text()}});
        }
        emit evaluated();
    }, -1);
    return true;
}

void JavaShell::suggest(const QString &input, int caret)
{
    if (m_state != State::Idle || !m_service)
        return;
    m_service->drop(m_suggestion);
    ServiceMessage request = shellRequest("shellsuggest");
    request.add(input).add(qint32(caret));
    const int generation = m_generation;
    m_suggestion = m_service->request(request, this, [this, generation](const ServiceMessage *answer) {
        if (generation != m_generation)
            return;
        m_suggestion = 0;
        if (!answer || answer->kind != "suggestions")
            return;
        FieldReader fields(*answer);
        const qint32 anchor = fields.integer();
        const qint32 count = fields.integer();
        QStringList texts;
        for (qint32 i = 0; i < count && !fields.failed(); ++i)
            texts.append(fields.text());
        if (!fields.failed())
            emit suggested(anchor, texts);
    }, -1);
}

void JavaShell::stop()
{
    if (m_state == State::Running && m_service)
        m_service->request(shellRequest("shellstop"), nullptr, {});
}

void JavaShell::lost(const QString &why)
{
    m_state = State::Off;
    emit failed(why);
}
